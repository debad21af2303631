// The tree of the tables the analysis found, each with its columns and their
// types: the way into the record browser and the list the export options
// copy. Tables arrive one by one while the analysis runs. The items refer
// into the session's table list and own nothing; the tree is emptied before
// the list is.
#pragma once

#include <QIcon>
#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;
struct TableDef;

class TableTree : public QObject {
 public:
  // Positions in the image list.
  enum Image {
    kRootImage = 0,
    kTablesImage = 1,
    kTableImage = 2,
    kSpareImage = 3,
    kColumnImage = 4,
    kIncompleteTableImage = 5
  };
  static constexpr const char* kRootText = "DATABASE_NAME";
  static constexpr const char* kTablesText = "TABLES";

  explicit TableTree(QTreeWidget& tree);

  // Empties the tree down to the root ("DATABASE_NAME") and "TABLES".
  void Reset();
  void SetRootText(const QString& text);
  QString RootText() const;

  // One node per table, "%s [%s]" per column ("%s [TEXT(%d)]" for text), in
  // the order the table holds its columns now. A table without a name gets
  // none; a table with rows is shown in bold. A table that came back short
  // of the rows its definition states is marked, its tooltip "717 of 830
  // rows recovered".
  void AddTableNode(TableDef& table);
  // Under the table's node, after its columns: "Deleted rows (N)", the way
  // to the table's readable deleted rows.
  void AddDeletedRowsNode(TableDef& table, int32_t rows);
  // Under a table's node, after what it holds: a node that stands for the
  // table as a column does.
  QTreeWidgetItem* AddTableChild(QTreeWidgetItem* tableNode, const QString& text);

  // The table nodes, top to bottom.
  std::vector<QTreeWidgetItem*> TableItems() const;
  // The table of a table or column node, else none.
  static TableDef* TableOf(const QTreeWidgetItem* item);
  // True for a table's "Deleted rows (N)" node.
  static bool IsDeletedRowsNode(const QTreeWidgetItem* item);

  // The table node a selection stands for: the node itself when it is a
  // table node, its parent for a column or deleted-rows node, none for
  // anything else (the
  // root, "TABLES", or an item titled like the root).
  QTreeWidgetItem* TableNodeFor(QTreeWidgetItem* item) const;

  // Folds one node and unfolds another once the click at hand is over (its
  // button released), or after the event at hand when no click is: a click
  // selects what was under the pointer when it was made, never what a fold
  // moved there. Either may be none; nodes gone by then are left.
  void RefoldLater(QTreeWidgetItem* fold, QTreeWidgetItem* unfold);

  const QIcon& image(Image index) const { return images_[index]; }
  QTreeWidget& widget() const { return tree_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void QueueRefold();

  QTreeWidget& tree_;
  std::vector<QIcon> images_;
  QTreeWidgetItem* root_ = nullptr;
  QTreeWidgetItem* tables_ = nullptr;
  // Counts the Resets, each of which deletes every node.
  uint64_t generation_ = 0;
  // A mouse button is down on the tree: a refold waits for its release.
  bool buttonDown_ = false;
  struct Refold {
    QTreeWidgetItem* fold = nullptr;
    QTreeWidgetItem* unfold = nullptr;
    uint64_t generation = 0;
  };
  std::optional<Refold> refold_;
};
