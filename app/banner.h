// The band across the top of the main window and the export options: the
// program's picture and two lines of text, drawn at the screen's own
// resolution. It gives up height on short screens, where every line of the
// window's own counts more.
#pragma once

#include <QString>
#include <QWidget>

class Banner : public QWidget {
 public:
  explicit Banner(QWidget* parent = nullptr);

  // The height it takes on a screen of ample height.
  void SetTallest(int pixels);
  void SetTexts(const QString& title, const QString& subtitle);

  // The height for a screen whose available height is screenHeight.
  static int HeightFor(int tallest, int screenHeight);

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void FitScreen();

  int tallest_ = 90;
  QString title_;
  QString subtitle_;
};
