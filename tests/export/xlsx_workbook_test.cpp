// The .xlsx writer end to end: a workbook of every kind of cell and of the
// texts a sheet's XML cannot hold as they are, read back through python's
// zipfile (every entry's CRC) and openpyxl by export_check.py, and opened
// by LibreOffice when it is installed.
#include <gtest/gtest.h>

#include "export/xlsx_workbook.h"
#include "format/row_cells.h"
#include "tests/support/test_env.h"

namespace {

struct Column {
  std::string name;
  std::string type;  // as `analyze` shows it
};

// A sheet's rows: the cells given to the writer and the text `rows` would
// print for each (what the checker compares the sheet with).
struct Sheet {
  std::string name;
  std::vector<Column> columns;
  std::vector<std::vector<Value>> values;
  std::vector<std::vector<std::string>> texts;
};

Value Of(ValueKind kind, int64_t integer = 0, double real = 0) {
  Value value;
  value.kind = kind;
  value.integer = integer;
  value.real = real;
  return value;
}

Value Text(std::string text) {
  Value value = Of(ValueKind::Text);
  value.text = std::move(text);
  return value;
}

Value Decimal(unsigned __int128 magnitude, int32_t scale, bool negative = false) {
  Value value = Of(ValueKind::Decimal);
  value.decimal = {negative, magnitude, scale};
  return value;
}

std::string CsvField(const std::string& text) {
  std::string field = "\"";
  for (char c : text) field += c == '"' ? std::string("\"\"") : std::string(1, c);
  return field + "\"";
}

// Control characters, a carriage return, a text shaped like an escape,
// U+FFFE, a byte that is not UTF-8, a zero byte (the cell ends there).
const char kAwkward[] = "ctl\x01\x1f tab\tnl\ncr\r _x0041_ \xEF\xBF\xBE bad\xE9 cut\0after";

Sheet EveryKind() {
  Sheet sheet{"Kinds & \"more\"",
              {{"Long", "LONG"}, {"Money", "CURRENCY"}, {"Real", "DOUBLE"}, {"When", "DATETIME"},
               {"Flag", "BIT"}, {"Words", "TEXT"}, {"Exact", "NUMERIC"}},
              {},
              {}};
  unsigned __int128 big = 1;
  for (int i = 0; i < 26; ++i) big *= 10;
  sheet.values = {
      {Of(ValueKind::Integer, 42), Of(ValueKind::Currency, 123450), Of(ValueKind::Double, 0, 0.1),
       Of(ValueKind::DateTime, 0, 45000.5), Of(ValueKind::Boolean, 1), Text("  lead & <tag> trail "),
       Decimal(12345678, 3)},
      {Of(ValueKind::Integer, int64_t{1} << 60), Of(ValueKind::Currency, -5000), Of(ValueKind::Double, 0, -1e20),
       Of(ValueKind::DateTime, 0, 0.25), Of(ValueKind::Boolean, 0),
       Text(std::string(kAwkward, sizeof kAwkward - 1)), Decimal(big + 56, 2, true)},
      {Of(ValueKind::Null), Of(ValueKind::Null), Of(ValueKind::Null), Of(ValueKind::Null), Of(ValueKind::Null),
       Of(ValueKind::Null), Of(ValueKind::Null)},
      {Of(ValueKind::Integer, -7), Of(ValueKind::Null), Of(ValueKind::Single, 0, 1.5f),
       Of(ValueKind::DateTime, 0, 30), Of(ValueKind::Null), Text(std::string(40000, 'x') + "!"), Of(ValueKind::Null)},
  };
  sheet.texts = {
      {"42", "12.345", "0.1", "2023-03-15 12:00:00", "1", "  lead & <tag> trail ", "12345.678"},
      {"1152921504606846976", "-0.5", "-1e+20", "1899-12-30 06:00:00", "0",
       "ctl\x01\x1f tab\tnl\ncr\r _x0041_ \xEF\xBF\xBE bad\xC3\xA9 cut", "-1000000000000000000000000.56"},
      {"", "", "", "", "", "", ""},
      {"-7", "", "1.5", "1900-01-29 00:00:00", "", std::string(40000, 'x') + "!", ""},
  };
  return sheet;
}

TEST(XlsxWorkbookTest, EveryKindOfCellAndAwkwardTextReadsBack) {
  if (testenv::RunCommand({"/usr/bin/python3", "-c", "import openpyxl"}).exitCode != 0)
    GTEST_SKIP() << "python3-openpyxl not installed";
  testenv::ScratchDir dir;
  // (LibreOffice leaves out empty rows at the end of a sheet.)
  Sheet second{"Second", {{"Only", "TEXT"}}, {{Text("")}, {Of(ValueKind::Null)}, {Text("plain")}}, {{""}, {""}, {"plain"}}};
  std::vector<Sheet> sheets = {EveryKind(), second};

  std::vector<std::string> failures;
  XlsxWorkbook book([&](const std::string& failure) { failures.push_back(failure); });
  const std::string path = dir.File("book.xlsx");
  book.NewWorkbook(path);
  std::string tables;
  for (size_t s = 0; s < sheets.size(); ++s) {
    const Sheet& sheet = sheets[s];
    book.AddSheet(static_cast<int32_t>(s + 1), sheet.name, "");
    std::vector<std::string> names;
    std::string csv, types;
    for (const Column& column : sheet.columns) {
      names.push_back(column.name);
      csv += (csv.empty() ? "" : ",") + CsvField(column.name);
      types += std::string(types.empty() ? "" : ", ") + testenv::JsonString(column.name) + ": \"" + column.type + "\"";
    }
    csv += "\n";
    book.WriteHeader(names, true);
    for (size_t r = 0; r < sheet.values.size(); ++r) {
      std::vector<CellSlot> slots(sheet.columns.size());
      std::vector<const CellSlot*> cells;
      for (size_t c = 0; c < slots.size(); ++c) {
        slots[c].value = sheet.values[r][c];
        cells.push_back(&slots[c]);
        csv += (c ? "," : "") + CsvField(sheet.texts[r][c]);
      }
      csv += "\n";
      book.WriteCells(static_cast<int32_t>(r + 2), cells);
    }
    const std::string csvPath = dir.File("sheet" + std::to_string(s) + ".csv");
    testenv::WriteFile(csvPath, csv);
    tables += std::string(s ? ", " : "") + "{\"sheet\": " + testenv::JsonString(sheet.name) +
              ", \"csv\": " + testenv::JsonString(csvPath) + ", \"types\": {" + types + "}}";
  }
  book.Save(path, 2);
  ASSERT_EQ(failures, std::vector<std::string>{});

  const std::string plan = dir.File("plan.json");
  testenv::WriteFile(plan, "{\"format\": \"xlsx\", \"libreoffice\": true, \"workbooks\": [" +
                               testenv::JsonString(path) + "], \"tables\": [" + tables + "]}");
  testenv::CommandResult check = testenv::RunCommand({"/usr/bin/python3", BREVANTIS_EXPORT_CHECK, plan});
  EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
}

// A workbook dropped unsaved leaves no file, not even its temporary one.
TEST(XlsxWorkbookTest, AWorkbookDroppedUnsavedLeavesNothing) {
  testenv::ScratchDir dir;
  {
    XlsxWorkbook book([](const std::string&) {});
    book.NewWorkbook(dir.File("gone.xlsx"));
    book.AddSheet(1, "Sheet", "");
    book.WriteHeader({"A"}, true);
  }
  testenv::CommandResult list = testenv::RunCommand({"/bin/ls", "-A", dir.File("")});
  EXPECT_EQ(list.out, "");
}

}  // namespace
