// The paged record list of the main window: the rows of the table selected
// in the tree, 100 at a time, with Next and Prev. A page is fetched on a
// worker thread (RecordFetchThread) that reads through the session's row
// reader and then fills the list through the window's thread. Prev does not
// keep earlier pages: it re-reads one from the row-reader cursor saved when
// that page was left, so any table shows in constant time and memory. Any
// page can also be reached at once (GoToPage): the row index of the table,
// counted once when the table is first shown, says where its rows lie. A
// table's "Deleted rows" node shows its readable deleted rows the same way,
// paged from their own cursor and counted by their own walk. Once sorted
// (RowOrder), the table's pages are read from the order's row positions.
//
// The browser's worker runs one piece of work at a time, a page fetch or a
// longer task (a sort, a search); paging and the tree's selection wait
// while it runs.
#pragma once

#include <QString>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "app/cell_tool_tips.h"
#include "app/record_copy.h"
#include "app/worker_thread.h"
#include "decode/row_cursor.h"
#include "decode/row_order.h"
#include "decode/row_page_index.h"

class MdbFile;
class OleFileWriter;
class ProgressChannel;
class QLabel;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QTableWidget;
class QTreeWidgetItem;
class RowDecoder;
class TableTree;
struct TableDef;

struct RecordBrowserControls {
  QTableWidget* list = nullptr;
  QStackedWidget* area = nullptr;  // the list lies over the product page in here
  QWidget* productPage = nullptr;
  QLabel* tableName = nullptr;
  QLabel* recordCount = nullptr;
  QLabel* pageNumber = nullptr;
  QPushButton* next = nullptr;
  QPushButton* prev = nullptr;
  // Beside the paging bar: the table's rows and pages, and the jump.
  QLabel* rowTotal = nullptr;
  QLabel* pageTotal = nullptr;
  QSpinBox* goToPage = nullptr;
  QPushButton* goTo = nullptr;
};

class RecordBrowser {
 public:
  static constexpr int kPageRows = 100;
  // Columns fit their content up to this many average characters.
  static constexpr int kMaxColumnChars = 40;
  // The row reader's cursor over a table: nextRow, pageSlot, dataPageIndex.
  using Cursor = RowCursor;

  RecordBrowser(MdbFile& session, ProgressChannel& progress, OleFileWriter& oleFiles, TableTree& tree,
                const RecordBrowserControls& controls);
  ~RecordBrowser();
  RecordBrowser(const RecordBrowser&) = delete;
  RecordBrowser& operator=(const RecordBrowser&) = delete;

  // The tree's selection moved to `item`. The caller has refused it while
  // an analysis or an export runs.
  void SelectionChanged(QTreeWidgetItem* item);
  void Next();
  void Prev();
  // Page `page` (from 1, within the table's pages), located through the
  // row index; no earlier page is kept, Prev locates them the same way.
  void GoToPage(int page);

  // Back to no table shown: the product page over the list, labels empty,
  // Next and Prev disabled, the remembered item forgotten (its node is about
  // to go).
  void ShowNoTable();

  // Commands that use the session wait here for a running fetch or task,
  // and for whatever follows it on the window's thread.
  void WaitForFetch();

  // The table shown, none while no table is; its deleted rows or its own.
  TableDef* shownTable() const;
  bool showingDeleted() const { return showingDeleted_; }
  // Runs `work` on the browser's worker, as a page fetch runs; `done`
  // follows on the window's thread once it has ended.
  void RunWork(std::function<void()> work, std::function<void()> done);
  // Shows the table's rows in `order` from its first page on; none: in the
  // table's own order.
  void ShowOrder(std::shared_ptr<const RowOrder> order);
  const RowOrder* order() const { return order_.get(); }
  // The page holding `row` (from 0, in the order shown), with the cell of
  // `column` made current. A row's place in the table's own order is
  // counted from its live slots, which on a damaged table may run a few
  // rows ahead of the rows shown: the page's row whose cell passes `check`
  // nearest to the place is taken.
  void ShowCell(int64_t row, int column, std::function<bool(const QString& cell)> check);
  // The current cell's row in the order shown, or -1.
  int64_t CurrentRow() const;
  // Called when another table (or none) is shown.
  void SetTableChanged(std::function<void()> changed) { tableChanged_ = std::move(changed); }

  bool fetchBusy() const { return fetchBusy_.load() != 0; }
  int32_t pageNumber() const { return pageNumber_; }
  // 0 until the shown table's rows are counted.
  int64_t rowTotal() const;
  int32_t pageTotal() const;
  const std::vector<Cursor>& pageHistory() const { return pageHistory_; }
  RecordCopy& copy() { return copy_; }

 private:
  void StartFetch();
  // Fills the list with the rows of a page, scrolled to its top-left corner.
  void FillList(const TableDef& table, const std::vector<QStringList>& rows);
  // The end of a fetch: Next and Prev, fetchBusy cleared, the totals.
  void FinishFetch();
  void EnablePaging();
  // The shown table's rows and pages, and the jump enabled, once counted.
  void ShowTotals();
  bool TotalsKnown() const;
  // The cell a ShowCell waits to select once its page is shown.
  void SelectPendingCell();
  void Forget();
  void LoadLocatedPage(int page);
  void RecordFetchThread(TableDef& table);
  // The page's rows from the sorted order's positions.
  void FetchOrderedPage(RowDecoder& decoder, TableDef& table, std::vector<std::string>& texts);

  MdbFile& session_;
  ProgressChannel& progress_;
  OleFileWriter& oleFiles_;
  TableTree& tree_;
  RecordBrowserControls controls_;

  QTreeWidgetItem* selected_ = nullptr;
  std::atomic<int32_t> fetchBusy_{0};
  Cursor cursor_;
  Cursor savedCursor_{-1, -1, -1};
  std::vector<Cursor> pageHistory_;
  int32_t pageNumber_ = 0;
  // Of the table shown; built by its first fetch, dropped with the table.
  RowPageIndex rowIndex_;
  // The shown rows are the table's deleted ones; their count, -1 until the
  // first fetch has counted them.
  bool showingDeleted_ = false;
  int64_t deletedRows_ = -1;
  // The sorted order shown; none for the table's own.
  std::shared_ptr<const RowOrder> order_;
  std::function<void()> workDone_;
  std::function<void()> tableChanged_;
  struct PendingCell {
    int row = 0;
    int column = 0;
    std::function<bool(const QString&)> check;
  };
  std::unique_ptr<PendingCell> pendingCell_;
  CellToolTips toolTips_;
  RecordCopy copy_;
  WorkerThread fetchThread_;
};
