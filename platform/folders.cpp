#include "platform/folders.h"

#include <unistd.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace platform {

namespace fs = std::filesystem;

std::string ProgramFolder() {
  char buf[PATH_MAX + 1];
  ssize_t n = ::readlink("/proc/self/exe", buf, PATH_MAX);
  if (n <= 0) return "./";
  std::string path(buf, static_cast<size_t>(n));
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(0, slash + 1);
}

bool CreateFolder(const std::string& path) {
  return !path.empty() && ::mkdir(path.c_str(), 0777) == 0;
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

bool CreateFolders(const std::string& path) {
  std::error_code ec;
  fs::create_directories(path, ec);
  return IsFolder(path);
}

std::string FolderProblem(const std::string& path) {
  struct stat st {};
  if (path.empty()) return "no folder given";
  if (::stat(path.c_str(), &st) != 0) {
    return errno == ENOENT ? std::string("does not exist") : std::strerror(errno);
  }
  if (!S_ISDIR(st.st_mode)) return "is not a folder";
  if (::access(path.c_str(), W_OK | X_OK) != 0) return std::string("is not writable: ") + std::strerror(errno);
  return std::string();
}

namespace {

// $variable, or fallback below the home folder, with "/brevantis".
std::string UserFolder(const char* variable, const char* fallback) {
  const char* base = std::getenv(variable);
  // The XDG rules ignore a relative path.
  if (base != nullptr && base[0] == '/') return std::string(base) + "/brevantis";
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr && home[0] != '\0' ? home : "/tmp") + "/" + fallback + "/brevantis";
}

}  // namespace

std::string UserStateFolder() { return UserFolder("XDG_STATE_HOME", ".local/state"); }

std::string UserCacheFolder() { return UserFolder("XDG_CACHE_HOME", ".cache"); }

std::string CurrentFolder() {
  std::error_code ec;
  auto p = fs::current_path(ec);
  return ec ? std::string() : p.string();
}

uint64_t AvailablePhysicalMemory() {
  std::ifstream in("/proc/meminfo");
  std::string key;
  uint64_t value = 0;
  std::string unit;
  while (in >> key >> value) {
    std::getline(in, unit);
    if (key == "MemAvailable:") return value * 1024;
  }
  return 0;
}

}  // namespace platform
