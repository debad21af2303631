#include "decode/complex_values.h"

#include <algorithm>
#include <string_view>

#include "decode/attachment_file.h"
#include "decode/ole_file_writer.h"
#include "decode/row_decoder.h"
#include "decode/row_text.h"
#include "reader/complex_columns.h"
#include "reader/long_value_reader.h"
#include "reader/mdb_file.h"

namespace {

constexpr char kComplexMarker[] = "#COMPLEX";

const ColumnDef* FindColumn(const TableDef& table, std::string_view name) {
  for (const ColumnDef& column : table.columns)
    if (column.name == name) return &column;
  return nullptr;
}

// The flat table's columns to decode: the foreign key, then what the kind
// keeps (an attachment's name and data, a version's text and date, the
// value). None when one is missing.
std::vector<ColumnDef> ColumnsToRead(const TableDef& flat, const ColumnDef& column) {
  const std::string foreignKey = ComplexForeignKeyName(column);
  const ColumnDef* key = FindColumn(flat, foreignKey);
  if (!key) return {};
  std::vector<const ColumnDef*> wanted{key};
  switch (column.complexKind) {
    case ComplexKind::Attachment:
      wanted.push_back(FindColumn(flat, "FileName"));
      wanted.push_back(FindColumn(flat, "FileData"));
      break;
    case ComplexKind::VersionHistory: {
      auto memo = std::find_if(flat.columns.begin(), flat.columns.end(),
                               [](const ColumnDef& c) { return c.type == ColumnType::Memo; });
      auto date = std::find_if(flat.columns.begin(), flat.columns.end(),
                               [](const ColumnDef& c) { return c.name.starts_with("Modified_"); });
      wanted.push_back(memo != flat.columns.end() ? &*memo : nullptr);
      wanted.push_back(date != flat.columns.end() ? &*date : nullptr);
      break;
    }
    default: {
      // Neither the foreign key nor the flat row's own key ("<table>_<column>").
      auto value = std::find_if(flat.columns.begin(), flat.columns.end(),
                                [&](const ColumnDef& c) { return !c.name.ends_with(foreignKey); });
      wanted.push_back(value != flat.columns.end() ? &*value : nullptr);
    }
  }
  if (std::find(wanted.begin(), wanted.end(), nullptr) != wanted.end()) return {};
  std::vector<ColumnDef> columns;
  for (const ColumnDef* c : wanted) columns.push_back(*c);
  // The file data as the bytes of its long-value field: unwrapped later, for
  // the rows asked for, and never written as an OLE object.
  if (column.complexKind == ComplexKind::Attachment) columns.back().type = ColumnType::Binary;
  return columns;
}

}  // namespace

ComplexValues::ComplexValues(const MdbFile& db, const std::atomic<uint8_t>& stopRequested, OleFileWriter& files)
    : db_(db), stopRequested_(stopRequested), files_(files) {}

ComplexValues::Index& ComplexValues::IndexOf(const TableDef& table, const ColumnDef& column) {
  auto [it, added] = indexes_.try_emplace({table.definitionPage, column.columnNumber});
  const TableDef* flat = FindFlatTable(db_, column);
  if (added && flat && column.complexKind != ComplexKind::Unknown) Build(*flat, column, it->second);
  return it->second;
}

void ComplexValues::Build(const TableDef& flat, const ColumnDef& column, Index& index) {
  const std::vector<ColumnDef> columns = ColumnsToRead(flat, column);
  if (columns.empty()) return;
  // A copy: the walk may raise its row count.
  TableDef reading = flat;
  reading.columns = columns;
  RowDecoder rows(db_, stopRequested_, files_);
  rows.ResetCells(reading);
  std::string text;
  for (int32_t page : reading.dataPages) {
    const int32_t slots = rows.LoadPage(page);
    for (int32_t slot = 0; slot < slots; ++slot) {
      if (rows.StopRequested()) return;
      if (rows.ReadRow(reading, slot, text) != 1 || IsSkippedRowText(text)) continue;
      const RowCells& cells = rows.cells();
      auto cell = [&](size_t k) -> const Value& { return cells[static_cast<size_t>(columns[k].columnNumber)].value; };
      if (cell(0).kind != ValueKind::Integer) continue;
      Item item;
      item.value = cell(1);
      if (column.complexKind == ComplexKind::Attachment) {
        item.value.Clear();
        item.value.kind = ValueKind::Binary;
        item.value.text = cell(1).text;
        item.fileData = cell(2).bytes;
      } else if (column.complexKind == ComplexKind::VersionHistory) {
        item.modified = cell(2).real;
      }
      index.rows[static_cast<int32_t>(cell(0).integer)].push_back(std::move(item));
    }
  }
  index.found = true;
}

void ComplexValues::Decode(const TableDef& table, const ColumnDef& column, int32_t id, Value& out) {
  const Index& index = IndexOf(table, column);
  out.Clear();
  if (!index.found) {
    out.kind = ValueKind::Marker;
    out.text = kComplexMarker;
    return;
  }
  static const std::vector<Item> kNone;
  auto found = index.rows.find(id);
  const std::vector<Item>& items = found != index.rows.end() ? found->second : kNone;
  switch (column.complexKind) {
    case ComplexKind::Attachment:
      DecodeAttachments(table, column, id, items, out);
      return;
    case ComplexKind::VersionHistory: {
      // The current text: the latest version, the last row of those as late.
      const Item* latest = nullptr;
      for (const Item& item : items)
        if (!latest || item.modified >= latest->modified) latest = &item;
      if (latest) out = latest->value;
      return;
    }
    default:
      out.kind = ValueKind::MultiValue;
      for (const Item& item : items) out.items.push_back(item.value);
  }
}

void ComplexValues::DecodeAttachments(const TableDef& table, const ColumnDef& column, int32_t id,
                                      const std::vector<Item>& items, Value& out) {
  out.kind = ValueKind::Attachments;
  std::string stored;
  for (size_t i = 0; i < items.size(); ++i) {
    Value file = items[i].value;
    ByteSpan field(reinterpret_cast<const uint8_t*>(items[i].fileData.data()), items[i].fileData.size());
    AttachmentFile unwrapped;
    if (!ReadLongValue(db_, field, 0, static_cast<int64_t>(field.size()), stored))
      unwrapped.problem = "file data unreadable";
    else
      unwrapped = UnwrapAttachment(ByteSpan(reinterpret_cast<const uint8_t*>(stored.data()), stored.size()));
    file.bytes = std::move(unwrapped.data);
    if (unwrapped.problem.empty() || !file.bytes.empty())
      file.path = files_.WriteAttachment(table.name, column.name, id, i, file.text, file.bytes);
    if (!unwrapped.problem.empty()) {
      file.kind = ValueKind::Marker;
      file.text += " [" + unwrapped.problem + "]";
    }
    out.items.push_back(std::move(file));
  }
}
