#include "decode/row_order.h"

#include <algorithm>
#include <cstring>

#include "decode/row_decoder.h"
#include "decode/row_reader.h"
#include "format/value.h"
#include "reader/table_def.h"

namespace {

constexpr int64_t kRowsPerReport = 20000;

// One row's key. Numbers compare as long double, which holds every 64-bit
// integer exactly; texts and bytes compare as the bytes kept in the pool.
struct Key {
  long double number = 0;
  uint32_t textOffset = 0;
  uint32_t textLength = 0;
  uint32_t row = 0;  // index into the positions, in the table's order
  uint8_t rank = 0;  // absent, number, text or bytes, unreadable
};

enum Rank : uint8_t { kAbsent, kNumber, kText, kUnreadable };

long double DecimalNumber(const DecimalValue& decimal) {
  long double number = static_cast<long double>(decimal.magnitude);
  for (int32_t i = 0; i < decimal.scale; ++i) number /= 10;
  return decimal.negative ? -number : number;
}

// Latin letters without their case; any other byte as it is, so other
// scripts order by code point.
void AppendFolded(const std::string& text, std::string& pool) {
  for (char c : text) pool += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

Key KeyOf(const Value& value, std::string& pool) {
  Key key;
  auto keepText = [&](const std::string& bytes, bool fold) {
    key.textOffset = static_cast<uint32_t>(pool.size());
    if (fold)
      AppendFolded(bytes, pool);
    else
      pool += bytes;
    key.textLength = static_cast<uint32_t>(pool.size() - key.textOffset);
  };
  switch (value.kind) {
    case ValueKind::Null:
      key.rank = kAbsent;
      break;
    case ValueKind::Boolean:
    case ValueKind::Integer:
    case ValueKind::Currency:
      key.rank = kNumber;
      key.number = static_cast<long double>(value.integer);
      break;
    case ValueKind::Single:
    case ValueKind::Double:
    case ValueKind::DateTime:
      key.rank = kNumber;
      key.number = value.real;
      break;
    case ValueKind::Decimal:
      key.rank = kNumber;
      key.number = DecimalNumber(value.decimal);
      break;
    case ValueKind::DateTimeExtended:
      key.rank = kNumber;
      key.number = (static_cast<long double>(value.extended.days) * 86400 + value.extended.seconds) * 1e7L +
                   value.extended.ticks;
      break;
    case ValueKind::Text:
      key.rank = kText;
      keepText(value.text, true);
      break;
    case ValueKind::Binary:
    case ValueKind::Guid:
    case ValueKind::Ole:
      key.rank = kText;
      keepText(value.bytes, false);
      break;
    case ValueKind::Attachments:
    case ValueKind::MultiValue:
      // By their first item's name or text, as far as they have one.
      key.rank = kText;
      keepText(value.items.empty() ? std::string() : value.items.front().text, true);
      break;
    case ValueKind::Marker:
      key.rank = kUnreadable;
      keepText(value.text, true);
      break;
  }
  return key;
}

// Negative, zero or positive as a orders before, with or after b.
int Compare(const Key& a, const Key& b, const std::string& pool) {
  if (a.rank != b.rank) return a.rank < b.rank ? -1 : 1;
  if (a.rank == kNumber) return a.number < b.number ? -1 : (b.number < a.number ? 1 : 0);
  const uint32_t common = std::min(a.textLength, b.textLength);
  const int bytes = common == 0 ? 0 : std::memcmp(pool.data() + a.textOffset, pool.data() + b.textOffset, common);
  if (bytes != 0) return bytes;
  return a.textLength < b.textLength ? -1 : (a.textLength > b.textLength ? 1 : 0);
}

}  // namespace

bool IsSortableColumn(const TableDef& table, size_t column) {
  if (column >= table.columns.size()) return false;
  // A table whose definition is lost shows its bytes, which do order.
  if (table.orphan) return true;
  const ColumnType type = table.columns[column].type;
  return type != ColumnType::Ole && type != ColumnType::Binary;
}

int RowOrder::Build(RowDecoder& decoder, TableDef& table, size_t column, bool descending,
                    const Progress& progress) {
  rows_.clear();
  column_ = column;
  descending_ = descending;
  if (column >= table.columns.size()) return -1;
  const int32_t number = table.columns[column].columnNumber;
  const bool orphan = table.orphan;
  // The orphan reader keeps its cells by position, not by column number.
  const size_t cellIndex = orphan ? column : static_cast<size_t>(std::max(number, 0));
  if (!orphan) decoder.SetColumnsWanted({number});

  std::vector<Key> keys;
  std::string pool;
  TableRowWalk walk(decoder, table);
  std::string text;
  int got = 0;
  while ((got = walk.Next(text)) == 1) {
    const RowCursor& at = walk.cursor();
    rows_.push_back({at.nextRow - 1, at.dataPageIndex, at.pageSlot - 1});
    static const Value kAbsentValue;
    const RowCells& cells = decoder.cells();
    Key key = KeyOf(cellIndex < cells.size() ? cells[cellIndex].value : kAbsentValue, pool);
    key.row = static_cast<uint32_t>(keys.size());
    keys.push_back(key);
    if (progress && static_cast<int64_t>(keys.size()) % kRowsPerReport == 0)
      progress(static_cast<int64_t>(keys.size()), false);
  }
  decoder.SetColumnsWanted({});
  if (got < 0) {
    rows_.clear();
    return -1;
  }
  if (progress) progress(static_cast<int64_t>(keys.size()), true);

  std::sort(keys.begin(), keys.end(), [&pool, descending](const Key& a, const Key& b) {
    const int order = Compare(a, b, pool);
    if (order == 0) return a.row < b.row;  // equal keys keep the table's order
    return descending ? order > 0 : order < 0;
  });
  std::vector<RowPosition> ordered;
  ordered.reserve(keys.size());
  for (const Key& key : keys) ordered.push_back(rows_[key.row]);
  rows_ = std::move(ordered);
  return 1;
}
