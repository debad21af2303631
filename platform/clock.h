// The two clocks the program reads: the UTC date and the local time of day.
// Near midnight outside UTC they belong to different days; the texts that
// use them keep it that way.
#pragma once

namespace platform {

struct ClockReading {
  int year = 0, month = 0, day = 0;
  int hour = 0, minute = 0, second = 0;
};

ClockReading UtcNow();
ClockReading LocalNow();

}  // namespace platform
