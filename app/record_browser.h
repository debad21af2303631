// The paged record list of the main window: the rows of the table selected
// in the tree, 100 at a time, with Next and Prev. A page is fetched on a
// worker thread (RecordFetchThread) that reads through a row decoder of its
// own and then fills the list through the window's thread. Prev does not
// keep earlier pages: it re-reads one from the row cursor saved when that
// page was left, so any table shows in constant time and memory.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "app/worker_thread.h"
#include "decode/row_cursor.h"

class MdbFile;
class OleFileWriter;
class ProgressChannel;
class QLabel;
class QPushButton;
class QStackedWidget;
class QTableWidget;
class QTreeWidgetItem;
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
};

class RecordBrowser {
 public:
  static constexpr int kPageRows = 100;
  static constexpr int kColumnWidth = 180;
  using Cursor = RowCursor;

  // The session, channel, OLE file writer and tree must outlive the browser.
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

  // Back to no table shown: the product page over the list, labels empty,
  // Next and Prev disabled, the remembered item forgotten (its node is about
  // to go).
  void ShowNoTable();

  // Commands that use the session wait here for a running fetch.
  void WaitForFetch();

  bool fetchBusy() const { return fetchBusy_.load() != 0; }
  int32_t pageNumber() const { return pageNumber_; }
  const std::vector<Cursor>& pageHistory() const { return pageHistory_; }

 private:
  void StartFetch();
  void RecordFetchThread(TableDef& table);

  MdbFile& session_;
  ProgressChannel& progress_;
  OleFileWriter& oleFiles_;
  TableTree& tree_;
  RecordBrowserControls controls_;

  QTreeWidgetItem* selected_ = nullptr;
  std::atomic<int32_t> fetchBusy_{0};
  // Where the shown table's next page starts, and where the page shown began.
  Cursor cursor_;
  Cursor savedCursor_{-1, -1, -1};
  std::vector<Cursor> pageHistory_;
  int32_t pageNumber_ = 0;
  WorkerThread fetchThread_;
};
