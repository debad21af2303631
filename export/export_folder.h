// The dated folder every export writes into, made new inside the chosen
// destination, so that one export never mixes its files with another's nor
// deletes them.
#pragma once

#include <string>

#include "platform/clock.h"

// "Corvanel_Brevantis_(DATE=m-d-yyyy)_(TIME=h hr.m m.s s)" without padding:
// the month, day and year of the UTC date and the local time of day.
std::string DatedFolderName(const platform::ClockReading& utcDate,
                            const platform::ClockReading& localTime);

// Why no export can go to destination ("... does not exist", "... is not a
// folder", "... is not writable: ..."), or an empty text when one can. Asked
// before the work starts, so that a refusal comes before the analysis.
std::string DestinationProblem(const std::string& destination);

// Export/Save: makes the dated folder inside destination and returns its
// path (exportFolder). One left by an export in the same second is never
// touched: the new folder takes the suffix "_2", "_3", ... instead. An empty
// text when no folder could be made, with the reason in problem.
std::string CreateExportFolder(const std::string& destination,
                               const platform::ClockReading& utcDate,
                               const platform::ClockReading& localTime, std::string& problem);

// The path of an export's file: every workbook, CSV file and database an
// export writes is named here, in its folder.
std::string OutputFilePath(const std::string& exportFolder, const std::string& stem, const std::string& extension);
