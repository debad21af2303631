#include "reader/index_definitions.h"

#include <algorithm>
#include <string>
#include <vector>


namespace {

// Access allows 32 indexes a table, relationships' included; more is damage.
constexpr int32_t kMaxIndexes = 64;
constexpr int kColumnSlots = 10;
constexpr int kColumnSlotSize = 3;
constexpr int32_t kUnusedSlot = 0xFFFF;
constexpr int64_t kMaxNameBytes = 256;

// Offsets from a logical index's fields.
constexpr int kRealIndexNumber = 4;
constexpr int kKind = 19;

struct RealIndex {
  std::vector<IndexColumn> columns;
  uint8_t flags = 0;
};

bool HasColumn(const TableDef& table, int32_t number) {
  return std::any_of(table.columns.begin(), table.columns.end(),
                     [&](const ColumnDef& column) { return column.columnNumber == number; });
}

void Note(TableDef& table, const std::string& text) { table.schemaNotes.push_back(text); }

}  // namespace

void ReadIndexDefinitions(ByteSpan definition, const JetLayout& layout, const TextDecoder& text, int64_t offset,
                          TableDef& table) {
  table.indexes.clear();
  const int32_t realCount = ReadInt32(definition, layout.tdefRealIndexCountOffset);
  const int32_t logicalCount = ReadInt32(definition, layout.tdefLogicalIndexCountOffset);
  if (realCount == 0 && logicalCount == 0) return;
  const int64_t end = static_cast<int64_t>(definition.size());
  const int64_t logicalStart = offset + int64_t{layout.realIndexSize} * realCount;
  const int64_t namesStart = logicalStart + int64_t{layout.logicalIndexSize} * logicalCount;
  if (realCount < 0 || logicalCount < 0 || realCount > kMaxIndexes || logicalCount > kMaxIndexes ||
      namesStart > end) {
    Note(table, "index counts do not hold (" + std::to_string(realCount) + " real, " +
                    std::to_string(logicalCount) + " named): no index read");
    return;
  }

  std::vector<RealIndex> real(static_cast<size_t>(realCount));
  for (int32_t r = 0; r < realCount; ++r) {
    const int64_t at = offset + int64_t{layout.realIndexSize} * r;
    for (int slot = 0; slot < kColumnSlots; ++slot) {
      const int64_t slotAt = at + layout.realIndexColumnsOffset + kColumnSlotSize * slot;
      const int32_t number = ReadUInt16(definition, slotAt);
      if (number == kUnusedSlot) break;  // used slots come first
      real[static_cast<size_t>(r)].columns.push_back({number, ReadSignedByte(definition, slotAt + 2) == 0});
    }
    real[static_cast<size_t>(r)].flags = static_cast<uint8_t>(ReadSignedByte(definition, at + layout.realIndexFlagsOffset));
  }

  std::vector<std::string> names;
  int64_t nameAt = namesStart;
  for (int32_t i = 0; i < logicalCount; ++i) {
    const int64_t length = layout.columnNameLengthSize == 1 ? ReadSignedByte(definition, nameAt) & 0xFF
                                                             : ReadUInt16(definition, nameAt);
    nameAt += layout.columnNameLengthSize;
    if (length > kMaxNameBytes || nameAt + length > end) break;
    names.push_back(text.Text(definition, nameAt, length));
    nameAt += length;
  }
  if (names.size() < static_cast<size_t>(logicalCount))
    Note(table, "the names of indexes " + std::to_string(names.size() + 1) + " to " +
                    std::to_string(logicalCount) + " do not read: those indexes left out");

  for (size_t i = 0; i < names.size(); ++i) {
    const int64_t at = logicalStart + int64_t{layout.logicalIndexSize} * static_cast<int64_t>(i) +
                       layout.logicalIndexFieldsOffset;
    const std::string& name = names[i];
    const int32_t realNumber = ReadInt32(definition, at + kRealIndexNumber);
    const int32_t kind = ReadSignedByte(definition, at + kKind);
    if (kind < 0 || kind > static_cast<int32_t>(IndexKind::ForeignKey)) {
      Note(table, "index \"" + name + "\" is of unknown kind " + std::to_string(kind) + ": left out");
      continue;
    }
    if (realNumber < 0 || realNumber >= realCount) {
      Note(table, "index \"" + name + "\" uses B-tree " + std::to_string(realNumber) + " of " +
                      std::to_string(realCount) + ": left out");
      continue;
    }
    const RealIndex& tree = real[static_cast<size_t>(realNumber)];
    if (tree.columns.empty()) {
      Note(table, "index \"" + name + "\" has no column: left out");
      continue;
    }
    auto missing = std::find_if(tree.columns.begin(), tree.columns.end(),
                                [&](const IndexColumn& column) { return !HasColumn(table, column.columnNumber); });
    if (missing != tree.columns.end()) {
      Note(table, "index \"" + name + "\" names column number " + std::to_string(missing->columnNumber) +
                      ", which the table does not have: left out");
      continue;
    }
    if (kind == static_cast<int32_t>(IndexKind::PrimaryKey) &&
        std::any_of(table.indexes.begin(), table.indexes.end(),
                    [](const IndexDef& other) { return other.kind == IndexKind::PrimaryKey; })) {
      Note(table, "index \"" + name + "\" is a second primary key: left out");
      continue;
    }
    IndexDef index;
    index.name = name;
    index.kind = static_cast<IndexKind>(kind);
    index.columns = tree.columns;
    index.unique = (tree.flags & 0x01) != 0 || index.kind == IndexKind::PrimaryKey;
    index.ignoreNulls = (tree.flags & 0x02) != 0;
    index.required = (tree.flags & 0x08) != 0;
    table.indexes.push_back(std::move(index));
  }
}
