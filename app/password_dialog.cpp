#include "app/password_dialog.h"

#include <QFileInfo>

PasswordDialog::PasswordDialog(const QString& database, const QString& prompt, QWidget* parent)
    : QDialog(parent) {
  ui.setupUi(this);
  ui.prompt->setText(prompt);
  ui.database->setText(tr("Password of %1:").arg(QFileInfo(database).fileName()));
  ui.password->setFocus();
  setMinimumWidth(360);
}
