#include "app/record_tasks.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>

#include <algorithm>
#include <memory>
#include <string_view>
#include <vector>

#include "app/record_browser.h"
#include "app/window_text.h"
#include "app/worker_thread.h"
#include "decode/row_decoder.h"
#include "decode/row_order.h"
#include "decode/row_search.h"
#include "reader/table_def.h"

namespace {

// "1,200,000" whatever the locale's habit of grouping.
QString Count(int64_t number) {
  QLocale locale;
  locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
  return locale.toString(qlonglong{number});
}

}  // namespace

std::function<bool(std::string_view cellText)> CellMatcher(const QString& needle) {
  return [needle](std::string_view text) { return FileText(text).contains(needle, Qt::CaseInsensitive); };
}

RecordTasks::RecordTasks(MdbFile& session, OleFileWriter& oleFiles, RecordBrowser& browser,
                         const RecordTaskControls& controls)
    : session_(session), oleFiles_(oleFiles), browser_(browser), controls_(controls) {
  controls_.taskRow->hide();
  controls_.findRow->hide();
  QHeaderView* header = controls_.list->horizontalHeader();
  header->setSectionsClickable(true);
  connect(header, &QHeaderView::sectionClicked, this, &RecordTasks::SortBy);
  connect(controls_.taskStop, &QPushButton::clicked, this, &RecordTasks::Stop);
  connect(controls_.findNext, &QPushButton::clicked, this, &RecordTasks::FindNext);
  connect(controls_.findText, &QLineEdit::returnPressed, this, &RecordTasks::FindNext);
  connect(controls_.findClose, &QPushButton::clicked, this, &RecordTasks::CloseFind);
  controls_.findText->installEventFilter(this);
  browser_.SetTableChanged([this] { TableChanged(); });
}

bool RecordTasks::eventFilter(QObject* watched, QEvent* event) {
  // The window ignores Escape; in the find box it closes the bar.
  if (watched == controls_.findText && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    CloseFind();
    return true;
  }
  return false;
}

void RecordTasks::Stop() { stop_.store(1); }

void RecordTasks::Begin(const QString& text) {
  running_ = true;
  stop_.store(0);
  controls_.taskText->setText(text);
  controls_.taskProgress->setRange(0, 100);
  controls_.taskProgress->setValue(0);
  controls_.taskStop->setEnabled(true);
  controls_.taskRow->show();
  controls_.findNext->setEnabled(false);
}

void RecordTasks::End() {
  running_ = false;
  controls_.taskRow->hide();
  controls_.findNext->setEnabled(true);
}

void RecordTasks::Report(const QString& text, int64_t done, int64_t total) {
  RunOnGuiThread(this, [&] {
    controls_.taskText->setText(text);
    // A table may hold more rows than counted; the bar then stays full.
    controls_.taskProgress->setValue(total > 0 ? static_cast<int>(std::min<int64_t>(done * 100 / total, 100)) : 0);
  });
}

void RecordTasks::TableChanged() {
  controls_.list->horizontalHeader()->setSortIndicatorShown(false);
  controls_.findStatus->clear();
}

void RecordTasks::ShowSortIndicator() {
  QHeaderView* header = controls_.list->horizontalHeader();
  const RowOrder* order = browser_.order();
  header->setSortIndicatorShown(order != nullptr);
  if (order != nullptr)
    header->setSortIndicator(static_cast<int>(order->column()),
                             order->descending() ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void RecordTasks::SortBy(int column) {
  TableDef* table = browser_.shownTable();
  if (running_ || browser_.fetchBusy() || table == nullptr || browser_.showingDeleted() ||
      !IsSortableColumn(*table, static_cast<size_t>(column))) {
    ShowSortIndicator();
    return;
  }
  const RowOrder* shown = browser_.order();
  const bool sameColumn = shown != nullptr && shown->column() == static_cast<size_t>(column);
  if (sameColumn && shown->descending()) {
    // Third click: the table's own order.
    browser_.ShowOrder(nullptr);
    ShowSortIndicator();
    return;
  }
  const bool descending = sameColumn;
  const QString what = QStringLiteral("Sorting %1 by %2").arg(FileText(table->name), FileText(table->columns[column].name));
  const int64_t total = browser_.rowTotal();
  Begin(what);
  auto order = std::make_shared<RowOrder>();
  auto result = std::make_shared<int>(-1);
  browser_.RunWork(
      [this, table, column, descending, order, result, what, total] {
        RowDecoder decoder(session_, stop_, oleFiles_);
        *result = order->Build(decoder, *table, static_cast<size_t>(column), descending,
                               [&](int64_t rows, bool ordering) {
                                 Report(ordering ? what + QStringLiteral(": putting %1 rows in order").arg(Count(rows))
                                                 : what + QStringLiteral(": %1 of %2 rows read")
                                                              .arg(Count(rows), Count(std::max(rows, total))),
                                        rows, total);
                               });
      },
      [this, order, result] {
        End();
        if (*result == 1) browser_.ShowOrder(order);
        ShowSortIndicator();
      });
}

void RecordTasks::OpenFind() {
  controls_.findRow->show();
  controls_.findText->setFocus();
  controls_.findText->selectAll();
}

void RecordTasks::CloseFind() {
  controls_.findRow->hide();
  controls_.list->setFocus();
}

void RecordTasks::FindNext() {
  const QString needle = controls_.findText->text();
  TableDef* table = browser_.shownTable();
  if (running_ || browser_.fetchBusy() || needle.isEmpty() || table == nullptr) return;
  if (browser_.showingDeleted()) {
    controls_.findStatus->setText(QStringLiteral("Find looks through a table's own rows, not its deleted ones"));
    return;
  }
  auto search = std::make_shared<RowSearch>();
  for (size_t c = 0; c < table->columns.size(); ++c)
    if (IsSortableColumn(*table, c)) search->columns.push_back(c);
  search->order = browser_.order() != nullptr ? &browser_.order()->rows() : nullptr;
  search->fromRow = browser_.CurrentRow();
  search->fromColumn = static_cast<size_t>(std::max(controls_.list->currentColumn(), 0));
  auto matches = [needle](const QString& text) { return text.contains(needle, Qt::CaseInsensitive); };
  search->matches = CellMatcher(needle);
  const int64_t total = browser_.rowTotal();
  const QString what = QStringLiteral("Finding \u201c%1\u201d in %2").arg(needle, FileText(table->name));
  search->progress = [this, what, total](int64_t rows) {
    Report(what + QStringLiteral(": %1 of %2 rows").arg(Count(rows), Count(std::max(rows, total))), rows, total);
  };
  Begin(what);
  controls_.findStatus->clear();
  auto found = std::make_shared<RowMatch>();
  auto result = std::make_shared<int>(0);
  browser_.RunWork(
      [this, table, search, found, result] {
        RowDecoder decoder(session_, stop_, oleFiles_);
        *result = FindCell(decoder, *table, *search, *found);
      },
      [this, table, needle, matches, found, result] {
        End();
        if (*result < 0) {
          controls_.findStatus->setText(QStringLiteral("Stopped"));
        } else if (*result == 0) {
          controls_.findStatus->setText(QStringLiteral("No cell holds \u201c%1\u201d").arg(needle));
        } else {
          controls_.findStatus->setText(QStringLiteral("Row %1, column %2")
                                            .arg(Count(found->row + 1), FileText(table->columns[found->column].name)));
          browser_.ShowCell(found->row, static_cast<int>(found->column), matches);
        }
      });
}
