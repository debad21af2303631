// How much of a damaged file comes back: every Jet 4 file of the corpus is
// damaged in several ways, read again, and compared with what the sound file
// gave. Prints, per kind of damage, the files refused, the tables and the
// rows that came back. Every table and every row of the sound file counts:
// a refused file loses all of them; the rows of a table whose definition was
// hit come back only in a table of rows without a definition, and count as
// back when every value of theirs is found in one of its rows of the same
// page (guessed columns included). Rows on pages that were hit are left out.
//
//   recovery-report CORPUS_DIR
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "format/jet_layout.h"
#include "tests/damage/recovery_check.h"
#include "tests/support/file_header.h"
#include "tests/support/test_db_damage.h"
#include "tests/support/test_env.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kDatabaseKey = 0x5EC0DE42;
// The corpus files read here are Jet 4 files.
constexpr int32_t kPageSize = 4096;
// Bytes are inserted after page 20; the head overwritten is 64 KiB.
constexpr uint64_t kInsertedAfter = 21 * kPageSize;
constexpr int32_t kHeadBytes = 64 * 1024;

struct Source {
  std::string path;     // the sound file
  std::string encoded;  // the file as found when that is an encoded database, else empty
};

// One run of a kind: damages the copy at path and returns the pages hit.
using Damage = std::function<std::set<int32_t>(const std::string& path, const damage::Recovery& original,
                                               const Source& source)>;

struct DamageKind {
  std::string name;
  std::vector<Damage> runs;  // each applied to a fresh copy of every file
};

std::set<int32_t> Garble(const std::string& path, double percent) {
  std::vector<uint32_t> pages = testdb::DamagePercent(path, percent, 20261208, true, 1);
  return {pages.begin(), pages.end()};
}

std::set<int32_t> Zero(const std::string& path, std::vector<uint32_t> pages) {
  testdb::ZeroPages(path, pages);
  return {pages.begin(), pages.end()};
}

// Flips the low bit of the type byte of every CURRENCY column record on the
// tables' first definition pages: each reads LONG, in its 8 bytes.
std::set<int32_t> FlipCurrencyTypes(const std::string& path, const damage::Recovery& original) {
  const JetLayout& layout = kJet4Layout;
  const std::string bytes = testenv::ReadFile(path);
  std::vector<testdb::BitFlip> flips;
  for (const auto& [page, table] : original.tables) {
    const uint64_t at = uint64_t(page) * layout.pageSize;
    if (at + layout.pageSize > bytes.size()) continue;
    auto read = [&](int64_t offset, int width) {
      uint32_t value = 0;
      for (int i = width - 1; i >= 0; --i) value = value << 8 | uint8_t(bytes[at + offset + i]);
      return value;
    };
    const uint32_t columns = read(layout.tdefColumnCountOffset, 2);
    const int64_t first = layout.tdefRealIndexEntries + int64_t{layout.realIndexEntrySize} * read(layout.tdefRealIndexCountOffset, 4);
    for (uint32_t k = 0; k < columns; ++k) {
      const int64_t type = first + int64_t{k} * layout.columnRecordSize + layout.columnTypeOffset;
      if (type >= layout.pageSize) break;
      if (read(type, 1) == static_cast<uint32_t>(ColumnType::Currency)) flips.push_back({at + type, 0});
    }
  }
  testdb::FlipBits(path, flips);
  return {};
}

std::string Percent(int64_t part, int64_t whole) {
  if (whole == 0) return "-";
  char text[16];
  std::snprintf(text, sizeof text, "%.2f%%", 100.0 * static_cast<double>(part) / static_cast<double>(whole));
  return text;
}

std::vector<DamageKind> Kinds() {
  std::vector<DamageKind> kinds = {
      {"catalog lost", {[](const std::string& p, const damage::Recovery& o, const Source&) {
         Zero(p, o.catalogPages);
         return std::set<int32_t>{};
       }}},
      {"catalog + page 2 lost", {[](const std::string& p, const damage::Recovery& o, const Source&) {
         std::vector<uint32_t> pages = o.catalogPages;
         pages.push_back(2);
         Zero(p, pages);
         return std::set<int32_t>{};
       }}},
      {"one of pages 1-5 zeroed", {}},
      {"1% of pages garbled", {[](const std::string& p, const damage::Recovery&, const Source&) { return Garble(p, 1); }}},
      {"5% of pages garbled", {[](const std::string& p, const damage::Recovery&, const Source&) { return Garble(p, 5); }}},
      {"20% of pages garbled",
       {[](const std::string& p, const damage::Recovery&, const Source&) { return Garble(p, 20); }}},
      {"10% of pages zeroed", {[](const std::string& p, const damage::Recovery&, const Source&) {
         std::vector<uint32_t> pages = testdb::DamagePercent(p, 10, 7, false, 1);
         return std::set<int32_t>(pages.begin(), pages.end());
       }}},
      {"truncated at 70%", {[](const std::string& p, const damage::Recovery& o, const Source&) {
         uint64_t cut = fs::file_size(p) * 7 / 10;
         testdb::TruncateFile(p, cut);
         return damage::PagesFrom(cut, o.pageCount);
       }}},
      {"encoded", {[](const std::string& p, const damage::Recovery&, const Source& s) {
         if (s.encoded.empty())
           testdb::SetDatabaseKey(p, kDatabaseKey);
         else
           fs::copy_file(s.encoded, p, fs::copy_options::overwrite_existing);
         return std::set<int32_t>{};
       }}},
      {"512 bytes inserted", {[](const std::string& p, const damage::Recovery&, const Source&) {
         testdb::InsertBytes(p, kInsertedAfter, 512, 11);
         return std::set<int32_t>{};
       }}},
      {"1000 bytes inserted", {[](const std::string& p, const damage::Recovery&, const Source&) {
         testdb::InsertBytes(p, kInsertedAfter, 1000, 12);
         return std::set<int32_t>{};
       }}},
      {"first 64 KiB garbled", {[](const std::string& p, const damage::Recovery&, const Source&) {
         testdb::OverwriteHead(p, kHeadBytes, 13);
         std::set<int32_t> pages;
         for (int32_t page = 0; page < kHeadBytes / kPageSize; ++page) pages.insert(page);
         return pages;
       }}},
      {"CURRENCY read as LONG", {[](const std::string& p, const damage::Recovery& o, const Source&) {
         return FlipCurrencyTypes(p, o);
       }}},
      {"cut to its header page", {[](const std::string& p, const damage::Recovery& o, const Source&) {
         testdb::TruncateFile(p, kPageSize);
         return damage::PagesFrom(kPageSize, o.pageCount);
       }}},
  };
  for (uint32_t page = 1; page <= 5; ++page)
    kinds[2].runs.push_back([page](const std::string& p, const damage::Recovery&, const Source&) {
      Zero(p, {page});
      return std::set<int32_t>{};
    });
  return kinds;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: recovery-report CORPUS_DIR\n");
    return 1;
  }
  testenv::ScratchDir scratch;
  std::vector<Source> sources;
  for (const auto& entry : fs::directory_iterator(argv[1])) {
    if (entry.path().extension() != ".mdb") continue;
    std::string header = testenv::ReadFile(entry.path().string()).substr(0, 0x15);
    if (header.size() != 0x15 || header[0x14] != 1) continue;
    Source source{entry.path().string(), ""};
    if (entry.path().filename() == "db-enc.mdb") {
      // Its sound file is its plain twin.
      source.encoded = source.path;
      source.path = scratch.File("db-plain.mdb");
      fs::copy_file(source.encoded, source.path);
      testdb::SetDatabaseKey(source.path, 0);
    }
    sources.push_back(source);
  }
  std::sort(sources.begin(), sources.end(), [](const Source& a, const Source& b) { return a.path < b.path; });

  std::string ole = scratch.path() + "/";
  std::vector<damage::Recovery> originals;
  for (const Source& source : sources) originals.push_back(damage::Recover(source.path, ole));

  std::printf("%d files of %s\n\n", static_cast<int>(sources.size()), argv[1]);
  std::printf("%-24s %8s %7s %8s %7s %9s %9s %9s %9s %9s %6s %8s %6s\n", "damage", "refused", "tables", "back",
              "rows", "back", "survivors", "lost-def", "lost-back", "lost-vals", "short", "told", "wrong");
  for (const DamageKind& kind : Kinds()) {
    damage::Tally total;
    int refused = 0, runs = 0;
    for (const Damage& run : kind.runs) {
      for (size_t i = 0; i < sources.size(); ++i) {
        std::string copy = scratch.File("copy.mdb");
        fs::copy_file(sources[i].path, copy, fs::copy_options::overwrite_existing);
        std::set<int32_t> hit = run(copy, originals[i], sources[i]);
        damage::Recovery damaged = damage::Recover(copy, ole);
        ++runs;
        if (!damaged.analysed) ++refused;
        total.Add(damage::Compare(originals[i], damaged, hit));
      }
    }
    int64_t tables = total.tables + total.lostTables, rows = total.rows + total.lostRows;
    std::printf("%-24s %4d/%-3d %7lld %8s %7lld %9s %9s %9s %9s %9s %6lld %8s %6lld\n", kind.name.c_str(), refused,
                runs, static_cast<long long>(tables), Percent(total.tablesBack, tables).c_str(),
                static_cast<long long>(rows), Percent(total.rowsBack + total.lostRowsBack, rows).c_str(),
                Percent(total.rowsBack, total.rows).c_str(), Percent(total.textsBack, total.texts).c_str(),
                Percent(total.lostRowsBack, total.lostRows).c_str(),
                Percent(total.lostValuesBack, total.lostValues).c_str(),
                static_cast<long long>(total.shortTables), Percent(total.shortTold, total.shortTables).c_str(),
                static_cast<long long>(total.toldWrongly));
  }
  std::printf(
      "\ntables: every table of the sound files; rows: their rows on data pages that were not hit;\n"
      "back: with the right values, those of tables whose definition was hit included when a table\n"
      "of rows without a definition gives all their values. survivors: the rows of tables whose\n"
      "definition survived only. lost-def: text values of tables whose definition was hit, found\n"
      "again in a table of rows without a definition; lost-back: their rows back whole there;\n"
      "lost-vals: their values other than NULL found there, guessed columns included.\n"
      "short: tables back with fewer rows than the sound file gave; told:\n"
      "those the analysis found short by just as many; wrong: tables it found short that were not,\n"
      "or short by another count.\n");
  return 0;
}
