// Reads a database file the way the export does (the analysis, then every
// row of every table) and compares what came back with what an undamaged
// copy gave: the measure of how much a damaged file still yields.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace damage {

struct RecoveredTable {
  std::string name;
  std::vector<int32_t> pages;     // definition pages, then data pages
  bool hasLongValues = false;     // a MEMO or OLE column
  std::vector<std::string> rows;  // row texts; OLE paths replaced by the files' contents
};

struct Recovery {
  bool analysed = false;       // the tables were read (the format was accepted)
  std::string refusal;         // the message shown when it was not
  int32_t pageCount = 0;       // pages in the inventory
  std::set<int32_t> longValuePages;
  std::vector<uint32_t> catalogPages;  // data pages owned by the catalog (page 2)
  // By definition page: names differ once the catalog is lost.
  std::map<int32_t, RecoveredTable> tables;
};

// Analyses the file and reads all rows; OLE files go to oleFolder.
Recovery Recover(const std::string& path, const std::string& oleFolder);

struct Tally {
  int64_t tables = 0, tablesBack = 0;
  int64_t rows = 0, rowsBack = 0;
  void Add(const Tally& other);
};

// What of `original` came back in `damaged`, counting only the tables none
// of whose own pages was hit: they must come back, with every row. Where a
// long-value page was hit, rows holding long values count when their number
// matches, since the values themselves may be lost.
Tally Compare(const Recovery& original, const Recovery& damaged, const std::set<int32_t>& hitPages);

// The first surviving table of `original` that lost something in `damaged`,
// described for a failure message; empty when none did.
std::string FirstLoss(const Recovery& original, const Recovery& damaged, const std::set<int32_t>& hitPages);

// Every page from the one a cut at `bytes` falls in up to pageCount.
std::set<int32_t> PagesFrom(uint64_t bytes, int32_t pageCount);

}  // namespace damage
