#include "decode/recovery_tally.h"

#include <algorithm>

#include "decode/row_reader.h"

TableRecovery& RecoveryTally::For(const TableDef& table) {
  auto it = std::find_if(tables_.begin(), tables_.end(), [&](const TableRecovery& t) { return t.table == &table; });
  if (it != tables_.end()) return *it;
  tables_.push_back({});
  tables_.back().table = &table;
  return tables_.back();
}

void RecoveryTally::Forget(const TableDef& table) {
  std::erase_if(tables_, [&](const TableRecovery& t) { return t.table == &table; });
}

bool TallyTable(RowDecoder& decoder, TableDef& table, RecoveryTally& tally) {
  tally.For(table);
  RecoveryTally* before = decoder.tally();
  decoder.SetTally(&tally);
  TableRowWalk walk(decoder, table);
  std::string text;
  int result = 0;
  while ((result = walk.Next(text)) == 1) {
  }
  decoder.SetTally(before);
  return result == 0;
}
