#include "app/eliding_label.h"

#include <QPainter>
#include <QStyle>

QSize ElidingLabel::minimumSizeHint() const {
  // Room for "…" at least; the layout gives the rest.
  const QSize hint = QLabel::minimumSizeHint();
  return {fontMetrics().horizontalAdvance(QStringLiteral("M…")), hint.height()};
}

void ElidingLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect area = contentsRect();
  const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, area.width());
  style()->drawItemText(&painter, area, static_cast<int>(alignment()), palette(), isEnabled(), shown,
                        foregroundRole());
}
