#include "app/record_browser.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTreeWidget>

#include <string>

#include "report/progress_channel.h"
#include "app/table_tree.h"
#include "app/window_text.h"
#include "decode/row_decoder.h"
#include "decode/row_reader.h"
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

QString CellFor(std::string_view value, ColumnType type) {
  if (value == "NULL") return QStringLiteral(" ");
  if (type == ColumnType::Binary) return QStringLiteral("#BINARY-OBJECT");
  if (type == ColumnType::Ole) return QStringLiteral("#OLE-OBJECT");
  return FileText(value);
}

}  // namespace

RecordBrowser::RecordBrowser(MdbFile& session, ProgressChannel& progress, OleFileWriter& oleFiles,
                             TableTree& tree, const RecordBrowserControls& controls)
    : session_(session), progress_(progress), oleFiles_(oleFiles), tree_(tree), controls_(controls) {
  controls_.list->horizontalHeader()->setDefaultSectionSize(kColumnWidth);
  controls_.list->verticalHeader()->setDefaultSectionSize(controls_.list->fontMetrics().height() + 4);
}

RecordBrowser::~RecordBrowser() { WaitForFetch(); }

void RecordBrowser::ShowNoTable() {
  WaitForFetch();
  selected_ = nullptr;
  controls_.area->setCurrentWidget(controls_.productPage);
  controls_.tableName->clear();
  controls_.recordCount->clear();
  controls_.pageNumber->clear();
  controls_.next->setEnabled(false);
  controls_.prev->setEnabled(false);
}

void RecordBrowser::WaitForFetch() { fetchThread_.Join(); }

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

  controls_.area->setCurrentWidget(controls_.list);
  controls_.tableName->setText(node->text(0));

  if (selected_ != nullptr) {
    QTreeWidgetItem* shownNode = tree_.TableNodeFor(selected_);
    if (shownNode != nullptr && shownNode->text(0) != node->text(0)) {
      shownNode->setExpanded(false);
    } else if (shownNode != nullptr) {
      selected_ = item;
      return;
    }
  }

  selected_ = item;
  pageNumber_ = 1;
  controls_.pageNumber->setText(QStringLiteral("1"));
  item->setExpanded(true);
  cursor_ = Cursor{0, 0, 0};
  pageHistory_.clear();
  StartFetch();
}

void RecordBrowser::Next() {
  if (selected_ == nullptr || fetchBusy()) return;
  bool negative = savedCursor_.nextRow < 0 || savedCursor_.pageSlot < 0 || savedCursor_.dataPageIndex < 0;
  pageHistory_.push_back(negative ? Cursor{0, 0, 0} : savedCursor_);
  ++pageNumber_;
  StartFetch();
}

void RecordBrowser::Prev() {
  if (selected_ == nullptr || pageHistory_.empty() || fetchBusy()) return;
  cursor_ = pageHistory_.back();
  pageHistory_.pop_back();
  --pageNumber_;
  StartFetch();
}

void RecordBrowser::StartFetch() {
  fetchThread_.Join();
  fetchBusy_.store(1);
  controls_.next->setEnabled(false);
  controls_.prev->setEnabled(false);
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
  FetchRowPage(decoder, table, cursor_, texts);

  // The page is cut into cells here, off the window's thread; the list is
  // then filled in one go.
  std::vector<QStringList> rows;
  std::vector<std::string_view> values;
  const size_t columnCount = table.columns.size();
  for (const std::string& text : texts) {
    if (IsSkippedRowText(text)) continue;
    SplitRowText(text, values);
    bool allEmpty = true;
    for (std::string_view value : values) allEmpty = allEmpty && value.empty();
    if (allEmpty) continue;
    QStringList cells;
    for (size_t c = 0; c < columnCount; ++c)
      cells << (c < values.size() ? CellFor(values[c], table.columns[c].type)
                                  : QString());
    rows.push_back(std::move(cells));
  }
  texts.clear();

  QTableWidget* list = controls_.list;
  RunOnGuiThread(list, [&] {
    list->clearContents();
    list->setRowCount(0);
    list->setColumnCount(static_cast<int>(columnCount));
    for (size_t c = 0; c < columnCount; ++c) {
      const ColumnDef& column = table.columns[c];
      auto* header = new QTableWidgetItem(FileText(column.name));
      header->setTextAlignment(AlignmentFor(column.type));
      list->setHorizontalHeaderItem(static_cast<int>(c), header);
      list->setColumnWidth(static_cast<int>(c), kColumnWidth);
    }
    list->setRowCount(static_cast<int>(rows.size()));
    for (size_t r = 0; r < rows.size(); ++r) {
      for (size_t c = 0; c < columnCount; ++c) {
        auto* cell = new QTableWidgetItem(rows[r][static_cast<int>(c)]);
        cell->setTextAlignment(AlignmentFor(table.columns[c].type));
        list->setItem(static_cast<int>(r), static_cast<int>(c), cell);
      }
    }
    controls_.recordCount->setText(QString::number(list->rowCount()));
    controls_.pageNumber->setText(QString::number(pageNumber_));
    controls_.prev->setEnabled(!pageHistory_.empty());
    controls_.next->setEnabled(list->rowCount() == kPageRows);
    controls_.next->setFocus();
    fetchBusy_.store(0);
  });
}
