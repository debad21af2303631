#include "export/csv_file.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

CsvFile::~CsvFile() {
  if (!file_) return;
  sheet_.reset();
  std::fclose(file_);
}

void CsvFile::NewWorkbook(const std::string& path) {
  staged_ = std::make_unique<platform::StagedFile>(path);
  file_ = std::fopen(staged_->path().c_str(), "wb");
  if (!file_) throw std::runtime_error("could not create " + path + ": " + std::strerror(errno));
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
  std::string problem = "writing failed";
  if (failed || !staged_->Commit(problem)) reportFailure_("Could not save " + path + ": " + problem);
  staged_.reset();
}

void CsvFile::WriteHeader(const std::vector<std::string>& names, bool centred) {
  if (sheet_) sheet_->WriteHeader(names, centred);
}

void CsvFile::WriteRow(int32_t rowNumber, const std::vector<std::string_view>& values) {
  if (sheet_) sheet_->WriteRow(rowNumber, values);
}
