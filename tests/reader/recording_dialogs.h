// A dialogs seam that records every message instead of showing it.
#pragma once

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
  std::vector<std::string> messages;
  std::vector<platform::MessageButtons> buttons;
};

}  // namespace readertest
