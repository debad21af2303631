#include "tests/gui/scripted_dialogs.h"

platform::MessageAnswer ScriptedDialogs::ShowMessage(const std::string& text,
                                                     const std::string& caption,
                                                     platform::MessageButtons buttons,
                                                     platform::MessageIcon icon) {
  std::lock_guard<std::mutex> lock(mutex_);
  messages_.push_back({text, caption, buttons, icon});
  if (buttons == platform::MessageButtons::Ok) return platform::MessageAnswer::Ok;
  if (answers_.empty()) return platform::MessageAnswer::Yes;
  const platform::MessageAnswer answer = answers_.front();
  answers_.pop_front();
  return answer;
}

std::string ScriptedDialogs::ChooseFile(const std::string& filter) {
  std::lock_guard<std::mutex> lock(mutex_);
  lastFilter_ = filter;
  if (files_.empty()) return {};
  std::string file = files_.front();
  files_.pop_front();
  return file;
}

bool ScriptedDialogs::ChooseFolder(const std::string& title, std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  lastFolderTitle_ = title;
  lastFolderStart_ = path;
  if (folders_.empty()) return false;
  std::optional<std::string> folder = folders_.front();
  folders_.pop_front();
  if (!folder) return false;
  path = *folder;
  return true;
}

bool ScriptedDialogs::OpenWithShell(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  shellOpened_.push_back(path);
  return false;
}

void ScriptedDialogs::QueueAnswer(platform::MessageAnswer answer) {
  std::lock_guard<std::mutex> lock(mutex_);
  answers_.push_back(answer);
}

void ScriptedDialogs::QueueFile(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  files_.push_back(path);
}

void ScriptedDialogs::QueueFolder(std::optional<std::string> path) {
  std::lock_guard<std::mutex> lock(mutex_);
  folders_.push_back(std::move(path));
}

std::vector<ShownMessage> ScriptedDialogs::messages() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return messages_;
}

std::vector<std::string> ScriptedDialogs::messageTexts() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> texts;
  for (const ShownMessage& message : messages_) texts.push_back(message.text);
  return texts;
}

std::vector<std::string> ScriptedDialogs::shellOpened() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return shellOpened_;
}

std::string ScriptedDialogs::lastFilter() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return lastFilter_;
}

std::string ScriptedDialogs::lastFolderTitle() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return lastFolderTitle_;
}

void ScriptedDialogs::ClearRecord() {
  std::lock_guard<std::mutex> lock(mutex_);
  messages_.clear();
  shellOpened_.clear();
}

std::string ScriptedDialogs::lastFolderStart() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return lastFolderStart_;
}
