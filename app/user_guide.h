// Where the user guide lies: beside the program while it runs from its build
// folder, under share/brevantis once installed (bin/ and share/ side by
// side). Either is found from the program's folder.
#pragma once

#include <string>
#include <vector>

inline constexpr const char* kUserGuideName = "user-guide.html";

// The places the guide is looked for, in order. programFolder ends in '/'.
std::vector<std::string> UserGuidePlaces(const std::string& programFolder);

// The first place that holds the guide, or an empty text.
std::string UserGuidePath(const std::string& programFolder);
