#include "app/about_box.h"

#include <QIcon>

#include "app/dialog_template.h"

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
  ui.setupUi(this);
  // Drawn for the screen's scale, so never blurred.
  ui.icon->setPixmap(QIcon(QStringLiteral(":/images/program.svg")).pixmap(48, 48));
  ApplyTemplate(*this, 235, 55);
  // Wide enough for every line whatever the font: the template is the least.
  setFixedSize(sizeHint().expandedTo(size()));
}
