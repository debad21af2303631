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

struct RecoveredRow {
  std::string text;  // the row text; OLE paths replaced by the files' contents
  std::string key;   // the same without its MEMO and OLE values
  std::vector<std::string> texts;  // its TEXT values other than NULL
  std::vector<std::string> cells;  // every value
  int32_t page = 0;  // the data page it came from
};

struct RecoveredTable {
  std::string name;
  std::vector<int32_t> definitionPages;
  std::vector<int32_t> dataPages;
  std::vector<RecoveredRow> rows;
  std::vector<std::string> columns;  // as the tree lists them: "Name [TYPE]"
  int32_t expectedRows = -1;  // as the analysis took them from the definition
  int32_t rowsFound = -1;     // as the analysis counted them
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
  // Tables whose definition pages were hit, and their rows on data pages
  // that were not: lost as rows, but their text values may come back in a
  // table of their own (found at the same definition page).
  int64_t lostTables = 0, lostRows = 0;
  int64_t texts = 0, textsBack = 0;
  // Of those rows, the ones back whole in that table (every value found in
  // one of its rows of the same page, guessed columns included), and their
  // values other than NULL, and those found.
  int64_t lostRowsBack = 0, lostValues = 0, lostValuesBack = 0;
  // Tables back with fewer rows than the sound file gave, and those of them
  // the analysis found short by just as many; tables it found short that
  // were not, or by another count.
  int64_t shortTables = 0, shortTold = 0, toldWrongly = 0;
  void Add(const Tally& other);
};

// What of `original` came back in `damaged`: the tables whose definition
// pages were not hit, and their rows on data pages that were not hit. Where
// a long-value page was hit, rows are matched without their MEMO and OLE
// values, which may be lost with it. Tables whose definition was hit are
// counted apart.
Tally Compare(const Recovery& original, const Recovery& damaged, const std::set<int32_t>& hitPages);

// The first table of `original` that lost something that survived,
// described for a failure message; empty when none did.
std::string FirstLoss(const Recovery& original, const Recovery& damaged, const std::set<int32_t>& hitPages);

// Every page from the one a cut at `bytes` falls in up to pageCount.
std::set<int32_t> PagesFrom(uint64_t bytes, int32_t pageCount);

}  // namespace damage
