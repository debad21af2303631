// How much of a damaged file comes back: every Jet 4 file of the corpus is
// damaged in several ways, read again, and compared with what the sound file
// gave. Prints, per kind of damage, the tables and rows recovered as
// percentages of those whose pages survived.
//
//   recovery-report CORPUS_DIR
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/damage/recovery_check.h"
#include "tests/support/test_db_damage.h"
#include "tests/support/test_env.h"

namespace fs = std::filesystem;

namespace {

struct DamageKind {
  std::string name;
  // Damages the copy at path; returns the pages hit.
  std::function<std::set<int32_t>(const std::string& path, const damage::Recovery& original)> apply;
};

std::set<int32_t> Garble(const std::string& path, double percent) {
  std::vector<uint32_t> pages = testdb::DamagePercent(path, percent, 20261208, true);
  return {pages.begin(), pages.end()};
}

double Percent(int64_t part, int64_t whole) { return whole == 0 ? 100.0 : 100.0 * part / whole; }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: recovery-report CORPUS_DIR\n");
    return 1;
  }
  std::vector<std::string> files;
  for (const auto& entry : fs::directory_iterator(argv[1])) {
    std::string name = entry.path().filename().string();
    if (entry.path().extension() != ".mdb" || name == "db-enc.mdb") continue;
    std::string header = testenv::ReadFile(entry.path().string()).substr(0, 0x15);
    if (header.size() == 0x15 && header[0x14] == 1) files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());

  const std::vector<DamageKind> kinds = {
      {"catalog lost",
       [](const std::string& path, const damage::Recovery& original) {
         testdb::ZeroPages(path, original.catalogPages);
         return std::set<int32_t>{};
       }},
      {"1% of pages garbled", [](const std::string& p, const damage::Recovery&) { return Garble(p, 1); }},
      {"5% of pages garbled", [](const std::string& p, const damage::Recovery&) { return Garble(p, 5); }},
      {"20% of pages garbled", [](const std::string& p, const damage::Recovery&) { return Garble(p, 20); }},
      {"10% of pages zeroed",
       [](const std::string& p, const damage::Recovery&) {
         std::vector<uint32_t> pages = testdb::DamagePercent(p, 10, 7, false);
         return std::set<int32_t>(pages.begin(), pages.end());
       }},
      {"truncated at 70%",
       [](const std::string& p, const damage::Recovery& original) {
         uint64_t cut = fs::file_size(p) * 7 / 10;
         testdb::TruncateFile(p, cut);
         return damage::PagesFrom(cut, original.pageCount);
       }},
  };

  testenv::ScratchDir scratch;
  std::string ole = scratch.path() + "/";
  std::vector<damage::Recovery> originals;
  for (const std::string& file : files) originals.push_back(damage::Recover(file, ole));

  std::printf("%d files of %s\n\n", static_cast<int>(files.size()), argv[1]);
  std::printf("%-22s %14s %10s %16s %10s\n", "damage", "tables", "back", "rows", "back");
  for (const DamageKind& kind : kinds) {
    damage::Tally total;
    int refused = 0;
    for (size_t i = 0; i < files.size(); ++i) {
      std::string copy = scratch.File("copy.mdb");
      fs::copy_file(files[i], copy, fs::copy_options::overwrite_existing);
      std::set<int32_t> hit = kind.apply(copy, originals[i]);
      damage::Recovery damaged = damage::Recover(copy, ole);
      if (!damaged.analysed) ++refused;
      total.Add(damage::Compare(originals[i], damaged, hit));
    }
    std::printf("%-22s %14lld %9.2f%% %16lld %9.2f%%%s\n", kind.name.c_str(), static_cast<long long>(total.tables),
                Percent(total.tablesBack, total.tables), static_cast<long long>(total.rows),
                Percent(total.rowsBack, total.rows),
                refused ? (" (" + std::to_string(refused) + " files refused)").c_str() : "");
  }
  std::printf("\ntables: those whose definition pages survived; rows: their rows on data pages that survived\n");
  return 0;
}
