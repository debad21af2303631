// The dialog seams answered with Qt windows: message boxes, the open-file
// dialog, the folder browser, the desktop's "open" and the password of an
// encrypted database. Any thread may ask; the windows are always shown by
// the window thread, owned by whichever of our windows is active. The Open
// dialog comes back in the folder, at the size and with the columns the
// last one was left with (QSettings).
#pragma once

#include <QObject>

#include "platform/dialogs.h"

class QtDialogs : public platform::Dialogs {
 public:
  // `home` is an object of the window thread (the application object).
  explicit QtDialogs(QObject* home) : home_(home) {}

  platform::MessageAnswer ShowMessage(const std::string& text, const std::string& caption,
                                      platform::MessageButtons buttons,
                                      platform::MessageIcon icon) override;
  std::string ChooseFile(const std::string& filter) override;
  bool ChooseFolder(const std::string& title, std::string& path) override;
  bool OpenWithShell(const std::string& path) override;
  std::optional<std::string> AskPassword(const std::string& database, const std::string& prompt) override;

 private:
  QObject* home_;
};

// "Name (*.ext)|*.ext||" as the Windows open dialog takes it, in Qt's
// notation: "Name (*.ext)".
QString QtFileFilter(const std::string& filter);
