#include "export/export_folder.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/folders.h"

std::string DatedFolderName(const platform::ClockReading& utcDate,
                            const platform::ClockReading& localTime) {
  char name[128];
  std::snprintf(name, sizeof name, "Corvanel_Brevantis_(DATE=%d-%d-%d)_(TIME=%dhr.%dm.%ds)",
                utcDate.month, utcDate.day, utcDate.year, localTime.hour, localTime.minute,
                localTime.second);
  return name;
}

std::string DestinationProblem(const std::string& destination) {
  std::string problem = platform::FolderProblem(destination);
  return problem.empty() ? problem : "Export destination " + destination + " " + problem;
}

std::string CreateExportFolder(const std::string& destination,
                               const platform::ClockReading& utcDate,
                               const platform::ClockReading& localTime, std::string& problem) {
  std::string dated = destination;
  if (dated.empty() || dated.back() != '/') dated += '/';
  dated += DatedFolderName(utcDate, localTime);
  // CreateFolder (mkdir) either makes the folder or finds it taken: two exports started in
  // the same second, even by two processes, never share one.
  for (int n = 1;; ++n) {
    std::string candidate = n == 1 ? dated : dated + "_" + std::to_string(n);
    if (platform::CreateFolder(candidate)) return candidate;
    if (errno != EEXIST) {
      problem = "Could not create the export folder " + candidate + ": " + std::strerror(errno);
      return std::string();
    }
  }
}

std::string OutputFilePath(const std::string& exportFolder, const std::string& stem, const std::string& extension) {
  return exportFolder + "/" + stem + extension;
}
