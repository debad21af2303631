// make-test-db OUT.mdb --preset NAME [--rows N] [--tables N] [--seed S] [--jet3]
//
// Writes one of the ready-made test databases: the bundled example, the
// benchmark files, damaged files; --jet3 writes it as an Access 97 file.
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>

#include "tests/support/test_db_presets.h"

namespace {

int Usage() {
  std::string names;
  for (const std::string& n : testdb::PresetNames()) names += (names.empty() ? "" : ", ") + n;
  std::fprintf(stderr, "usage: make-test-db OUT.mdb --preset NAME [--rows N] [--tables N] [--seed S] [--jet3]\npresets: %s\n",
               names.c_str());
  return 1;
}

bool ParseNumber(const char* text, uint64_t& value) {
  const char* end = text + std::strlen(text);
  auto [ptr, ec] = std::from_chars(text, end, value);
  return ec == std::errc() && ptr == end;
}

}  // namespace

int main(int argc, char** argv) {
  std::string out, preset;
  testdb::PresetOptions options;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    bool hasValue = i + 1 < argc;
    uint64_t number = 0;
    if (arg == "--jet3") {
      options.jet3 = true;
    } else if (arg == "--preset" && hasValue) {
      preset = argv[++i];
    } else if ((arg == "--rows" || arg == "--tables" || arg == "--seed") && hasValue) {
      if (!ParseNumber(argv[++i], number)) return Usage();
      if (arg == "--rows") options.rows = number;
      else if (arg == "--seed") options.seed = number;
      else if (number > 10000) return Usage();
      else options.tables = static_cast<int>(number);
    } else if (arg.rfind("--", 0) != 0 && out.empty()) {
      out = arg;
    } else {
      return Usage();
    }
  }
  if (out.empty() || preset.empty()) return Usage();
  testdb::Layout layout = testdb::WritePreset(preset, options, out);
  if (!layout.ok) {
    std::fprintf(stderr, "make-test-db: %s\n", layout.error.c_str());
    return 1;
  }
  std::printf("%s: %u pages, %zu tables\n", out.c_str(), layout.pageCount, layout.tables.size());
  return 0;
}
