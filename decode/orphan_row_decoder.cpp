#include "decode/orphan_row_decoder.h"

#include "decode/long_value.h"
#include "decode/row_text.h"
#include "decode/value_decoders.h"
#include "reader/mdb_file.h"
#include "reader/orphan_tables.h"

namespace {

// "0A 1B 2C"; NULL for no bytes.
void AppendHex(ByteSpan bytes, CellText& out) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  out.clear();
  if (bytes.empty()) {
    out.assign(kNullText);
    return;
  }
  for (uint8_t b : bytes) {
    if (!out.empty()) out += ' ';
    out += kDigits[b >> 4];
    out += kDigits[b & 0xF];
  }
}

void RenderValue(const MdbFile& db, ByteSpan page, int64_t from, int64_t to, CellText& out) {
  const int64_t length = to - from;
  switch (ClassifyOrphanValue(db, page, from, length)) {
    case OrphanValue::Empty: out.assign(kNullText); return;
    case OrphanValue::Text: DecodeText(db.Text(), page, from, out, length); return;
    case OrphanValue::LongValue:
      if (DecodeMemo(db, page, from, out, length) == 1) return;
      break;
    case OrphanValue::Bytes: break;
  }
  AppendHex(BytesInside(page, from, length), out);
}

}  // namespace

int DecodeOrphanRow(const MdbFile& db, ByteSpan page, const TableDef& table, int64_t start, int64_t end,
                    RowCells& cells, std::string& out) {
  RowStructure row;
  if (!ReadOrphanRow(page, db.Layout(), start, end, {RowStructure::kMaxColumns, table.varColumnCount > 0, true}, row))
    return -1;
  if (cells.size() < table.columns.size()) cells.resize(table.columns.size());
  std::string text;
  for (size_t i = 0; i < table.columns.size(); ++i) {
    CellText& cell = cells[i].text;
    if (i == 0)
      AppendHex(BytesInside(page, row.fixedStart, row.FixedEnd() - row.fixedStart), cell);
    else if (i - 1 < static_cast<size_t>(row.VariableCount())) {
      auto [from, to] = row.Variable(static_cast<int32_t>(i - 1));
      RenderValue(db, page, from, to, cell);
    } else {
      cell.assign(kNullText);
    }
    cells[i].present = cell != kNullText;
    text += cell;
    text += kFieldSeparator;
  }
  out = std::move(text);
  return row.VariableCount() + 1;
}
