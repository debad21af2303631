// What a walk over the tables' rows had to doubt, table by table: the rows
// that read, those given up (a row that does not hold, a row without a
// value), and the values kept although damaged. The row decoder counts
// into a tally when it is given one (RowDecoder::SetTally); the export and
// `analyze --report` render it with what the reader found of each table
// (its lost pages, the columns read by their length's type).
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "reader/table_def.h"

class RowDecoder;

struct TableRecovery {
  static constexpr size_t kMaxNotes = 20;

  const TableDef* table = nullptr;
  int64_t rowsRead = 0;
  int64_t rowsSkipped = 0;
  // Of those, rows without a value: zeroed bytes, a zeroed null mask.
  int64_t zeroRows = 0;
  int64_t valuesMarked = 0;
  // One line per marked value, the first kMaxNotes of them.
  std::vector<std::string> notes;

  void Note(std::string text) {
    if (notes.size() < kMaxNotes) notes.push_back(std::move(text));
  }
};

class RecoveryTally {
 public:
  // The table's counts, made at its first row; they stay in place.
  TableRecovery& For(const TableDef& table);
  // Leaves the table out: an output given up whole by a stop.
  void Forget(const TableDef& table);
  // In the order the tables were first met.
  const std::deque<TableRecovery>& tables() const { return tables_; }

 private:
  std::deque<TableRecovery> tables_;
};

// Walks every live row of the table, decoding each value, for the counts
// alone (`analyze --report`). False when a stop was requested.
bool TallyTable(RowDecoder& decoder, TableDef& table, RecoveryTally& tally);
