#include "app/record_copy.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QTableWidget>

#include <algorithm>

QString TabSeparatedField(const QString& text) {
  if (!text.contains(QLatin1Char('\t')) && !text.contains(QLatin1Char('\n')) &&
      !text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('"')))
    return text;
  QString quoted = text;
  quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
  return QLatin1Char('"') + quoted + QLatin1Char('"');
}

RecordCopy::RecordCopy(QTableWidget& list) : list_(list) {
  list_.setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_.setSelectionBehavior(QAbstractItemView::SelectRows);
  list_.setContextMenuPolicy(Qt::DefaultContextMenu);
  list_.installEventFilter(this);
  list_.viewport()->installEventFilter(this);
}

QString RecordCopy::CellText(int row, int column) const {
  const QTableWidgetItem* item = list_.item(row, column);
  if (item == nullptr || item->data(kNullRole).toBool()) return {};
  return item->text();
}

QString RecordCopy::SelectedText(bool withHeaders) const {
  std::vector<int> rows;
  for (const QModelIndex& index : list_.selectionModel()->selectedRows()) rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  QStringList lines;
  const int columns = list_.columnCount();
  if (withHeaders) {
    QStringList names;
    for (int c = 0; c < columns; ++c) {
      const QTableWidgetItem* header = list_.horizontalHeaderItem(c);
      names << TabSeparatedField(header != nullptr ? header->text() : QString());
    }
    lines << names.join(QLatin1Char('\t'));
  }
  for (int row : rows) {
    QStringList fields;
    for (int c = 0; c < columns; ++c) fields << TabSeparatedField(CellText(row, c));
    lines << fields.join(QLatin1Char('\t'));
  }
  // A line end after every row, as spreadsheets copy.
  return lines.isEmpty() ? QString() : lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QMenu* RecordCopy::MakeMenu(const QPoint& position) {
  auto* menu = new QMenu(&list_);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  const bool rows = list_.selectionModel()->hasSelection();
  QAction* copy = menu->addAction(QStringLiteral("&Copy"), this, [this] {
    QApplication::clipboard()->setText(SelectedText(false));
  });
  QAction* withHeaders = menu->addAction(QStringLiteral("Copy with &headers"), this, [this] {
    QApplication::clipboard()->setText(SelectedText(true));
  });
  withHeaders->setShortcut(QKeySequence::Copy);
  const QModelIndex cell = list_.indexAt(position);
  QAction* copyCell = menu->addAction(QStringLiteral("Copy c&ell"), this, [this, cell] {
    QApplication::clipboard()->setText(CellText(cell.row(), cell.column()));
  });
  copy->setEnabled(rows);
  withHeaders->setEnabled(rows);
  copyCell->setEnabled(cell.isValid());
  return menu;
}

bool RecordCopy::eventFilter(QObject* watched, QEvent* event) {
  // Before the list's own Ctrl+C, which copies the current cell alone.
  if (watched == &list_ && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
    QApplication::clipboard()->setText(SelectedText(true));
    return true;
  }
  if (event->type() == QEvent::ContextMenu && (watched == list_.viewport() || watched == &list_)) {
    auto* request = static_cast<QContextMenuEvent*>(event);
    // From the keyboard the menu is about the current cell.
    const QPoint position = request->reason() == QContextMenuEvent::Keyboard
                                ? list_.visualRect(list_.currentIndex()).center()
                                : list_.viewport()->mapFrom(static_cast<QWidget*>(watched), request->pos());
    MakeMenu(position)->popup(list_.viewport()->mapToGlobal(position));
    return true;
  }
  return false;
}
