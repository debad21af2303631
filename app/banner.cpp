#include "app/banner.h"

#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QSvgRenderer>
#include <QWindow>

#include <algorithm>

namespace {

// Below this the subtitle is left out: it would be too small to read.
constexpr int kSubtitleHeight = 48;
constexpr int kShortest = 32;

}  // namespace

Banner::Banner(QWidget* parent) : QWidget(parent) {
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  setFixedHeight(tallest_);
}

void Banner::SetTallest(int pixels) {
  tallest_ = pixels;
  FitScreen();
}

void Banner::SetTexts(const QString& title, const QString& subtitle) {
  title_ = title;
  subtitle_ = subtitle;
  setAccessibleName(title);
  setAccessibleDescription(subtitle);
  update();
}

int Banner::HeightFor(int tallest, int screenHeight) {
  return std::clamp(screenHeight / 16, std::min(kShortest, tallest), tallest);
}

QSize Banner::sizeHint() const { return {400, height()}; }

void Banner::showEvent(QShowEvent* event) {
  FitScreen();
  // A window moved to another screen measures again.
  if (QWindow* window = this->window()->windowHandle())
    connect(window, &QWindow::screenChanged, this, &Banner::FitScreen, Qt::UniqueConnection);
  QWidget::showEvent(event);
}

void Banner::FitScreen() {
  const QScreen* screen = this->screen();
  const int available = screen != nullptr ? screen->availableGeometry().height() : 16 * tallest_;
  setFixedHeight(HeightFor(tallest_, available));
}

void Banner::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  // The band is a picture of its own: its colours hold in light and dark
  // desktops alike.
  QLinearGradient band(rect().topLeft(), rect().topRight());
  band.setColorAt(0, QColor(0x14, 0x28, 0x5a));
  band.setColorAt(1, QColor(0x1c, 0x7c, 0x8c));
  painter.fillRect(rect(), band);

  const int h = height();
  const int margin = h / 5;
  const QRect logo(margin, margin / 2, h - margin, h - margin);
  QSvgRenderer(QStringLiteral(":/images/program.svg")).render(&painter, logo);

  const int textLeft = logo.right() + margin;
  QFont titleFont = font();
  titleFont.setBold(true);
  titleFont.setPixelSize(std::max(10, h * 3 / 10));
  painter.setPen(Qt::white);
  painter.setFont(titleFont);
  const bool withSubtitle = h >= kSubtitleHeight && !subtitle_.isEmpty();
  const QRect titleBox(textLeft, 0, width() - textLeft - margin, withSubtitle ? h * 11 / 20 : h);
  painter.drawText(titleBox, Qt::AlignLeft | (withSubtitle ? Qt::AlignBottom : Qt::AlignVCenter), title_);
  if (!withSubtitle) return;
  QFont subtitleFont = font();
  subtitleFont.setPixelSize(std::max(9, h * 9 / 50));
  painter.setFont(subtitleFont);
  painter.setPen(QColor(0xdd, 0xe8, 0xf0));
  painter.drawText(QRect(textLeft, h * 3 / 5, titleBox.width(), h * 2 / 5), Qt::AlignLeft | Qt::AlignTop,
                   subtitle_);
}
