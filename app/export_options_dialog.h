// The dialog of the Export command: the destination folder, the tables to
// export (a tree with check boxes, copied from the main window's tree), one
// workbook for the database or one per table, the file format, and whether
// deleted rows go too. The destination and the format are kept in the
// user's settings for the next export. Export/Save makes the dated folder
// inside the destination and fills the export options; the main window then
// runs the export.
#pragma once

#include <QDialog>

#include "ui_export_options_dialog.h"

struct ExportOptions;
class TableTree;
class QTreeWidgetItem;
namespace platform {
class Dialogs;
}

class ExportOptionsDialog : public QDialog {
  Q_OBJECT

 public:
  ExportOptionsDialog(const TableTree& tables, platform::Dialogs& dialogs, ExportOptions& options,
                      QWidget* parent);

  // Every showing starts afresh (Prepare).
  int exec() override;

  // The last destination (when it is still a folder) and format, every
  // table of the main tree listed and ticked; Export/Save disabled until
  // there is a destination.
  void Prepare();
  void Browse();
  void ExportSave();

  Ui::ExportOptionsDialog ui;

 private:
  // The check rules: the root and "TABLES" follow the tables and the tables
  // follow them. Only the tables' own boxes choose what is exported.
  void CheckChanged(QTreeWidgetItem* item);
  void UpdateExportSave();
  // The workbook modes' names and whether they apply, for the format.
  void ShowFormat(int index);

  const TableTree& tables_;
  platform::Dialogs& dialogs_;
  ExportOptions& options_;
  QTreeWidgetItem* root_ = nullptr;
  QTreeWidgetItem* tablesItem_ = nullptr;
};
