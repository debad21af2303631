// Copying from the record list: the selected rows (Shift, Ctrl and Ctrl+A
// select them on the page) as tab-separated text, with the header row for
// Ctrl+C, as spreadsheets paste it; and a context menu with Copy, Copy with
// headers and Copy cell.
#pragma once

#include <QObject>
#include <QString>

class QMenu;
class QPoint;
class QTableWidget;

class RecordCopy : public QObject {
 public:
  // Marks a cell whose value is absent: it is shown blank and copied empty.
  static constexpr int kNullRole = Qt::UserRole + 10;

  // `list` must outlive this object.
  explicit RecordCopy(QTableWidget& list);

  // The selected rows, top to bottom, every column, the header row first
  // when asked.
  QString SelectedText(bool withHeaders) const;
  // The text of one cell, as copied.
  QString CellText(int row, int column) const;

  // The context menu for a click at `position` (viewport coordinates).
  QMenu* MakeMenu(const QPoint& position);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QTableWidget& list_;
};

// One field of tab-separated text: quoted when it holds a tab, a line break
// or a quote, as spreadsheets read it.
QString TabSeparatedField(const QString& text);
