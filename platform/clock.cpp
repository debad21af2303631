#include "platform/clock.h"

#include <ctime>

namespace platform {

namespace {
ClockReading FromTm(const std::tm& t) {
  return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
}
}  // namespace

ClockReading UtcNow() {
  std::time_t now = std::time(nullptr);
  std::tm t{};
  gmtime_r(&now, &t);
  return FromTm(t);
}

ClockReading LocalNow() {
  std::time_t now = std::time(nullptr);
  std::tm t{};
  localtime_r(&now, &t);
  return FromTm(t);
}

}  // namespace platform
