#include "app/product_page.h"

#include <QAbstractButton>
#include <QEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {

const char* const kHeading = "Get your tables back from damaged databases";
const char* const kPoints[] = {
    "Reads the database file itself, page by page, with no database engine.",
    "Finds tables from their definitions, even when the catalog is lost.",
    "Browse, find and sort every table, 100 records a page, before you export.",
    "Keeps the rows deleted in Access that can still be read, apart from the others.",
};
const char* const kSteps[][2] = {
    {"1. Browse", "Choose the database file"},
    {"2. Recover", "Read its pages and tables"},
    {"3. Export", "Write the tables out"},
};
const char* const kTip = "Tip: drop a database file anywhere on this window to open it.";

// The page's content column: wide enough for its lines, centred.
QRect ContentRect(const QRect& area, const QFontMetrics& metrics) {
  const int width = std::min(area.width() - 2 * metrics.height(), metrics.averageCharWidth() * 90);
  QRect content(0, 0, std::max(width, 0), area.height());
  content.moveCenter(area.center());
  return content.adjusted(0, metrics.height(), 0, -metrics.height());
}

}  // namespace

void ProductPage::SetStepButtons(const std::array<QAbstractButton*, 3>& buttons) {
  buttons_ = buttons;
  setMouseTracking(true);
  // The boxes follow their buttons' state.
  for (QAbstractButton* button : buttons_)
    if (button != nullptr) button->installEventFilter(this);
}

bool ProductPage::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::EnabledChange) update();
  return QFrame::eventFilter(watched, event);
}

std::array<QRect, 3> ProductPage::StepBoxes() const {
  const QFontMetrics metrics(font());
  const QRect content = ContentRect(contentsRect(), metrics);
  const int line = metrics.lineSpacing();
  // Heading (1.6 lines), a gap, the points, a gap, then the boxes.
  const int top = content.top() + line * 2 + line / 2 + static_cast<int>(std::size(kPoints)) * line * 3 / 2 + line;
  const int gap = line;
  const int width = (content.width() - 2 * gap) / 3;
  std::array<QRect, 3> boxes;
  for (int i = 0; i < 3; ++i) boxes[static_cast<size_t>(i)] = QRect(content.left() + i * (width + gap), top, width, line * 4);
  return boxes;
}

int ProductPage::StepAt(const QPoint& position) const {
  const std::array<QRect, 3> boxes = StepBoxes();
  for (size_t step = 0; step < boxes.size(); ++step)
    if (boxes[step].contains(position)) return static_cast<int>(step);
  return -1;
}

void ProductPage::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QPalette& colours = palette();
  const QFontMetrics metrics(font());
  const QRect content = ContentRect(contentsRect(), metrics);
  const int line = metrics.lineSpacing();

  QFont heading = font();
  heading.setBold(true);
  heading.setPointSizeF(heading.pointSizeF() * 1.5);
  painter.setFont(heading);
  painter.setPen(colours.color(QPalette::WindowText));
  int y = content.top();
  painter.drawText(QRect(content.left(), y, content.width(), line * 2), Qt::AlignLeft | Qt::AlignVCenter,
                   QString::fromUtf8(kHeading));
  y += line * 2 + line / 2;

  painter.setFont(font());
  for (const char* point : kPoints) {
    painter.setBrush(colours.color(QPalette::Highlight));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPoint(content.left() + line / 3, y + line / 2), line / 5, line / 5);
    painter.setPen(colours.color(QPalette::WindowText));
    painter.drawText(QRect(content.left() + line, y, content.width() - line, line), Qt::AlignLeft | Qt::AlignVCenter,
                     QString::fromUtf8(point));
    y += line * 3 / 2;
  }

  const std::array<QRect, 3> boxes = StepBoxes();
  for (size_t i = 0; i < boxes.size(); ++i) {
    const bool live = buttons_[i] != nullptr && buttons_[i]->isEnabled();
    const QColor edge = colours.color(live ? QPalette::Highlight : QPalette::Mid);
    painter.setPen(QPen(edge, live ? 2 : 1));
    painter.setBrush(colours.color(QPalette::Base));
    painter.drawRoundedRect(boxes[i].adjusted(1, 1, -1, -1), line / 3, line / 3);
    const QPalette::ColorGroup group = live ? QPalette::Active : QPalette::Disabled;
    painter.setPen(colours.color(group, QPalette::Text));
    painter.setFont(heading);
    painter.drawText(boxes[i].adjusted(0, line / 2, 0, -line * 2), Qt::AlignCenter, QString::fromUtf8(kSteps[i][0]));
    painter.setFont(font());
    painter.drawText(boxes[i].adjusted(line / 2, line * 2, -line / 2, -line / 2), Qt::AlignCenter,
                     QString::fromUtf8(kSteps[i][1]));
  }

  QFont tip = font();
  tip.setItalic(true);
  painter.setFont(tip);
  painter.setPen(colours.color(QPalette::Disabled, QPalette::WindowText));
  painter.drawText(QRect(content.left(), boxes[0].bottom() + line, content.width(), line * 2),
                   Qt::AlignLeft | Qt::AlignVCenter, QString::fromUtf8(kTip));
}

QAbstractButton* ProductPage::LiveButtonAt(const QPoint& position) const {
  const int step = StepAt(position);
  if (step < 0) return nullptr;
  QAbstractButton* button = buttons_[static_cast<size_t>(step)];
  return button != nullptr && button->isEnabled() ? button : nullptr;
}

void ProductPage::mouseMoveEvent(QMouseEvent* event) {
  if (LiveButtonAt(event->position().toPoint()) != nullptr)
    setCursor(Qt::PointingHandCursor);
  else
    unsetCursor();
  QFrame::mouseMoveEvent(event);
}

void ProductPage::mouseReleaseEvent(QMouseEvent* event) {
  QAbstractButton* button =
      event->button() == Qt::LeftButton ? LiveButtonAt(event->position().toPoint()) : nullptr;
  QFrame::mouseReleaseEvent(event);
  if (button != nullptr) button->click();
}
