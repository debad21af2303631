// The dated folder every export writes into, made fresh inside the chosen
// destination, so that one export never mixes its workbooks with another's.
#pragma once

#include <string>

#include "platform/clock.h"

// "Corvanel_Brevantis_(DATE=m-d-yyyy)_(TIME=h hr.m m.s s)" without padding:
// the month, day and year of the UTC date and the local time of day.
std::string DatedFolderName(const platform::ClockReading& utcDate,
                            const platform::ClockReading& localTime);

// Export/Save: makes the dated folder inside destination, emptying one of the
// same name left by an export in the same second, and returns its path, the
// folder the workbooks go to (exportFolder). A folder that cannot be made is
// returned all the same; the writers find it missing and say so.
std::string CreateExportFolder(const std::string& destination,
                               const platform::ClockReading& utcDate,
                               const platform::ClockReading& localTime);
