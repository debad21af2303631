#include "app/cell_tool_tips.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QToolTip>

CellToolTips::CellToolTips(QAbstractItemView& view) : view_(view) {
  view_.viewport()->installEventFilter(this);
}

QString CellToolTips::ToolTipFor(const QString& text) {
  if (text.trimmed().isEmpty()) return QString();
  // As rich text the tooltip wraps long lines instead of running off the
  // screen; pre-wrap keeps the text's own line breaks and spaces.
  return QStringLiteral("<p style=\"white-space:pre-wrap\">") + text.toHtmlEscaped() +
         QStringLiteral("</p>");
}

bool CellToolTips::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::ToolTip || watched != view_.viewport()) return false;
  auto* help = static_cast<QHelpEvent*>(event);
  const QModelIndex index = view_.indexAt(help->pos());
  const QString tip = index.isValid() ? ToolTipFor(index.data(Qt::DisplayRole).toString()) : QString();
  if (tip.isEmpty())
    QToolTip::hideText();
  else
    QToolTip::showText(help->globalPos(), tip, view_.viewport(), view_.visualRect(index));
  return true;
}
