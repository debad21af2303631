// The program's one main window: pick a database file (Browse, Open Recent,
// or a file dropped on the window), analyse it (Recover, with the analysis
// progress window), browse its tables in the tree and their records 100 a
// page, and export them (the export options, then the export progress
// window). It owns the session's long-lived objects: the reader session, the
// record browser's OLE file writer, the export options and their dialog, the
// record browser, and the busy flags that keep analysis, export and record
// fetch from ever using the session at the same time.
#pragma once

#include <QDialog>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/analysis_host.h"
#include "app/analysis_job.h"
#include "report/log_writer.h"
#include "app/recent_files.h"
#include "app/record_browser.h"
#include "app/record_tasks.h"
#include "app/table_tree.h"
#include "export/export_job.h"
#include "decode/ole_file_writer.h"
#include "export/export_options.h"
#include "reader/mdb_file.h"
#include "reader/schema.h"
#include "ui_main_window.h"

class AnalysisProgressDialog;
class ExportOptionsDialog;
class ProgressChannel;
namespace platform {
class Dialogs;
}

class MainWindow : public QDialog, public AnalysisHost {
  Q_OBJECT

 public:
  static constexpr const char* kProgramName = "Corvanel Brevantis";

  MainWindow(ProgressChannel& progress, platform::Dialogs& dialogs, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Commands.
  void Browse();
  // Browse's work once a file is chosen; also the start with a file named.
  void UseFile(const std::string& path);
  // A file picked from Open Recent or dropped on the window: chosen and
  // analysed at once.
  void OpenAndRecover(const std::string& path);
  void Recover();
  void Export();
  void Help();
  void About();
  // The page named in the page box, in the record browser.
  void GoToPage();
  void ResetTableView();
  // Export only with a table in the tree.
  void EnableExportForTables();
  // View > Show system tables: remembered, and the tree lists them at once.
  void ShowSystemTables(bool shown);

  // AnalysisHost.
  void AddTableNode(TableDef& table) override;
  void AddDeletedRowsNode(TableDef& table, int32_t rows) override;
  void AddSchemaNodes(const DatabaseSchema& schema) override;
  void EndAnalysisState() override;
  void ShowAnalysisFinished() override;
  void ShowAnalysisNotOpened(const std::string& message) override;
  void DropTables() override;

  bool analysisRunning() const { return analysisRunning_.load() != 0; }
  bool exportRunning() const { return exportRunning_.load() != 0; }
  const std::string& filePath() const { return filePath_; }
  const std::string& fileTitle() const { return fileTitle_; }
  // The progress window of the latest Recover, kept until the next one.
  AnalysisProgressDialog* progressDialog() const { return progressDialog_.get(); }
  ExportOptionsDialog& exportOptionsDialog() const { return *exportOptionsDialog_; }
  const ExportOptions& exportOptions() const { return exportOptions_; }
  TableTree& tree() { return tree_; }
  RecentFiles& recentFiles() { return *recentFiles_; }
  RecordBrowser& browser() { return browser_; }
  RecordTasks& tasks() { return tasks_; }
  MdbFile& session() { return session_; }
  // The pause before the export statistics show (tests shorten it).
  void SetExportClosingPause(int milliseconds) { exportClosingPause_ = milliseconds; }

  Ui::MainWindow ui{};

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The busy messages; true when the command must stop. Recover's texts end
  // in a full stop, the others' do not.
  bool RefusedWhileBusy(bool recoverTexts);
  void SelectionChanged(QTreeWidgetItem* item);
  // Ends, cooperatively, every thread of an earlier analysis: the analysis
  // thread and the watchers of its progress window.
  void EndEarlierRun();
  void EnableCommands(bool enabled);
  // A sort or a search is stopped, and the browser's worker has ended.
  void EndBrowserWork();
  // The window's size, place and tree width as the last run left them.
  void RestoreLayout();
  void SaveLayout() const;
  // The tree takes its share of the splitter's width.
  void ApplyTreeShare();
  // The title bar names the file chosen.
  void ShowTitle();
  void SetTabOrder();

  ProgressChannel& progress_;
  platform::Dialogs& dialogs_;
  LogWriter log_;
  MdbFile session_;
  OleFileWriter oleFiles_{OleFileWriter::BrowserFolder()};
  TableTree tree_;
  RecordBrowser browser_;
  RecordTasks tasks_;
  ExportJob exportJob_;
  ExportOptions exportOptions_;
  std::unique_ptr<ExportOptionsDialog> exportOptionsDialog_;
  AnalysisJob analysisJob_;
  std::unique_ptr<AnalysisProgressDialog> progressDialog_;
  std::string filePath_;
  std::string fileTitle_;
  std::unique_ptr<RecentFiles> recentFiles_;
  // The tree holds the tables of the last analysis, and their deleted rows
  // counted then and their schema, so it can be listed again.
  bool treeFromAnalysis_ = false;
  std::vector<std::pair<TableDef*, int32_t>> deletedRowCounts_;
  DatabaseSchema schema_;
  // The tree's part of the splitter's width, kept as the window resizes.
  double treeShare_;
  std::atomic<int32_t> analysisRunning_{0};
  std::atomic<int32_t> exportRunning_{0};
  int exportClosingPause_;
};
