#include "app/export_options_dialog.h"

#include <QSettings>
#include <QTreeWidget>

#include "app/dialog_template.h"
#include "app/table_tree.h"
#include "export/export_folder.h"
#include "export/export_options.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/folders.h"
#include "reader/table_def.h"

namespace {

constexpr int kTableRole = Qt::UserRole;

constexpr const char* kFolderTitle = " Please select the Destination folder ";
constexpr const char* kNoFileSystemPath =
    "You cannot select \"My computer\" or \"My Network\" as destination. \r\n\r\n"
    "                          Please select proper drive path.";

void SetChecked(QTreeWidgetItem* item, bool checked) {
  item->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
}

bool IsChecked(const QTreeWidgetItem* item) { return item->checkState(0) == Qt::Checked; }

// The format choice is remembered between runs, by the entries' order in
// the list: .xls, .xlsx, CSV.
constexpr const char* kFormatSetting = "export/format";
constexpr OutputFormat kFormats[] = {OutputFormat::Xls, OutputFormat::Xlsx, OutputFormat::Csv};
constexpr const char* kFormatNames[] = {"xls", "xlsx", "csv"};

}  // namespace

ExportOptionsDialog::ExportOptionsDialog(const TableTree& tables, platform::Dialogs& dialogs,
                                         ExportOptions& options, QWidget* parent)
    : QDialog(parent), tables_(tables), dialogs_(dialogs), options_(options) {
  ui.setupUi(this);
  ApplyResizableTemplate(*this, 311, 244);
  setSizeGripEnabled(true);
  connect(ui.browse_1006, &QPushButton::clicked, this, &ExportOptionsDialog::Browse);
  connect(ui.exportSave_1021, &QPushButton::clicked, this, &ExportOptionsDialog::ExportSave);
  connect(ui.cancel_1025, &QPushButton::clicked, this, &QDialog::reject);
  connect(ui.tables_1079, &QTreeWidget::itemChanged, this,
          [this](QTreeWidgetItem* item) { CheckChanged(item); });
  // Any click on an item, on its box or beside it, settles Export/Save.
  connect(ui.tables_1079, &QTreeWidget::itemClicked, this, [this] { UpdateExportSave(); });
  // CSV has a file per table: the workbook mode does not apply to it.
  connect(ui.format, &QComboBox::currentIndexChanged, this, [this](int index) {
    const bool workbooks = kFormats[index] != OutputFormat::Csv;
    for (QWidget* mode : {static_cast<QWidget*>(ui.perDatabase_1076), static_cast<QWidget*>(ui.perTable_1077),
                          static_cast<QWidget*>(ui.perDatabaseText), static_cast<QWidget*>(ui.perTableText)})
      mode->setEnabled(workbooks);
  });
}

int ExportOptionsDialog::exec() {
  Prepare();
  return QDialog::exec();
}

void ExportOptionsDialog::Prepare() {
  ui.destination_1086->clear();
  ui.perDatabase_1076->setChecked(true);
  ui.includeDeleted->setChecked(false);
  const QString saved = QSettings().value(kFormatSetting, kFormatNames[0]).toString();
  int format = 0;
  for (int i = 0; i < ui.format->count(); ++i)
    if (saved == kFormatNames[i]) format = i;
  ui.format->setCurrentIndex(format);
  // The frame is a caption only: grayed, while the row inside it works.
  ui.destinationFrame_1027->setEnabled(false);

  QTreeWidget* tree = ui.tables_1079;
  const QSignalBlocker quiet(tree);
  tree->clear();
  root_ = new QTreeWidgetItem(tree, QStringList(tables_.RootText()));
  tablesItem_ = new QTreeWidgetItem(root_, QStringList(TableTree::kTablesText));
  SetChecked(root_, true);
  SetChecked(tablesItem_, true);
  for (QTreeWidgetItem* source : tables_.TableItems()) {
    TableDef* table = TableTree::TableOf(source);
    auto* item = new QTreeWidgetItem(tablesItem_, QStringList(source->text(0)));
    item->setData(0, kTableRole, QVariant::fromValue(reinterpret_cast<quintptr>(table)));
    SetChecked(item, true);
    if (table != nullptr && table->rowCount > 0) {
      QFont bold = item->font(0);
      bold.setBold(true);
      item->setFont(0, bold);
    }
  }
  root_->setExpanded(true);
  tablesItem_->setExpanded(true);
  SetDestinationChosen(false);
}

void ExportOptionsDialog::SetDestinationChosen(bool chosen) {
  ui.tables_1079->setEnabled(chosen);
  ui.exportSave_1021->setEnabled(chosen);
}

void ExportOptionsDialog::Browse() {
  std::string path = platform::CurrentFolder();
  if (!dialogs_.ChooseFolder(kFolderTitle, path)) return;
  if (path.empty()) {
    dialogs_.ShowMessage(kNoFileSystemPath, "Corvanel Brevantis", platform::MessageButtons::Ok,
                         platform::MessageIcon::None);
    ui.destination_1086->clear();
    SetDestinationChosen(false);
    return;
  }
  ui.destination_1086->setText(QString::fromLocal8Bit(path));
  SetDestinationChosen(true);
}

void ExportOptionsDialog::CheckChanged(QTreeWidgetItem* item) {
  // The box has already turned; the rules go by the state it had before.
  const bool wasChecked = !IsChecked(item);
  const QSignalBlocker quiet(ui.tables_1079);
  auto setTables = [this](bool checked) {
    for (int i = 0; i < tablesItem_->childCount(); ++i) SetChecked(tablesItem_->child(i), checked);
  };
  if (item == root_) {
    SetChecked(tablesItem_, !wasChecked);
    setTables(!wasChecked);
  } else if (item == tablesItem_) {
    setTables(!wasChecked);
    SetChecked(root_, !wasChecked);
  } else if (!wasChecked) {
    if (!IsChecked(tablesItem_)) SetChecked(root_, true);
  } else {
    SetChecked(tablesItem_, false);
    SetChecked(root_, false);
  }
  UpdateExportSave();
}

void ExportOptionsDialog::UpdateExportSave() {
  bool anyTable = false;
  for (int i = 0; i < tablesItem_->childCount(); ++i)
    anyTable = anyTable || IsChecked(tablesItem_->child(i));
  ui.exportSave_1021->setEnabled(anyTable);
}

void ExportOptionsDialog::ExportSave() {
  const std::string destination = ui.destination_1086->text().toLocal8Bit().toStdString();
  // The destination may have gone, or never have been writable, since it
  // was chosen: the export is refused with the reason before it starts.
  std::string problem = DestinationProblem(destination);
  if (problem.empty()) {
    options_.exportFolder = CreateExportFolder(destination, platform::UtcNow(), platform::LocalNow(), problem);
  }
  if (!problem.empty()) {
    options_.exportFolder.clear();
    dialogs_.ShowMessage(problem, "Corvanel Brevantis", platform::MessageButtons::Ok,
                         platform::MessageIcon::Warning);
    return;
  }
  options_.workbookMode = ui.perTable_1077->isChecked() ? kExcelPerTable : kExcelPerDatabase;
  options_.format = kFormats[ui.format->currentIndex()];
  options_.includeDeleted = ui.includeDeleted->isChecked();
  QSettings().setValue(kFormatSetting, kFormatNames[ui.format->currentIndex()]);
  options_.chosenTables.clear();
  for (int i = 0; i < tablesItem_->childCount(); ++i) {
    QTreeWidgetItem* item = tablesItem_->child(i);
    if (IsChecked(item))
      options_.chosenTables.push_back(
          reinterpret_cast<TableDef*>(item->data(0, kTableRole).value<quintptr>()));
  }
  accept();
}
