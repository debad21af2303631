#include "reader/table_definition.h"

#include <string>

namespace {

constexpr int32_t kMaxTextLength = 255;

// Names are shown and written as they are: anything outside printable ASCII
// becomes '_', except the no-break space.
void MakePrintable(std::string& name) {
  for (char& c : name) {
    auto byte = static_cast<uint8_t>(c);
    if ((byte < 0x20 || byte > 0x7E) && byte != 0xA0) c = '_';
  }
}

}  // namespace

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
  column.isFixed = static_cast<uint8_t>(ReadSignedByte(definition, offset + layout.columnFlagsOffset) & 1);
  column.fixedOffset = ReadUInt16(definition, offset + layout.columnFixedOffset);
  column.length = ReadUInt16(definition, offset + layout.columnLengthOffset);
  if (column.type == ColumnType::Text && column.length > kMaxTextLength) column.length = kMaxTextLength;
  table.columns.push_back(std::move(column));
  return 1;
}

int ParseTableDefinition(ByteSpan definition, const JetLayout& layout, const PageInventory& pages,
                         TableDef& table) {
  table.rowCount = ReadInt32(definition, layout.tdefRowCountOffset);
  table.objectType = ReadSignedByte(definition, layout.tdefTableTypeOffset);
  table.maxColumns = ReadUInt16(definition, layout.tdefMaxColumnsOffset);
  table.varColumnCount = ReadUInt16(definition, layout.tdefVarColumnsOffset);
  table.columnCount = ReadUInt16(definition, layout.tdefColumnCountOffset);
  int64_t realIndexCount = ReadInt32(definition, layout.tdefRealIndexCountOffset);
  if (table.columnCount == 0) return 0;

  table.columns.clear();
  table.columns.reserve(static_cast<size_t>(table.columnCount));
  int64_t offset = layout.tdefRealIndexEntries + layout.realIndexEntrySize * realIndexCount;
  for (int32_t i = 0; i < table.columnCount; ++i, offset += layout.columnRecordSize)
    ParseColumnRecord(definition, layout, table, offset);

  for (ColumnDef& column : table.columns) {
    int64_t length = ReadUInt16(definition, offset);
    column.name = TextDropZerosBuffered(definition, offset + layout.columnNameLengthSize, length);
    // Only a damaged definition holds longer names.
    if (column.name.size() > ColumnDef::kMaxNameLength) column.name.resize(ColumnDef::kMaxNameLength);
    offset += length + layout.columnNameLengthSize;
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
    if (entry.Is(PageType::Data) && entry.linkPage == table.definitionPage)
      table.dataPages.push_back(entry.pageNumber);
  return 1;
}
