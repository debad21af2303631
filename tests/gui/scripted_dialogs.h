// The dialog seams answered from a script: message boxes take queued answers
// (Yes when none is queued), the file and folder choosers take queued
// choices, and everything shown is recorded. Any thread may ask.
#pragma once

#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialogs.h"

struct ShownMessage {
  std::string text;
  std::string caption;
  platform::MessageButtons buttons;
  platform::MessageIcon icon;
};

class ScriptedDialogs : public platform::Dialogs {
 public:
  platform::MessageAnswer ShowMessage(const std::string& text, const std::string& caption,
                                      platform::MessageButtons buttons,
                                      platform::MessageIcon icon) override;
  std::string ChooseFile(const std::string& filter) override;
  bool ChooseFolder(const std::string& title, std::string& path) override;
  bool OpenWithShell(const std::string& path) override;

  void QueueAnswer(platform::MessageAnswer answer);
  void QueueFile(const std::string& path);
  // nullopt: the user cancels; "": a place without a file-system path.
  void QueueFolder(std::optional<std::string> path);

  std::vector<ShownMessage> messages() const;
  std::vector<std::string> messageTexts() const;
  std::vector<std::string> shellOpened() const;
  std::string lastFilter() const;
  std::string lastFolderTitle() const;
  // Where the last folder browser started.
  std::string lastFolderStart() const;
  void ClearRecord();

 private:
  mutable std::mutex mutex_;
  std::deque<platform::MessageAnswer> answers_;
  std::deque<std::string> files_;
  std::deque<std::optional<std::string>> folders_;
  std::vector<ShownMessage> messages_;
  std::vector<std::string> shellOpened_;
  std::string lastFilter_;
  std::string lastFolderTitle_;
  std::string lastFolderStart_;
};
