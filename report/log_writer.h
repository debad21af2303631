// The two run logs: "ExecLog.log", what the program did
// (the export writes its progress there), and "ErrorLog.log", for errors and
// teardown. Both are only appended to, opened and closed for every line, and
// logging never shows a message nor stops the program: a line that cannot be
// written is lost. They live beside the program when its folder is
// writable, otherwise (an installed program) in the per-user state folder.
#pragma once

#include <cstdint>
#include <string>

#include "platform/clock.h"

class LogWriter {
 public:
  // programFolder when it is writable, else the per-user state folder;
  // ends in '/'.
  static std::string DefaultFolder(const std::string& programFolder);

  // The logs live in folder's "Log Files".
  LogWriter();
  explicit LogWriter(std::string folder);

  // Creates "Log Files" (with the folders above it) and appends the start-of-session block to both logs.
  void LogSessionHeader();
  // The same with the clocks read by the caller: the date is the UTC date,
  // the time the local time, as the program has always written them.
  void LogSessionHeader(const platform::ClockReading& utcDate,
                        const platform::ClockReading& localTime);

  // Appends "Code:%d  Error:%d  MSG:%s"; false when the log cannot be opened.
  // Does not create the folder: the session header did.
  bool LogEntry(int32_t code, int32_t error, const std::string& message, uint8_t toErrorLog);

  std::string ExecLogPath() const;
  std::string ErrorLogPath() const;

 private:
  std::string folder_;
};
