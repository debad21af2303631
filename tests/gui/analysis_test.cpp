// The Recover command end to end: the progress window, its watchers, the
// tree filled as the tables arrive, stopping, and refused files.
#include <QElapsedTimer>
#include <QListWidget>

#include <algorithm>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "app/analysis_progress_dialog.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/test_db_builder.h"
#include "tests/support/test_db_damage.h"

using guitest::Session;

namespace {

QStringList ListTexts(const QListWidget& list) {
  QStringList texts;
  for (int i = 0; i < list.count(); ++i) texts << list.item(i)->text();
  return texts;
}

QTreeWidgetItem* TablesNode(MainWindow& window) { return window.ui.tree_1001->topLevelItem(0)->child(0); }

std::string WriteEncryptedDatabase(const std::string& path, const std::string& password) {
  testdb::DatabaseBuilder db;
  db.AddTable("Vault", {{"Id", ColumnType::Long}}).rows = {{{1}}, {{2}}};
  testdb::OfficeEncryption encryption;
  encryption.password = password;
  db.SetOfficeEncryption(encryption);
  return db.Write(path).ok ? path : std::string();
}

}  // namespace

class AnalysisTest : public QObject {
  Q_OBJECT

 private slots:
  void RecoverFillsTheTreeTableByTable_data();
  void RecoverFillsTheTreeTableByTable();
  void StopDuringThePageScanThenACleanSecondRecover();
  void RefusedFilesShowTheirMessageOnce_data();
  void RefusedFilesShowTheirMessageOnce();
  void CommandsDuringAnAnalysisGetTheBusyMessage();
  void EnterAndEscapeDoNotCloseTheProgressWindow();
  void TheCloseBoxLeavesTheAnalysisToFinish();
  void ADatabaseWithoutTablesEndsComplete();
  void TablesShortOfRowsAreMarkedAndAFileWithNoneLeftIsRefused();
  void AFileThatCannotBeOpenedEndsTheWindowAtOnce();
};

void AnalysisTest::RecoverFillsTheTreeTableByTable_data() {
  QTest::addColumn<bool>("access97");
  QTest::addColumn<QString>("storageFormat");
  QTest::addColumn<QString>("nameColumn");  // a text's length in bytes
  QTest::newRow("Jet 4") << false << "MS-Access 2003" << "Name [TEXT(50)]";
  QTest::newRow("Access 97") << true << "MS-Access 97" << "Name [TEXT(25)]";
}

void AnalysisTest::RecoverFillsTheTreeTableByTable() {
  QFETCH(bool, access97);
  QFETCH(QString, storageFormat);
  QFETCH(QString, nameColumn);
  testenv::ScratchDir scratch;
  const std::string path = guitest::WriteSampleDatabase(scratch.File("shop.mdb"), 250, access97);
  Session session;
  MainWindow& window = session.w();
  window.UseFile(path);

  // What the window showed at the moment each table entered the tree.
  QStringList tablesAdded, foundTexts;
  QList<int> barAtTable, barValues;
  guitest::ShowHook hook([&](QWidget& shown) {
    auto& dialog = static_cast<AnalysisProgressDialog&>(shown);
    QObject::connect(dialog.ui.progress_1036, &QProgressBar::valueChanged, &dialog,
                     [&](int value) { barValues << value; });
    QObject::connect(window.ui.tree_1001->model(), &QAbstractItemModel::rowsInserted, &dialog,
                     [&, d = &dialog](const QModelIndex& parent) {
                       const QAbstractItemModel* model = window.ui.tree_1001->model();
                       if (parent != model->index(0, 0, model->index(0, 0))) return;
                       QTreeWidgetItem* tables = TablesNode(window);
                       tablesAdded << tables->child(tables->childCount() - 1)->text(0);
                       barAtTable << d->ui.progress_1036->value();
                       foundTexts << d->ui.tablesFound_1061->text();
                     });
  }, "AnalysisProgressDialog");

  QStringList messages;
  session.RecoverToEnd([&](QWidget& shown) {
    auto& dialog = static_cast<AnalysisProgressDialog&>(shown);
    QCOMPARE(dialog.ui.progress_1036->value(), 100);
    QCOMPARE(dialog.ui.percent_1053->text(), QString("100%"));
    QCOMPARE(dialog.ui.databaseName_1093->text(), QString("shop"));
    QCOMPARE(dialog.ui.storageFormat_1094->text(), storageFormat);
    QCOMPARE(dialog.ui.tablesFound_1061->text(), QString("3 (3)"));
    QCOMPARE(dialog.ui.unnamed_1062->text(), QString("0"));
    messages = ListTexts(*dialog.ui.messages_1095);
    guitest::SaveScreenshot(dialog, "analysis_progress_end");
  });

  QCOMPARE(tablesAdded, QStringList({"Customers", "Orders", "Empty"}));
  QCOMPARE(barAtTable, QList<int>({66, 83, 100}));
  QCOMPARE(foundTexts, QStringList({"1 (3)", "2 (3)", "3 (3)"}));
  // 0 to 50 over the pages, then on to 100 over the tables, never back.
  QVERIFY(barValues.contains(50));
  QVERIFY(barValues.indexOf(50) < barValues.indexOf(66));
  QVERIFY(std::is_sorted(barValues.begin(), barValues.end()));

  QCOMPARE(messages.value(0), QString("Recovery Completed"));
  QVERIFY(messages.contains("Analyzing started"));
  QVERIFY(messages.contains("Schema read of table : Customers"));
  QVERIFY(!messages.contains("Initializing Tables....."));

  // Analysed: every command back, the tree named after the file.
  for (QWidget* enabled : {static_cast<QWidget*>(window.ui.browse_1006),
                           static_cast<QWidget*>(window.ui.recover_1007),
                           static_cast<QWidget*>(window.ui.export_1008)})
    QVERIFY(enabled->isEnabled());
  QVERIFY(window.ui.export_32772->isEnabled());
  QVERIFY(window.ui.browse_32771->isEnabled());
  QVERIFY(!window.analysisRunning());
  QCOMPARE(window.ui.tree_1001->topLevelItem(0)->text(0), QString("shop"));

  QTreeWidgetItem* customers = TablesNode(window)->child(0);
  QStringList columns;
  for (int i = 0; i < customers->childCount(); ++i) columns << customers->child(i)->text(0);
  QCOMPARE(columns, QStringList({"Id [COUNTER]", nameColumn, "Born [DATE]", "Photo [OLEOBJECT]", "Data [BINARY]",
                                 "Notes [MEMO]", "Schema"}));
  QVERIFY(customers->font(0).bold());
  QVERIFY(TablesNode(window)->child(1)->font(0).bold());
  QVERIFY(!TablesNode(window)->child(2)->font(0).bold());
  QVERIFY(TablesNode(window)->isExpanded());

  // Its records in the browser.
  window.ui.tree_1001->setCurrentItem(customers);
  window.browser().WaitForFetch();
  QCOMPARE(window.ui.records_1002->rowCount(), 100);
  QCOMPARE(window.ui.records_1002->item(0, 1)->text(), QString("Name 1"));
  QCOMPARE(window.ui.records_1002->item(99, 5)->text(), QString("Note 100"));
}

void AnalysisTest::StopDuringThePageScanThenACleanSecondRecover() {
  testenv::ScratchDir scratch;
  const std::string path = guitest::WriteManyPageDatabase(scratch.File("big.mdb"), 400);
  Session session;
  MainWindow& window = session.w();
  window.UseFile(path);

  // Stop is pressed while the status watcher waits for the bar to show a
  // page percent: the scan is certainly under way and not over.
  int stoppedAt = -1;
  {
    guitest::ShowHook hook([&](QWidget& shown) {
      auto& dialog = static_cast<AnalysisProgressDialog&>(shown);
      QObject::connect(dialog.ui.progress_1036, &QProgressBar::valueChanged, &dialog,
                       [&, d = &dialog](int value) {
                         if (stoppedAt >= 0 || value <= 0 || value >= 50) return;
                         stoppedAt = value;
                         d->ui.stopClose_1063->click();
                       });
    }, "AnalysisProgressDialog");
    session.RecoverToEnd([&](QWidget& shown) {
      auto& dialog = static_cast<AnalysisProgressDialog&>(shown);
      QCOMPARE(dialog.ui.progress_1036->value(), 100);
      QVERIFY(!ListTexts(*dialog.ui.messages_1095).contains("User tables found = 1"));
    });
  }
  QVERIFY(stoppedAt > 0);
  QCOMPARE(TablesNode(window)->childCount(), 0);
  QVERIFY(window.ui.browse_1006->isEnabled());
  QVERIFY(window.ui.recover_1007->isEnabled());
  // No table was read: nothing to export.
  QVERIFY(!window.ui.export_1008->isEnabled());

  QStringList messages;
  session.RecoverToEnd([&](QWidget& shown) {
    auto& dialog = static_cast<AnalysisProgressDialog&>(shown);
    messages = ListTexts(*dialog.ui.messages_1095);
    QCOMPARE(dialog.ui.tablesFound_1061->text(), QString("1 (1)"));
  });
  QCOMPARE(messages.value(0), QString("Recovery Completed"));
  QVERIFY(messages.contains("User tables found = 1"));
  QCOMPARE(TablesNode(window)->childCount(), 1);
  QCOMPARE(TablesNode(window)->child(0)->text(0), QString("Big"));
}

void AnalysisTest::RefusedFilesShowTheirMessageOnce_data() {
  QTest::addColumn<int>("kind");
  QTest::addColumn<QString>("message");
  QTest::newRow("a page map, nothing readable") << 0 << "This file is highly corrupted and cannot be recovered.";
  QTest::newRow("no Access file") << 1 << "File not a valid MS Access file.";
  QTest::newRow("encrypted, the password cancelled")
      << 2 << "This database is encrypted: its password is needed to read it.";
}

void AnalysisTest::RefusedFilesShowTheirMessageOnce() {
  QFETCH(int, kind);
  QFETCH(QString, message);
  testenv::ScratchDir scratch;
  std::string path = scratch.File("refused.mdb");
  if (kind == 0)
    guitest::WriteUnreadableJetFile(path);
  else if (kind == 1)
    testenv::WriteFile(path, std::string(3000, 'x'));
  else
    path = WriteEncryptedDatabase(path, "pw");
  Session session;
  MainWindow& window = session.w();
  window.UseFile(path);

  // Only the table watcher ends: the status watcher never gets a report.
  // A refused file was not recovered: the window never says so.
  int bar = -1;
  guitest::ModalAnswerer closer([&](QWidget& modal) {
    auto* dialog = qobject_cast<AnalysisProgressDialog*>(&modal);
    if (dialog == nullptr || dialog->ui.stopClose_1063->text() != "Close" || window.analysisRunning())
      return false;
    bar = ListTexts(*dialog->ui.messages_1095).contains("Recovery Completed") ? 100 : dialog->ui.progress_1036->value();
    dialog->ui.stopClose_1063->click();
    return true;
  });
  window.Recover();
  QVERIFY(closer.done());
  QCOMPARE(session.dialogs.messageTexts(), std::vector<std::string>{message.toStdString()});
  QCOMPARE(TablesNode(window)->childCount(), 0);
  QVERIFY(window.ui.recover_1007->isEnabled());
  QVERIFY(bar < 100);
  QVERIFY(!window.ui.export_1008->isEnabled());

  // The watcher left waiting is ended by the next Recover, which runs clean.
  const std::string good = guitest::WriteSampleDatabase(scratch.File("good.mdb"));
  session.OpenAndRecover(good);
  QCOMPARE(TablesNode(window)->childCount(), 3);
  QCOMPARE(session.dialogs.messages().size(), size_t{1});
}

void AnalysisTest::CommandsDuringAnAnalysisGetTheBusyMessage() {
  testenv::ScratchDir scratch;
  const std::string path = guitest::WriteSampleDatabase(scratch.File("shop.mdb"));
  Session session;
  MainWindow& window = session.w();
  window.UseFile(path);
  bool stillOpen = false;
  guitest::ShowHook hook([&](QWidget&) {
    window.Browse();
    window.Export();
    window.Recover();
    window.close();
    stillOpen = window.isVisible();
  }, "AnalysisProgressDialog");
  session.RecoverToEnd();

  const std::string busy = "Recover operation is in progress..Pls wait, or cancel that operation";
  QCOMPARE(session.dialogs.messageTexts(), std::vector<std::string>({busy, busy, busy + ".", busy}));
  for (const ShownMessage& shown : session.dialogs.messages()) {
    QCOMPARE(shown.caption, std::string("Corvanel Brevantis"));
    QVERIFY(shown.buttons == platform::MessageButtons::Ok);
    QVERIFY(shown.icon == platform::MessageIcon::Warning);
  }
  QVERIFY(stillOpen);
  QCOMPARE(TablesNode(window)->childCount(), 3);
}

void AnalysisTest::EnterAndEscapeDoNotCloseTheProgressWindow() {
  testenv::ScratchDir scratch;
  const std::string path = guitest::WriteSampleDatabase(scratch.File("shop.mdb"));
  Session session;
  session.w().UseFile(path);
  bool visibleAfterKeys = false;
  session.RecoverToEnd([&](QWidget& dialog) {
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QTest::keyClick(&dialog, Qt::Key_Return);
    QTest::keyClick(&dialog, Qt::Key_Enter);
    visibleAfterKeys = dialog.isVisible();
  });
  QVERIFY(visibleAfterKeys);
}

void AnalysisTest::TheCloseBoxLeavesTheAnalysisToFinish() {
  testenv::ScratchDir scratch;
  const std::string path = guitest::WriteManyPageDatabase(scratch.File("big.mdb"), 400);
  Session session;
  MainWindow& window = session.w();
  window.UseFile(path);
  {
    guitest::ShowHook hook([](QWidget& dialog) { QTimer::singleShot(0, &dialog, &QWidget::close); },
                           "AnalysisProgressDialog");
    window.Recover();
  }
  // The window is gone; its watchers go on answering the analysis.
  QTRY_VERIFY(!window.analysisRunning());
  QTRY_COMPARE(TablesNode(window)->childCount(), 1);
  QTRY_VERIFY(window.ui.export_1008->isEnabled());
  QVERIFY(!window.progressDialog()->isVisible());

  session.RecoverToEnd();
  QCOMPARE(TablesNode(window)->childCount(), 1);
}

void AnalysisTest::ADatabaseWithoutTablesEndsComplete() {
  testenv::ScratchDir scratch;
  const std::string path = scratch.File("none.mdb");
  QVERIFY(testdb::DatabaseBuilder().Write(path).ok);
  Session session;
  session.w().UseFile(path);
  QStringList messages;
  int bar = 0;
  session.RecoverToEnd([&](QWidget& shown) {
    auto& dialog = static_cast<AnalysisProgressDialog&>(shown);
    messages = ListTexts(*dialog.ui.messages_1095);
    bar = dialog.ui.progress_1036->value();
  });
  QCOMPARE(bar, 100);
  QCOMPARE(messages.value(0), QString("Recovery Completed"));
  QVERIFY(messages.contains("User tables found = 0"));
  QCOMPARE(TablesNode(session.w())->childCount(), 0);
  // An export of no table would only make an empty folder.
  QVERIFY(!session.w().ui.export_1008->isEnabled());
}

void AnalysisTest::TablesShortOfRowsAreMarkedAndAFileWithNoneLeftIsRefused() {
  testenv::ScratchDir scratch;
  const std::string path = scratch.File("lost.mdb");
  testdb::DatabaseBuilder db;
  db.AddTable("Kept", {{"Id", ColumnType::Long}}).rows = {{{1}}};
  db.AddTable("Lost", {{"Id", ColumnType::Long}}).rows = {{{1}}, {{2}}, {{3}}};
  const testdb::Layout layout = db.Write(path);
  QVERIFY(layout.ok && testdb::GarblePages(path, layout.Find("Lost")->dataPages, 3));
  Session session;
  MainWindow& window = session.w();
  window.UseFile(path);
  QStringList messages;
  session.RecoverToEnd(
      [&](QWidget& shown) { messages = ListTexts(*static_cast<AnalysisProgressDialog&>(shown).ui.messages_1095); });
  QCOMPARE(messages.value(0), QString("Recovery Completed: 1 table incomplete (3 rows not found)"));
  QTreeWidgetItem* kept = TablesNode(window)->child(0);
  QTreeWidgetItem* lost = TablesNode(window)->child(1);
  QVERIFY(kept->font(0).bold() && kept->toolTip(0).isEmpty() && !lost->font(0).bold());
  QCOMPARE(lost->toolTip(0), QString("0 of 3 rows recovered"));
  QVERIFY(lost->icon(0).cacheKey() != kept->icon(0).cacheKey());

  // Nothing left of any table: refused, and the tree keeps none of them.
  QVERIFY(testdb::GarblePages(path, layout.Find("Kept")->dataPages, 4));
  guitest::ModalAnswerer closer([&](QWidget& modal) {
    auto* dialog = qobject_cast<AnalysisProgressDialog*>(&modal);
    if (dialog == nullptr || dialog->ui.stopClose_1063->text() != "Close" || window.analysisRunning()) return false;
    dialog->ui.stopClose_1063->click();
    return true;
  });
  window.Recover();
  QVERIFY(closer.done());
  QCOMPARE(session.dialogs.messageTexts(), std::vector<std::string>{"No table of this file could be recovered."});
  QCOMPARE(TablesNode(window)->childCount(), 0);
  QVERIFY(!window.ui.export_1008->isEnabled());
}

void AnalysisTest::AFileThatCannotBeOpenedEndsTheWindowAtOnce() {
  testenv::ScratchDir scratch;
  Session session;
  session.w().UseFile(scratch.File("missing.mdb"));
  QStringList shown;
  QElapsedTimer clock;
  clock.start();
  session.RecoverToEnd([&](QWidget& window) {
    auto& dialog = static_cast<AnalysisProgressDialog&>(window);
    shown = ListTexts(*dialog.ui.messages_1095) << QString::number(dialog.ui.progress_1036->value());
  });
  QVERIFY(clock.elapsed() < 1000);
  QCOMPARE(shown, QStringList({QString::fromStdString("Opening file failed... " + scratch.File("missing.mdb") +
                                                      ": No such file or directory"), "0"}));
  QVERIFY(!session.w().ui.export_1008->isEnabled());
}

BREVANTIS_GUI_TEST_MAIN(AnalysisTest)
#include "analysis_test.moc"
