// What came back of each table against what its definition states. A
// definition counts its table's live rows; the analysis counts the live
// rows that read (table_def.h's expectedRows and rowsFound). Deleted rows,
// and the rows of pages the table freed, are part of neither count.
#pragma once

#include <cstdint>
#include <string>

#include "format/jet_layout.h"
#include "reader/table_def.h"

class MdbFile;

// The refusal of a file that gave nothing back.
inline constexpr char kNothingRecovered[] = "No table of this file could be recovered.";

// The stated count when a file of `pages` pages could hold that many rows;
// -1 otherwise, so that a damaged count does not make up missing rows.
int32_t PlausibleRowCount(int64_t stated, int64_t pages, const JetLayout& layout);

struct Shortfall {
  int32_t tables = 0;  // tables short of rows
  int64_t rows = 0;    // the rows they miss together

  void Add(int64_t missing) {
    if (missing <= 0) return;
    ++tables;
    rows += missing;
  }
};

// The tables listed (table_listing.h) that came back short.
Shortfall FindShortfall(const TableList& tables, bool showSystem);

// "2 tables incomplete (121 rows not found)"; empty when nothing is missing.
std::string ShortfallText(const Shortfall& shortfall);

// The analysis's last line: "Recovery Completed", and the shortfall after
// a colon when there is one.
std::string RecoveryCompletedText(const Shortfall& shortfall);

// "717 of 830": the rows found of those the definition states.
std::string RowsOfText(const TableDef& table);

// True when the catalog names user tables and none of them came back: each
// is lost, or without one of the rows its definition states. Rows whose
// definition is lost count as a table that came back. Needs the counts of
// the analysis; a table not counted counts as read.
bool NothingRecovered(const MdbFile& db);
