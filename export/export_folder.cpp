#include "export/export_folder.h"

#include <cstdio>

#include "platform/folders.h"

std::string DatedFolderName(const platform::ClockReading& utcDate,
                            const platform::ClockReading& localTime) {
  char name[128];
  std::snprintf(name, sizeof name, "Corvanel_Brevantis_(DATE=%d-%d-%d)_(TIME=%dhr.%dm.%ds)",
                utcDate.month, utcDate.day, utcDate.year, localTime.hour, localTime.minute,
                localTime.second);
  return name;
}

std::string CreateExportFolder(const std::string& destination,
                               const platform::ClockReading& utcDate,
                               const platform::ClockReading& localTime) {
  std::string dated = destination;
  if (dated.empty() || dated.back() != '/') dated += '/';
  dated += DatedFolderName(utcDate, localTime);
  if (!platform::CreateFolder(dated)) {
    // Left by an export within the same second (or not makeable at all).
    if (platform::DeleteFolderTree(dated)) {
      platform::CreateFolder(dated);
    } else {
      platform::DeleteFilesIn(dated);
    }
  }
  // Had it vanished meanwhile, it is made now; the workbooks go nowhere else.
  platform::CreateFolder(dated);
  return dated;
}
