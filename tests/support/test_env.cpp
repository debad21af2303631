#include "tests/support/test_env.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace testenv {

std::string CorpusDir() {
#ifdef BREVANTIS_CORPUS_DIR
  if (fs::is_directory(BREVANTIS_CORPUS_DIR)) return BREVANTIS_CORPUS_DIR;
#endif
  return {};
}

namespace {

// The corpus files of the extension whose version byte (offset 0x14) the
// test accepts.
template <typename Version>
std::vector<std::string> CorpusFiles(const char* extension, Version accepted) {
  std::vector<std::string> files;
  std::string dir = CorpusDir();
  if (dir.empty()) return files;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().extension() != extension) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    char header[0x15] = {};
    if (in.read(header, sizeof header) && accepted(header[0x14])) files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

std::vector<std::string> CorpusJet4Files() {
  return CorpusFiles(".mdb", [](char version) { return version == 1; });
}

std::vector<std::string> CorpusJet3Files() {
  return CorpusFiles(".mdb", [](char version) { return version == 0; });
}

std::vector<std::string> CorpusMdbFiles() {
  return CorpusFiles(".mdb", [](char) { return true; });
}

size_t PageSizeOf(const std::string& bytes) { return bytes.size() > 0x14 && bytes[0x14] == 0 ? 2048 : 4096; }

std::vector<std::string> CorpusAceFiles() {
  return CorpusFiles(".accdb", [](char version) { return version >= 2; });
}

ScratchDir::ScratchDir() {
  std::string pattern = (fs::temp_directory_path() / "brevantis-test-XXXXXX").string();
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  const char* made = ::mkdtemp(buf.data());
  path_ = made ? made : pattern;
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  // Undo read-only test folders so that they can be removed.
  for (fs::recursive_directory_iterator it(path_, ec), end; !ec && it != end; it.increment(ec))
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

CommandResult RunCommand(const std::vector<std::string>& argv, const CommandOptions& options) {
  CommandResult result;
  ScratchDir dir;
  std::string outPath = dir.File("out"), errPath = dir.File("err");
  pid_t pid = ::fork();
  if (pid == 0) {
    int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int in = ::open("/dev/null", O_RDONLY);
    ::dup2(out, 1);
    ::dup2(err, 2);
    ::dup2(in, 0);
    if (options.fileSizeLimit > 0) {
      const rlimit limit = {options.fileSizeLimit, options.fileSizeLimit};
      ::setrlimit(RLIMIT_FSIZE, &limit);
      ::signal(SIGXFSZ, SIG_IGN);
    }
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  if (options.whileRunning) options.whileRunning(pid);
  int status = 0;
  ::waitpid(pid, &status, 0);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.out = ReadFile(outPath);
  result.err = ReadFile(errPath);
  return result;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string JsonString(const std::string& utf8) {
  std::string out = "\"";
  for (unsigned char c : utf8) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace testenv
