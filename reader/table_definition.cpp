#include "reader/table_definition.h"

#include <algorithm>
#include <string>

#include "format/utf8.h"
#include "reader/index_definitions.h"

namespace {

constexpr int32_t kMaxTextLength = 255;
constexpr int32_t kCalculatedFlags = 0xC0;

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

// A calculated column's record does not give its result's type: its
// ResultType property does. Without one (the table's catalog row is lost)
// the record's type is the best guess there is.
void ApplyResultType(const ObjectProperties& properties, ColumnDef& column) {
  const PropertyMap* own = properties.Column(column.name);
  const Property* result = own ? own->Find("ResultType") : nullptr;
  if (!result || result->Integer() == 0) return;
  column.type = static_cast<ColumnType>(result->Integer());
  // A decimal result carries its scale in each value: the column has none.
  if (column.type == ColumnType::Numeric) {
    column.precision = 0;
    column.scale = 0;
  }
}

}  // namespace

DefinitionHeader ReadDefinitionHeader(ByteSpan page, const JetLayout& layout) {
  DefinitionHeader header;
  header.rowCount = ReadInt32(page, layout.tdefRowCountOffset);
  header.objectType = ReadSignedByte(page, layout.tdefTableTypeOffset);
  header.maxColumns = ReadUInt16(page, layout.tdefMaxColumnsOffset);
  header.varColumnCount = ReadUInt16(page, layout.tdefVarColumnsOffset);
  header.columnCount = ReadUInt16(page, layout.tdefColumnCountOffset);
  return header;
}

void ApplyDefinitionHeader(const DefinitionHeader& header, TableDef& table) {
  table.rowCount = std::max(0, header.rowCount);
  table.objectType = header.objectType;
  table.maxColumns = header.maxColumns;
  table.varColumnCount = header.varColumnCount;
  table.columnCount = header.columnCount;
}

int ParseColumnRecord(ByteSpan definition, const JetLayout& layout, TableDef& table, int64_t offset) {
  ColumnDef column;
  column.type = static_cast<ColumnType>(ReadSignedByte(definition, offset + layout.columnTypeOffset));
  column.columnNumber = ReadUInt16(definition, offset + layout.columnNumberOffset);
  column.varIndex = ReadUInt16(definition, offset + layout.columnVarIndexOffset);
  column.columnIndex = ReadUInt16(definition, offset + layout.columnIndexOffset);
  if (column.type == ColumnType::Numeric) {
    column.precision = ReadSignedByte(definition, offset + layout.columnPrecisionOffset);
    column.scale = ReadSignedByte(definition, offset + layout.columnScaleOffset);
  }
  if (column.type == ColumnType::Complex)
    column.complexId = ReadInt32(definition, offset + layout.columnComplexIdOffset);
  column.flags = static_cast<uint8_t>(ReadSignedByte(definition, offset + layout.columnFlagsOffset));
  column.isFixed = column.flags & 1;
  if (layout.columnExtraFlagsOffset > 0)
    column.calculated = (ReadSignedByte(definition, offset + layout.columnExtraFlagsOffset) & kCalculatedFlags) != 0;
  column.fixedOffset = ReadUInt16(definition, offset + layout.columnFixedOffset);
  column.length = ReadUInt16(definition, offset + layout.columnLengthOffset);
  column.storedLength = column.length;
  if (column.type == ColumnType::Text && column.length > kMaxTextLength) column.length = kMaxTextLength;
  table.columns.push_back(std::move(column));
  return 1;
}

int ParseTableDefinition(ByteSpan definition, const JetLayout& layout, const TextDecoder& text,
                         const PageInventory& pages, TableDef& table) {
  ApplyDefinitionHeader(ReadDefinitionHeader(definition, layout), table);
  int64_t realIndexCount = ReadInt32(definition, layout.tdefRealIndexCountOffset);
  if (table.columnCount == 0) return 0;

  table.columns.clear();
  table.columns.reserve(static_cast<size_t>(table.columnCount));
  int64_t offset = layout.tdefRealIndexEntries + layout.realIndexEntrySize * realIndexCount;
  for (int32_t i = 0; i < table.columnCount; ++i, offset += layout.columnRecordSize)
    ParseColumnRecord(definition, layout, table, offset);

  for (ColumnDef& column : table.columns) {
    int64_t length = layout.columnNameLengthSize == 1 ? ReadSignedByte(definition, offset) & 0xFF
                                                      : ReadUInt16(definition, offset);
    column.name = text.Text(definition, offset + layout.columnNameLengthSize, length);
    // Only a damaged definition holds longer names.
    column.name.resize(Utf8Prefix(column.name, ColumnDef::kMaxNameLength).size());
    offset += length + layout.columnNameLengthSize;
  }
  table.schemaNotes.clear();
  ReadIndexDefinitions(definition, layout, text, offset, table);

  int recovered = 0;
  for (ColumnDef& column : table.columns) {
    if (column.calculated) ApplyResultType(table.properties, column);
    if (column.name.empty())
      column.name = "Recovered Column " + std::to_string(++recovered);
    else
      MakePrintable(column.name);
  }

  table.dataPages.clear();
  table.freedPages.clear();
  for (const PageEntry& entry : pages)
    if (entry.Is(PageType::Data) && entry.linkPage == table.definitionPage)
      table.dataPages.push_back(entry.pageNumber);
  return 1;
}
