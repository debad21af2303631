#include "cli/password_option.h"

#include <cstdio>
#include <memory>

#include "cli/arguments.h"
#include "platform/read_only_file.h"
#include "reader/mdb_file.h"

namespace {

// Far more than any password: a file this long is not one.
constexpr size_t kMaxPasswordFileBytes = 64 * 1024;

}  // namespace

void PasswordOption::Declare(Arguments& arguments) {
  arguments.Option("--password", password_, &passwordGiven_);
  arguments.Option("--password-file", file_, &fileGiven_);
}

bool PasswordOption::Apply(MdbFile& file, std::string& error) const {
  if (passwordGiven_ && fileGiven_) {
    error = "--password and --password-file exclude each other";
    return false;
  }
  if (passwordGiven_) file.SetPassword(password_);
  if (!fileGiven_) return true;
  std::string problem = platform::ReadableFileProblem(file_);
  std::unique_ptr<FILE, decltype(&std::fclose)> stream(problem.empty() ? std::fopen(file_.c_str(), "rb") : nullptr,
                                                       std::fclose);
  std::string text(kMaxPasswordFileBytes + 1, '\0');
  size_t got = stream ? std::fread(text.data(), 1, text.size(), stream.get()) : 0;
  if (stream && std::ferror(stream.get())) problem = "cannot be read";
  if (!stream && problem.empty()) problem = "cannot be opened";
  if (problem.empty() && got > kMaxPasswordFileBytes) problem = "is longer than a password file can be";
  if (!problem.empty()) {
    error = "--password-file " + file_ + ": " + problem;
    return false;
  }
  text.resize(got);
  if (text.ends_with('\n')) {
    text.pop_back();
    if (text.ends_with('\r')) text.pop_back();
  }
  file.SetPassword(text);
  return true;
}
