// The main window's states and commands: what each state enables, Browse,
// the confirmed close, the keys it ignores, Help and About.
#include <QLabel>
#include <QListWidget>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

#include "app/about_box.h"
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
  void HelpOpensTheHelpFileSilently();
  void AboutShowsTheVersion();
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

void MainWindowTest::HelpOpensTheHelpFileSilently() {
  Session session;
  session.w().ui.helpContents_32774->trigger();
  const std::vector<std::string> opened = session.dialogs.shellOpened();
  QCOMPARE(opened.size(), size_t{1});
  QVERIFY(opened[0].size() > 9 && opened[0].compare(opened[0].size() - 9, 9, "/Help.chm") == 0);
  QVERIFY(session.dialogs.messages().empty());
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
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
