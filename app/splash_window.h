// The picture shown for about two seconds at start-up, over the main
// window. A click or a key press anywhere in the program closes it at once,
// and is consumed doing so.
#pragma once

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

  Ui::SplashWindow ui;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QTimer timer_;
};
