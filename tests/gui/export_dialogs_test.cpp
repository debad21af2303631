// The export options dialog (destination, check rules, Export/Save) and the
// export progress window run from the main window: to the end, stopped,
// abandoned with the close box.
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <filesystem>

#include "app/export_options_dialog.h"
#include "app/export_progress_dialog.h"
#include "reader/table_def.h"
#include "tests/gui/gui_test_support.h"

using guitest::Session;

namespace {

QStringList ListTexts(const QListWidget& list) {
  QStringList texts;
  for (int i = 0; i < list.count(); ++i) texts << list.item(i)->text();
  return texts;
}

// Root, "TABLES", then the tables, as check marks: "1" ticked, "0" not.
QString Marks(QTreeWidget& tree) {
  QString marks;
  for (QTreeWidgetItemIterator it(&tree); *it; ++it)
    marks += (*it)->checkState(0) == Qt::Checked ? '1' : '0';
  return marks;
}

void SetMarks(QTreeWidget& tree, const QString& marks) {
  const QSignalBlocker quiet(&tree);
  int i = 0;
  for (QTreeWidgetItemIterator it(&tree); *it; ++it, ++i)
    (*it)->setCheckState(0, marks[i] == '1' ? Qt::Checked : Qt::Unchecked);
}

QTreeWidgetItem* ItemAt(QTreeWidget& tree, int position) {
  QTreeWidgetItemIterator it(&tree);
  for (int i = 0; i < position; ++i) ++it;
  return *it;
}

struct ExportEnd {
  QStringList messages;
  QStringList names, counts;
  bool statisticsShown = false;
};

ExportEnd Ending(ExportProgressDialog& dialog) {
  ExportEnd end;
  end.messages = ListTexts(*dialog.ui.messages_1095);
  QTableWidget& stats = *dialog.ui.statistics_1097;
  end.statisticsShown = stats.isVisible();
  for (int r = 0; r < stats.rowCount(); ++r) {
    end.names << stats.item(r, 0)->text();
    end.counts << stats.item(r, 1)->text();
  }
  return end;
}

}  // namespace

class ExportDialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void cleanupTestCase();
  void init();
  void TheDialogStartsWithEveryTableTicked();
  void CheckRules_data();
  void CheckRules();
  void BrowseRefusesAPlaceWithoutAPath();
  void BrowseEnablesExportSaveEvenWithNothingTicked();
  void ExportSaveMakesTheDatedFolderAndListsTheTickedTables();
  void ACancelledDialogStartsNothing();
  void AnExportRunsToTheEnd();
  void TheBarFollowsTheRowsWrittenAndSaysWhatItDoes();
  void StopDuringTheSecondTable();
  void TheCloseBoxAbandonsTheJob();
  void CommandsDuringAnExportGetTheBusyMessage();

 private:
  // Runs Export with every table ticked into a fresh destination; `hook`
  // sees the progress window as it opens, `atEnd` once OK is offered.
  void RunExport(const std::function<void(ExportProgressDialog&)>& hook,
                 const std::function<void(ExportProgressDialog&)>& atEnd);

  std::unique_ptr<testenv::ScratchDir> scratch_;
  std::string path_;
  std::unique_ptr<Session> session_;
};

void ExportDialogsTest::initTestCase() {
  scratch_ = std::make_unique<testenv::ScratchDir>();
  path_ = guitest::WriteSampleDatabase(scratch_->File("shop.mdb"));
}

void ExportDialogsTest::cleanupTestCase() {
  session_.reset();
  scratch_.reset();
}

void ExportDialogsTest::init() {
  session_ = std::make_unique<Session>();
  session_->OpenAndRecover(path_);
}

void ExportDialogsTest::TheDialogStartsWithEveryTableTicked() {
  ExportOptionsDialog& d = session_->w().exportOptionsDialog();
  d.Prepare();
  QCOMPARE(d.windowTitle(), QString("Corvanel Brevantis Export Option"));
  QCOMPARE(Marks(*d.ui.tables_1079), QString("11111"));
  QCOMPARE(ItemAt(*d.ui.tables_1079, 0)->text(0), QString("shop"));
  QVERIFY(ItemAt(*d.ui.tables_1079, 2)->font(0).bold());
  QVERIFY(!ItemAt(*d.ui.tables_1079, 4)->font(0).bold());
  // The tables can be chosen before the destination.
  QVERIFY(d.ui.tables_1079->isEnabled());
  QVERIFY(!d.ui.exportSave_1021->isEnabled());
  QVERIFY(!d.ui.destinationFrame_1027->isEnabled());
  QVERIFY(d.ui.browse_1006->isEnabled());
  QVERIFY(d.ui.perDatabase_1076->isChecked());
  QVERIFY(d.ui.destination_1086->text().isEmpty());
  d.show();
  guitest::SaveScreenshot(d, "export_options");
  // Resizable from its template size up; the table list takes the height.
  QCOMPARE(d.minimumSize(), d.size());
  QVERIFY(d.maximumSize().height() > d.size().height());
  const int listHeight = d.ui.tables_1079->height();
  d.resize(d.width() + 200, d.height() + 300);
  QTRY_COMPARE(d.ui.tables_1079->height(), listHeight + 300);
  guitest::SaveScreenshot(d, "export_options_resized");
  d.hide();
}

void ExportDialogsTest::CheckRules_data() {
  QTest::addColumn<QString>("before");  // root, TABLES, Customers, Orders, Empty
  QTest::addColumn<int>("toggled");
  QTest::addColumn<QString>("after");
  QTest::addColumn<bool>("exportSave");
  QTest::newRow("root off") << "11111" << 0 << "00000" << false;
  QTest::newRow("root on") << "00000" << 0 << "11111" << true;
  QTest::newRow("TABLES off") << "11111" << 1 << "00000" << false;
  QTest::newRow("TABLES on") << "00000" << 1 << "11111" << true;
  QTest::newRow("a table off") << "11111" << 3 << "00101" << true;
  QTest::newRow("the last table off") << "10100" << 2 << "00000" << false;
  QTest::newRow("a table on, TABLES off") << "00000" << 3 << "10010" << true;
  QTest::newRow("a table on beside another") << "10100" << 4 << "10101" << true;
}

void ExportDialogsTest::CheckRules() {
  QFETCH(QString, before);
  QFETCH(int, toggled);
  QFETCH(QString, after);
  QFETCH(bool, exportSave);
  ExportOptionsDialog& d = session_->w().exportOptionsDialog();
  d.Prepare();
  session_->dialogs.QueueFolder(scratch_->path());
  d.Browse();
  QTreeWidget& tree = *d.ui.tables_1079;
  SetMarks(tree, before);
  // The space key on the selected item, as the user toggles a box.
  d.show();
  tree.setFocus();
  tree.setCurrentItem(ItemAt(tree, toggled));
  QTest::keyClick(&tree, Qt::Key_Space);
  QCOMPARE(Marks(tree), after);
  QCOMPARE(d.ui.exportSave_1021->isEnabled(), exportSave);
  d.hide();
}

void ExportDialogsTest::BrowseRefusesAPlaceWithoutAPath() {
  ExportOptionsDialog& d = session_->w().exportOptionsDialog();
  d.Prepare();
  session_->dialogs.QueueFolder(scratch_->path());
  d.ui.browse_1006->click();
  QCOMPARE(session_->dialogs.lastFolderTitle(), std::string(" Please select the Destination folder "));
  // The first time from the home folder, then from the destination shown.
  QCOMPARE(session_->dialogs.lastFolderStart(), QDir::homePath().toStdString());
  QCOMPARE(d.ui.destination_1086->text(), QString::fromStdString(scratch_->path()));
  QVERIFY(d.ui.exportSave_1021->isEnabled());

  // Cancelled: nothing changes.
  session_->dialogs.QueueFolder(std::nullopt);
  d.ui.browse_1006->click();
  QCOMPARE(session_->dialogs.lastFolderStart(), scratch_->path());
  QCOMPARE(d.ui.destination_1086->text(), QString::fromStdString(scratch_->path()));
  QVERIFY(session_->dialogs.messages().empty());

  session_->dialogs.QueueFolder(std::string());
  d.ui.browse_1006->click();
  const std::vector<ShownMessage> shown = session_->dialogs.messages();
  QCOMPARE(shown.size(), size_t{1});
  QCOMPARE(shown[0].text, std::string("You cannot select \"My computer\" or \"My Network\" as destination. "
                                      "\r\n\r\n                          Please select proper drive path."));
  QCOMPARE(shown[0].caption, std::string("Corvanel Brevantis"));
  QVERIFY(d.ui.destination_1086->text().isEmpty());
  QVERIFY(!d.ui.exportSave_1021->isEnabled());
}

void ExportDialogsTest::BrowseEnablesExportSaveEvenWithNothingTicked() {
  ExportOptionsDialog& d = session_->w().exportOptionsDialog();
  d.Prepare();
  SetMarks(*d.ui.tables_1079, "00000");
  session_->dialogs.QueueFolder(scratch_->path());
  d.Browse();
  QVERIFY(d.ui.exportSave_1021->isEnabled());
}

void ExportDialogsTest::ExportSaveMakesTheDatedFolderAndListsTheTickedTables() {
  ExportOptionsDialog& d = session_->w().exportOptionsDialog();
  d.Prepare();
  testenv::ScratchDir destination;
  session_->dialogs.QueueFolder(destination.path());
  d.Browse();
  SetMarks(*d.ui.tables_1079, "00101");
  d.ui.perTable_1077->click();
  d.ui.exportSave_1021->click();

  QCOMPARE(d.result(), int(QDialog::Accepted));
  const ExportOptions& options = session_->w().exportOptions();
  const std::string prefix = destination.path() + "/Corvanel_Brevantis_(DATE=";
  QCOMPARE(options.exportFolder.substr(0, prefix.size()), prefix);
  QVERIFY(std::filesystem::is_directory(options.exportFolder));
  QCOMPARE(options.workbookMode, kExcelPerTable);
  QCOMPARE(options.chosenTables.size(), size_t{2});
  QCOMPARE(options.chosenTables[0]->name, std::string("Customers"));
  QCOMPARE(options.chosenTables[1]->name, std::string("Empty"));
  QVERIFY(options.format == OutputFormat::Xls);
  QVERIFY(!options.includeDeleted);

  // The format and the destination chosen are offered again the next time,
  // from the settings; the modes are named after the format.
  d.Prepare();
  QCOMPARE(d.ui.format->currentText(), QString("Excel 97-2003 (.xls)"));
  QCOMPARE(d.ui.destination_1086->text(), QString::fromStdString(destination.path()));
  QVERIFY(d.ui.exportSave_1021->isEnabled());
  d.ui.format->setCurrentIndex(d.ui.format->findText("CSV"));
  QVERIFY(!d.ui.perTable_1077->isEnabled());
  QCOMPARE(d.ui.perTable_1077->text(), QString("File Per Table"));
  d.ui.format->setCurrentIndex(d.ui.format->findText("Excel (.xlsx)"));
  QVERIFY(d.ui.perTable_1077->isEnabled());
  QCOMPARE(d.ui.perDatabase_1076->text(), QString("Workbook Per Database"));
  d.ui.includeDeleted->click();
  d.ui.exportSave_1021->click();
  QVERIFY(options.format == OutputFormat::Xlsx);
  QVERIFY(options.includeDeleted);
  // A SQL script goes in the dialect chosen with it, one script whatever the mode.
  d.Prepare();
  d.ui.format->setCurrentIndex(d.ui.format->findText("SQL script for PostgreSQL (.sql)"));
  QVERIFY(!d.ui.perTable_1077->isEnabled());
  d.ui.exportSave_1021->click();
  QVERIFY(options.format == OutputFormat::SqlScript);
  QVERIFY(options.dialect == SqlDialect::Postgres);
  d.Prepare();
  QCOMPARE(d.ui.format->currentText(), QString("SQL script for PostgreSQL (.sql)"));
  d.ui.format->setCurrentIndex(d.ui.format->findText("Excel (.xlsx)"));
  d.ui.includeDeleted->click();
  d.ui.exportSave_1021->click();
  // Deleted rows are asked for anew each time.
  d.Prepare();
  QCOMPARE(d.ui.format->currentText(), QString("Excel (.xlsx)"));
  QVERIFY(!d.ui.includeDeleted->isChecked());

  // A destination gone since it was chosen is refused with the reason.
  session_->dialogs.QueueFolder(destination.path());
  d.Browse();
  d.ui.destination_1086->setText(QString::fromStdString(destination.File("gone")));
  d.ui.exportSave_1021->click();
  QVERIFY(options.exportFolder.empty());
  QCOMPARE(session_->dialogs.messageTexts().back(), "Export destination " + destination.File("gone") + " does not exist");
}

void ExportDialogsTest::ACancelledDialogStartsNothing() {
  MainWindow& w = session_->w();
  guitest::ModalAnswerer cancel([](QWidget& modal) {
    auto* d = qobject_cast<ExportOptionsDialog*>(&modal);
    if (d == nullptr) return false;
    d->ui.cancel_1025->click();
    return true;
  });
  w.ui.export_1008->click();
  QVERIFY(cancel.done());
  QVERIFY(w.ui.export_1008->isEnabled());
  QVERIFY(!w.exportRunning());
}

void ExportDialogsTest::RunExport(const std::function<void(ExportProgressDialog&)>& hook,
                                  const std::function<void(ExportProgressDialog&)>& atEnd) {
  MainWindow& w = session_->w();
  testenv::ScratchDir destination;
  session_->dialogs.QueueFolder(destination.path());
  guitest::ShowHook shown([&](QWidget& window) { hook(static_cast<ExportProgressDialog&>(window)); },
                          "ExportProgressDialog");
  guitest::ModalAnswerer answerer([&](QWidget& modal) {
    if (auto* options = qobject_cast<ExportOptionsDialog*>(&modal)) {
      options->ui.browse_1006->click();
      options->ui.exportSave_1021->click();
      return false;
    }
    auto* progress = qobject_cast<ExportProgressDialog*>(&modal);
    if (progress == nullptr || !progress->ui.ok_1098->isVisible()) return false;
    atEnd(*progress);
    return true;
  });
  w.Export();
  QVERIFY(w.ui.export_1008->isEnabled());
  QVERIFY(!w.exportRunning());
  QCOMPARE(session_->progress.StopRequested(), false);
  QCOMPARE(session_->progress.Finished(), false);
}

void ExportDialogsTest::AnExportRunsToTheEnd() {
  ExportEnd end;
  QStringList headers;
  QList<int> widths;
  QString title, rowsShown, elapsedShown, folderShown;
  RunExport([&](ExportProgressDialog& dialog) {
    title = dialog.windowTitle();
    // What the job reports, as the window shows it while it runs.
    dialog.SetRowsWritten({"Customers", 120000, 830000});
    rowsShown = dialog.ui.rowsWritten->text();
    elapsedShown = dialog.ui.elapsed->text();
    QVERIFY(!dialog.ui.openFolder->isVisible());
    guitest::SaveScreenshot(dialog, "export_progress_running");
  }, [&](ExportProgressDialog& dialog) {
    // The statistics arrive after OK is offered; wait for the last row.
    QTRY_COMPARE(dialog.ui.statistics_1097->rowCount(), 3);
    end = Ending(dialog);
    QTableWidget& stats = *dialog.ui.statistics_1097;
    for (int c = 0; c < 2; ++c) {
      headers << stats.horizontalHeaderItem(c)->text();
      widths << stats.columnWidth(c);
    }
    // The messages stay beside the statistics.
    QVERIFY(!dialog.ui.stop_1093->isVisible());
    QVERIFY(dialog.ui.messages_1095->isVisible());
    QVERIFY(std::filesystem::is_regular_file(session_->w().exportOptions().exportFolder + "/shop.xls"));
    // The folder written is named, and opens in the file manager.
    folderShown = dialog.ui.folder->text();
    QVERIFY(dialog.ui.openFolder->isVisible());
    dialog.ui.openFolder->click();
    QVERIFY(dialog.ui.elapsed->isVisible());
    guitest::SaveScreenshot(dialog, "export_progress_statistics");
    dialog.ui.ok_1098->click();
  });
  QCOMPARE(title, QString("Corvanel Brevantis Export Progress"));
  QCOMPARE(rowsShown, QString("Writing Customers: 120,000 of 830,000 rows"));
  QCOMPARE(elapsedShown, QString("Elapsed time : 0:00:00"));
  const std::string folder = session_->w().exportOptions().exportFolder;
  QCOMPARE(folderShown, "Written to : " + QString::fromStdString(folder));
  QCOMPARE(session_->dialogs.shellOpened(), std::vector<std::string>{folder});
  QVERIFY(end.statisticsShown);
  QCOMPARE(end.names, QStringList({"Customers", "Orders", "Empty"}));
  QCOMPARE(end.counts, QStringList({"250", "3", "0"}));
  QCOMPARE(headers, QStringList({"Table Names", "No. Of Records"}));
  QCOMPARE(widths, QList<int>({300, 175}));
  QCOMPARE(end.messages.value(0), QString("Export completed Successfully..."));
  QCOMPARE(end.messages.value(1), QString("Export completed : Empty"));
  QCOMPARE(end.messages.value(2), QString("Export started  : Empty"));
  QCOMPARE(end.messages.last(), QString("Export Database started..."));
}

void ExportDialogsTest::TheBarFollowsTheRowsWrittenAndSaysWhatItDoes() {
  session_ = std::make_unique<Session>();
  session_->OpenAndRecover(guitest::WriteSampleDatabase(scratch_->File("twelve.mdb"), 12000));
  QList<int> percents;
  QStringList doing;
  QString whenSaved;
  RunExport([&](ExportProgressDialog& dialog) {
    QObject::connect(dialog.ui.progress_1056, &QProgressBar::valueChanged, &dialog, [&, d = &dialog](int value) {
      percents << value;
      doing << d->ui.rowsWritten->text();
      if (percents.size() == 3) guitest::SaveScreenshot(*d, "export_progress_running");
    });
    QObject::connect(dialog.ui.messages_1095->model(), &QAbstractItemModel::rowsInserted, &dialog, [&, d = &dialog] {
      if (d->ui.messages_1095->item(0)->text() == "Export completed : Empty") whenSaved = d->ui.rowsWritten->text();
    });
  }, [](ExportProgressDialog& dialog) {
    QTRY_COMPARE(dialog.ui.statistics_1097->rowCount(), 3);
    dialog.ui.ok_1098->click();
  });
  // Every 2,000 rows of 12,000 the bar moves on.
  QVERIFY2(percents.size() >= 6, qPrintable(QString::number(percents.size())));
  for (qsizetype i = 1; i < percents.size(); ++i) QVERIFY(percents[i] > percents[i - 1]);
  QCOMPARE(percents.front(), 16);
  QCOMPARE(percents.back(), 100);
  QCOMPARE(doing.front(), QString("Writing Customers: 2,000 of 12,000 rows"));
  QCOMPARE(whenSaved, QString("Finishing twelve.xls"));
}

void ExportDialogsTest::StopDuringTheSecondTable() {
  ExportEnd end;
  RunExport(
      [](ExportProgressDialog& dialog) {
        QObject::connect(dialog.ui.messages_1095->model(), &QAbstractItemModel::rowsInserted, &dialog,
                         [d = &dialog] {
                           if (d->ui.messages_1095->item(0)->text() == "Export started  : Orders")
                             d->ui.stop_1093->click();
                         });
      },
      [&](ExportProgressDialog& dialog) {
        QTRY_COMPARE(dialog.ui.statistics_1097->rowCount(), 2);
        end = Ending(dialog);
        dialog.ui.ok_1098->click();
      });
  QCOMPARE(end.messages.value(0), QString("Export Aborted by user..."));
  QCOMPARE(end.messages.value(1), QString("Export stopped: Orders not written"));
  QCOMPARE(end.names, QStringList({"Customers", "Orders"}));
  QVERIFY(end.counts.value(1).endsWith(" (stopped, not written)"));
  const std::vector<ShownMessage> shown = session_->dialogs.messages();
  QCOMPARE(shown.size(), size_t{1});
  QCOMPARE(shown[0].text, std::string("Are you sure you want stop the export process ?"));
  QVERIFY(shown[0].buttons == platform::MessageButtons::YesNo);
}

void ExportDialogsTest::TheCloseBoxAbandonsTheJob() {
  // Enough rows that the job is still writing the first table when the
  // window is closed.
  session_ = std::make_unique<Session>();
  session_->OpenAndRecover(guitest::WriteSampleDatabase(scratch_->File("large.mdb"), 20000));
  MainWindow& w = session_->w();
  testenv::ScratchDir destination;
  session_->dialogs.QueueFolder(destination.path());
  session_->dialogs.QueueAnswer(platform::MessageAnswer::No);
  session_->dialogs.QueueAnswer(platform::MessageAnswer::Yes);
  QStringList messagesAtClose;
  bool openAfterNo = false, openAfterEscape = false;
  guitest::ShowHook shown([&](QWidget& window) {
    auto* dialog = static_cast<ExportProgressDialog*>(&window);
    QObject::connect(dialog->ui.messages_1095->model(), &QAbstractItemModel::rowsInserted, dialog, [&, dialog] {
      if (dialog->ui.messages_1095->item(0)->text() != "Export started  : Customers") return;
      // The job waits for this very call: close once it has returned.
      QTimer::singleShot(0, dialog, [&, dialog] {
        QTest::keyClick(dialog, Qt::Key_Escape);
        openAfterEscape = dialog->isVisible();
        dialog->close();
        openAfterNo = dialog->isVisible();
        messagesAtClose = ListTexts(*dialog->ui.messages_1095);
        dialog->close();
      });
    });
  }, "ExportProgressDialog");
  guitest::ModalAnswerer options([&](QWidget& modal) {
    auto* d = qobject_cast<ExportOptionsDialog*>(&modal);
    if (d == nullptr) return false;
    d->ui.browse_1006->click();
    d->ui.exportSave_1021->click();
    return true;
  });
  w.Export();
  QVERIFY(openAfterEscape);
  QVERIFY(openAfterNo);
  QVERIFY(!messagesAtClose.contains("Export completed Successfully..."));
  QCOMPARE(session_->dialogs.messages().size(), size_t{2});
  // What is left of the export says that it was abandoned.
  const std::string statistics = testenv::ReadFile(w.exportOptions().exportFolder + "/Export Statistics.log");
  QVERIFY(statistics.ends_with("Export abandoned: the window was closed while it ran...\r\n"));
  QVERIFY(!w.exportRunning());
  QVERIFY(w.ui.export_1008->isEnabled());
}

void ExportDialogsTest::CommandsDuringAnExportGetTheBusyMessage() {
  MainWindow& w = session_->w();
  RunExport(
      [&](ExportProgressDialog&) {
        w.Browse();
        w.Export();
        w.Recover();
        w.close();
      },
      [](ExportProgressDialog& dialog) {
        QTRY_COMPARE(dialog.ui.statistics_1097->rowCount(), 3);
        dialog.ui.ok_1098->click();
      });
  const std::string busy = "Export operation is in progress..Pls wait, or cancel that operation";
  QCOMPARE(session_->dialogs.messageTexts(), std::vector<std::string>({busy, busy, busy + ".", busy}));
  QVERIFY(w.isVisible());
}

BREVANTIS_GUI_TEST_MAIN(ExportDialogsTest)
#include "export_dialogs_test.moc"
