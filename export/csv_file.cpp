#include "export/csv_file.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

CsvFile::~CsvFile() {
  if (!file_) return;
  sheet_.reset();
  std::fclose(file_);
  std::remove(path_.c_str());
}

void CsvFile::NewWorkbook(const std::string& path) {
  file_ = std::fopen(path.c_str(), "wb");
  if (!file_) throw std::runtime_error("could not create " + path + ": " + std::strerror(errno));
  path_ = path;
  sheet_.emplace(file_);
}

void CsvFile::Save(const std::string& path, int32_t) {
  if (!file_) {
    reportFailure_("Could not save " + path + ": no file was made");
    return;
  }
  sheet_.reset();
  bool failed = std::ferror(file_) != 0;
  failed = std::fclose(file_) != 0 || failed;
  file_ = nullptr;
  if (failed) reportFailure_("Could not save " + path + ": writing failed");
}

void CsvFile::WriteHeader(const std::vector<std::string>& names, bool centred) {
  if (sheet_) sheet_->WriteHeader(names, centred);
}

void CsvFile::WriteRow(int32_t rowNumber, const std::vector<std::string_view>& values) {
  if (sheet_) sheet_->WriteRow(rowNumber, values);
}
