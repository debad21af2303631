// The ready-made databases that make-test-db writes (the bundled example,
// every type with its edge values, the types of Access 2007 and later, the
// same for an Access 97 file, text in many scripts, a big table for
// benchmarks, many tables, lost catalog, damage), shared with the tests that
// check them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/test_db_builder.h"

namespace testdb {

struct PresetOptions {
  uint64_t rows = 0;  // 0: the preset's own default
  int tables = 0;     // 0: the preset's own default
  uint64_t seed = 1;
  // Written as an Access 97 file (its texts must fit Windows-1252).
  bool jet3 = false;
};

std::vector<std::string> PresetNames();
// Describes the preset's tables in `builder`; false for an unknown name.
bool DescribePreset(const std::string& name, const PresetOptions& options, DatabaseBuilder& builder);
// Writes the preset, with the damage it carries applied.
Layout WritePreset(const std::string& name, const PresetOptions& options, const std::string& path);

// Rows of the "large" preset; a row is ~120 bytes, so about 9 million make 1 GiB.
constexpr uint64_t kLargeDefaultRows = 1000000;

}  // namespace testdb
