// An output file written under a temporary name in its own folder and given
// its final name only once it is complete. A stop, a crash, a kill or a full
// disk then never leaves an incomplete file under a name a user trusts: what
// is left has the temporary name, which says that it is not to be used.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The temporary name of a file: the final name with ".part" added, the name
// cut first when it would pass the 255 bytes a file name may have.
std::string StagingPath(const std::string& finalPath);

class StagedFile {
 public:
  explicit StagedFile(std::string finalPath);
  // A file never committed is removed.
  ~StagedFile();
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;

  // Where the writer writes.
  const std::string& path() const { return stagingPath_; }
  const std::string& finalPath() const { return finalPath_; }

  // Gives the complete file its final name, replacing a file there. False,
  // with the system's reason, when it cannot; the temporary file is removed.
  bool Commit(std::string& problem);
  // Removes the temporary file now.
  void Discard();

 private:
  std::string finalPath_;
  std::string stagingPath_;
  bool open_ = true;
};

// The whole file in one go, under its final name only when every byte was
// written. False, with the reason, when it could not be.
bool WriteWholeFile(const std::string& path, std::string_view bytes, std::string& problem);

}  // namespace platform
