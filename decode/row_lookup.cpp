#include "decode/row_lookup.h"

#include "decode/row_decoder.h"
#include "decode/row_text.h"
#include "reader/table_def.h"

RowLookup::RowLookup(RowDecoder& decoder, TableDef& table) : decoder_(decoder), table_(table) {
  decoder_.ResetCells(table_);
}

int RowLookup::Read(const RowPosition& position, std::string& text) {
  text.clear();
  if (decoder_.StopRequested()) return -1;
  if (position.dataPageIndex < 0 || static_cast<size_t>(position.dataPageIndex) >= table_.dataPages.size())
    return 0;
  if (position.dataPageIndex != loadedIndex_) {
    slotCount_ = decoder_.LoadPage(table_.dataPages[static_cast<size_t>(position.dataPageIndex)]);
    loadedIndex_ = position.dataPageIndex;
  }
  if (position.slot < 0 || position.slot >= slotCount_) return 0;
  const int read = decoder_.ReadRow(table_, position.slot, text);
  if (decoder_.StopRequested()) return -1;
  return read == 1 && !IsSkippedRowText(text) ? 1 : 0;
}
