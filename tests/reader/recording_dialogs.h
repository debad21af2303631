// A dialogs seam that records every message instead of showing it, and
// answers password questions from a queue (cancelling once it is empty).
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialogs.h"

namespace readertest {

class RecordingDialogs : public platform::Dialogs {
 public:
  platform::MessageAnswer ShowMessage(const std::string& text, const std::string&, platform::MessageButtons buttons,
                                      platform::MessageIcon) override {
    messages.push_back(text);
    this->buttons.push_back(buttons);
    return platform::MessageAnswer::Ok;
  }
  std::optional<std::string> AskPassword(const std::string&, const std::string& prompt) override {
    prompts.push_back(prompt);
    if (passwords.empty()) return std::nullopt;
    std::string password = passwords.front();
    passwords.pop_front();
    return password;
  }
  std::vector<std::string> messages;
  std::vector<platform::MessageButtons> buttons;
  std::deque<std::string> passwords;
  std::vector<std::string> prompts;
};

}  // namespace readertest
