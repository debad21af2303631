#include "app/dialog_template.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QWidget>

QSize DialogUnitsToPixels(const QWidget& window, int width, int height) {
  const QFontMetrics metrics(window.font());
  // The average over the Latin letters, as Windows measures a dialog font.
  static const QString kLetters =
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  const int baseX = (metrics.horizontalAdvance(kLetters) / 26 + 1) / 2;
  const int baseY = metrics.height();
  return QSize((width * baseX + 2) / 4, (height * baseY + 4) / 8);
}

void ApplyTemplate(QWidget& window, int width, int height) {
  window.setFixedSize(DialogUnitsToPixels(window, width, height));
}

void ApplyResizableTemplate(QWidget& window, int width, int height) {
  const QSize size = DialogUnitsToPixels(window, width, height);
  window.setMinimumSize(size);
  window.resize(size);
}

bool SwallowEnterAndEscape(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return: case Qt::Key_Enter: case Qt::Key_Escape:
      event->accept();
      return true;
    default:
      return false;
  }
}
