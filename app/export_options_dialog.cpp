#include "app/export_options_dialog.h"

#include <QDir>
#include <QFileInfo>
#include <QTreeWidget>

#include <algorithm>

#include "app/dialog_template.h"
#include "app/export_formats.h"
#include "app/program_settings.h"
#include "app/table_tree.h"
#include "export/export_folder.h"
#include "export/export_options.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
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

const ExportFormatChoice& ChoiceAt(int index) {
  const auto choices = ExportFormatChoices();
  return choices[static_cast<size_t>(std::clamp<int>(index, 0, static_cast<int>(choices.size()) - 1))];
}

}  // namespace

ExportOptionsDialog::ExportOptionsDialog(const TableTree& tables, platform::Dialogs& dialogs,
                                         ExportOptions& options, QWidget* parent)
    : QDialog(parent), tables_(tables), dialogs_(dialogs), options_(options) {
  ui.setupUi(this);
  ui.banner->SetTexts(QStringLiteral("Export Options"), QStringLiteral("Destination, tables and file format"));
  ui.banner->SetTallest(56);
  for (const ExportFormatChoice& choice : ExportFormatChoices()) ui.format->addItem(QString::fromUtf8(choice.label));
  // Room for a good few tables at once; the list takes any height gained.
  ui.tables_1079->setMinimumHeight(ui.tables_1079->fontMetrics().lineSpacing() * 8);
  ApplyResizableTemplate(*this, 311, 244);
  setSizeGripEnabled(true);
  connect(ui.browse_1006, &QPushButton::clicked, this, &ExportOptionsDialog::Browse);
  connect(ui.exportSave_1021, &QPushButton::clicked, this, &ExportOptionsDialog::ExportSave);
  connect(ui.cancel_1025, &QPushButton::clicked, this, &QDialog::reject);
  connect(ui.tables_1079, &QTreeWidget::itemChanged, this,
          [this](QTreeWidgetItem* item) { CheckChanged(item); });
  // Any click on an item, on its box or beside it, settles Export/Save.
  connect(ui.tables_1079, &QTreeWidget::itemClicked, this, [this] { UpdateExportSave(); });
  connect(ui.format, &QComboBox::currentIndexChanged, this, &ExportOptionsDialog::ShowFormat);
}

void ExportOptionsDialog::ShowFormat(int index) {
  const ExportFormatChoice& choice = ChoiceAt(index);
  ui.perDatabase_1076->setText(QString::fromUtf8(choice.perDatabase));
  ui.perDatabaseText->setText(QString::fromUtf8(choice.perDatabaseText));
  ui.perTable_1077->setText(QString::fromUtf8(choice.perTable));
  ui.perTableText->setText(QString::fromUtf8(choice.perTableText));
  for (QWidget* mode : {static_cast<QWidget*>(ui.perDatabase_1076), static_cast<QWidget*>(ui.perTable_1077),
                        static_cast<QWidget*>(ui.perDatabaseText), static_cast<QWidget*>(ui.perTableText)})
    mode->setEnabled(choice.modeChosen);
}

int ExportOptionsDialog::exec() {
  Prepare();
  return QDialog::exec();
}

void ExportOptionsDialog::Prepare() {
  // The last destination, while it is still there.
  const QString last = settings::ExportDestination();
  ui.destination_1086->setText(!last.isEmpty() && QFileInfo(last).isDir() ? last : QString());
  ui.perDatabase_1076->setChecked(true);
  ui.includeDeleted->setChecked(false);
  const QString saved = settings::ExportFormat();
  int format = 0;
  const auto choices = ExportFormatChoices();
  for (size_t i = 0; i < choices.size(); ++i)
    if (saved == QLatin1String(choices[i].name)) format = static_cast<int>(i);
  ui.format->setCurrentIndex(format);
  ShowFormat(format);
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
  ui.exportSave_1021->setEnabled(!ui.destination_1086->text().isEmpty());
}

void ExportOptionsDialog::Browse() {
  // From the destination shown, else the user's home.
  const QString shown = ui.destination_1086->text();
  std::string path = (shown.isEmpty() ? QDir::homePath() : shown).toStdString();
  if (!dialogs_.ChooseFolder(kFolderTitle, path)) return;
  if (path.empty()) {
    dialogs_.ShowMessage(kNoFileSystemPath, "Corvanel Brevantis", platform::MessageButtons::Ok,
                         platform::MessageIcon::None);
    ui.destination_1086->clear();
    ui.exportSave_1021->setEnabled(false);
    return;
  }
  ui.destination_1086->setText(QString::fromStdString(path));
  ui.exportSave_1021->setEnabled(true);
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
  ui.exportSave_1021->setEnabled(anyTable && !ui.destination_1086->text().isEmpty());
}

void ExportOptionsDialog::ExportSave() {
  const std::string destination = ui.destination_1086->text().toStdString();
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
  const ExportFormatChoice& format = ChoiceAt(ui.format->currentIndex());
  options_.workbookMode = ui.perTable_1077->isChecked() ? kExcelPerTable : kExcelPerDatabase;
  options_.format = format.format;
  options_.includeDeleted = ui.includeDeleted->isChecked();
  settings::SetExportFormat(QString::fromUtf8(format.name));
  settings::SetExportDestination(ui.destination_1086->text());
  options_.chosenTables.clear();
  for (int i = 0; i < tablesItem_->childCount(); ++i) {
    QTreeWidgetItem* item = tablesItem_->child(i);
    if (IsChecked(item))
      options_.chosenTables.push_back(
          reinterpret_cast<TableDef*>(item->data(0, kTableRole).value<quintptr>()));
  }
  accept();
}
