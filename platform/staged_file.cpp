#include "platform/staged_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace platform {

std::string StagingPath(const std::string& finalPath) {
  constexpr size_t kMaxName = 255;
  const std::string suffix = ".part";
  const size_t slash = finalPath.rfind('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  std::string staging = finalPath;
  if (staging.size() - nameStart + suffix.size() > kMaxName) staging.resize(nameStart + kMaxName - suffix.size());
  return staging + suffix;
}

StagedFile::StagedFile(std::string finalPath)
    : finalPath_(std::move(finalPath)), stagingPath_(StagingPath(finalPath_)) {}

StagedFile::~StagedFile() { Discard(); }

void StagedFile::Discard() {
  if (!open_) return;
  open_ = false;
  std::remove(stagingPath_.c_str());
}

bool StagedFile::Commit(std::string& problem) {
  if (!open_) {
    problem = "the file was given up";
    return false;
  }
  if (std::rename(stagingPath_.c_str(), finalPath_.c_str()) != 0) {
    problem = std::strerror(errno);
    Discard();
    return false;
  }
  open_ = false;
  return true;
}

bool WriteWholeFile(const std::string& path, std::string_view bytes, std::string& problem) {
  StagedFile staged(path);
  std::FILE* file = std::fopen(staged.path().c_str(), "wb");
  if (file == nullptr) {
    problem = std::strerror(errno);
    return false;
  }
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (!written) problem = std::strerror(errno);
  if (std::fclose(file) != 0 && written) {
    problem = std::strerror(errno);
    written = false;
  }
  return written && staged.Commit(problem);
}

}  // namespace platform
