#include "app/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLayout>
#include <QSettings>

#include "app/about_box.h"
#include "app/analysis_progress_dialog.h"
#include "app/dialog_template.h"
#include "app/schema_node.h"
#include "report/progress_channel.h"
#include "app/window_text.h"
#include "app/export_options_dialog.h"
#include "app/export_progress_dialog.h"
#include "app/user_guide.h"
#include "platform/dialogs.h"
#include "platform/folders.h"
#include "reader/table_listing.h"

namespace {

constexpr const char* kAccessFilter = "Microsoft Access Database Files (*.mdb)|*.mdb||";

// Where the window's size and place and the tree's width are kept between
// runs.
constexpr const char* kGeometryKey = "mainWindow/geometry";
constexpr const char* kSplitterKey = "mainWindow/splitter";
constexpr int kTreeWidth = 260;

// The file's name without its folder and without its last extension.
std::string TitleOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos) name.erase(dot);
  return name;
}

}  // namespace

MainWindow::MainWindow(ProgressChannel& progress, platform::Dialogs& dialogs, QWidget* parent)
    : QDialog(parent),
      progress_(progress),
      dialogs_(dialogs),
      // The controls must exist before the tree and the browser take them.
      tree_((ui.setupUi(this), *ui.tree_1001)),
      browser_(session_, progress, oleFiles_, tree_,
               RecordBrowserControls{ui.records_1002, ui.recordArea, ui.web_1082, ui.tableName_1068,
                                     ui.recordCount_1064, ui.pageNumber_1074, ui.next_1071,
                                     ui.prev_1070, ui.rowTotal, ui.pageTotal, ui.goToPage,
                                     ui.goTo}),
      exportJob_(session_, progress, dialogs, log_),
      exportOptionsDialog_(std::make_unique<ExportOptionsDialog>(tree_, dialogs, exportOptions_, this)),
      analysisJob_(session_, progress, dialogs, *this, *this),
      exportClosingPause_(ExportProgressDialog::kClosingPauseMilliseconds) {
  layout()->setMenuBar(ui.menu_129);
  // A main window of the desktop: minimise, maximise and resize, no
  // smaller than the template.
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
  ApplyResizableTemplate(*this, 543, 348);
  setWindowIcon(QIcon(QStringLiteral(":/images/program.png")));
  ui.menu_129->setAutoFillBackground(true);
  ui.bodySplitter->setStretchFactor(1, 1);
  ui.bodySplitter->setSizes({kTreeWidth, width() - kTreeWidth});
  RestoreLayout();

  connect(ui.browse_1006, &QPushButton::clicked, this, &MainWindow::Browse);
  connect(ui.browse_32771, &QAction::triggered, this, &MainWindow::Browse);
  connect(ui.recover_1007, &QPushButton::clicked, this, &MainWindow::Recover);
  connect(ui.export_1008, &QPushButton::clicked, this, &MainWindow::Export);
  connect(ui.export_32772, &QAction::triggered, this, &MainWindow::Export);
  connect(ui.exit_32773, &QAction::triggered, this, &QWidget::close);
  connect(ui.helpContents_32774, &QAction::triggered, this, &MainWindow::Help);
  connect(ui.aboutUs_32775, &QAction::triggered, this, &MainWindow::About);
  connect(ui.next_1071, &QPushButton::clicked, this, [this] { browser_.Next(); });
  connect(ui.prev_1070, &QPushButton::clicked, this, [this] { browser_.Prev(); });
  connect(ui.tree_1001, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* current) { SelectionChanged(current); });
  connect(ui.goTo, &QPushButton::clicked, this, &MainWindow::GoToPage);
  // Enter in the page box jumps; the window itself ignores Enter.
  connect(ui.goToPage->findChild<QLineEdit*>(), &QLineEdit::returnPressed, this,
          &MainWindow::GoToPage);
  ui.web_1082->SetStepButtons({ui.browse_1006, ui.recover_1007, ui.export_1008});
  // Recover has no menu item; its key works wherever the window has focus.
  auto* recoverKey = new QAction(this);
  recoverKey->setShortcut(Qt::Key_F5);
  addAction(recoverKey);
  connect(recoverKey, &QAction::triggered, ui.recover_1007, &QPushButton::click);

  ResetTableView();
  ui.export_1008->setEnabled(false);
  ui.recover_1007->setEnabled(false);
  ui.export_32772->setEnabled(false);
  setWindowTitle(QStringLiteral("Corvanel Brevantis v2.0"));
  log_.LogSessionHeader();
}

MainWindow::~MainWindow() {
  browser_.WaitForFetch();
  EndEarlierRun();
}

void MainWindow::RestoreLayout() {
  const QSettings settings;
  restoreGeometry(settings.value(kGeometryKey).toByteArray());
  // The splitter takes its widths once it has the window's.
  layout()->activate();
  ui.bodySplitter->restoreState(settings.value(kSplitterKey).toByteArray());
}

void MainWindow::SaveLayout() const {
  QSettings settings;
  settings.setValue(kGeometryKey, saveGeometry());
  settings.setValue(kSplitterKey, ui.bodySplitter->saveState());
}

void MainWindow::GoToPage() {
  if (analysisRunning() || exportRunning()) return;
  browser_.GoToPage(ui.goToPage->value());
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
  // Neither key may end the program's window.
  if (!SwallowEnterAndEscape(event)) QDialog::keyPressEvent(event);
}

bool MainWindow::RefusedWhileBusy(bool recoverTexts) {
  std::string text;
  if (analysisRunning())
    text = "Recover operation is in progress..Pls wait, or cancel that operation";
  else if (exportRunning())
    text = "Export operation is in progress..Pls wait, or cancel that operation";
  else
    return false;
  if (recoverTexts) text += '.';
  dialogs_.ShowMessage(text, kProgramName, platform::MessageButtons::Ok,
                       platform::MessageIcon::Warning);
  return true;
}

void MainWindow::EnableCommands(bool enabled) {
  for (QPushButton* button : {ui.export_1008, ui.browse_1006, ui.recover_1007})
    button->setEnabled(enabled);
  ui.export_32772->setEnabled(enabled);
  ui.browse_32771->setEnabled(enabled);
}

void MainWindow::ResetTableView() {
  browser_.ShowNoTable();
  tree_.Reset();
}

void MainWindow::AddTableNode(TableDef& table) {
  if (IsTableListed(table, session_.ShowsSystemTables())) tree_.AddTableNode(table);
}

void MainWindow::AddDeletedRowsNode(TableDef& table, int32_t rows) { tree_.AddDeletedRowsNode(table, rows); }

void MainWindow::AddSchemaNodes(const DatabaseSchema& schema) { ::AddSchemaNodes(tree_, schema); }

void MainWindow::EndAnalysisState() {
  analysisRunning_.store(0);
  EnableCommands(true);
  // Nothing to export: an export would only make an empty folder.
  const bool anyTable = !tree_.TableItems().empty();
  ui.export_1008->setEnabled(anyTable);
  ui.export_32772->setEnabled(anyTable);
}

void MainWindow::ShowAnalysisFinished() {
  if (progressDialog_ != nullptr) progressDialog_->ShowFinished();
}

void MainWindow::ShowAnalysisNotOpened(const std::string& message) {
  if (progressDialog_ != nullptr) progressDialog_->ShowNotOpened(message);
}

void MainWindow::Browse() {
  if (RefusedWhileBusy(false)) return;
  const std::string path = dialogs_.ChooseFile(kAccessFilter);
  if (path.empty()) return;
  UseFile(path);
}

void MainWindow::UseFile(const std::string& path) {
  // Leftovers of an earlier run end now, before their end states could
  // enable what this command disables.
  EndEarlierRun();
  ui.export_1008->setEnabled(false);
  ui.export_32772->setEnabled(false);
  ResetTableView();
  filePath_ = path;
  ui.filePath_1005->setText(PathText(path));
  fileTitle_ = TitleOf(path);
  progress_.databaseName.Set(fileTitle_);
  ui.browse_1006->setEnabled(true);
  ui.recover_1007->setEnabled(true);
}

void MainWindow::EndEarlierRun() {
  const bool alive =
      analysisJob_.Running() || (progressDialog_ != nullptr && progressDialog_->WatchersRunning());
  if (alive) {
    progress_.RequestStop();
    progress_.RecoveryTblEvent.Set();
    progress_.ReadPageEvent.Set();
    progress_.UpdateProgTblEvent.Set();
    progress_.UpdateProgStatusEvent.Set();
  }
  analysisJob_.Join();
  if (progressDialog_ != nullptr) progressDialog_->EndWatchers();
}

void MainWindow::Recover() {
  if (RefusedWhileBusy(true)) return;
  // No thread of an earlier run may outlive it: their end states would
  // otherwise reach into this one.
  EndEarlierRun();
  progressDialog_.reset();
  analysisRunning_.store(1);

  ResetTableView();
  tree_.SetRootText(PathText(fileTitle_));
  EnableCommands(false);
  ui.next_1071->setEnabled(false);
  ui.prev_1070->setEnabled(false);
  exportOptions_.chosenTables.clear();
  progress_.Reset();

  analysisJob_.Start(filePath_);
  progressDialog_ = std::make_unique<AnalysisProgressDialog>(progress_, *this, this);
  progressDialog_->exec();
}

void MainWindow::SelectionChanged(QTreeWidgetItem* item) {
  if (analysisRunning() || exportRunning()) return;
  // The analysis thread may still be on its way out after a stop (and, once
  // the progress window's Close has reset the channel, waiting for watchers
  // that are gone); the session is not the browser's before it has ended.
  if (analysisJob_.Running()) EndEarlierRun();
  browser_.SelectionChanged(item);
}

void MainWindow::Export() {
  if (RefusedWhileBusy(false)) return;
  browser_.WaitForFetch();
  EndEarlierRun();
  exportOptions_.chosenTables.clear();
  ui.export_1008->setEnabled(false);
  const bool accepted = exportOptionsDialog_->exec() == QDialog::Accepted;
  if (!accepted || exportOptions_.exportFolder.empty()) {
    ui.export_1008->setEnabled(true);
    return;
  }
  exportRunning_.store(1);
  progress_.stopRequested.store(0);
  progress_.finished.store(0);
  {
    ExportProgressDialog window(exportJob_, exportOptions_, progress_, dialogs_, this);
    window.SetClosingPause(exportClosingPause_);
    window.exec();
  }
  exportRunning_.store(0);
  ui.export_1008->setEnabled(true);
  progress_.stopRequested.store(0);
  progress_.finished.store(0);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (RefusedWhileBusy(false)) {
    event->ignore();
    return;
  }
  if (dialogs_.ShowMessage("Are you sure you want to close the application ?", kProgramName,
                           platform::MessageButtons::YesNo,
                           platform::MessageIcon::Question) == platform::MessageAnswer::No) {
    event->ignore();
    return;
  }
  browser_.WaitForFetch();
  EndEarlierRun();
  SaveLayout();
  event->accept();
}

void MainWindow::Help() {
  // A missing guide is no error of ours: the shell's answer is ignored.
  dialogs_.OpenWithShell(UserGuidePath(platform::ProgramFolder()));
}

void MainWindow::About() {
  AboutBox box(this);
  box.exec();
}
