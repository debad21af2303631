// The dialog of the Export command: the destination folder, the tables to
// export (a tree with check boxes, copied from the main window's tree), one
// workbook for the database or one per table, the file format (kept in
// the user's settings for the next run), and whether deleted rows go too. Export/Save makes the dated
// folder inside the destination and fills the export options; the main
// window then runs the export.
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

  // No destination, every table of the main tree listed and ticked, the
  // tree and Export/Save disabled until a destination is chosen.
  void Prepare();
  void Browse();
  void ExportSave();

  Ui::ExportOptionsDialog ui;

 private:
  // The check rules: the root and "TABLES" follow the tables and the tables
  // follow them. Only the tables' own boxes choose what is exported.
  void CheckChanged(QTreeWidgetItem* item);
  void UpdateExportSave();
  void SetDestinationChosen(bool chosen);

  const TableTree& tables_;
  platform::Dialogs& dialogs_;
  ExportOptions& options_;
  QTreeWidgetItem* root_ = nullptr;
  QTreeWidgetItem* tablesItem_ = nullptr;
};
