#include "app/qt_dialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QTreeView>
#include <QMessageBox>
#include <QScreen>
#include <QSettings>
#include <QUrl>
#include <QWidget>

#include "app/password_dialog.h"
#include "app/worker_thread.h"

namespace {

QWidget* Owner() {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  return QApplication::activeWindow();
}

// The Open dialog's folder, size and columns as the last choice left them.
constexpr const char* kLastFolderKey = "openDialog/folder";
constexpr const char* kOpenGeometryKey = "openDialog/geometry";
constexpr const char* kOpenStateKey = "openDialog/state";

// The Open dialog's first size: room for long names with their details.
QSize FirstOpenDialogSize(const QWidget* owner) {
  QSize size(900, 560);
  const QScreen* screen = owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen();
  if (screen != nullptr) size = size.boundedTo(screen->availableSize() * 9 / 10);
  return size;
}

QMessageBox::Icon ToQt(platform::MessageIcon icon) {
  switch (icon) {
    case platform::MessageIcon::Warning: return QMessageBox::Warning;
    case platform::MessageIcon::Question: return QMessageBox::Question;
    case platform::MessageIcon::Information: return QMessageBox::Information;
    case platform::MessageIcon::Error: return QMessageBox::Critical;
    case platform::MessageIcon::None: break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

QString QtFileFilter(const std::string& filter) {
  // Windows pairs (description, pattern) separated by '|'; Qt shows the
  // description alone, which already names its pattern.
  const QStringList parts = QString::fromLocal8Bit(filter).split('|', Qt::SkipEmptyParts);
  QStringList descriptions;
  for (qsizetype i = 0; i < parts.size(); i += 2) descriptions << parts[i];
  return descriptions.join(";;");
}

platform::MessageAnswer QtDialogs::ShowMessage(const std::string& text, const std::string& caption,
                                               platform::MessageButtons buttons,
                                               platform::MessageIcon icon) {
  platform::MessageAnswer answer = platform::MessageAnswer::Ok;
  RunOnGuiThread(home_, [&] {
    const bool yesNo = buttons == platform::MessageButtons::YesNo;
    QMessageBox box(ToQt(icon), QString::fromLocal8Bit(caption), QString::fromLocal8Bit(text),
                    yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, Owner());
    const int result = box.exec();
    if (yesNo) answer = result == QMessageBox::No ? platform::MessageAnswer::No
                                                  : platform::MessageAnswer::Yes;
  });
  return answer;
}

std::string QtDialogs::ChooseFile(const std::string& filter) {
  std::string chosen;
  RunOnGuiThread(home_, [&] {
    QSettings settings;
    QFileDialog dialog(Owner(), QString(), settings.value(kLastFolderKey).toString(),
                       QtFileFilter(filter));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setViewMode(QFileDialog::Detail);
    dialog.restoreState(settings.value(kOpenStateKey).toByteArray());
    // Size, type and date whole; the name takes what is left.
    if (auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
      details->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
      details->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    }
    if (!dialog.restoreGeometry(settings.value(kOpenGeometryKey).toByteArray()))
      dialog.resize(FirstOpenDialogSize(dialog.parentWidget()));
    const bool accepted = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    settings.setValue(kOpenStateKey, dialog.saveState());
    settings.setValue(kOpenGeometryKey, dialog.saveGeometry());
    if (!accepted) return;
    const QString file = dialog.selectedFiles().front();
    settings.setValue(kLastFolderKey, QFileInfo(file).absolutePath());
    chosen = file.toLocal8Bit().toStdString();
  });
  return chosen;
}

bool QtDialogs::ChooseFolder(const std::string& title, std::string& path) {
  QUrl chosen;
  RunOnGuiThread(home_, [&] {
    chosen = QFileDialog::getExistingDirectoryUrl(
        Owner(), QString::fromLocal8Bit(title), QUrl::fromLocalFile(QString::fromLocal8Bit(path)),
        QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
  });
  if (chosen.isEmpty()) return false;
  // A confirmed place with no file-system path comes back as an empty path.
  path = chosen.isLocalFile() ? chosen.toLocalFile().toLocal8Bit().toStdString() : std::string();
  return true;
}

bool QtDialogs::OpenWithShell(const std::string& path) {
  // A missing document is no business of the desktop's: nothing is shown.
  const QString file = QString::fromLocal8Bit(path);
  if (!QFileInfo::exists(file)) return false;
  bool opened = false;
  RunOnGuiThread(home_, [&] { opened = QDesktopServices::openUrl(QUrl::fromLocalFile(file)); });
  return opened;
}

std::optional<std::string> QtDialogs::AskPassword(const std::string& database, const std::string& prompt) {
  std::optional<std::string> password;
  RunOnGuiThread(home_, [&] {
    PasswordDialog dialog(QString::fromLocal8Bit(database), QString::fromUtf8(prompt), Owner());
    if (dialog.exec() == QDialog::Accepted) password = dialog.ui.password->text().toStdString();
  });
  return password;
}
