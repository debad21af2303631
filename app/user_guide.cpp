#include "app/user_guide.h"

#include "platform/folders.h"

std::vector<std::string> UserGuidePlaces(const std::string& programFolder) {
  return {programFolder + kUserGuideName, programFolder + "../share/brevantis/" + kUserGuideName};
}

std::string UserGuidePath(const std::string& programFolder) {
  for (const std::string& place : UserGuidePlaces(programFolder))
    if (platform::FileExists(place)) return place;
  return {};
}
