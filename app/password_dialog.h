// Asks for the password of an encrypted database, saying why: it is needed,
// or the last one given was not correct. Cancel gives up the analysis.
#pragma once

#include <QDialog>

#include "ui_password_dialog.h"

class PasswordDialog : public QDialog {
  Q_OBJECT

 public:
  PasswordDialog(const QString& database, const QString& prompt, QWidget* parent);

  Ui::PasswordDialog ui;
};
