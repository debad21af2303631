// What the record list's place shows while no table is shown (the web
// control of the Windows design): what the program does and its three steps,
// "1. Browse", "2. Recover" and "3. Export", drawn in the desktop's colours.
// The step boxes are buttons too: a click on one clicks the window's button
// for that step, so it does what that button does and nothing while the
// button is disabled; a live box looks and points like one.
#pragma once

#include <QFrame>

#include <array>

class QAbstractButton;

class ProductPage : public QFrame {
 public:
  using QFrame::QFrame;

  // The buttons of the three steps, in order; they must outlive the page.
  void SetStepButtons(const std::array<QAbstractButton*, 3>& buttons);

  // The step box under `position` (widget coordinates), or -1.
  int StepAt(const QPoint& position) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Where the step boxes lie for the page's size and font.
  std::array<QRect, 3> StepBoxes() const;
  // The box's button, when the box lies under the pointer and it is enabled.
  QAbstractButton* LiveButtonAt(const QPoint& position) const;

  std::array<QAbstractButton*, 3> buttons_{};
};
