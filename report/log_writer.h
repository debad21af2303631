// The two run logs beside the program: "ExecLog.log", what the program did
// (the export writes its progress there), and "ErrorLog.log", for errors and
// teardown. Both are only appended to, opened and closed for every line, and
// logging never shows a message nor stops the program: a line that cannot be
// written is lost.
#pragma once

#include <cstdint>
#include <string>

#include "platform/clock.h"

class LogWriter {
 public:
  // The logs live in programFolder's "Log Files"; programFolder ends in '/'.
  LogWriter();
  explicit LogWriter(std::string programFolder);

  // Creates "Log Files" and appends the start-of-session block to both logs.
  void LogSessionHeader();
  // The same with the clocks read by the caller: the date is the UTC date,
  // the time the local time, as the program has always written them.
  void LogSessionHeader(const platform::ClockReading& utcDate,
                        const platform::ClockReading& localTime);

  // Appends "Code:%d  Error:%d  MSG:%s"; false when the log cannot be opened.
  // Does not create the folder: the session header did.
  bool LogEntry(int32_t code, int32_t error, const std::string& message, uint8_t toErrorLog);

  const std::string& programFolder() const { return programFolder_; }
  std::string ExecLogPath() const;
  std::string ErrorLogPath() const;

 private:
  std::string programFolder_;
};
