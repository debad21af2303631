#include "reader/orphan_tables.h"

#include <algorithm>
#include <array>
#include <map>
#include <vector>

#include "format/long_value_field.h"
#include "format/row_structure.h"
#include "reader/fixed_column_inference.h"
#include "reader/mdb_file.h"
#include "reader/page_scan.h"
#include "reader/recovery_naming.h"
#include "reader/table_definition.h"

namespace {

constexpr int32_t kTableObject = 1;
constexpr int32_t kTextLength = 255;
// Rows enough to tell what the fixed bytes are, under each reading.
constexpr size_t kMostSamples = 5000;

// What the rows of one owner gave, under both readings of a row: with an
// offset table (the table had variable columns) and without.
struct RowSurvey {
  int32_t fixedRows = 0;
  int32_t variableRows = 0;
  // Per variable value position, the count of values of each OrphanValue kind.
  std::vector<std::array<int32_t, 4>> kinds;
  // The first rows under each reading, for the fixed columns.
  std::vector<RowSample> fixedSamples, variableSamples;
};

void AddSample(ByteSpan page, const RowStructure& row, std::vector<RowSample>& samples) {
  if (samples.size() >= kMostSamples) return;
  RowSample sample;
  ByteSpan fixed = BytesInside(page, row.fixedStart, row.FixedEnd() - row.fixedStart);
  sample.fixed.assign(fixed.begin(), fixed.end());
  for (int32_t column = 0; column < row.columnCount; ++column) sample.present.push_back(row.Present(page, column));
  for (int32_t i = 0; i < row.VariableCount(); ++i) {
    auto [from, to] = row.Variable(i);
    sample.varEmpty.push_back(to <= from);
  }
  samples.push_back(std::move(sample));
}

// True when the owner's page is gone, damaged, or a definition whose header
// does not hold. A page that serves as another kind of page lost nothing:
// it was given to other use after its table was deleted, and the rows
// naming it are leftovers.
bool DefinitionLost(const MdbFile& db, int32_t owner, std::vector<uint8_t>& buffer) {
  if (static_cast<size_t>(owner) >= db.pages.size()) return true;
  db.ReadPage(buffer.data(), owner);
  if (!CarriesJetPageType(buffer, db.Layout())) return true;
  return db.pages[static_cast<size_t>(owner)].Is(PageType::TableDefinition) &&
         !ReadDefinitionHeader(buffer, db.Layout()).Holds();
}

void SurveyPage(const MdbFile& db, ByteSpan page, int32_t slots, RowSurvey& survey) {
  const JetLayout& layout = db.Layout();
  // Garbage that only looks like a data page seldom has the byte 1 after its type.
  if (!CarriesJetPageType(page, layout)) return;
  RowStructure row;
  const RowRules fixedOnly{RowStructure::kMaxColumns, false, true}, variable{RowStructure::kMaxColumns, true, true};
  for (int32_t slot = 0; slot < slots; ++slot) {
    uint16_t entry = ReadWord(page, layout.rowOffsetTable + 2 * int64_t{slot});
    if (entry & layout.deletedRowFlag) continue;
    int64_t limit = slot == 0 ? layout.pageSize
                              : ReadWord(page, layout.rowOffsetTable + 2 * (int64_t{slot} - 1)) & layout.rowOffsetMask;
    int64_t start = entry & layout.rowOffsetMask;
    if (ReadRowStructure(page, layout, start, limit - 1, fixedOnly, row)) {
      ++survey.fixedRows;
      AddSample(page, row, survey.fixedSamples);
    }
    if (!ReadOrphanRow(page, layout, start, limit - 1, variable, row)) continue;
    ++survey.variableRows;
    AddSample(page, row, survey.variableSamples);
    const size_t values = static_cast<size_t>(row.VariableCount());
    if (survey.kinds.size() < values) survey.kinds.resize(values, {});
    for (int32_t i = 0; i < row.VariableCount(); ++i) {
      auto [from, to] = row.Variable(i);
      ++survey.kinds[static_cast<size_t>(i)][static_cast<size_t>(ClassifyOrphanValue(db, page, from, to - from))];
    }
  }
}

ColumnDef OrphanColumn(std::string name, ColumnType type, int32_t number) {
  ColumnDef column;
  column.name = std::move(name);
  column.type = type;
  column.columnNumber = column.columnIndex = number;
  column.length = type == ColumnType::Text ? kTextLength : 0;
  column.isFixed = number == 0;
  column.fixedOffset = 0;
  column.varIndex = number - 1;
  return column;
}

// The kind most of a position's values are; text when they tie or are all empty.
ColumnType ColumnTypeOf(const std::array<int32_t, 4>& kinds) {
  auto count = [&](OrphanValue kind) { return kinds[static_cast<size_t>(kind)]; };
  if (count(OrphanValue::LongValue) > count(OrphanValue::Text) && count(OrphanValue::LongValue) >= count(OrphanValue::Bytes))
    return ColumnType::Memo;
  if (count(OrphanValue::Bytes) > count(OrphanValue::Text)) return ColumnType::Binary;
  return ColumnType::Text;
}

// The table of one owner's pages, or nullptr when none of its rows holds.
std::unique_ptr<TableDef> OrphanTable(const MdbFile& db, int32_t owner, std::vector<int32_t> dataPages,
                                      const ObjectProperties& properties, std::vector<uint8_t>& buffer) {
  const JetLayout& layout = db.Layout();
  const int32_t maxSlots = (layout.pageSize - layout.rowOffsetTable) / 2;
  RowSurvey survey;
  for (int32_t page : dataPages) {
    db.ReadPage(buffer.data(), page);
    SurveyPage(db, buffer, std::clamp<int32_t>(db.pages[static_cast<size_t>(page)].rowCount, 0, maxSlots), survey);
  }
  // Any row holds without an offset table; rows of a table with variable
  // columns hold with one too, and rows of other tables seldom do.
  const bool variable = survey.variableRows > 0 && 2 * survey.variableRows >= survey.fixedRows;
  const int32_t rows = variable ? survey.variableRows : survey.fixedRows;
  if (rows == 0) return nullptr;

  auto table = std::make_unique<TableDef>();
  table->orphan = true;
  table->definitionPage = owner;
  table->objectType = kTableObject;
  table->name = kOrphanPrefix;
  table->rowCount = rows;
  table->dataPages = std::move(dataPages);
  table->columns.push_back(OrphanColumn("Fixed data", ColumnType::Binary, 0));
  std::vector<ColumnDef> values;
  if (variable)
    for (size_t i = 0; i < survey.kinds.size(); ++i)
      values.push_back(OrphanColumn("Value " + std::to_string(i + 1), ColumnTypeOf(survey.kinds[i]),
                                    static_cast<int32_t>(i + 1)));
  table->varColumnCount = static_cast<int32_t>(values.size());
  AddGuessedColumns(InferFixedColumns(variable ? survey.variableSamples : survey.fixedSamples), properties,
                    std::move(values), table->columns);
  table->columnCount = table->maxColumns = static_cast<int32_t>(table->columns.size());
  return table;
}

}  // namespace

OrphanValue ClassifyOrphanValue(const MdbFile& db, ByteSpan page, int64_t start, int64_t length) {
  if (length <= 0) return OrphanValue::Empty;
  const JetLayout& layout = db.Layout();
  ByteSpan bytes = BytesInside(page, start, length);
  if (static_cast<int64_t>(bytes.size()) != length) return OrphanValue::Bytes;
  if (length >= layout.longValueFieldSize) {
    LongValueField field(layout, bytes, 0);
    if (field.storage == Storage::kInline && field.statedLength == length - field.size) return OrphanValue::LongValue;
    // Data elsewhere: the field alone, pointing to a row of a long-value page.
    const bool elsewhere = field.storage == Storage::kSingleRow || field.storage == Storage::kChain;
    if (elsewhere && length == field.size && field.statedLength > 0 &&
        static_cast<size_t>(field.pointer.page) < db.pages.size()) {
      const PageEntry& entry = db.pages[static_cast<size_t>(field.pointer.page)];
      if (entry.Is(PageType::Data) && entry.linkPage == layout.longValueMark && field.pointer.row < entry.rowCount)
        return OrphanValue::LongValue;
    }
  }
  return db.Text().IsReadable(bytes) ? OrphanValue::Text : OrphanValue::Bytes;
}

bool ReadOrphanRow(ByteSpan page, const JetLayout& layout, int64_t start, int64_t end, const RowRules& rules,
                   RowStructure& row) {
  // A row with an offset table and no value in it is read without one.
  return ReadRowStructure(page, layout, start, end, rules, row) && (!rules.variableColumns || row.VariableCount() > 0);
}

TableList FindOrphanTables(const MdbFile& db, const std::vector<CatalogEntry>& catalog) {
  const JetLayout& layout = db.Layout();
  // Owners past the file stay possible: a file cut before its definitions.
  const int64_t ownerLimit = std::max<int64_t>(MdbFile::kAccessLimitBytes / std::max(layout.pageSize, 1),
                                               static_cast<int64_t>(db.pages.size()));
  std::map<int32_t, std::vector<int32_t>> pagesByOwner;
  for (const PageEntry& entry : db.pages) {
    int32_t owner = entry.linkPage;
    // Pages below systemPages have fixed roles, the catalog's data among
    // them; the long-value pages' mark lies past any page.
    if (entry.Is(PageType::Data) && owner >= layout.systemPages && owner < ownerLimit)
      pagesByOwner[owner].push_back(entry.pageNumber);
  }
  TableList orphans;
  static const ObjectProperties kNoProperties;
  std::vector<uint8_t> buffer(static_cast<size_t>(layout.pageSize));
  for (auto& [owner, pages] : pagesByOwner) {
    if (!DefinitionLost(db, owner, buffer)) continue;
    // A later row for the same owner wins, as when naming tables.
    const ObjectProperties* properties = &kNoProperties;
    for (const CatalogEntry& row : catalog)
      if (row.definitionPage == owner && row.objectType == kTableObject) properties = &row.properties;
    if (auto table = OrphanTable(db, owner, std::move(pages), *properties, buffer)) orphans.push_back(std::move(table));
  }
  return orphans;
}
