// make-test-db OUT.mdb --preset NAME [--rows N] [--tables N] [--seed S]
//              [--encrypt SCHEME --password PW]
//
// Writes one of the ready-made test databases: the bundled example, the
// benchmark files, damaged files; encrypted with a password as Access 2010
// does when asked (SCHEME: agile, agile-sha1, rc4, rc4-40, standard,
// nonstandard).
#include <charconv>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "tests/support/office_encryption.h"
#include "tests/support/test_db_presets.h"

namespace {

int Usage() {
  std::string names;
  for (const std::string& n : testdb::PresetNames()) names += (names.empty() ? "" : ", ") + n;
  std::fprintf(stderr,
               "usage: make-test-db OUT.mdb --preset NAME [--rows N] [--tables N] [--seed S]\n"
               "                    [--encrypt agile|agile-sha1|rc4|rc4-40|standard|nonstandard --password PW]\n"
               "presets: %s\n",
               names.c_str());
  return 1;
}

bool ParseNumber(const char* text, uint64_t& value) {
  const char* end = text + std::strlen(text);
  auto [ptr, ec] = std::from_chars(text, end, value);
  return ec == std::errc() && ptr == end;
}

// The encryption named on the command line, with Access's usual choices.
bool ParseEncryption(const std::string& name, testdb::OfficeEncryption& encryption) {
  struct Named {
    const char* name;
    OfficeScheme scheme;
    int keyBits;
    HashAlgorithm hash;
  };
  const Named schemes[] = {{"agile", OfficeScheme::Agile, 256, HashAlgorithm::Sha512},
                           {"agile-sha1", OfficeScheme::Agile, 128, HashAlgorithm::Sha1},
                           {"rc4", OfficeScheme::Rc4CryptoApi, 128, HashAlgorithm::Sha1},
                           {"rc4-40", OfficeScheme::Rc4CryptoApi, 40, HashAlgorithm::Sha1},
                           {"standard", OfficeScheme::AesStandard, 128, HashAlgorithm::Sha1},
                           {"nonstandard", OfficeScheme::AesNonStandard, 256, HashAlgorithm::Sha1}};
  for (const Named& n : schemes) {
    if (name != n.name) continue;
    encryption.scheme = n.scheme;
    encryption.keyBits = n.keyBits;
    encryption.hash = n.hash;
    return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  std::string out, preset;
  testdb::PresetOptions options;
  std::optional<testdb::OfficeEncryption> encryption;
  bool passwordGiven = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    bool hasValue = i + 1 < argc;
    uint64_t number = 0;
    if (arg == "--preset" && hasValue) {
      preset = argv[++i];
    } else if (arg == "--encrypt" && hasValue) {
      if (!encryption) encryption.emplace();
      if (!ParseEncryption(argv[++i], *encryption)) return Usage();
    } else if (arg == "--password" && hasValue) {
      if (!encryption) encryption.emplace();
      encryption->password = argv[++i];
      passwordGiven = true;
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
  if (out.empty() || preset.empty() || (encryption && !passwordGiven)) return Usage();
  testdb::Layout layout = testdb::WritePreset(preset, options, out);
  if (layout.ok && encryption && !testdb::EncryptDatabase(out, *encryption)) {
    layout.ok = false;
    layout.error = "cannot encrypt " + out;
  }
  if (!layout.ok) {
    std::fprintf(stderr, "make-test-db: %s\n", layout.error.c_str());
    return 1;
  }
  std::printf("%s: %u pages, %zu tables\n", out.c_str(), layout.pageCount, layout.tables.size());
  return 0;
}
