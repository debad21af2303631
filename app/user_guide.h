// Where the user guide lies: beside the program while it runs from its build
// folder, under share/brevantis once installed (bin/ and share/ side by
// side).
#pragma once

#include <string>

inline constexpr const char* kUserGuideName = "user-guide.html";

// The first of the two places that holds the guide; the first place when
// neither does, so that Help asks for it there and fails silently.
// programFolder ends in '/'.
std::string UserGuidePath(const std::string& programFolder);
