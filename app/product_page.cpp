#include "app/product_page.h"

#include <QAbstractButton>
#include <QMouseEvent>

namespace {

// The step boxes as the picture (resources/product_page.png) draws them.
constexpr std::array<QRect, 3> kStepBoxes = {QRect(23, 241, 186, 74), QRect(227, 241, 186, 74),
                                            QRect(431, 241, 186, 74)};

}  // namespace

void ProductPage::SetStepButtons(const std::array<QAbstractButton*, 3>& buttons) {
  buttons_ = buttons;
  setMouseTracking(true);
}

int ProductPage::StepAt(const QPoint& position) const {
  // The picture is drawn centred in the label.
  QRect picture(QPoint(0, 0), pixmap().size());
  picture.moveCenter(contentsRect().center());
  const QPoint inPicture = position - picture.topLeft();
  for (size_t step = 0; step < kStepBoxes.size(); ++step)
    if (kStepBoxes[step].contains(inPicture)) return static_cast<int>(step);
  return -1;
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
  QLabel::mouseMoveEvent(event);
}

void ProductPage::mouseReleaseEvent(QMouseEvent* event) {
  QAbstractButton* button =
      event->button() == Qt::LeftButton ? LiveButtonAt(event->position().toPoint()) : nullptr;
  QLabel::mouseReleaseEvent(event);
  if (button != nullptr) button->click();
}
