#include "tests/export/export_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "cli/console_watchers.h"
#include "export/recovery_report.h"
#include "platform/folders.h"
#include "reader/table_listing.h"

namespace exporttest {

void PrintTo(const StatisticsEntry& entry, std::ostream* out) {
  *out << "{" << entry.position << ", \"" << entry.name << "\", " << entry.rows << ", \"" << entry.note << "\"}";
}

testdb::Table& AddNumberedTable(testdb::DatabaseBuilder& builder, const std::string& name,
                                uint64_t rows) {
  testdb::Table& table = builder.AddTable(
      name, {{"Id", testdb::ColumnType::Long}, {"Name", testdb::ColumnType::Text, 20}});
  table.generatedRows = rows;
  table.generator = [](uint64_t index, testdb::Row& row) {
    row.values = {static_cast<int64_t>(index + 1), "r" + std::to_string(index + 1)};
  };
  return table;
}

ExportFixture::ExportFixture() {
  platform::CreateFolder(dir.File("program"));
  log.LogSessionHeader({2024, 5, 6, 7, 8, 9}, {2024, 5, 6, 7, 8, 9});
  platform::CreateFolder(ExportFolder());
}

void ExportFixture::Open(const testdb::DatabaseBuilder& builder, const std::string& fileName) {
  std::string path = dir.File(fileName);
  testdb::Layout layout = builder.Write(path);
  ASSERT_TRUE(layout.ok) << layout.error;
  ASSERT_EQ(RunAnalysis(db, progress, dialogs, path), AnalysisResult::Read);
  progress.finished.store(0);
}

TableDef& ExportFixture::Table(const std::string& name) {
  for (auto& table : db.tables) {
    if (table->name == name) return *table;
  }
  ADD_FAILURE() << "no table " << name;
  return *db.tables.front();
}

ExportOptions ExportFixture::Options(int32_t mode, const std::vector<std::string>& names) {
  ExportOptions options;
  options.exportFolder = ExportFolder();
  options.workbookMode = mode;
  if (names.empty()) {
    for (auto& table : db.tables)
      if (IsTableListed(*table, false)) options.chosenTables.push_back(table.get());
  } else {
    for (const auto& name : names) options.chosenTables.push_back(&Table(name));
  }
  return options;
}

int ExportFixture::Run(const ExportOptions& options) {
  lastRun_ = options;
  return job.RunExport(options, view);
}

int32_t ExportFixture::ExportedRows(const std::string& name) {
  const std::vector<TableDef*>& chosen = lastRun_.chosenTables;
  auto found = std::find(chosen.begin(), chosen.end(), &Table(name));
  if (found == chosen.end() || static_cast<size_t>(found - chosen.begin()) >= job.exportedRows().size()) {
    ADD_FAILURE() << "table " << name << " was not exported";
    return -1;
  }
  return job.exportedRows()[static_cast<size_t>(found - chosen.begin())];
}

std::vector<std::string> ExportFixture::ExportedFiles() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(ExportFolder()))
    if (entry.path() != StatisticsFile() && entry.path().filename() != kRecoveryReportFile)
      names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

xlscheck::WorkbookRead ReadWorkbook(const std::string& path) {
  xlscheck::CheckResult result = xlscheck::CheckXlsFile(path);
  EXPECT_TRUE(result.Sound()) << path << ":\n" << result.Problems();
  return result.book;
}

std::vector<std::string> SheetNames(const xlscheck::WorkbookRead& book) {
  std::vector<std::string> names;
  for (const auto& sheet : book.sheets) names.push_back(sheet.name);
  return names;
}

size_t SheetRowCount(const xlscheck::WorkbookRead& book, size_t sheet) {
  const auto& cells = book.sheets.at(sheet).cells;
  return cells.empty() ? 0 : cells.back().row + 1u;
}

std::vector<std::vector<std::string>> SheetGrid(const xlscheck::WorkbookRead& book, size_t sheet) {
  std::vector<std::vector<std::string>> grid(SheetRowCount(book, sheet));
  for (const auto& cell : book.sheets.at(sheet).cells) {
    auto& row = grid[cell.row];
    if (row.size() <= cell.column) row.resize(cell.column + 1u);
    row[cell.column] = cell.text >= 0 ? book.strings.at(static_cast<size_t>(cell.text)) : std::string();
  }
  return grid;
}

}  // namespace exporttest
