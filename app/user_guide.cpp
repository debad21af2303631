#include "app/user_guide.h"

#include "platform/folders.h"

std::string UserGuidePath(const std::string& programFolder) {
  const std::string beside = programFolder + kUserGuideName;
  const std::string installed = programFolder + "../share/brevantis/" + kUserGuideName;
  if (!platform::FileExists(beside) && platform::FileExists(installed)) return installed;
  return beside;
}
