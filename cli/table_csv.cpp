#include "cli/table_csv.h"

#include <atomic>
#include <string>
#include <string_view>
#include <vector>

#include "decode/row_reader.h"
#include "decode/row_text.h"
#include "export/csv_writer.h"
#include "export/table_sheet_writer.h"
#include "decode/row_cursor.h"
#include "decode/row_decoder.h"

namespace {

// The record browser's fetches from a zeroed cursor; the page's rows as its
// list shows them: markers left out.
void WritePage(RowDecoder& rows, TableDef& table, long page, std::FILE* out) {
  RowCursor cursor;
  std::vector<std::string> texts;
  for (long fetch = 1; fetch <= page; ++fetch) {
    int32_t row = cursor.nextRow, slot = cursor.pageSlot;
    texts.assign(100, std::string());
    if (FetchRowPage(rows, table, cursor, texts) == -1) texts.clear();
    // A fetch that did not move the cursor read nothing, and so would every
    // fetch after it.
    if (cursor.nextRow == row && cursor.pageSlot == slot) {
      if (fetch < page) texts.clear();
      break;
    }
  }
  CsvWriter csv(out);
  for (const ColumnDef& column : table.columns) csv.Field(column.name);
  csv.EndLine();
  std::vector<std::string_view> values;
  for (const std::string& text : texts) {
    if (IsSkippedRowText(text)) continue;
    SplitRowText(text, values);
    // One value per column, as the export writes them.
    values.resize(table.columns.size());
    csv.Line(values);
  }
}

}  // namespace

bool WriteTableCsv(RowDecoder& rows, TableDef& table, long page, std::FILE* out, RowSet rowSet) {
  if (page == 0) {
    // Every row exactly as the CSV export writes it: the same walk, the
    // same lines.
    std::atomic<uint8_t> neverAbandoned{0};
    TableSheetWriter writer(rows, neverAbandoned, [](const std::string&) {}, [](const std::string&, int32_t) {});
    CsvSheet sheet(out);
    writer.WriteTable(table, sheet, SheetHandlers(), rowSet);
    sheet.Flush();
  } else {
    WritePage(rows, table, page, out);
  }
  return !std::ferror(out);
}
