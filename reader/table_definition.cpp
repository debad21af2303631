#include "reader/table_definition.h"

#include <string>

#include "format/jet_text.h"
#include "format/utf8.h"

namespace {

// Offsets inside a table definition.
constexpr int64_t kRowCount = 16;
constexpr int64_t kTableType = 40;
constexpr int64_t kMaxColumns = 41;
constexpr int64_t kVarColumns = 43;
constexpr int64_t kColumnCount = 45;
constexpr int64_t kRealIndexCount = 51;
constexpr int64_t kRealIndexEntries = 63;
constexpr int64_t kRealIndexEntrySize = 12;
constexpr int64_t kColumnRecordSize = 25;

constexpr int32_t kTextType = 10;
constexpr int32_t kNumericType = 16;
constexpr int32_t kMaxTextLength = 255;
constexpr int16_t kDataPage = 1;

// Names are shown and written as they are, but for the control characters
// (C0, DEL and C1), which become '_'.
void MakePrintable(std::string& name) {
  std::string printable;
  printable.reserve(name.size());
  for (size_t i = 0; i < name.size(); ++i) {
    auto byte = static_cast<uint8_t>(name[i]);
    bool c1 = byte == 0xC2 && i + 1 < name.size() && static_cast<uint8_t>(name[i + 1]) < 0xA0 &&
              static_cast<uint8_t>(name[i + 1]) >= 0x80;
    if (byte < 0x20 || byte == 0x7F || c1) {
      printable.push_back('_');
      i += c1;
    } else {
      printable.push_back(name[i]);
    }
  }
  name = std::move(printable);
}

}  // namespace

int ParseColumnRecord(ByteSpan definition, TableDef& table, int64_t offset) {
  ColumnDef column;
  column.typeCode = ReadSignedByte(definition, offset);
  column.columnNumber = ReadUInt16(definition, offset + 5);
  column.varIndex = ReadUInt16(definition, offset + 7);
  column.columnIndex = ReadUInt16(definition, offset + 9);
  if (column.typeCode == kNumericType) {
    column.precision = ReadSignedByte(definition, offset + 11);
    column.scale = ReadSignedByte(definition, offset + 12);
  }
  column.isFixed = static_cast<uint8_t>(ReadSignedByte(definition, offset + 15) & 1);
  column.fixedOffset = ReadUInt16(definition, offset + 21);
  column.length = ReadUInt16(definition, offset + 23);
  if (column.typeCode == kTextType && column.length > kMaxTextLength) column.length = kMaxTextLength;
  table.columns.push_back(std::move(column));
  return 1;
}

int ParseTableDefinition(ByteSpan definition, const PageInventory& pages, TableDef& table) {
  table.rowCount = ReadInt32(definition, kRowCount);
  table.objectType = ReadSignedByte(definition, kTableType);
  table.maxColumns = ReadUInt16(definition, kMaxColumns);
  table.varColumnCount = ReadUInt16(definition, kVarColumns);
  table.columnCount = ReadUInt16(definition, kColumnCount);
  int64_t realIndexCount = ReadInt32(definition, kRealIndexCount);
  if (table.columnCount == 0) return 0;

  table.columns.clear();
  table.columns.reserve(static_cast<size_t>(table.columnCount));
  int64_t offset = kRealIndexEntries + kRealIndexEntrySize * realIndexCount;
  for (int32_t i = 0; i < table.columnCount; ++i, offset += kColumnRecordSize)
    ParseColumnRecord(definition, table, offset);

  for (ColumnDef& column : table.columns) {
    int64_t length = ReadUInt16(definition, offset);
    column.name = JetText(definition, offset + 2, length);
    // Only a damaged definition holds longer names.
    column.name.resize(Utf8Prefix(column.name, ColumnDef::kMaxNameLength).size());
    offset += length + 2;
  }

  int recovered = 0;
  for (ColumnDef& column : table.columns) {
    if (column.name.empty())
      column.name = "Recovered Column " + std::to_string(++recovered);
    else
      MakePrintable(column.name);
  }

  table.dataPages.clear();
  for (const PageEntry& entry : pages)
    if (entry.pageType == kDataPage && entry.linkPage == table.definitionPage)
      table.dataPages.push_back(entry.pageNumber);
  return 1;
}
