// The About box of the Help menu: the program's name and version.
#pragma once

#include <QDialog>

#include "ui_about_box.h"

class AboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit AboutBox(QWidget* parent);

  Ui::AboutBox ui;
};
