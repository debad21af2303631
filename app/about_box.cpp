#include "app/about_box.h"

#include "app/dialog_template.h"

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
  ui.setupUi(this);
  ApplyTemplate(*this, 235, 55);
  // Wide enough for every line whatever the font: the template is the least.
  setFixedSize(sizeHint().expandedTo(size()));
}
