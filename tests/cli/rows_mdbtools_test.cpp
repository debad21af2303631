// rows --all over every user table of the corpus, value for value against
// mdbtools' mdb-export. The two print values differently, so they are
// compared as values: numbers as numbers, dates as dates, texts through the
// byte form our cells hold. Known mdbtools habits are allowed for: binary
// values cut at the first zero byte, GUIDs without the fourth hyphen, empty
// texts printed as NULL, dates before 1900 printed as 1900-01-00.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>

#include "tests/support/test_env.h"

namespace {

using Row = std::vector<std::string>;
using Csv = std::vector<Row>;

const char kMdbExport[] = "/usr/bin/mdb-export";
const char kMdbTables[] = "/usr/bin/mdb-tables";
const char kMdbNull[] = "\x01NULL\x01";

Csv ParseCsv(const std::string& text) {
  Csv rows;
  Row row;
  std::string field;
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"' && field.empty()) {
      quoted = true;
    } else if (c == ',') {
      row.push_back(field);
      field.clear();
    } else if (c == '\n' || (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
      if (c == '\r') ++i;
      row.push_back(field);
      rows.push_back(row);
      row.clear();
      field.clear();
    } else {
      field += c;
    }
  }
  return rows;
}

// mdbtools prints text as UTF-8; our cells hold each character's two-byte
// code with its zero bytes left out.
std::string StoredBytes(const std::string& utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    auto b = static_cast<unsigned char>(utf8[i]);
    int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
    uint32_t code = extra ? b & (0x3F >> extra) : b;
    for (int k = 1; k <= extra && i + k < utf8.size(); ++k) code = code << 6 | (utf8[i + k] & 0x3F);
    i += 1 + extra;
    if (code & 0xFF) out += static_cast<char>(code & 0xFF);
    if ((code >> 8) & 0xFF) out += static_cast<char>(code >> 8);
  }
  return out;
}

bool SameNumber(const std::string& ours, const std::string& theirs, double tolerance) {
  char* endOurs = nullptr;
  char* endTheirs = nullptr;
  double a = std::strtod(ours.c_str(), &endOurs), b = std::strtod(theirs.c_str(), &endTheirs);
  if (ours.empty() || theirs.empty() || *endOurs || *endTheirs) return false;
  return a == b || std::fabs(a - b) <= tolerance * std::max(1.0, std::fabs(b));
}

// Ours "MM/DD/YY HH:MM:SS" (1899 shown as 2001, midnight may be hour 24 of
// the day before); theirs "YYYY-MM-DD HH:MM:SS".
bool SameDate(const std::string& ours, const std::string& theirs) {
  if (theirs.rfind("1900-01-00", 0) == 0) return true;
  int y, mo, d, h, mi, s, oy, omo, od, oh, omi, os;
  if (std::sscanf(theirs.c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s) != 6) return false;
  if (std::sscanf(ours.c_str(), "%d/%d/%d %d:%d:%d", &omo, &od, &oy, &oh, &omi, &os) != 6) return false;
  if (y == 1899) y = 2001;
  // mdbtools and we may round the time of day apart by a second.
  int seconds = h * 3600 + mi * 60 + s, ourSeconds = oh * 3600 + omi * 60 + os;
  return omo == mo && od == d && oy == y % 100 && std::abs(seconds - ourSeconds) <= 1;
}

// Texts holding the character U+0000: mdbtools ends them there, we leave
// its zero bytes out and go on.
bool CutAtNulCharacter(const std::string& file, const std::string& table) {
  return std::filesystem::path(file).filename() == "testIndexCodes.mdb" && (table == "Table1" || table == "Table1_desc");
}

bool SameValue(const std::string& type, const std::string& ours, const std::string& theirs, bool cutAtNul) {
  if (theirs == kMdbNull) return ours == "NULL" || (type == "BIT" && ours == "0");
  if (type == "TEXT" || type == "MEMO") {
    if (theirs.empty()) return ours == "NULL";
    std::string expected = StoredBytes(theirs);
    return ours == expected || (cutAtNul && ours.rfind(expected, 0) == 0);
  }
  if (type == "SINGLE") return SameNumber(ours, theirs, 1e-6);
  if (type == "DOUBLE") return SameNumber(ours, theirs, 1e-12);
  // NUMERIC columns are named LONG too.
  if (type == "BIT" || type == "BYTE" || type == "INT" || type == "LONG" || type == "COUNTER" || type == "CURRENCY")
    return SameNumber(ours, theirs, 0);
  if (type == "DATE") return SameDate(ours, theirs);
  if (type == "GUID") {
    std::string a = ours, b = theirs;
    std::erase(a, '-');
    std::erase(b, '-');
    return a == b;
  }
  if (type == "BINARY") return ours.substr(0, ours.find('\0')) == theirs || (ours == "NULL" && theirs.empty());
  // mdbtools prints the object's raw bytes, cut at the first zero byte.
  if (type == "OLEOBJECT") return ours != "NULL" ? std::filesystem::exists(ours) : theirs.empty();
  return ours == theirs;
}

std::string Output(const std::vector<std::string>& argv) { return testenv::RunCommand(argv).out; }

// Column types by table and column name, from the analysis listing.
std::map<std::string, std::map<std::string, std::string>> ColumnTypes(const std::string& file) {
  std::map<std::string, std::map<std::string, std::string>> types;
  std::istringstream listing(Output({BREVANTIS_CLI, "analyze", file}));
  std::string line, table;
  while (std::getline(listing, line)) {
    if (line.rfind("  ", 0) != 0) {
      table = line;
      continue;
    }
    size_t open = line.rfind(" [");
    if (open == std::string::npos) continue;
    std::string type = line.substr(open + 2, line.size() - open - 3);
    types[table][line.substr(2, open - 2)] = type.substr(0, type.find('('));
  }
  return types;
}

class RowsMdbtoolsTest : public ::testing::TestWithParam<std::string> {};

TEST_P(RowsMdbtoolsTest, EveryTableMatchesMdbExport) {
  if (!std::filesystem::exists(kMdbExport) || !std::filesystem::exists(kMdbTables))
    GTEST_SKIP() << "mdbtools is not installed";
  const std::string& file = GetParam();
  auto types = ColumnTypes(file);
  std::istringstream tableNames(Output({kMdbTables, "-1", file}));
  std::string table;
  while (std::getline(tableNames, table)) {
    if (table.empty()) continue;
    SCOPED_TRACE(table);
    Csv theirs = ParseCsv(Output({kMdbExport, "-0", kMdbNull, "-b", "raw", "-T", "%Y-%m-%d %H:%M:%S", file, table}));
    Csv ours = ParseCsv(Output({BREVANTIS_CLI, "rows", file, table, "--all"}));
    ASSERT_FALSE(theirs.empty());
    ASSERT_FALSE(ours.empty()) << "no output";
    ASSERT_EQ(ours.size(), theirs.size()) << "row count";
    // Columns by name, or by place where our name has its non-printable
    // bytes replaced: both headers list the columns in column order.
    ASSERT_EQ(ours[0].size(), theirs[0].size()) << "columns";
    std::vector<size_t> at;
    for (size_t c = 0; c < theirs[0].size(); ++c) {
      auto found = std::find(ours[0].begin(), ours[0].end(), theirs[0][c]);
      at.push_back(found != ours[0].end() ? static_cast<size_t>(found - ours[0].begin()) : c);
    }
    const auto& columnTypes = types[table];
    bool cutAtNul = CutAtNulCharacter(file, table);
    auto matches = [&](const Row& our, const Row& their) {
      for (size_t c = 0; c < their.size(); ++c) {
        auto type = columnTypes.find(ours[0][at[c]]);
        if (at[c] >= our.size() || type == columnTypes.end() || !SameValue(type->second, our[at[c]], their[c], cutAtNul))
          return false;
      }
      return true;
    };
    // Rows in the same order; where not, as a multiset (mdbtools follows
    // the usage map, we the page order).
    std::vector<bool> used(ours.size(), false);
    for (size_t r = 1; r < theirs.size(); ++r) {
      if (!used[r] && matches(ours[r], theirs[r])) {
        used[r] = true;
        continue;
      }
      bool found = false;
      for (size_t o = 1; o < ours.size() && !found; ++o)
        if (!used[o] && matches(ours[o], theirs[r])) used[o] = found = true;
      if (!found) ADD_FAILURE() << "mdb-export row " << r << " has no match: " << ::testing::PrintToString(theirs[r]);
    }
  }
}

std::vector<std::string> ComparableFiles() {
  std::vector<std::string> files;
  for (const std::string& file : testenv::CorpusJet4Files())
    // Its pages are RC4-encoded, which the reader refuses.
    if (std::filesystem::path(file).filename() != "db-enc.mdb") files.push_back(file);
  return files;
}

INSTANTIATE_TEST_SUITE_P(Corpus, RowsMdbtoolsTest, ::testing::ValuesIn(ComparableFiles()), [](const auto& info) {
  std::string name = std::filesystem::path(info.param).stem().string();
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
});
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(RowsMdbtoolsTest);

TEST(RowsMdbtoolsCorpusTest, CorpusIsThere) {
  if (testenv::CorpusDir().empty()) GTEST_SKIP() << "no corpus beside the project";
  EXPECT_FALSE(ComparableFiles().empty());
}

}  // namespace
