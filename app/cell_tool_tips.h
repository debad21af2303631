// The whole text of a list cell as its tooltip, however narrow the column:
// long texts wrapped, multi-line texts on their own lines. The text is taken
// from the cell when the tooltip is asked for, so a page costs nothing more.
#pragma once

#include <QObject>

class QAbstractItemView;

class CellToolTips : public QObject {
 public:
  // `view` must outlive this object.
  explicit CellToolTips(QAbstractItemView& view);

  // The tooltip of a cell text: wrapped at the tooltip's width, line breaks
  // kept, nothing read as markup. Empty for a blank cell.
  static QString ToolTipFor(const QString& text);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QAbstractItemView& view_;
};
