#include "app/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLayout>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include <cmath>

#include "app/about_box.h"
#include "app/analysis_progress_dialog.h"
#include "app/dialog_template.h"
#include "app/schema_node.h"
#include "report/progress_channel.h"
#include "app/window_text.h"
#include "app/export_options_dialog.h"
#include "app/export_progress_dialog.h"
#include "app/program_settings.h"
#include "app/user_guide.h"
#include "platform/dialogs.h"
#include "platform/folders.h"
#include "reader/table_listing.h"

namespace {

constexpr const char* kAccessFilter = "Microsoft Access Database Files (*.mdb *.accdb)|*.mdb;*.accdb||";

constexpr const char* kProgramTitle = "Corvanel Brevantis v2.0";
// The tree's part of the width until the user moves the splitter.
constexpr double kTreeShare = 1.0 / 3;
// The banner's height on a screen of ample height.
constexpr int kBannerHeight = 90;

// The first local file a drag carries, or an empty text.
QString DraggedFile(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls()) return {};
  for (const QUrl& url : data->urls())
    if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile()) return url.toLocalFile();
  return {};
}

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
      tasks_(session_, oleFiles_, browser_,
             RecordTaskControls{ui.records_1002, ui.taskRow, ui.taskText, ui.taskProgress, ui.taskStop, ui.findRow,
                                ui.findText, ui.findNext, ui.findStatus, ui.findClose}),
      exportJob_(session_, progress, dialogs, log_),
      exportOptionsDialog_(std::make_unique<ExportOptionsDialog>(tree_, dialogs, exportOptions_, this)),
      analysisJob_(session_, progress, dialogs, *this, *this),
      treeShare_(settings::TreeShare() > 0 && settings::TreeShare() < 1 ? settings::TreeShare() : kTreeShare),
      exportClosingPause_(ExportProgressDialog::kClosingPauseMilliseconds) {
  layout()->setMenuBar(ui.menu_129);
  ui.banner_1010->SetTexts(QStringLiteral("Corvanel Brevantis"),
                           QStringLiteral("Gets the tables out of Access databases, damaged ones above all"));
  ui.banner_1010->SetTallest(kBannerHeight);
  // A main window of the desktop: minimise, maximise and resize, no
  // smaller than the template.
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
  ApplyResizableTemplate(*this, 543, 348);
  setWindowIcon(QIcon(QStringLiteral(":/images/program.svg")));
  ui.menu_129->setAutoFillBackground(true);
  ui.bodySplitter->installEventFilter(this);
  connect(ui.bodySplitter, &QSplitter::splitterMoved, this, [this] {
    const QList<int> sizes = ui.bodySplitter->sizes();
    const int total = sizes.value(0) + sizes.value(1);
    if (total > 0) treeShare_ = static_cast<double>(sizes.value(0)) / total;
  });
  RestoreLayout();
  setAcceptDrops(true);
  recentFiles_ = std::make_unique<RecentFiles>(
      *ui.recentMenu, [this](const QString& path) { OpenAndRecover(path.toStdString()); });

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
  // Recover has no menu item; its key works wherever the window has focus,
  // and so do the paging keys.
  auto addKey = [this](QKeySequence key, QAbstractButton* button) {
    auto* action = new QAction(this);
    action->setShortcut(key);
    addAction(action);
    connect(action, &QAction::triggered, button, &QAbstractButton::click);
  };
  addKey(Qt::Key_F5, ui.recover_1007);
  addKey(Qt::Key_F3, ui.findNext);
  connect(ui.find, &QAction::triggered, &tasks_, &RecordTasks::OpenFind);
  addKey(Qt::Key_PageDown, ui.next_1071);
  addKey(Qt::Key_PageUp, ui.prev_1070);
  SetTabOrder();
  ui.showSystemTables->setChecked(settings::ShowSystemTables());
  session_.ShowSystemTables(settings::ShowSystemTables());
  connect(ui.showSystemTables, &QAction::toggled, this, &MainWindow::ShowSystemTables);

  ResetTableView();
  ui.export_1008->setEnabled(false);
  ui.recover_1007->setEnabled(false);
  ui.export_32772->setEnabled(false);
  ShowTitle();
  log_.LogSessionHeader();
}

MainWindow::~MainWindow() {
  EndBrowserWork();
  EndEarlierRun();
}

void MainWindow::EndBrowserWork() {
  tasks_.Stop();
  browser_.WaitForFetch();
}

void MainWindow::RestoreLayout() {
  restoreGeometry(settings::MainWindowGeometry());
  // The splitter takes its widths once it has the window's.
  layout()->activate();
  ApplyTreeShare();
}

void MainWindow::SaveLayout() const {
  settings::SetMainWindowGeometry(saveGeometry());
  const QList<int> sizes = ui.bodySplitter->sizes();
  const int total = sizes.value(0) + sizes.value(1);
  if (total > 0) settings::SetTreeShare(static_cast<double>(sizes.value(0)) / total);
}

void MainWindow::ApplyTreeShare() {
  const QList<int> sizes = ui.bodySplitter->sizes();
  const int total = sizes.value(0) + sizes.value(1);
  if (total <= 0) return;
  const int tree = static_cast<int>(std::lround(total * treeShare_));
  if (tree != sizes.value(0)) ui.bodySplitter->setSizes({tree, total - tree});
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  // The splitter shares out its new width by the tree's part, once its own
  // rule (everything to the records) has had its turn.
  if (watched == ui.bodySplitter && event->type() == QEvent::Resize)
    QMetaObject::invokeMethod(this, &MainWindow::ApplyTreeShare, Qt::QueuedConnection);
  return QDialog::eventFilter(watched, event);
}

void MainWindow::SetTabOrder() {
  QWidget* order[] = {ui.browse_1006, ui.recover_1007, ui.tree_1001, ui.prev_1070,  ui.next_1071,
                      ui.goToPage,    ui.goTo,         ui.findText, ui.findNext, ui.findClose,
                      ui.taskStop,    ui.records_1002, ui.export_1008};
  for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
}

void MainWindow::ShowTitle() {
  const QString program = QString::fromUtf8(kProgramTitle);
  setWindowTitle(filePath_.empty() ? program
                                   : QFileInfo(PathText(filePath_)).fileName() + QStringLiteral(" - ") + program);
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
  EndBrowserWork();
  browser_.ShowNoTable();
  tree_.Reset();
}

void MainWindow::AddTableNode(TableDef& table) {
  if (IsTableListed(table, session_.ShowsSystemTables())) tree_.AddTableNode(table);
}

void MainWindow::AddDeletedRowsNode(TableDef& table, int32_t rows) {
  deletedRowCounts_.emplace_back(&table, rows);
  tree_.AddDeletedRowsNode(table, rows);
}

void MainWindow::ShowSystemTables(bool shown) {
  settings::SetShowSystemTables(shown);
  session_.ShowSystemTables(shown);
  // During an analysis its own listing applies; after one, the tree lists
  // its tables again.
  if (!treeFromAnalysis_ || analysisRunning() || exportRunning()) return;
  ResetTableView();
  tree_.SetRootText(PathText(fileTitle_));
  for (const auto& table : session_.tables) AddTableNode(*table);
  for (const auto& [table, rows] : deletedRowCounts_)
    if (IsTableListed(*table, shown)) tree_.AddDeletedRowsNode(*table, rows);
  ::AddSchemaNodes(tree_, schema_);
}

void MainWindow::AddSchemaNodes(const DatabaseSchema& schema) {
  schema_ = schema;
  ::AddSchemaNodes(tree_, schema_);
}

void MainWindow::EndAnalysisState() {
  analysisRunning_.store(0);
  treeFromAnalysis_ = session_.IsOpen();
  EnableCommands(true);
  EnableExportForTables();
}

void MainWindow::EnableExportForTables() {
  // Nothing to export: an export would only make an empty folder.
  const bool anyTable = !tree_.TableItems().empty();
  ui.export_1008->setEnabled(anyTable);
  ui.export_32772->setEnabled(anyTable);
}

void MainWindow::ShowAnalysisFinished() {
  if (progressDialog_ != nullptr) progressDialog_->ShowFinished();
}

void MainWindow::DropTables() {
  const QString root = tree_.RootText();
  ResetTableView();
  tree_.SetRootText(root);
  // The progress window may have ended the analysis state first.
  if (!analysisRunning()) EnableExportForTables();
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
  treeFromAnalysis_ = false;
  filePath_ = path;
  ui.filePath_1005->setText(PathText(path));
  fileTitle_ = TitleOf(path);
  progress_.databaseName.Set(fileTitle_);
  ui.browse_1006->setEnabled(true);
  ui.recover_1007->setEnabled(true);
  recentFiles_->Add(PathText(path));
  ShowTitle();
}

void MainWindow::OpenAndRecover(const std::string& path) {
  if (RefusedWhileBusy(false)) return;
  if (!QFileInfo(PathText(path)).isFile()) {
    dialogs_.ShowMessage("The file " + path + " is not there any more.", kProgramName,
                         platform::MessageButtons::Ok, platform::MessageIcon::Warning);
    recentFiles_->Remove(PathText(path));
    return;
  }
  EndBrowserWork();
  UseFile(path);
  Recover();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (!DraggedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const QString file = DraggedFile(event->mimeData());
  if (file.isEmpty()) return;
  event->acceptProposedAction();
  // The drop ends before the analysis window runs: the dragging program is
  // not kept waiting for it.
  QTimer::singleShot(0, this, [this, file] { OpenAndRecover(file.toStdString()); });
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
  treeFromAnalysis_ = false;
  deletedRowCounts_.clear();
  schema_ = {};
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
  EndBrowserWork();
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
  EndBrowserWork();
  EndEarlierRun();
  SaveLayout();
  event->accept();
}

void MainWindow::Help() {
  const std::string folder = platform::ProgramFolder();
  const std::string guide = UserGuidePath(folder);
  if (!guide.empty() && dialogs_.OpenWithShell(guide)) return;
  std::string text = guide.empty() ? "The user guide was not found. It was looked for in:"
                                   : "The user guide could not be opened. It lies in:";
  for (const std::string& place : guide.empty() ? UserGuidePlaces(folder) : std::vector<std::string>{guide})
    text += "\n" + place;
  dialogs_.ShowMessage(text, kProgramName, platform::MessageButtons::Ok, platform::MessageIcon::Warning);
}

void MainWindow::About() {
  AboutBox box(this);
  box.exec();
}
