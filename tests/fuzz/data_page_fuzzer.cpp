// The rows of one data page of a table with a column of every type, read
// slot by slot as the export reads them, and fetched as the record browser
// fetches them; in each layout in turn.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "report/progress_channel.h"
#include "decode/ole_file_writer.h"
#include "decode/row_reader.h"
#include "format/field_readers.h"
#include "format/jet_layout.h"
#include "reader/mdb_file.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

struct TypeLayout {
  int32_t type;
  int32_t length;
  bool fixed;
  bool calculated = false;
};

// Every type code, fixed ones laid out one after another as a row has them,
// and calculated columns of the result types stored in their own forms.
constexpr TypeLayout kLayout[] = {
    {1, 1, true},   {2, 1, true},    {3, 2, true},    {4, 4, true},       {5, 8, true},       {6, 4, true},
    {7, 8, true},   {8, 8, true},    {15, 16, true},  {16, 17, true},     {19, 8, true},      {20, 42, true},
    {9, 255, false}, {10, 255, false}, {11, 0, false}, {12, 0, false},    {13, 0, false},     {4, 39, false, true},
    {1, 39, false, true}, {16, 39, false, true}, {10, 509, false, true}, {12, 0, false, true},
};

TableDef MakeTable() {
  TableDef table;
  table.definitionPage = 0;
  int32_t fixedOffset = 0, varIndex = 0, number = 0;
  for (const TypeLayout& l : kLayout) {
    ColumnDef c;
    c.name = "c" + std::to_string(number);
    c.type = static_cast<ColumnType>(l.type);
    c.length = l.length;
    c.columnNumber = c.columnIndex = number++;
    c.isFixed = l.fixed ? 1 : 0;
    c.calculated = l.calculated;
    c.fixedOffset = l.fixed && l.type != 1 ? fixedOffset : 0;
    if (l.fixed && l.type != 1) fixedOffset += l.length;
    c.varIndex = l.fixed ? 0 : varIndex++;
    if (l.type == 16) {
      c.precision = 18;
      c.scale = 4;
    }
    table.columns.push_back(c);
  }
  table.maxColumns = table.columnCount = number;
  table.varColumnCount = varIndex;
  return table;
}

// The input is the file: page 0 the table's data page, later pages long
// values; the inventory is what a scan of these pages would record.
void ReadPages(const uint8_t* data, size_t size, const JetLayout& layout) {
  ProgressChannel progress;
  MdbFile file;
  OleFileWriter oleFiles(fuzz::OleFolder() + "TempOLeFiles");
  fuzz::MemoryFile input(data, size);
  file.Open(input.path());
  // The layout the format check gives, without the check: any bytes are to
  // reach the row reader.
  file.UseLayout(layout);
  const size_t pageSize = static_cast<size_t>(layout.pageSize);
  size_t pageCount = std::max<size_t>(1, (size + pageSize - 1) / pageSize);
  std::vector<uint8_t> page(pageSize);
  for (size_t n = 0; n < pageCount; ++n) {
    std::fill(page.begin(), page.end(), 0);
    std::copy(data + std::min(size, n * pageSize), data + std::min(size, (n + 1) * pageSize), page.begin());
    PageEntry e;
    e.pageNumber = static_cast<int32_t>(n);
    e.fileOffset = static_cast<int64_t>(n * pageSize);
    e.pageType = static_cast<int8_t>(page[0]);
    e.linkPage = ReadInt32(page, layout.linkOffset);
    e.rowCount = static_cast<int16_t>(ReadUInt16(page, layout.dataRowCountOffset));
    file.pages.push_back(e);
  }
  auto table = std::make_unique<TableDef>(MakeTable());
  table->dataPages.push_back(0);
  table->rowCount = 300;
  file.tables.push_back(std::move(table));

  RowDecoder rows(file, progress.stopRequested, oleFiles);
  fuzz::ReadEveryRow(rows, file.tables);
  TableDef& t = *file.tables.front();
  RowCursor cursor{0, 0, -1};
  std::vector<std::string> texts(100);
  FetchRowPage(rows, t, cursor, texts);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ReadPages(data, size, kJet4Layout);
  ReadPages(data, size, kJet3Layout);
  return 0;
}
