#include "reader/column_doubts.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

#include "format/row_structure.h"
#include "reader/column_types.h"
#include "reader/mdb_file.h"

namespace {

// Enough rows to tell the types apart, read from the table's first pages.
constexpr size_t kSampleRows = 200;
constexpr size_t kSamplePages = 16;

// The bytes a value of the type takes in the fixed area; 0 for types that
// are not of one size (text, binary, long values, booleans) or unknown.
int32_t SizeOf(ColumnType type) {
  if (type == ColumnType::Numeric) return 17;
  if (type == ColumnType::DateTimeExtended) return 42;
  return NumberTypeSize(type);
}

// Types whose stored code says nothing of their width: left as they are.
bool HasOwnWidth(ColumnType type) {
  switch (type) {
    case ColumnType::Bit:
    case ColumnType::Text:
    case ColumnType::Binary:
    case ColumnType::Memo:
    case ColumnType::Ole:
    case ColumnType::Complex: return false;
    default: return true;
  }
}

// The types a fixed value of length bytes can be read as. A decimal's scale
// is not known without its record, so 17 bytes are none.
std::vector<ColumnType> TypesOfLength(int32_t length) {
  switch (length) {
    case 1: return {ColumnType::Byte};
    case 2: return {ColumnType::Int};
    case 4: return {ColumnType::Long, ColumnType::Single};
    case 8: return {ColumnType::Currency, ColumnType::Double, ColumnType::Date, ColumnType::BigInt};
    case 16: return {ColumnType::Guid};
    case 42: return {ColumnType::DateTimeExtended};
    default: return {};
  }
}

template <typename T>
T Load(const std::string& bytes) {
  T value{};
  std::memcpy(&value, bytes.data(), std::min(sizeof value, bytes.size()));
  return value;
}

// A stored real in the range numbers are kept in: an integer read as a real
// is a denormal, and a real read as an integer is beyond 10^15.
bool PlausibleReal(double x) { return std::isfinite(x) && (x == 0 || (std::fabs(x) > 1e-100 && std::fabs(x) < 1e100)); }

bool Plausible(ColumnType type, const std::string& bytes) {
  switch (type) {
    case ColumnType::Long: return std::abs(int64_t{Load<int32_t>(bytes)}) < 100000000;
    case ColumnType::Single: {
      const float x = Load<float>(bytes);
      return std::isfinite(x) && (x == 0 || (std::fabs(x) > 1e-30f && std::fabs(x) < 1e30f));
    }
    case ColumnType::Currency:
    case ColumnType::BigInt: {
      const int64_t v = Load<int64_t>(bytes);
      return v > -1000000000000000 && v < 1000000000000000;
    }
    case ColumnType::Double: return PlausibleReal(Load<double>(bytes));
    // Years 100 to 9999.
    case ColumnType::Date: {
      const double x = Load<double>(bytes);
      return PlausibleReal(x) && x > -657435.0 && x < 2958466.0;
    }
    case ColumnType::DateTimeExtended:
      return bytes.size() > 19 && bytes[19] == ':' && std::all_of(bytes.begin(), bytes.begin() + 19, [](char c) {
               return c >= '0' && c <= '9';
             });
    default: return true;
  }
}

// The fixed bytes of each doubted column (by position in columns) in a
// sample of the table's live rows; absent values left out.
std::vector<std::vector<std::string>> SampleValues(const MdbFile& db, const TableDef& table,
                                                   const std::vector<size_t>& columns) {
  std::vector<std::vector<std::string>> samples(columns.size());
  const JetLayout& layout = db.Layout();
  if (layout.pageSize <= 0) return samples;
  const bool variableColumns =
      std::any_of(table.columns.begin(), table.columns.end(), [](const ColumnDef& c) { return !c.isFixed; });
  std::vector<uint8_t> buffer(static_cast<size_t>(layout.pageSize));
  RowStructure row;
  size_t rows = 0;
  for (size_t p = 0; p < table.dataPages.size() && p < kSamplePages && rows < kSampleRows; ++p) {
    const int32_t number = table.dataPages[p];
    if (db.ReadPage(buffer.data(), number) <= 0) continue;
    ByteSpan page(buffer);
    const int32_t slots = std::max<int32_t>(0, db.pages[static_cast<size_t>(number)].rowCount);
    for (int32_t slot = 0; slot < slots && rows < kSampleRows; ++slot) {
      const uint16_t entry = ReadWord(page, layout.rowOffsetTable + 2 * int64_t{slot});
      if (entry & (layout.deletedRowFlag | layout.lookupRowFlag)) continue;
      const int64_t start = entry & layout.rowOffsetMask;
      const int64_t limit =
          slot == 0 ? layout.pageSize : ReadWord(page, layout.rowOffsetTable + 2 * (int64_t{slot} - 1)) & layout.rowOffsetMask;
      if (!ReadRowStructure(page, layout, start, limit - 1, {table.maxColumns, variableColumns, true}, row)) continue;
      ++rows;
      for (size_t k = 0; k < columns.size(); ++k) {
        const ColumnDef& column = table.columns[columns[k]];
        const int64_t at = row.fixedStart + column.fixedOffset;
        if (!row.Present(page, column.columnNumber) || at + column.storedLength > row.FixedEnd()) continue;
        samples[k].emplace_back(reinterpret_cast<const char*>(page.data() + at),
                                static_cast<size_t>(column.storedLength));
      }
    }
  }
  return samples;
}

// The type the values make plausible, the nearest in bits to the stated
// code when several are; none when no one type stands out.
std::optional<ColumnType> TypeByValues(ColumnType stated, int32_t length, const std::vector<std::string>& values) {
  std::vector<ColumnType> plausible;
  for (ColumnType type : TypesOfLength(length)) {
    const auto failed = std::count_if(values.begin(), values.end(), [&](const std::string& bytes) {
      return !Plausible(type, bytes);
    });
    // A few stray values do not rule a type out.
    if (failed * 20 <= static_cast<std::ptrdiff_t>(values.size())) plausible.push_back(type);
  }
  auto distance = [stated](ColumnType type) {
    return std::popcount(static_cast<uint32_t>(ColumnTypeCode(stated) ^ ColumnTypeCode(type)) & 0xFFu);
  };
  std::sort(plausible.begin(), plausible.end(),
            [&](ColumnType a, ColumnType b) { return distance(a) < distance(b); });
  if (plausible.empty() || (plausible.size() > 1 && distance(plausible[0]) == distance(plausible[1])))
    return std::nullopt;
  return plausible.front();
}

// Where the next fixed column starts after this one: the room the row
// gives it; 0 when it is the last.
int32_t RoomOf(const TableDef& table, const ColumnDef& column) {
  int32_t next = 0;
  for (const ColumnDef& other : table.columns)
    if (other.isFixed && other.type != ColumnType::Bit && other.fixedOffset > column.fixedOffset &&
        (next == 0 || other.fixedOffset < next))
      next = other.fixedOffset;
  return next == 0 ? 0 : next - column.fixedOffset;
}

std::string TypeName(ColumnType type, const ColumnDef& column) {
  ColumnDef named = column;
  named.type = type;
  return ColumnTypeName(named);
}

}  // namespace

int CheckColumnTypes(const MdbFile& db, TableDef& table) {
  table.doubts.clear();
  std::vector<size_t> doubted;
  for (size_t k = 0; k < table.columns.size(); ++k) {
    const ColumnDef& column = table.columns[k];
    if (!column.isFixed || column.calculated || !HasOwnWidth(column.type) || column.typeFromLength) continue;
    if (SizeOf(column.type) == column.storedLength) continue;
    doubted.push_back(k);
  }
  if (doubted.empty()) return 0;
  const std::vector<std::vector<std::string>> samples = SampleValues(db, table, doubted);
  for (size_t k = 0; k < doubted.size(); ++k) {
    ColumnDef& column = table.columns[doubted[k]];
    const std::string stated = TypeName(column.type, column);
    const std::string length = std::to_string(column.storedLength);
    const int32_t size = SizeOf(column.type);
    if (size > 0 && RoomOf(table, column) == size) {
      // The next column starts where the type ends: the length is wrong.
      table.doubts.push_back(column.name + ": stored as " + stated + " in " + length +
                             " bytes; read as " + stated + ", the room the row gives it");
      column.length = size;
      continue;
    }
    column.statedType = column.type;
    column.typeFromLength = true;
    column.length = column.storedLength;
    if (std::optional<ColumnType> type = TypeByValues(column.type, column.storedLength, samples[k])) {
      column.type = *type;
      table.doubts.push_back(column.name + ": stored as " + stated + " in " + length + " bytes; read as " +
                             TypeName(column.type, column));
    } else {
      column.type = ColumnType::Binary;
      table.doubts.push_back(column.name + ": stored as " + stated + " in " + length +
                             " bytes; no type of that length fits its values, shown as bytes");
    }
  }
  return static_cast<int>(doubted.size());
}
