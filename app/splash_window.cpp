#include "app/splash_window.h"

#include <QApplication>
#include <QEvent>
#include <QScreen>

#include "app/dialog_template.h"

SplashWindow::SplashWindow(int showMilliseconds)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  ui.setupUi(this);
  ApplyTemplate(*this, 231, 111);
  setAttribute(Qt::WA_DeleteOnClose, false);
  timer_.setSingleShot(true);
  timer_.setInterval(showMilliseconds);
  connect(&timer_, &QTimer::timeout, this, &QWidget::close);
}

SplashWindow::~SplashWindow() { qApp->removeEventFilter(this); }

void SplashWindow::Show() {
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = rect();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
  qApp->installEventFilter(this);
  show();
  raise();
  // Keys reach the splash only while it is the active window.
  activateWindow();
  repaint();
  timer_.start();
}

void SplashWindow::Run() {
  QEventLoop loop;
  running_ = &loop;
  Show();
  if (isVisible()) loop.exec();
  running_ = nullptr;
}

void SplashWindow::hideEvent(QHideEvent* event) {
  if (running_ != nullptr) running_->quit();
  QWidget::hideEvent(event);
}

bool SplashWindow::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::NonClientAreaMouseButtonPress:
      if (isVisible()) {
        timer_.stop();
        close();
        qApp->removeEventFilter(this);
        return true;
      }
      break;
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}
