#include "report/log_writer.h"

#include <cstdio>

#include "platform/folders.h"

namespace {

const char kLineEnd[] = "\r\n";

bool AppendToFile(const std::string& path, const std::string& text) {
  std::FILE* file = std::fopen(path.c_str(), "ab");
  if (file == nullptr) return false;
  std::fwrite(text.data(), 1, text.size(), file);
  std::fclose(file);
  return true;
}

}  // namespace

std::string LogWriter::DefaultFolder(const std::string& programFolder) {
  return platform::FolderProblem(programFolder).empty() ? programFolder : platform::UserStateFolder() + "/";
}

LogWriter::LogWriter() : LogWriter(DefaultFolder(platform::ProgramFolder())) {}

LogWriter::LogWriter(std::string folder) : folder_(std::move(folder)) {
  if (!folder_.empty() && folder_.back() != '/') folder_ += '/';
}

std::string LogWriter::ExecLogPath() const { return folder_ + "Log Files/ExecLog.log"; }

std::string LogWriter::ErrorLogPath() const { return folder_ + "Log Files/ErrorLog.log"; }

void LogWriter::LogSessionHeader() {
  LogSessionHeader(platform::UtcNow(), platform::LocalNow());
}

void LogWriter::LogSessionHeader(const platform::ClockReading& utcDate,
                                 const platform::ClockReading& localTime) {
  platform::CreateFolders(folder_ + "Log Files");
  const std::string rule(79, '=');
  std::string block = rule + kLineEnd + "Last Log On" + kLineEnd;
  block += "Date : " + std::to_string(utcDate.day) + "/" + std::to_string(utcDate.month) + "/" +
           std::to_string(utcDate.year) + kLineEnd;
  block += "Time : " + std::to_string(localTime.hour) + ":" + std::to_string(localTime.minute) +
           ":" + std::to_string(localTime.second) + kLineEnd;
  block += rule + kLineEnd;
  AppendToFile(ErrorLogPath(), block);
  AppendToFile(ExecLogPath(), block);
}

bool LogWriter::LogEntry(int32_t code, int32_t error, const std::string& message,
                         uint8_t toErrorLog) {
  std::string line = "Code:" + std::to_string(code) + "  Error:" + std::to_string(error) +
                     "  MSG:" + message + kLineEnd;
  return AppendToFile(toErrorLog ? ErrorLogPath() : ExecLogPath(), line);
}
