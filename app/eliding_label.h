// A label that ends a text too long for it with "…" instead of running into
// its neighbours; text() stays the whole text.
#pragma once

#include <QLabel>

class ElidingLabel : public QLabel {
 public:
  using QLabel::QLabel;

  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
};
