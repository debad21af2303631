// The picture in the record list's place while no table is shown (the web
// control of the Windows design). Its three step boxes, "1. Browse",
// "2. Recover" and "3. Export", are buttons too: a click on one clicks the
// window's button for that step, so it does what that button does and
// nothing while the button is disabled; the pointer shows which are live.
#pragma once

#include <QLabel>

#include <array>

class QAbstractButton;

class ProductPage : public QLabel {
 public:
  using QLabel::QLabel;

  // The buttons of the three steps, in order; they must outlive the page.
  void SetStepButtons(const std::array<QAbstractButton*, 3>& buttons);

  // The step box under `position` (widget coordinates), or -1.
  int StepAt(const QPoint& position) const;

 protected:
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  // The box's button, when the box lies under the pointer and it is enabled.
  QAbstractButton* LiveButtonAt(const QPoint& position) const;

  std::array<QAbstractButton*, 3> buttons_{};
};
