// The seams through which the program asks the person in front of it:
// message boxes, the open-file dialog, the folder browser and the shell's
// "open". The desktop program answers them with windows, the command line
// writes messages to stderr, and tests script and record them.
#pragma once

#include <optional>
#include <string>

namespace platform {

enum class MessageButtons { Ok, YesNo };
enum class MessageIcon { None, Warning, Question, Information, Error };
enum class MessageAnswer { Ok, Yes, No };

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  virtual MessageAnswer ShowMessage(const std::string& text, const std::string& caption,
                                    MessageButtons buttons, MessageIcon icon) = 0;
  // The chosen file's path, or an empty text when cancelled.
  virtual std::string ChooseFile(const std::string& filter) { (void)filter; return {}; }
  // The chosen folder; cancelled leaves `path` unchanged and returns false.
  virtual bool ChooseFolder(const std::string& title, std::string& path) {
    (void)title; (void)path; return false;
  }
  // Ask the shell to open a document; failures are the caller's to ignore.
  virtual bool OpenWithShell(const std::string& path) { (void)path; return false; }
  // The password of the encrypted database `database`; `prompt` says why it
  // is asked (it is needed, or the last one was not correct). nullopt when
  // the person cancels, or when no one can be asked: the command line takes
  // the password as an option instead.
  virtual std::optional<std::string> AskPassword(const std::string& database, const std::string& prompt) {
    (void)database; (void)prompt; return std::nullopt;
  }
};

// Writes every message to stderr, one per line, and answers Yes/No with Yes.
class StderrDialogs : public Dialogs {
 public:
  MessageAnswer ShowMessage(const std::string& text, const std::string& caption,
                            MessageButtons buttons, MessageIcon icon) override;
};

}  // namespace platform
