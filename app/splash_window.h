// The picture shown for about two seconds at start-up, before the main
// window. A click or a key press anywhere in the program closes it at once,
// and is consumed doing so.
#pragma once

#include <QEventLoop>
#include <QTimer>
#include <QWidget>

#include "ui_splash_window.h"

class SplashWindow : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kShowMilliseconds = 2000;

  explicit SplashWindow(int showMilliseconds = kShowMilliseconds);
  ~SplashWindow() override;

  // Centred on the screen, above every other window; the timer starts.
  void Show();
  // Show, then returns once the splash has gone (its time, a click or a
  // key), handling events meanwhile.
  void Run();

  Ui::SplashWindow ui;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  QTimer timer_;
  QEventLoop* running_ = nullptr;  // Run's loop, while it waits
};
