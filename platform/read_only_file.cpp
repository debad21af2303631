#include "platform/read_only_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// The descriptor of a regular file, or -1 with the reason in problem.
// O_NONBLOCK keeps the open of a FIFO without writer from waiting for ever;
// it changes nothing for a regular file.
int OpenRegularFile(const std::string& path, std::string& problem) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    problem = std::strerror(errno);
    return -1;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    problem = "not a regular file";
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

std::string ReadableFileProblem(const std::string& path) {
  std::string problem;
  int fd = OpenRegularFile(path, problem);
  if (fd >= 0) ::close(fd);
  return problem;
}

bool ReadOnlyFile::Open(const std::string& path) {
  Close();
  std::string problem;
  fd_ = OpenRegularFile(path, problem);
  return fd_ >= 0;
}

void ReadOnlyFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

int64_t ReadOnlyFile::Size() const {
  if (fd_ < 0) return -1;
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return -1;
  return st.st_size;
}

int64_t ReadOnlyFile::ReadAt(void* buffer, size_t n, int64_t offset) const {
  if (fd_ < 0 || offset < 0) return -1;
  size_t done = 0;
  auto* out = static_cast<char*>(buffer);
  while (done < n) {
    ssize_t got = ::pread(fd_, out + done, n - done, offset + static_cast<int64_t>(done));
    if (got < 0) {
      if (errno == EINTR) continue;
      return done > 0 ? static_cast<int64_t>(done) : -1;
    }
    if (got == 0) break;
    done += static_cast<size_t>(got);
  }
  return static_cast<int64_t>(done);
}

}  // namespace platform
