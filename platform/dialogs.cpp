#include "platform/dialogs.h"

#include <cstdio>

namespace platform {

MessageAnswer StderrDialogs::ShowMessage(const std::string& text, const std::string&,
                                         MessageButtons buttons, MessageIcon) {
  std::fprintf(stderr, "%s\n", text.c_str());
  std::fflush(stderr);
  return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
}

}  // namespace platform
