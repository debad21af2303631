// The main window's states and commands: what each state enables, Browse,
// the confirmed close, the keys it ignores and the keys it answers, its
// size and layout, the step boxes, Help and About.
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QUrl>
#include <QSplitter>
#include <QListWidget>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

#include <filesystem>

#include "app/about_box.h"
#include "app/analysis_progress_dialog.h"
#include "app/dialog_template.h"
#include "app/export_options_dialog.h"
#include "app/product_page.h"
#include "app/user_guide.h"
#include "platform/folders.h"
#include "tests/gui/gui_test_support.h"

using guitest::Session;

namespace {

struct Enabled {
  bool browse, recover, exportButton, exportMenu, browseMenu, next, prev;
};

Enabled EnabledOf(MainWindow& w) {
  return {w.ui.browse_1006->isEnabled(), w.ui.recover_1007->isEnabled(),
          w.ui.export_1008->isEnabled(), w.ui.export_32772->isEnabled(),
          w.ui.browse_32771->isEnabled(), w.ui.next_1071->isEnabled(), w.ui.prev_1070->isEnabled()};
}

void CompareEnabled(MainWindow& w, const Enabled& expected) {
  const Enabled actual = EnabledOf(w);
  QCOMPARE(actual.browse, expected.browse);
  QCOMPARE(actual.recover, expected.recover);
  QCOMPARE(actual.exportButton, expected.exportButton);
  QCOMPARE(actual.exportMenu, expected.exportMenu);
  QCOMPARE(actual.browseMenu, expected.browseMenu);
  QCOMPARE(actual.next, expected.next);
  QCOMPARE(actual.prev, expected.prev);
}

QStringList TreeTexts(QTreeWidget& tree) {
  QStringList texts;
  for (QTreeWidgetItemIterator it(&tree); *it; ++it) texts << (*it)->text(0);
  return texts;
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void StartsWithNoFile();
  void BrowseChoosesAFile();
  void BrowseCancelledChangesNothing();
  void BrowseAfterAnAnalysisEmptiesTheTree();
  void EnterAndEscapeAreIgnored();
  void CloseAsksFirst_data();
  void CloseAsksFirst();
  void HelpSaysWhereItLookedWhenTheGuideIsMissing();
  void TheGuideIsFoundBesideTheProgramOrInstalled();
  void AboutShowsTheVersion();
  void ItResizesAndMaximisesDownToItsTemplate();
  void ItsSizeAndTreeWidthAreRememberedBetweenRuns();
  void KeysStartTheirCommands();
  void StepBoxesStartTheirStepWhenItIsEnabled();
  void ADroppedOrRecentFileIsOpenedAndAnalysed();
};

void MainWindowTest::StartsWithNoFile() {
  const std::string execLog = LogWriter().ExecLogPath();
  const std::string errorLog = LogWriter().ErrorLogPath();
  const size_t execBefore = testenv::ReadFile(execLog).size();
  const size_t errorBefore = testenv::ReadFile(errorLog).size();
  Session session;
  // The session header, appended to both logs.
  const std::string execAdded = testenv::ReadFile(execLog).substr(execBefore);
  QVERIFY(execAdded.find("Last Log On") != std::string::npos);
  QVERIFY(testenv::ReadFile(errorLog).substr(errorBefore).find("Last Log On") != std::string::npos);

  MainWindow& w = session.w();
  QCOMPARE(w.windowTitle(), QString("Corvanel Brevantis v2.0"));
  CompareEnabled(w, {true, false, false, false, true, false, false});
  QVERIFY(!w.ui.records_1002->isVisible());
  QVERIFY(w.ui.web_1082->isVisible());
  QCOMPARE(TreeTexts(*w.ui.tree_1001), QStringList({"DATABASE_NAME", "TABLES"}));
  QVERIFY(w.ui.tree_1001->topLevelItem(0)->isExpanded());
  QVERIFY(w.ui.tableName_1068->text().isEmpty());
  QVERIFY(w.ui.pageNumber_1074->text().isEmpty());
  QVERIFY(w.ui.filePath_1005->isReadOnly());
  QVERIFY(w.ui.rowTotal->text().isEmpty());
  QVERIFY(!w.ui.goTo->isEnabled());
  guitest::SaveScreenshot(w, "main_window_empty");
}

void MainWindowTest::BrowseChoosesAFile() {
  Session session;
  MainWindow& w = session.w();
  session.dialogs.QueueFile("/data/archive/Shop.2008.mdb");
  w.ui.browse_1006->click();
  QCOMPARE(session.dialogs.lastFilter(), std::string("Microsoft Access Database Files (*.mdb)|*.mdb||"));
  QCOMPARE(w.ui.filePath_1005->text(), QString("/data/archive/Shop.2008.mdb"));
  QCOMPARE(w.fileTitle(), std::string("Shop.2008"));
  QCOMPARE(session.progress.databaseName.Get(), std::string("Shop.2008"));
  CompareEnabled(w, {true, true, false, false, true, false, false});
}

void MainWindowTest::BrowseCancelledChangesNothing() {
  Session session;
  MainWindow& w = session.w();
  w.UseFile("/data/first.mdb");
  w.ui.browse_32771->trigger();  // nothing queued: the dialog is cancelled
  QCOMPARE(w.ui.filePath_1005->text(), QString("/data/first.mdb"));
  QCOMPARE(w.filePath(), std::string("/data/first.mdb"));
  CompareEnabled(w, {true, true, false, false, true, false, false});
}

void MainWindowTest::BrowseAfterAnAnalysisEmptiesTheTree() {
  testenv::ScratchDir scratch;
  const std::string path = guitest::WriteSampleDatabase(scratch.File("shop.mdb"));
  Session session;
  MainWindow& w = session.w();
  session.OpenAndRecover(path);
  session.SelectNode("Orders");
  QVERIFY(w.ui.records_1002->isVisible());
  CompareEnabled(w, {true, true, true, true, true, false, false});

  session.dialogs.QueueFile(path);
  w.Browse();
  QCOMPARE(TreeTexts(*w.ui.tree_1001), QStringList({"DATABASE_NAME", "TABLES"}));
  QVERIFY(!w.ui.records_1002->isVisible());
  QVERIFY(w.ui.tableName_1068->text().isEmpty());
  CompareEnabled(w, {true, true, false, false, true, false, false});
}

void MainWindowTest::EnterAndEscapeAreIgnored() {
  Session session;
  MainWindow& w = session.w();
  w.UseFile("/nowhere/file.mdb");
  w.activateWindow();
  // On the window and on the (formerly default) Browse button alike.
  for (QWidget* target : {static_cast<QWidget*>(&w), static_cast<QWidget*>(w.ui.browse_1006)}) {
    target->setFocus();
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) QTest::keyClick(target, key);
  }
  QVERIFY(w.isVisible());
  QVERIFY(session.dialogs.messages().empty());
  QCOMPARE(w.filePath(), std::string("/nowhere/file.mdb"));
}

void MainWindowTest::CloseAsksFirst_data() {
  QTest::addColumn<bool>("answerYes");
  QTest::addColumn<bool>("stillOpen");
  QTest::newRow("No keeps the window") << false << true;
  QTest::newRow("Yes ends it") << true << false;
}

void MainWindowTest::CloseAsksFirst() {
  QFETCH(bool, answerYes);
  QFETCH(bool, stillOpen);
  Session session;
  MainWindow& w = session.w();
  session.dialogs.QueueAnswer(answerYes ? platform::MessageAnswer::Yes : platform::MessageAnswer::No);
  w.ui.exit_32773->trigger();
  QCOMPARE(w.isVisible(), stillOpen);
  const std::vector<ShownMessage> shown = session.dialogs.messages();
  QCOMPARE(shown.size(), size_t{1});
  QCOMPARE(shown[0].text, std::string("Are you sure you want to close the application ?"));
  QCOMPARE(shown[0].caption, std::string("Corvanel Brevantis"));
  QVERIFY(shown[0].buttons == platform::MessageButtons::YesNo);
  QVERIFY(shown[0].icon == platform::MessageIcon::Question);
}

void MainWindowTest::HelpSaysWhereItLookedWhenTheGuideIsMissing() {
  // The tests' folder holds no guide.
  Session session;
  session.w().ui.helpContents_32774->trigger();
  QVERIFY(session.dialogs.shellOpened().empty());
  const std::string folder = platform::ProgramFolder();
  QCOMPARE(session.dialogs.messageTexts(),
           std::vector<std::string>{"The user guide was not found. It was looked for in:\n" + folder +
                                    "user-guide.html\n" + folder + "../share/brevantis/user-guide.html"});
}

void MainWindowTest::TheGuideIsFoundBesideTheProgramOrInstalled() {
  testenv::ScratchDir scratch;
  const std::string bin = scratch.File("bin/");
  std::filesystem::create_directories(bin);
  std::filesystem::create_directories(scratch.File("share/brevantis"));
  testenv::WriteFile(scratch.File("share/brevantis/user-guide.html"), "<html></html>");
  QCOMPARE(UserGuidePath(bin), bin + "../share/brevantis/user-guide.html");
  testenv::WriteFile(bin + "user-guide.html", "<html></html>");
  QCOMPARE(UserGuidePath(bin), bin + "user-guide.html");
  QCOMPARE(UserGuidePath(scratch.File("elsewhere/")), std::string());
}

void MainWindowTest::AboutShowsTheVersion() {
  Session session;
  QString title, version;
  guitest::ModalAnswerer answerer([&](QWidget& modal) {
    auto* about = qobject_cast<AboutBox*>(&modal);
    if (about == nullptr) return false;
    title = about->windowTitle();
    version = about->ui.version->text();
    about->ui.ok->click();
    return true;
  });
  session.w().ui.aboutUs_32775->trigger();
  QVERIFY(answerer.done());
  QCOMPARE(title, QString("About Corvanel Brevantis"));
  QCOMPARE(version, QString("Corvanel Brevantis - Version 2.0"));

  // Every line whole, whatever the font.
  AboutBox box(&session.w());
  box.show();
  for (QLabel* line : {box.ui.version, box.ui.purpose, box.ui.maker})
    QVERIFY2(line->width() >= line->sizeHint().width(), qPrintable(line->text()));
  guitest::SaveScreenshot(box, "about_box");
}

void MainWindowTest::ItResizesAndMaximisesDownToItsTemplate() {
  Session session;
  MainWindow& w = session.w();
  const Qt::WindowFlags flags = w.windowFlags();
  QVERIFY(flags & Qt::WindowMaximizeButtonHint);
  QVERIFY(flags & Qt::WindowMinimizeButtonHint);
  QCOMPARE(w.minimumSize(), DialogUnitsToPixels(w, 543, 348));
  QCOMPARE(w.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
  QCOMPARE(w.size(), QSize(1280, 800));
  // The tree has a third of the width, however wide the window gets.
  auto treeShare = [&w] {
    const QList<int> sizes = w.ui.bodySplitter->sizes();
    return static_cast<double>(sizes[0]) / (sizes[0] + sizes[1]);
  };
  QCOMPARE(w.ui.bodySplitter->widget(0), static_cast<QWidget*>(w.ui.tree_1001));
  QTRY_VERIFY(qAbs(treeShare() - 1.0 / 3) < 0.01);
  w.showMaximized();
  QTRY_VERIFY(w.isMaximized());
  QTRY_VERIFY(qAbs(treeShare() - 1.0 / 3) < 0.01);
  // The screen here is short: the banner gives up height.
  QVERIFY(w.screen()->availableGeometry().height() < 900);
  QVERIFY(w.ui.banner_1010->height() < 90);
  QVERIFY(w.ui.banner_1010->height() >= 32);
  guitest::SaveScreenshot(w, "main_window_maximised");
  w.showNormal();
  w.resize(w.minimumSize());
  QTRY_COMPARE(w.size(), w.minimumSize());
  QVERIFY(w.ui.tree_1001->width() >= 160);
  guitest::SaveScreenshot(w, "main_window_smallest");
}

void MainWindowTest::ItsSizeAndTreeWidthAreRememberedBetweenRuns() {
  ProgressChannel progress;
  ScriptedDialogs dialogs;
  {
    MainWindow first(progress, dialogs);
    first.show();
    first.resize(1200, 700);
    QTRY_COMPARE(first.size(), QSize(1200, 700));
    // The user drags the splitter to 400 pixels; the window then grows and
    // the tree keeps its part.
    QSplitterHandle* handle = first.ui.bodySplitter->handle(1);
    const QPoint grip = handle->rect().center();
    const int from = first.ui.bodySplitter->sizes().front();
    QTest::mousePress(handle, Qt::LeftButton, {}, grip);
    QTest::mouseMove(handle, grip + QPoint(400 - from, 0));
    QTest::mouseRelease(handle, Qt::LeftButton, {}, grip + QPoint(400 - from, 0));
    QCOMPARE(first.ui.bodySplitter->sizes().front(), 400);
    const QList<int> sizes = first.ui.bodySplitter->sizes();
    first.resize(1200 + (sizes[0] + sizes[1]), 700);
    QTRY_COMPARE(first.ui.bodySplitter->sizes().front(), 800);
    first.resize(1200, 700);
    QTRY_COMPARE(first.ui.bodySplitter->sizes().front(), 400);
    dialogs.QueueAnswer(platform::MessageAnswer::Yes);
    first.close();
    QVERIFY(!first.isVisible());
  }
  MainWindow second(progress, dialogs);
  second.show();
  QCOMPARE(second.size(), QSize(1200, 700));
  QTRY_COMPARE(second.ui.bodySplitter->sizes().front(), 400);
}

void MainWindowTest::KeysStartTheirCommands() {
  testenv::ScratchDir scratch;
  const std::string path = guitest::WriteSampleDatabase(scratch.File("shop.mdb"));
  Session session;
  MainWindow& w = session.w();
  // A modal window closed on a busy machine may take the activation back a
  // moment later: a key goes to the main window once it holds it.
  auto holdActive = [&w] {
    for (int settled = 0, tries = 0; settled < 3 && tries < 100; ++tries) {
      if (QApplication::activeWindow() != &w) {
        settled = 0;
        w.activateWindow();
        if (!QTest::qWaitForWindowActive(&w)) return false;
      } else {
        ++settled;
      }
      QTest::qWait(10);
    }
    return QApplication::activeWindow() == &w;
  };
  QVERIFY(holdActive());

  session.dialogs.QueueFile(path);
  QTest::keyClick(&w, Qt::Key_O, Qt::ControlModifier);
  QCOMPARE(w.filePath(), path);

  bool recovered = false;
  guitest::ModalAnswerer closer([&](QWidget& modal) {
    auto* dialog = qobject_cast<AnalysisProgressDialog*>(&modal);
    if (dialog == nullptr || dialog->ui.stopClose_1063->text() != "Close" || dialog->WatchersRunning())
      return false;
    recovered = true;
    dialog->ui.stopClose_1063->click();
    return true;
  });
  QVERIFY(holdActive());
  QTest::keyClick(&w, Qt::Key_F5);
  QVERIFY(recovered);
  QCOMPARE(w.tree().TableItems().size(), size_t{3});

  bool exportOptionsShown = false;
  guitest::ModalAnswerer canceller([&](QWidget& modal) {
    auto* dialog = qobject_cast<ExportOptionsDialog*>(&modal);
    if (dialog == nullptr) return false;
    exportOptionsShown = true;
    dialog->ui.cancel_1025->click();
    return true;
  });
  // Each modal window gave the keyboard back to the main window.
  QVERIFY(holdActive());
  QTest::keyClick(&w, Qt::Key_E, Qt::ControlModifier);
  QVERIFY(exportOptionsShown);

  QVERIFY(holdActive());
  QTest::keyClick(&w, Qt::Key_F1);
  QCOMPARE(session.dialogs.messages().size(), size_t{1});

  // The control that has the keyboard is framed.
  QTest::keyClick(&w, Qt::Key_Tab);
  QVERIFY(QApplication::focusWidget() != nullptr);
  guitest::SaveScreenshot(w, "main_window_focus");
}

void MainWindowTest::StepBoxesStartTheirStepWhenItIsEnabled() {
  Session session;
  MainWindow& w = session.w();
  ProductPage& page = *w.ui.web_1082;
  // The middle of each box, found through the page's own hit test.
  QPoint centres[3];
  for (int y = 0; y < page.height(); y += 4)
    for (int x = 0; x < page.width(); x += 4) {
      const int step = page.StepAt({x, y});
      if (step >= 0 && centres[step].isNull()) centres[step] = {x + 40, y + 20};
    }
  for (const QPoint& centre : centres) QVERIFY(!centre.isNull());

  // Recover and Export are off with no file chosen: their boxes do nothing.
  QTest::mouseClick(&page, Qt::LeftButton, {}, centres[1]);
  QTest::mouseClick(&page, Qt::LeftButton, {}, centres[2]);
  QVERIFY(session.dialogs.messages().empty());
  session.dialogs.QueueFile("/data/shop.mdb");
  QTest::mouseClick(&page, Qt::LeftButton, {}, centres[0]);
  QCOMPARE(w.filePath(), std::string("/data/shop.mdb"));
  QTest::mouseClick(&page, Qt::LeftButton, {}, QPoint(2, 2));
  QCOMPARE(w.filePath(), std::string("/data/shop.mdb"));
}

void MainWindowTest::ADroppedOrRecentFileIsOpenedAndAnalysed() {
  testenv::ScratchDir scratch;
  const std::string a = guitest::WriteSampleDatabase(scratch.File("a.mdb"), 5);
  const std::string b = guitest::WriteSampleDatabase(scratch.File("b & c.mdb"), 5);
  Session session;
  MainWindow& w = session.w();
  auto analysed = [&w](const std::function<void()>& command) -> bool {
    guitest::ModalAnswerer closer([&](QWidget& modal) {
      auto* dialog = qobject_cast<AnalysisProgressDialog*>(&modal);
      if (dialog == nullptr || dialog->ui.stopClose_1063->text() != "Close" || dialog->WatchersRunning())
        return false;
      dialog->ui.stopClose_1063->click();
      return true;
    });
    command();
    return QTest::qWaitFor([&] { return closer.done(); }) && w.tree().TableItems().size() == 3;
  };

  // Only a file is taken from a drag.
  QMimeData text;
  text.setText("a.mdb");
  QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, &text, Qt::LeftButton, {});
  QCoreApplication::sendEvent(&w, &refused);
  QVERIFY(!refused.isAccepted());
  QMimeData file;
  file.setUrls({QUrl::fromLocalFile(QString::fromStdString(a))});
  QVERIFY(analysed([&] {
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &file, Qt::LeftButton, {});
    QCoreApplication::sendEvent(&w, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &file, Qt::LeftButton, {});
    QCoreApplication::sendEvent(&w, &drop);
  }));
  QCOMPARE(w.filePath(), a);
  QCOMPARE(w.windowTitle(), QString("a.mdb - Corvanel Brevantis v2.0"));

  session.dialogs.QueueFile(b);
  w.Browse();
  QCOMPARE(w.recentFiles().Paths(), QStringList({QString::fromStdString(b), QString::fromStdString(a)}));
  const QList<QAction*> items = w.ui.recentMenu->actions();
  QCOMPARE(items[0]->text(), "&1 b && c.mdb  (" + QString::fromStdString(b).replace("&", "&&") + ")");
  QVERIFY(analysed([&] { items[1]->trigger(); }));
  QCOMPARE(w.filePath(), a);
  QCOMPARE(w.recentFiles().Paths().front(), QString::fromStdString(a));

  // Remembered by the next run; a file gone is said so and dropped.
  MainWindow next(session.progress, session.dialogs);
  QCOMPARE(next.recentFiles().Paths(), w.recentFiles().Paths());
  std::filesystem::remove(b);
  next.ui.recentMenu->actions()[1]->trigger();
  QCOMPARE(session.dialogs.messageTexts().back(), "The file " + b + " is not there any more.");
  QCOMPARE(next.recentFiles().Paths(), QStringList({QString::fromStdString(a)}));
  for (int i = 0; i < 10; ++i) next.recentFiles().Add(QString::fromStdString(scratch.File(std::to_string(i))));
  QCOMPARE(next.recentFiles().Paths().size(), RecentFiles::kKept);
  QCOMPARE(next.ui.recentMenu->actions().size(), RecentFiles::kKept);
}

BREVANTIS_GUI_TEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
