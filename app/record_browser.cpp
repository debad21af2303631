#include "app/record_browser.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTreeWidget>

#include <algorithm>
#include <limits>
#include <string>
#include <utility>

#include "report/progress_channel.h"
#include "app/table_tree.h"
#include "app/window_text.h"
#include "decode/deleted_row_walk.h"
#include "decode/row_lookup.h"
#include "decode/row_reader.h"
#include "decode/row_decoder.h"
#include "decode/row_text.h"
#include "reader/mdb_file.h"
#include "reader/table_def.h"

namespace {

// Dates, texts, OLE objects, memos and GUIDs read from the left; numbers and
// everything else line up on the right.
Qt::Alignment AlignmentFor(ColumnType type) {
  switch (type) {
    case ColumnType::Date:
    case ColumnType::Text:
    case ColumnType::Ole:
    case ColumnType::Memo:
    case ColumnType::Guid:
      return Qt::AlignLeft | Qt::AlignVCenter;
    default:
      return Qt::AlignRight | Qt::AlignVCenter;
  }
}

// A table whose definition is lost has no binary or OLE columns of its own:
// its "Fixed data" is the row's bytes, shown in hexadecimal as the export
// writes them.
// An absent value, like an empty text, is shown blank and copied empty.
QString CellFor(std::string_view value, ColumnType type, bool orphan) {
  if (value.empty()) return QString();
  if (!orphan && type == ColumnType::Binary) return QStringLiteral("#BINARY-OBJECT");
  if (!orphan && type == ColumnType::Ole) return QStringLiteral("#OLE-OBJECT");
  return FileText(value);
}

}  // namespace

RecordBrowser::RecordBrowser(MdbFile& session, ProgressChannel& progress, OleFileWriter& oleFiles,
                             TableTree& tree, const RecordBrowserControls& controls)
    : session_(session),
      progress_(progress),
      oleFiles_(oleFiles),
      tree_(tree),
      controls_(controls),
      toolTips_(*controls.list),
      copy_(*controls.list) {
  controls_.list->verticalHeader()->setDefaultSectionSize(controls_.list->fontMetrics().height() + 4);
  controls_.list->setTextElideMode(Qt::ElideRight);
}

RecordBrowser::~RecordBrowser() { WaitForFetch(); }

void RecordBrowser::ShowNoTable() {
  WaitForFetch();
  selected_ = nullptr;
  Forget();
  controls_.area->setCurrentWidget(controls_.productPage);
  controls_.tableName->clear();
  controls_.tableName->setToolTip(QString());
  controls_.recordCount->clear();
  controls_.pageNumber->clear();
  controls_.next->setEnabled(false);
  controls_.prev->setEnabled(false);
  rowIndex_.Clear();
  showingDeleted_ = false;
  deletedRows_ = -1;
  ShowTotals();
}

void RecordBrowser::WaitForFetch() {
  // What follows a piece of work may start a fetch of its own.
  while (fetchThread_.Running() || workDone_) {
    fetchThread_.Join();
    if (workDone_) std::exchange(workDone_, {})();
  }
  fetchThread_.Join();
}

TableDef* RecordBrowser::shownTable() const { return TableTree::TableOf(selected_); }

int64_t RecordBrowser::rowTotal() const {
  if (order_ != nullptr) return static_cast<int64_t>(order_->rows().size());
  return showingDeleted_ ? std::max<int64_t>(deletedRows_, 0) : rowIndex_.liveRows();
}

bool RecordBrowser::TotalsKnown() const {
  if (order_ != nullptr) return true;
  return showingDeleted_ ? deletedRows_ >= 0 : rowIndex_.built();
}

void RecordBrowser::RunWork(std::function<void()> work, std::function<void()> done) {
  fetchThread_.Join();
  fetchBusy_.store(1);
  controls_.next->setEnabled(false);
  controls_.prev->setEnabled(false);
  controls_.goToPage->setEnabled(false);
  controls_.goTo->setEnabled(false);
  workDone_ = [this, done = std::move(done)] {
    fetchThread_.Join();
    fetchBusy_.store(0);
    EnablePaging();
    done();
  };
  fetchThread_.Start([this, work = std::move(work)] {
    work();
    // Queued: what follows may start the worker again, which it cannot do
    // from within its own run.
    QMetaObject::invokeMethod(controls_.list, [this] {
      if (workDone_) std::exchange(workDone_, {})();
    }, Qt::QueuedConnection);
  });
}

void RecordBrowser::ShowOrder(std::shared_ptr<const RowOrder> order) {
  if (selected_ == nullptr || showingDeleted_) return;
  order_ = std::move(order);
  LoadLocatedPage(1);
}

int64_t RecordBrowser::CurrentRow() const {
  const int row = controls_.list->currentRow();
  if (selected_ == nullptr || row < 0) return -1;
  return int64_t{pageNumber_ - 1} * kPageRows + row;
}

void RecordBrowser::ShowCell(int64_t row, int column, std::function<bool(const QString& cell)> check) {
  if (selected_ == nullptr || fetchBusy()) return;
  pendingCell_ = std::make_unique<PendingCell>(
      PendingCell{static_cast<int>(row % kPageRows), column, std::move(check)});
  const int page = static_cast<int>(row / kPageRows) + 1;
  if (page == pageNumber_)
    SelectPendingCell();
  else
    LoadLocatedPage(page);
}

void RecordBrowser::SelectPendingCell() {
  if (pendingCell_ == nullptr) return;
  const PendingCell cell = *std::exchange(pendingCell_, nullptr);
  QTableWidget* list = controls_.list;
  if (list->rowCount() == 0 || cell.column >= list->columnCount()) return;
  int row = std::min(cell.row, list->rowCount() - 1);
  auto passes = [&](int r) {
    return r >= 0 && r < list->rowCount() && (!cell.check || cell.check(list->item(r, cell.column)->text()));
  };
  for (int distance = 0; distance < list->rowCount() && !passes(row); ++distance) {
    if (passes(cell.row - distance)) row = cell.row - distance;
    else if (passes(cell.row + distance)) row = cell.row + distance;
  }
  list->setCurrentCell(row, cell.column);
  list->scrollToItem(list->item(row, cell.column));
}

void RecordBrowser::Forget() {
  order_.reset();
  pendingCell_.reset();
  if (tableChanged_) tableChanged_();
}

int32_t RecordBrowser::pageTotal() const {
  const int64_t pages = (rowTotal() + kPageRows - 1) / kPageRows;
  return static_cast<int32_t>(std::clamp<int64_t>(pages, 1, std::numeric_limits<int32_t>::max()));
}

void RecordBrowser::ShowTotals() {
  const bool known = TotalsKnown();
  controls_.rowTotal->setText(known ? QString::number(rowTotal()) : QString());
  controls_.pageTotal->setText(known ? QString::number(pageTotal()) : QString());
  const QSignalBlocker quiet(controls_.goToPage);
  controls_.goToPage->setRange(1, known ? pageTotal() : 1);
  controls_.goToPage->setValue(std::max(pageNumber_, 1));
  const bool canJump = known && selected_ != nullptr && !fetchBusy();
  controls_.goToPage->setEnabled(canJump);
  controls_.goTo->setEnabled(canJump);
}

void RecordBrowser::SelectionChanged(QTreeWidgetItem* item) {
  if (fetchBusy()) {
    // The fetch owns the list: the selection goes back to the table shown.
    QTreeWidget* tree = &tree_.widget();
    QTreeWidgetItem* remembered = selected_;
    QMetaObject::invokeMethod(tree, [tree, remembered] {
      const QSignalBlocker quiet(tree);
      tree->setCurrentItem(remembered);
    }, Qt::QueuedConnection);
    return;
  }
  QTreeWidgetItem* node = tree_.TableNodeFor(item);
  if (node == nullptr) return;
  const bool deleted = TableTree::IsDeletedRowsNode(item);
  const QString title = node->text(0) + (deleted ? QStringLiteral(" (deleted)") : QString());

  controls_.area->setCurrentWidget(controls_.list);
  controls_.tableName->setText(title);
  controls_.tableName->setToolTip(title);

  QTreeWidgetItem* fold = nullptr;
  if (selected_ != nullptr) {
    QTreeWidgetItem* shownNode = tree_.TableNodeFor(selected_);
    if (shownNode != nullptr && shownNode->text(0) != node->text(0)) {
      fold = shownNode;
    } else if (shownNode != nullptr && deleted == showingDeleted_) {
      selected_ = item;
      return;
    }
  }

  selected_ = item;
  Forget();
  showingDeleted_ = deleted;
  deletedRows_ = -1;
  pageNumber_ = 1;
  controls_.pageNumber->setText(QStringLiteral("1"));
  // The new table stays folded: the arrow keys go from table to table.
  tree_.RefoldLater(fold, nullptr);
  cursor_ = Cursor{0, 0, 0};
  pageHistory_.clear();
  rowIndex_.Clear();
  StartFetch();
}

void RecordBrowser::Next() {
  if (selected_ == nullptr || fetchBusy()) return;
  if (order_ != nullptr) {
    if (pageNumber_ < pageTotal()) LoadLocatedPage(pageNumber_ + 1);
    return;
  }
  bool negative = savedCursor_.nextRow < 0 || savedCursor_.pageSlot < 0 || savedCursor_.dataPageIndex < 0;
  pageHistory_.push_back(negative ? Cursor{0, 0, 0} : savedCursor_);
  ++pageNumber_;
  StartFetch();
}

void RecordBrowser::Prev() {
  if (selected_ == nullptr || fetchBusy()) return;
  if (pageHistory_.empty() || order_ != nullptr) {
    // Reached by a jump: the page before is located like the jump's.
    if (pageNumber_ > 1 && TotalsKnown()) LoadLocatedPage(pageNumber_ - 1);
    return;
  }
  cursor_ = pageHistory_.back();
  pageHistory_.pop_back();
  --pageNumber_;
  StartFetch();
}

void RecordBrowser::GoToPage(int page) {
  if (selected_ == nullptr || fetchBusy() || !TotalsKnown()) return;
  LoadLocatedPage(std::clamp(page, 1, static_cast<int>(pageTotal())));
}

void RecordBrowser::LoadLocatedPage(int page) {
  TableDef& table = *TableTree::TableOf(selected_);
  if (order_ != nullptr) {
    // The page's rows are the order's: no cursor to place.
  } else if (showingDeleted_) {
    // Deleted rows are found only by walking to them.
    RowDecoder decoder(session_, progress_.stopRequested, oleFiles_);
    DeletedRowWalk walk(decoder, table);
    for (int64_t row = 0; row < int64_t{page - 1} * kPageRows && walk.Skip() == 1; ++row) {
    }
    cursor_ = walk.cursor();
  } else {
    RowPosition position;
    // A table without rows has only its empty first page.
    if (!rowIndex_.Locate(session_, table, int64_t{page - 1} * kPageRows, position)) position = {};
    cursor_ = Cursor{static_cast<int32_t>(position.row), position.slot, position.dataPageIndex};
  }
  pageHistory_.clear();
  pageNumber_ = page;
  StartFetch();
}

void RecordBrowser::StartFetch() {
  fetchThread_.Join();
  fetchBusy_.store(1);
  controls_.next->setEnabled(false);
  controls_.prev->setEnabled(false);
  controls_.goToPage->setEnabled(false);
  controls_.goTo->setEnabled(false);
  progress_.stopRequested.store(0);
  progress_.finished.store(0);
  TableDef* table = TableTree::TableOf(selected_);
  fetchThread_.Start([this, table] { RecordFetchThread(*table); });
}

void RecordBrowser::RecordFetchThread(TableDef& table) {
  savedCursor_ = cursor_;

  std::vector<std::string>& texts = progress_.rowBuffer;
  texts.assign(kPageRows, std::string());
  RowDecoder decoder(session_, progress_.stopRequested, oleFiles_);
  if (order_ != nullptr)
    FetchOrderedPage(decoder, table, texts);
  else if (showingDeleted_)
    FetchDeletedRowPage(decoder, table, cursor_, texts);
  else
    FetchRowPage(decoder, table, cursor_, texts);

  // The page is cut into cells here, off the window's thread; the list is
  // then filled in one go.
  std::vector<QStringList> rows;
  std::vector<std::string_view> values;
  const size_t columnCount = table.columns.size();
  for (const std::string& text : texts) {
    if (IsSkippedRowText(text)) continue;
    // A row of absent values is still a row: it keeps its place.
    SplitRowText(text, values);
    QStringList cells;
    for (size_t c = 0; c < columnCount; ++c)
      cells << (c < values.size() ? CellFor(values[c], table.columns[c].type, table.orphan)
                                  : QString());
    rows.push_back(std::move(cells));
  }
  texts.clear();

  QTableWidget* list = controls_.list;
  RunOnGuiThread(list, [&] { FillList(table, rows); });
  // The first page is on screen before a new table's rows are counted.
  if (showingDeleted_ && deletedRows_ < 0)
    deletedRows_ = CountReadableDeletedRows(decoder, table);
  else if (!showingDeleted_ && !rowIndex_.built())
    rowIndex_.Build(session_, table);
  RunOnGuiThread(list, [this] { FinishFetch(); });
}

void RecordBrowser::FetchOrderedPage(RowDecoder& decoder, TableDef& table, std::vector<std::string>& texts) {
  const std::vector<RowPosition>& rows = order_->rows();
  const size_t first = static_cast<size_t>(pageNumber_ - 1) * kPageRows;
  RowLookup lookup(decoder, table);
  for (size_t i = 0; i < kPageRows && first + i < rows.size(); ++i)
    if (lookup.Read(rows[first + i], texts[i]) < 0) return;
}

void RecordBrowser::FillList(const TableDef& table, const std::vector<QStringList>& rows) {
  QTableWidget* list = controls_.list;
  // Back to the top-left corner before the columns change: the view would
  // otherwise keep the old offset while its scroll bar shows the start.
  list->horizontalScrollBar()->setValue(0);
  list->verticalScrollBar()->setValue(0);
  list->clearContents();
  list->setRowCount(0);
  const int columnCount = static_cast<int>(table.columns.size());
  list->setColumnCount(columnCount);
  for (int c = 0; c < columnCount; ++c) {
    const ColumnDef& column = table.columns[static_cast<size_t>(c)];
    auto* header = new QTableWidgetItem(FileText(column.name));
    header->setTextAlignment(AlignmentFor(column.type));
    list->setHorizontalHeaderItem(c, header);
  }
  list->setRowCount(static_cast<int>(rows.size()));
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    for (int c = 0; c < columnCount; ++c) {
      const QString& text = rows[static_cast<size_t>(r)][c];
      auto* cell = new QTableWidgetItem(text.isNull() ? QStringLiteral(" ") : text);
      if (text.isNull()) cell->setData(RecordCopy::kNullRole, true);
      cell->setTextAlignment(AlignmentFor(table.columns[static_cast<size_t>(c)].type));
      list->setItem(r, c, cell);
    }
  }
  list->resizeColumnsToContents();
  const int widest = list->fontMetrics().averageCharWidth() * kMaxColumnChars;
  // A little air beside the widest text, so neighbouring values stay apart.
  const int air = list->fontMetrics().averageCharWidth();
  for (int c = 0; c < columnCount; ++c)
    list->setColumnWidth(c, std::min(list->columnWidth(c) + air, widest));
  list->scrollToTop();
  list->horizontalScrollBar()->setValue(0);
  controls_.recordCount->setText(QString::number(list->rowCount()));
  controls_.pageNumber->setText(QString::number(pageNumber_));
}

void RecordBrowser::EnablePaging() {
  controls_.prev->setEnabled(pageNumber_ > 1);
  // A full page is the last one when the table's rows end with it.
  controls_.next->setEnabled(controls_.list->rowCount() == kPageRows &&
                             (!TotalsKnown() || pageNumber_ < pageTotal()));
  ShowTotals();
}

void RecordBrowser::FinishFetch() {
  fetchBusy_.store(0);
  EnablePaging();
  // A page shown for a found cell leaves the keyboard where the search is.
  if (pendingCell_ == nullptr) controls_.next->setFocus();
  SelectPendingCell();
}
