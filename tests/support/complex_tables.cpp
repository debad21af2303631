#include "tests/support/complex_tables.h"

#include <zlib.h>

#include <cstdio>
#include <map>

#include "tests/support/jet_text.h"
#include "tests/support/page_file.h"

namespace testdb {
namespace {

constexpr uint32_t kFlatTableFlags = 0x800A0000;
constexpr uint32_t kTypeTableFlags = 0x80030000;
constexpr uint32_t kEngineTableFlags = 0x80000000;
constexpr size_t kMaxNameLength = 64;
constexpr double kFirstVersionDate = 45000.5;

// 32 hex digits standing for the GUID Access puts in these names.
std::string HexName(uint32_t id) {
  char hex[40];
  std::snprintf(hex, sizeof hex, "%08X%024X", id, 0xC0FFEEu);
  return hex;
}

std::vector<Column> ValueColumns(ComplexKind kind, const std::string& hex) {
  using T = ColumnType;
  switch (kind) {
    case ComplexKind::Attachment:
      return {{"FileURL", T::Memo},       {"FileName", T::Text, 255},       {"FileType", T::Text, 255},
              {"FileData", T::Ole},       {"FileTimeStamp", T::Date},       {"FileFlags", T::Long}};
    case ComplexKind::VersionHistory: return {{"History", T::Memo}, {"Modified_" + hex, T::Date}};
    case ComplexKind::MultiValue: break;
  }
  return {{"Value", T::Text, 255}};
}

std::string Extension(const std::string& name) {
  size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

void Append32(std::vector<uint8_t>& out, uint32_t v) {
  uint8_t b[4];
  PutU32(b, v);
  out.insert(out.end(), b, b + 4);
}

}  // namespace

std::vector<uint8_t> Deflate(const std::vector<uint8_t>& bytes) {
  uLongf size = compressBound(bytes.size());
  std::vector<uint8_t> deflated(size);
  if (compress2(deflated.data(), &size, bytes.data(), bytes.size(), 3) != Z_OK) throw BuildError("deflate failed");
  deflated.resize(size);
  return deflated;
}

std::vector<uint8_t> ComplexTables::WrapAttachment(const Attachment& file) {
  if (file.storedData) return *file.storedData;
  // The content: a header (its length, 1, the extension's length in
  // characters with its NUL, the extension in UTF-16LE), then the file.
  std::vector<uint8_t> extension = Ucs2(Extension(file.name));
  extension.insert(extension.end(), {0, 0});
  std::vector<uint8_t> content;
  Append32(content, static_cast<uint32_t>(12 + extension.size()));
  Append32(content, 1);
  Append32(content, static_cast<uint32_t>(extension.size() / 2));
  content.insert(content.end(), extension.begin(), extension.end());
  content.insert(content.end(), file.data.begin(), file.data.end());

  std::vector<uint8_t> stored;
  Append32(stored, file.compressed ? 1 : 0);
  Append32(stored, static_cast<uint32_t>(content.size()));
  if (!file.compressed) {
    stored.insert(stored.end(), content.begin(), content.end());
    return stored;
  }
  std::vector<uint8_t> deflated = Deflate(content);
  stored.insert(stored.end(), deflated.begin(), deflated.end());
  return stored;
}

const Table* ComplexTables::Keep(std::unique_ptr<Table> table, std::vector<const Table*>& list) {
  made_.push_back(std::move(table));
  list.push_back(made_.back().get());
  return made_.back().get();
}

ComplexTables::ComplexTables(const std::vector<std::unique_ptr<Table>>& tables) {
  uint32_t complexId = 0;
  std::vector<std::unique_ptr<Table>> typeTables;
  std::map<ComplexKind, const Table*> sharedTypes;
  for (const auto& original : tables) {
    bool complex = false;
    for (const Column& c : original->columns) complex = complex || c.type == ColumnType::Complex;
    if (!complex) {
      user_.push_back(original.get());
      continue;
    }
    auto table = std::make_unique<Table>(*original);
    int64_t nextId = 0;  // one counter for all the table's complex columns
    for (size_t c = 0; c < table->columns.size(); ++c) {
      Column& column = table->columns[c];
      if (column.type != ColumnType::Complex) continue;
      column.complexId = ++complexId;
      const std::string hex = HexName(complexId);
      auto flat = std::make_unique<Table>();
      flat->name = ("f_" + hex + "_" + column.name).substr(0, kMaxNameLength);
      flat->catalogFlags = kFlatTableFlags;
      flat->columns = {{"_" + column.name, ColumnType::Long}, {table->name + "_" + column.name, ColumnType::Long}};
      for (Column& value : ValueColumns(column.complexKind, hex)) flat->columns.push_back(value);
      int64_t key = 0;
      for (Row& row : table->rows) {
        if (c >= row.values.size()) continue;
        const Complex* cell = std::get_if<Complex>(&row.values[c].kind());
        if (!cell) continue;
        const int64_t id = ++nextId;
        for (size_t k = 0; k < cell->values.size(); ++k) {
          if (column.complexKind == ComplexKind::VersionHistory)
            flat->rows.push_back({{id, ++key, cell->values[k], Date{kFirstVersionDate + static_cast<double>(k)}}});
          else
            flat->rows.push_back({{id, ++key, cell->values[k]}});
        }
        for (const Attachment& file : cell->files)
          flat->rows.push_back({{id, ++key, Null{}, file.name, Extension(file.name), Bytes{WrapAttachment(file)}}});
        row.values[c] = cell->id.value_or(id);
      }

      const Table*& type = sharedTypes[column.complexKind];
      if (!type || column.complexKind == ComplexKind::VersionHistory) {
        auto made = std::make_unique<Table>();
        made->name = column.complexKind == ComplexKind::Attachment ? "MSysComplexType_Attachment"
                     : column.complexKind == ComplexKind::MultiValue ? "MSysComplexType_Text"
                                                                      : "MSysComplexTypeVH_" + hex;
        made->catalogFlags = kTypeTableFlags;
        made->columns = ValueColumns(column.complexKind, hex);
        type = made.get();
        typeTables.push_back(std::move(made));
      }
      entries_.push_back({nullptr, Keep(std::move(flat), values_), type, column.name, complexId});
    }
    const Table* kept = Keep(std::move(table), user_);
    for (Entry& entry : entries_)
      if (!entry.owner) entry.owner = kept;
  }
  for (auto& type : typeTables) Keep(std::move(type), values_);
}

std::unique_ptr<Table> ComplexTables::CatalogTable(const std::function<uint32_t(const Table&)>& pageOf) const {
  if (entries_.empty()) return nullptr;
  auto table = std::make_unique<Table>();
  table->name = "MSysComplexColumns";
  table->catalogFlags = kEngineTableFlags;
  table->columns = {{"ColumnName", ColumnType::Text, 255},
                    {"ComplexTypeObjectID", ColumnType::Long},
                    {"FlatTableID", ColumnType::Long},
                    {"ConceptualTableID", ColumnType::Long},
                    {"ComplexID", ColumnType::Long}};
  for (const Entry& e : entries_)
    table->rows.push_back({{e.column, pageOf(*e.type), pageOf(*e.flat), pageOf(*e.owner), e.complexId}});
  return table;
}

}  // namespace testdb
