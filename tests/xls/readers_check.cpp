#include "tests/xls/readers_check.h"

#include <cstdio>
#include <filesystem>

#include "tests/support/test_env.h"
#include "tests/xls/xls_file_check.h"

namespace xlscheck {
namespace {

std::string CellJson(int s, int r, int c) {
  return "[" + std::to_string(s) + "," + std::to_string(r) + "," + std::to_string(c) + "]";
}

std::string Join(const std::vector<std::string>& parts) {
  std::string out;
  for (const auto& p : parts) out += (out.empty() ? "" : ",") + p;
  return out;
}

}  // namespace

void Expectation::Sheet(const std::string& name, const std::vector<std::vector<std::string>>& rows) {
  std::string json = "{\"name\":" + testenv::JsonString(name) + ",\"rows\":[";
  for (size_t r = 0; r < rows.size(); ++r) {
    json += r ? ",[" : "[";
    for (size_t c = 0; c < rows[r].size(); ++c) json += (c ? "," : "") + testenv::JsonString(rows[r][c]);
    json += "]";
  }
  sheets_.push_back(json + "]}");
}

void Expectation::GeneratedSheet(const std::string& name, int rows, int columns, int modulo) {
  char json[256];
  std::snprintf(json, sizeof json,
                "{\"name\":%s,\"generated\":{\"rows\":%d,\"columns\":%d,\"header\":\"H{c}\","
                "\"cell\":\"s{s}r{v}c{c}\",\"modulo\":%d}}",
                testenv::JsonString(name).c_str(), rows, columns, modulo);
  sheets_.push_back(json);
}

std::string Expectation::GeneratedText(int sheet, int row, int column, int modulo) {
  if (row == 0) return "H" + std::to_string(column);
  return "s" + std::to_string(sheet) + "r" + std::to_string(row % modulo) + "c" + std::to_string(column);
}

void Expectation::HeaderCell(int sheet, int row, int column) { headers_.push_back(CellJson(sheet, row, column)); }

void Expectation::DataCell(int sheet, int row, int column) { data_.push_back(CellJson(sheet, row, column)); }

std::string Expectation::Json() const {
  return "{\"sheets\":[" + Join(sheets_) + "],\"header_cells\":[" + Join(headers_) + "],\"data_cells\":[" +
         Join(data_) + "]}";
}

void ReadersTest::SetUp() {
  // Debian's Python, the one python3-xlrd is installed for.
  python_ = std::filesystem::exists("/usr/bin/python3") ? "/usr/bin/python3" : "";
  if (python_.empty()) GTEST_SKIP() << "no /usr/bin/python3 to run the readers";
}

ReadersResult ReadersTest::RunReaders(const std::string& workbook, const Expectation& expected) {
  std::string json = dir.File("expected.json");
  testenv::WriteFile(json, expected.Json());
  auto run = testenv::RunCommand({python_, BREVANTIS_CHECK_WORKBOOK_SCRIPT, workbook, json});
  return {run.exitCode, run.out + run.err};
}

void ReadersTest::ExpectReadersAgree(const std::string& workbook, const Expectation& expected) {
  auto verified = CheckXlsFile(workbook);
  EXPECT_TRUE(verified.Sound()) << verified.Problems();
  ReadersResult result = RunReaders(workbook, expected);
  if (result.exitCode == 77) GTEST_SKIP() << "no spreadsheet reader installed";
  EXPECT_EQ(result.exitCode, 0) << result.output;
  std::printf("%s", result.output.c_str());
}

void ReadersTest::WriteTable(ExcelSession& session, Expectation& expected, int sheet, const std::string& name,
                             const std::vector<std::vector<std::string>>& rows) {
  session.SelectSheet(sheet);
  session.NameSheet(name);
  for (size_t r = 0; r < rows.size(); ++r) {
    for (size_t c = 0; c < rows[r].size(); ++c) {
      const auto row = static_cast<int32_t>(r + 1), column = static_cast<int32_t>(c + 1);
      if (r == 0) {
        session.WriteHeaderCell(column, rows[r][c]);
        expected.HeaderCell(sheet - 1, 0, static_cast<int>(c));
      } else {
        session.WriteDataCell(row, column, rows[r][c]);
        expected.DataCell(sheet - 1, static_cast<int>(r), static_cast<int>(c));
      }
    }
  }
  expected.Sheet(name, rows);
}

void ReadersTest::WriteGeneratedSheets(ExcelSession& session, Expectation& expected, int sheets, int rows,
                                       int modulo) {
  const int kColumns = 10;
  for (int s = 0; s < sheets; ++s) {
    char name[24];
    std::snprintf(name, sizeof name, "Table %02d", s + 1);
    session.SelectSheet(s + 1);
    session.NameSheet(name);
    for (int r = 0; r < rows; ++r) {
      for (int c = 0; c < kColumns; ++c) {
        std::string text = Expectation::GeneratedText(s, r, c, modulo);
        if (r == 0) session.WriteHeaderCell(c + 1, text);
        else session.WriteDataCell(r + 1, c + 1, text);
      }
    }
    expected.GeneratedSheet(name, rows, kColumns, modulo);
    for (int c = 0; c < kColumns; c += 3) {
      expected.HeaderCell(s, 0, c);
      expected.DataCell(s, 1, c);
      expected.DataCell(s, rows - 1, c);
    }
  }
}

std::string ReadersTest::SaveNew(ExcelSession& session, const std::string& name) {
  std::string path = dir.File(name);
  session.SetAlerts(false);
  session.SaveAndQuit(path);
  return path;
}

}  // namespace xlscheck
