#include "app/table_tree.h"

#include <QSignalBlocker>

#include <QEvent>
#include <QHeaderView>
#include <QTreeWidget>

#include "app/window_text.h"
#include "reader/column_types.h"
#include "reader/row_counts.h"
#include "reader/table_def.h"

namespace {

constexpr int kTableRole = Qt::UserRole;
constexpr int kDeletedRowsRole = Qt::UserRole + 1;

void SetTable(QTreeWidgetItem* item, TableDef* table) {
  item->setData(0, kTableRole, QVariant::fromValue(reinterpret_cast<quintptr>(table)));
}

}  // namespace

TableTree::TableTree(QTreeWidget& tree)
    : tree_(tree),
      images_{QIcon(":/images/tree_root.svg"), QIcon(":/images/tree_tables.svg"),
              QIcon(":/images/tree_table.svg"), QIcon(":/images/tree_spare.svg"),
              QIcon(":/images/tree_column.svg"), QIcon(":/images/tree_table_incomplete.svg")} {
  tree_.setIconSize(QSize(16, 16));
  // Long names get a scroll bar rather than being cut.
  tree_.header()->setStretchLastSection(false);
  tree_.header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  tree_.viewport()->installEventFilter(this);
  Reset();
}

void TableTree::Reset() {
  ++generation_;
  // Emptying the tree selects nothing, which is no choice of the user's:
  // the window, which may be answering the analysis thread, shows no table
  // already, and answering the selection would wait for that thread.
  const QSignalBlocker quiet(&tree_);
  tree_.clear();
  root_ = new QTreeWidgetItem(&tree_, QStringList(kRootText));
  root_->setIcon(0, images_[kRootImage]);
  tables_ = new QTreeWidgetItem(root_, QStringList(kTablesText));
  tables_->setIcon(0, images_[kTablesImage]);
  root_->setExpanded(true);
}

void TableTree::RefoldLater(QTreeWidgetItem* fold, QTreeWidgetItem* unfold) {
  refold_ = Refold{fold, unfold, generation_};
  if (!buttonDown_) QueueRefold();
}

void TableTree::QueueRefold() {
  QMetaObject::invokeMethod(&tree_, [this] {
    if (!refold_ || buttonDown_) return;
    const Refold refold = *refold_;
    refold_.reset();
    if (refold.generation != generation_) return;
    if (refold.fold != nullptr) refold.fold->setExpanded(false);
    if (refold.unfold != nullptr) refold.unfold->setExpanded(true);
  }, Qt::QueuedConnection);
}

bool TableTree::eventFilter(QObject*, QEvent* event) {
  // Seen before the tree itself handles them.
  if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
    buttonDown_ = true;
  } else if (event->type() == QEvent::MouseButtonRelease) {
    buttonDown_ = false;
    if (refold_) QueueRefold();
  }
  return false;
}

void TableTree::SetRootText(const QString& text) { root_->setText(0, text); }

QString TableTree::RootText() const { return root_->text(0); }

void TableTree::AddTableNode(TableDef& table) {
  if (table.name.empty()) return;
  auto* node = new QTreeWidgetItem(tables_, QStringList(FileText(table.name)));
  node->setIcon(0, images_[kTableImage]);
  SetTable(node, &table);
  if (table.MissingRows() > 0) {
    node->setIcon(0, images_[kIncompleteTableImage]);
    node->setToolTip(0, FileText(RowsOfText(table) + " rows recovered"));
  }
  // The rows counted, where the analysis counted them.
  if (table.rowsFound >= 0 ? table.rowsFound > 0 : table.rowCount > 0) {
    QFont bold = node->font(0);
    bold.setBold(true);
    node->setFont(0, bold);
  }
  for (const ColumnDef& column : table.columns) {
    auto* columnNode = new QTreeWidgetItem(node, QStringList(FileText(ColumnTreeText(column))));
    columnNode->setIcon(0, images_[kColumnImage]);
    SetTable(columnNode, &table);
  }
  tables_->setExpanded(true);
  tree_.viewport()->update();
}

void TableTree::AddDeletedRowsNode(TableDef& table, int32_t rows) {
  for (QTreeWidgetItem* node : TableItems()) {
    if (TableOf(node) != &table) continue;
    AddTableChild(node, QStringLiteral("Deleted rows (%1)").arg(rows))->setData(0, kDeletedRowsRole, true);
    return;
  }
}

QTreeWidgetItem* TableTree::AddTableChild(QTreeWidgetItem* tableNode, const QString& text) {
  auto* child = new QTreeWidgetItem(tableNode, QStringList(text));
  child->setIcon(0, images_[kSpareImage]);
  SetTable(child, TableOf(tableNode));
  return child;
}

bool TableTree::IsDeletedRowsNode(const QTreeWidgetItem* item) {
  return item != nullptr && item->data(0, kDeletedRowsRole).toBool();
}

std::vector<QTreeWidgetItem*> TableTree::TableItems() const {
  std::vector<QTreeWidgetItem*> items;
  for (int i = 0; i < tables_->childCount(); ++i) items.push_back(tables_->child(i));
  return items;
}

TableDef* TableTree::TableOf(const QTreeWidgetItem* item) {
  if (item == nullptr) return nullptr;
  return reinterpret_cast<TableDef*>(item->data(0, kTableRole).value<quintptr>());
}

QTreeWidgetItem* TableTree::TableNodeFor(QTreeWidgetItem* item) const {
  if (item == nullptr || item->parent() == nullptr) return nullptr;
  const QString rootText = RootText();
  // A table titled like the root or "TABLES" cannot be told from those
  // nodes by its text, so it is never loaded, through its columns neither.
  auto reserved = [&](const QTreeWidgetItem* node) {
    return node->text(0) == rootText || node->text(0) == kTablesText;
  };
  if (reserved(item) || item->parent()->text(0) == rootText) return nullptr;
  QTreeWidgetItem* node = nullptr;
  if (item->parent() == tables_)
    node = item;
  else if (item->parent()->parent() == tables_)
    node = item->parent();
  return node != nullptr && !reserved(node) ? node : nullptr;
}
