#include "tests/fuzz/fuzz_support.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "decode/deleted_row_walk.h"
#include "decode/row_reader.h"
#include "reader/mdb_file.h"

namespace fuzz {

MemoryFile::MemoryFile(const uint8_t* data, size_t size) {
  fd_ = ::memfd_create("fuzz-input", MFD_CLOEXEC);
  size_t done = 0;
  while (fd_ >= 0 && done < size) {
    ssize_t n = ::write(fd_, data + done, size - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  path_ = "/proc/self/fd/" + std::to_string(fd_);
}

MemoryFile::~MemoryFile() {
  if (fd_ >= 0) ::close(fd_);
}

std::string OleFolder() {
  static const std::string folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "brevantis-fuzz-XXXXXX").string();
    const char* made = ::mkdtemp(pattern.data());
    return std::string(made ? made : "/tmp") + "/";
  }();
  std::error_code ec;
  std::filesystem::remove_all(folder + "TempOLeFiles", ec);
  return folder;
}

void ReadEveryRow(RowDecoder& rows, TableList& tables) {
  std::string text;
  for (auto& table : tables) {
    TableRowWalk walk(rows, *table);
    while (walk.Next(text) == 1) {
    }
    DeletedRowWalk deleted(rows, *table);
    while (deleted.Next(text) == 1) {
    }
  }
}

}  // namespace fuzz
