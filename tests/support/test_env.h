// What tests need from their surroundings: the corpus of real files (absent
// in a user's clone, so tests skip), a scratch folder of their own, and the
// command-line program.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace testenv {

// The corpus folder, or an empty text when it is not there.
std::string CorpusDir();
// Every Jet 4 .mdb file of the corpus (version byte 1), sorted by name.
std::vector<std::string> CorpusJet4Files();
// Every Access 97 (Jet 3) file of the corpus (version byte 0), sorted by name.
std::vector<std::string> CorpusJet3Files();
// Both, sorted by name.
std::vector<std::string> CorpusMdbFiles();
// The page size of a Jet file by its version byte: 2048 for Jet 3, else 4096.
size_t PageSizeOf(const std::string& bytes);
// The .accdb files of the corpus (version byte 2 and up), sorted.
std::vector<std::string> CorpusAceFiles();

// A fresh folder under the system's temporary folder, removed with the object.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

struct CommandResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};
struct CommandOptions {
  // Bytes a file of the program may grow to, 0 for no limit; a write beyond
  // it fails as on a full disk.
  uint64_t fileSizeLimit = 0;
  // Called with the program's process id while it runs.
  std::function<void(int pid)> whileRunning;
};
// Runs a program with arguments (no shell), capturing both outputs. A
// program ended by a signal has the exit code 128 + the signal.
CommandResult RunCommand(const std::vector<std::string>& argv, const CommandOptions& options = {});

std::string ReadFile(const std::string& path);
// A JSON string literal holding the UTF-8 text, quotes included.
std::string JsonString(const std::string& utf8);
void WriteFile(const std::string& path, const std::string& bytes);

}  // namespace testenv
