// brevantis-cli export end to end: the dated folder, the workbooks checked
// with python3-xlrd or python3-openpyxl (and LibreOffice once) against
// `rows --all` of every table, CSV files byte for byte, the statistics on
// stdout and in the export's folder, the OLE files there too, the logs, the
// refusals, the exit codes; over builder databases and the corpus of real
// files.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <map>
#include <regex>
#include <thread>
#include <tuple>

#include "export/export_statistics.h"
#include "format/jet_layout.h"
#include "export/name_set.h"
#include "export/xlsx_workbook.h"
#include "tests/support/test_db_builder.h"
#include "tests/support/test_db_damage.h"
#include "tests/support/test_env.h"

namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

const char kHeading[] = "            Table name             :          No of Records";

// A copy of the program in a folder of its own: its logs go beside it, apart
// from every other test's.
class CliCopy {
 public:
  CliCopy() : program_(dir_.File("brevantis-cli")) {
    fs::copy_file(BREVANTIS_CLI, program_);
    fs::permissions(program_, fs::perms::owner_all);
  }
  testenv::CommandResult Run(std::vector<std::string> args) const {
    args.insert(args.begin(), program_);
    return testenv::RunCommand(args);
  }
  std::string File(const std::string& name) const { return dir_.File(name); }

 private:
  testenv::ScratchDir dir_;
  std::string program_;
};

// The tables `analyze` lists, in its order; its exit code too.
Names TableNames(const CliCopy& cli, const std::string& database, int* exitCode = nullptr) {
  testenv::CommandResult analysis = cli.Run({"analyze", database});
  if (exitCode) *exitCode = analysis.exitCode;
  Names names;
  size_t start = 0;
  for (size_t end; (end = analysis.out.find('\n', start)) != std::string::npos; start = end + 1) {
    std::string line = analysis.out.substr(start, end - start);
    if (!line.empty() && line[0] != ' ') names.push_back(line);
  }
  return names;
}

// The type of each column as `analyze` shows it ("LONG", "TEXT(50)"), as
// a JSON object keyed by column name, for every table.
std::map<std::string, std::string> ColumnTypesJson(const CliCopy& cli, const std::string& database) {
  testenv::CommandResult analysis = cli.Run({"analyze", database});
  std::map<std::string, std::string> tables;
  std::string* json = nullptr;
  size_t start = 0;
  for (size_t end; (end = analysis.out.find('\n', start)) != std::string::npos; start = end + 1) {
    std::string line = analysis.out.substr(start, end - start);
    if (line.empty() || line[0] != ' ') {
      json = &tables[line];
      continue;
    }
    size_t bracket = line.rfind(" [");
    if (!json || bracket == std::string::npos || line.back() != ']') continue;
    *json += std::string(json->empty() ? "" : ", ") + testenv::JsonString(line.substr(2, bracket - 2)) + ": " +
             testenv::JsonString(line.substr(bracket + 2, line.size() - bracket - 3));
  }
  for (auto& [table, columns] : tables) columns = "{" + columns + "}";
  return tables;
}

// The dated folders exports made in destination, sorted.
Names DatedFolders(const std::string& destination) {
  Names found;
  for (const auto& entry : fs::directory_iterator(destination)) found.push_back(entry.path().string());
  std::sort(found.begin(), found.end());
  static const std::regex kDated(R"(.*/Corvanel_Brevantis_\(DATE=\d+-\d+-\d{4}\)_\(TIME=\d+hr\.\d+m\.\d+s\)(_\d+)?)");
  for (const std::string& folder : found) EXPECT_TRUE(std::regex_match(folder, kDated)) << folder;
  return found;
}

// The one dated folder an export made in destination.
std::string DatedFolder(const std::string& destination) {
  Names found = DatedFolders(destination);
  EXPECT_EQ(found.size(), 1u);
  return found.empty() ? std::string() : found[0];
}

// OLE files are numbered in the order a writer writes them, and an export
// keeps its own.
std::string SameOle(const std::string& text) {
  static const std::regex kOleFile(R"([^,\r\n]*/(TempOLeFiles|OLE Objects)/Ole\d+\.)");
  return std::regex_replace(text, kOleFile, "OLE#.");
}

// What an export writes of each table: its rows (`rows --all`), then, when
// deleted rows were asked for and the table has some, `rows --deleted`
// under the table's name with " (deleted)".
struct Output {
  std::string table;
  std::string suffix;
  std::string rows;
};

std::string ExportedOutputs(const CliCopy& cli, const std::string& database, const Names& tables, bool deleted,
                            std::vector<Output>& outputs) {
  for (const std::string& table : tables) {
    for (const char* set : {"--all", "--deleted"}) {
      if (set == std::string("--deleted") && !deleted) continue;
      testenv::CommandResult rows = cli.Run({"rows", database, table, set});
      if (rows.exitCode != 0) return "rows of " + table + " failed: " + rows.err;
      if (set == std::string("--all")) outputs.push_back({table, "", rows.out});
      else if (std::count(rows.out.begin(), rows.out.end(), '\n') > 1) outputs.push_back({table, " (deleted)", rows.out});
    }
  }
  return "";
}

// The CSV files of an export in `folder`, one per output, against the
// rows; empty when every one is the same.
std::string CheckCsvExport(const std::vector<Output>& outputs, const std::string& folder) {
  NameSet fileNames(NameSet::Kind::File);
  for (const Output& output : outputs) {
    std::string path = folder + "/" + fileNames.Add(output.table, output.suffix) + ".csv";
    if (SameOle(testenv::ReadFile(path)) != SameOle(output.rows)) return path + " differs from its rows";
  }
  Names files;
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.path().extension() == ".csv") files.push_back(entry.path().string());
  return files.size() == outputs.size() ? "" : "not a file per output in " + folder;
}

// Checks the export in `folder` of `tables` of the database against
// `rows --all`, with export_check.py; empty when it matches.
std::string CheckExport(const CliCopy& cli, const std::string& database, const Names& tables,
                        const std::string& folder, bool perTable, bool libreOffice,
                        const std::string& format = "xls", bool deleted = false) {
  std::vector<Output> outputs;
  if (std::string failed = ExportedOutputs(cli, database, tables, deleted, outputs); !failed.empty()) return failed;
  if (format == "csv") return CheckCsvExport(outputs, folder);
  const std::string extension = "." + format;
  std::string fileTitle = fs::path(database).stem().string();
  std::string json = "{\"libreoffice\": " + std::string(libreOffice ? "true" : "false") +
                     ", \"format\": \"" + format + "\", \"tables\": [";
  Names workbooks;
  NameSet fileNames(NameSet::Kind::File);
  NameSet sheetNames(NameSet::Kind::Sheet);
  std::map<std::string, std::string> types = ColumnTypesJson(cli, database);
  for (size_t i = 0; i < outputs.size(); ++i) {
    const Output& output = outputs[i];
    std::string csv = cli.File("table" + std::to_string(i) + ".csv");
    testenv::WriteFile(csv, output.rows);
    std::string sheet = perTable ? NameSet(NameSet::Kind::Sheet).Add(output.table, output.suffix)
                                 : sheetNames.Add(output.table, output.suffix);
    std::string sheetText = sheet;
    if (format == "xlsx") XlsxCellText(sheet, sheetText);
    json += std::string(i ? ", " : "") + "{\"sheet\": " + testenv::JsonString(sheetText) + ", \"csv\": " +
            testenv::JsonString(csv) + ", \"types\": " + types[output.table] + "}";
    if (perTable) workbooks.push_back(folder + "/" + fileNames.Add(output.table, output.suffix) + extension);
  }
  if (!perTable) {
    workbooks.push_back(folder + "/" + fileTitle + extension);
    for (int n = 1; fs::exists(folder + "/" + fileTitle + "_" + std::to_string(n) + extension); ++n)
      workbooks.push_back(folder + "/" + fileTitle + "_" + std::to_string(n) + extension);
  }
  json += "], \"workbooks\": [";
  for (size_t i = 0; i < workbooks.size(); ++i) json += std::string(i ? ", " : "") + testenv::JsonString(workbooks[i]);
  json += "]}";
  std::string plan = cli.File("plan.json");
  testenv::WriteFile(plan, json);
  testenv::CommandResult check = testenv::RunCommand({"/usr/bin/python3", BREVANTIS_EXPORT_CHECK, plan});
  return check.exitCode == 0 ? std::string() : check.out + check.err;
}

std::string MakePreset(const CliCopy& cli, const std::string& preset) {
  std::string path = cli.File(preset + ".mdb");
  testenv::CommandResult made = testenv::RunCommand({BREVANTIS_MAKE_TEST_DB, path, "--preset", preset});
  EXPECT_EQ(made.exitCode, 0) << made.err;
  return path;
}

TEST(ExportCommandTest, ExportsEveryTableInBothModesAndEveryFormatWithStatisticsAndLogs) {
  for (std::string format : {"xls", "xlsx", "csv"})
  for (bool perTable : {false, true}) {
    // Deleted rows in one mode of each format.
    const bool deleted = perTable == (format != "csv");
    SCOPED_TRACE(format + (perTable ? " per table" : " per database") + (deleted ? " with deleted rows" : ""));
    CliCopy cli;
    std::string database = MakePreset(cli, "sample");
    Names tables = TableNames(cli, database);
    ASSERT_FALSE(tables.empty());
    std::string destination = cli.File("out");
    fs::create_directory(destination);

    Names args = {"export", database, "--to", destination, "--format", format};
    if (perTable) args.push_back("--per-table");
    if (deleted) args.push_back("--deleted");
    testenv::CommandResult result = cli.Run(args);
    ASSERT_EQ(result.exitCode, 0) << result.err;

    // stdout: the heading and a line per table, the statistics file's rows
    // (which end with the closing message).
    std::string folder = DatedFolder(destination);
    std::string statistics = testenv::ReadFile(folder + "/Export Statistics.log");
    EXPECT_FALSE(fs::exists(cli.File("Export Statistics.log")));
    std::string expectedOut = std::string(kHeading) + "\n";
    std::string fileRows;
    std::regex line("([^\r\n]*)\r\n");
    std::string afterHeading = statistics.substr(statistics.find(kHeading) + sizeof kHeading + 1);
    for (std::sregex_iterator it(afterHeading.begin(), afterHeading.end(), line), end; it != end; ++it) {
      if ((*it)[1].str().empty()) break;
      expectedOut += (*it)[1].str() + "\n";
    }
    EXPECT_EQ(result.out, expectedOut);
    EXPECT_TRUE(statistics.ends_with("\r\n\r\nExport completed Successfully...\r\n")) << statistics;
    EXPECT_EQ(statistics.rfind("Database Path : " + database + "\r\n\r\n", 0), 0u) << statistics;
    // The sample's one deleted order has a line of its own.
    EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), static_cast<long>(tables.size() + 1 + deleted));
    EXPECT_EQ(result.out.find("Orders (deleted):                   1\n") != std::string::npos, deleted) << result.out;

    EXPECT_NE(result.err.find("Export Database started...\n"), std::string::npos);
    EXPECT_NE(result.err.find("Export started  : " + tables[0] + "\n"), std::string::npos);
    EXPECT_NE(result.err.find("Export completed Successfully...\n"), std::string::npos);
    std::string execLog = testenv::ReadFile(cli.File("Log Files/ExecLog.log"));
    EXPECT_NE(execLog.find("Code:0  Error:0  MSG:Export completed : " + tables.back() + "\r\n"),
              std::string::npos);
    std::string errorLog = testenv::ReadFile(cli.File("Log Files/ErrorLog.log"));
    EXPECT_TRUE(errorLog.ends_with("=\r\nCode:0  Error:0  MSG:Database was not opened\r\n")) << errorLog;

    EXPECT_EQ(CheckExport(cli, database, tables, folder, perTable, !perTable && format != "csv", format, deleted), "");
  }
}

// An export cut short (SIGINT, SIGTERM, SIGKILL, a full disk) never leaves an
// incomplete file under a final name: the table at hand is given up and its
// unfinished file removed, the statistics say so, and the exit code says how
// it ended; a kill leaves only temporary names.
TEST(ExportCommandTest, AnExportCutShortLeavesNoIncompleteFileUnderItsName) {
  CliCopy cli;
  const std::string database = cli.File("two.mdb");
  constexpr int kRows = 150000;
  testenv::CommandResult made = testenv::RunCommand(
      {BREVANTIS_MAKE_TEST_DB, database, "--preset", "many-tables", "--tables", "2", "--rows", std::to_string(kRows)});
  ASSERT_EQ(made.exitCode, 0) << made.err;
  for (std::string format : {"csv", "xlsx", "xls"})
  for (int signal : {SIGINT, SIGTERM, SIGKILL, 0}) {
    SCOPED_TRACE(format + " " + (signal ? strsignal(signal) : "full disk"));
    const std::string destination = cli.File("out-" + format + std::to_string(signal));
    fs::create_directories(destination);
    testenv::CommandOptions options;
    if (signal == 0) options.fileSizeLimit = 64 << 10;
    // Signalled while the second table is written, the first one saved: a
    // CSV file is there from its first row; a workbook has no file before it
    // is saved, the log says when its table starts.
    const std::string sign = format == "csv" ? "Table02.csv.part" : "Table01." + format;
    const std::string execLog = cli.File("Log Files/ExecLog.log");
    auto tablesStarted = [&] {
      const std::string log = fs::exists(execLog) ? testenv::ReadFile(execLog) : std::string();
      size_t n = 0;
      for (size_t at = log.find("Export started  : Table02"); at != std::string::npos;
           at = log.find("Export started  : Table02", at + 1))
        ++n;
      return n;
    };
    const size_t startedBefore = tablesStarted();
    if (signal != 0) options.whileRunning = [&](int pid) {
      for (int wait = 0; wait < 6000; ++wait) {
        for (const auto& entry : fs::recursive_directory_iterator(destination)) {
          if (entry.path().filename() != sign) continue;
          while (format != "csv" && tablesStarted() == startedBefore && wait++ < 6000)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
          return (void)::kill(pid, signal);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
    };
    testenv::CommandResult result = testenv::RunCommand(
        {cli.File("brevantis-cli"), "export", database, "--to", destination, "--per-table", "--format", format}, options);
    EXPECT_EQ(result.exitCode, signal ? 128 + signal : 1) << result.err;

    const std::string folder = DatedFolder(destination);
    Names files;
    for (const auto& entry : fs::directory_iterator(folder)) files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end());
    const std::string statistics = folder + "/Export Statistics.log";
    if (signal == SIGKILL) {
      ASSERT_FALSE(files.empty());
      EXPECT_EQ(files[0], "Table01." + format);
      for (size_t i = 1; i < files.size(); ++i) EXPECT_TRUE(files[i].ends_with(".part")) << files[i];
    } else if (signal != 0) {
      EXPECT_EQ(files, (Names{"Export Statistics.log", "Recovery Report.log", "Table01." + format}));
      EXPECT_NE(testenv::ReadFile(statistics).find("Table02:                   0  (stopped, not written)\r\n\r\n"
                                                   "Export stopped: Table02 not written\r\n"),
                std::string::npos) << testenv::ReadFile(statistics);
    } else {
      EXPECT_EQ(files, (Names{"Export Statistics.log", "Recovery Report.log"}));
    }
    if (format == "csv" && signal != 0) {
      const std::string csv = testenv::ReadFile(folder + "/Table01.csv");
      EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), kRows + 1);
    }
  }
}

// An .xlsx sheet takes 1,048,575 rows: a table of 70,000 is one sheet.
TEST(ExportCommandTest, XlsxKeepsSeventyThousandRowsInOneSheet) {
  CliCopy cli;
  std::string database = cli.File("large.mdb");
  testenv::CommandResult made =
      testenv::RunCommand({BREVANTIS_MAKE_TEST_DB, database, "--preset", "large", "--rows", "70000"});
  ASSERT_EQ(made.exitCode, 0) << made.err;
  Names tables = TableNames(cli, database);
  std::string destination = cli.File("out");
  fs::create_directory(destination);
  testenv::CommandResult result = cli.Run({"export", database, "--to", destination, "--format", "xlsx"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.out.find(":               70000\n"), std::string::npos) << result.out;
  EXPECT_EQ(CheckExport(cli, database, tables, DatedFolder(destination), false, false, "xlsx"), "");
}

TEST(ExportCommandTest, TablesAreChosenByName) {
  CliCopy cli;
  std::string database = MakePreset(cli, "sample");
  Names tables = TableNames(cli, database);
  ASSERT_GE(tables.size(), 3u);
  std::string destination = cli.File("out");
  fs::create_directory(destination);

  // Listed in the analysis' order, whatever the order given.
  testenv::CommandResult result =
      cli.Run({"export", database, "--to", destination, "--per-table", "--tables", tables[2] + "," + tables[0]});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(CheckExport(cli, database, {tables[0], tables[2]}, DatedFolder(destination), true, false), "");

  testenv::CommandResult unknown = cli.Run({"export", database, "--to", destination, "--tables", "NoSuchTable"});
  EXPECT_EQ(unknown.exitCode, 1);
  EXPECT_NE(unknown.err.find("NoSuchTable"), std::string::npos);
}

TEST(ExportCommandTest, WrongArgumentsAndRefusedFilesEndWithTheirExitCodes) {
  CliCopy cli;
  std::string database = MakePreset(cli, "sample");
  std::string notAccess = cli.File("text.mdb");
  testenv::WriteFile(notAccess, std::string(8192, 'x'));
  struct Case {
    Names args;
    int exitCode;
  };
  for (const Case& c : {Case{{"export", database}, 1}, Case{{"export", "--to", cli.File("")}, 1},
                        Case{{"export", database, "--to", cli.File(""), "--bogus"}, 1},
                        Case{{"export", database, "--to", cli.File(""), "--format", "ods"}, 1},
                        Case{{"export", database, "--to", cli.File(""), "--format"}, 1},
                        Case{{"export", cli.File("missing.mdb"), "--to", cli.File("")}, 1},
                        Case{{"export", notAccess, "--to", cli.File("")}, 2}}) {
    testenv::CommandResult result = cli.Run(c.args);
    EXPECT_EQ(result.exitCode, c.exitCode) << c.args.back() << "\n" << result.err;
  }
  EXPECT_FALSE(fs::exists(cli.File("Export Statistics.log")));
}

// Rows lost with their pages, counted against the tables' definitions by
// every command, exit 0 all the same; a file whose tables all lost their
// rows, or cut after its header, is refused.
TEST(ExportCommandTest, RowsLostWithTheirPagesAreCountedAgainstTheDefinitions) {
  CliCopy cli;
  using T = testdb::ColumnType;
  testdb::DatabaseBuilder builder;
  testdb::Table& orders = builder.AddTable("Orders", {{"Id", T::Long}, {"Customer", T::Text, 40}});
  for (int i = 1; i <= 400; ++i) orders.rows.push_back({{i, "Customer " + std::to_string(i)}});
  builder.AddTable("Categories", {{"Id", T::Long}}).rows = {{{1}}, {{2}}, {{3}}, {{4}}, {{5}}, {{6}}, {{7}}, {{8}}};
  builder.AddTable("Shippers", {{"Id", T::Long}}).rows.push_back({{1}});
  const std::string database = cli.File("damaged.mdb"), cut = cli.File("cut.mdb");
  const testdb::Layout layout = builder.Write(database);
  ASSERT_TRUE(layout.ok) << layout.error;
  fs::copy_file(database, cut);
  std::vector<uint32_t> lost = layout.Find("Categories")->dataPages;
  lost.push_back(layout.Find("Orders")->dataPages.at(0));
  ASSERT_TRUE(testdb::GarblePages(database, lost, 5));

  // What `rows` still gives of Orders is what the counts say came back.
  testenv::CommandResult rows = cli.Run({"rows", database, "Orders", "--all"});
  const long found = std::count(rows.out.begin(), rows.out.end(), '\n') - 1;
  ASSERT_TRUE(found > 0 && found < 400) << rows.err;
  const std::string summary = "2 tables incomplete (" + std::to_string(408 - found) + " rows not found)";
  testenv::CommandResult analysis = cli.Run({"analyze", database});
  EXPECT_EQ(analysis.exitCode, 0) << analysis.err;
  EXPECT_EQ(analysis.out, "Orders\n  Id [COUNTER]\n  Customer [TEXT(80)]\n  (" + std::to_string(found) +
                              " of 400 rows readable)\nCategories\n  Id [COUNTER]\n  (0 of 8 rows readable)\n"
                              "Shippers\n  Id [COUNTER]\n");
  for (const std::string& err : {analysis.err, rows.err})
    EXPECT_TRUE(err.ends_with("\nRecovery Completed: " + summary + "\n")) << err;
  // The pages garbled under each table are the pages its report says lost.
  const std::string report = cli.Run({"analyze", database, "--report"}).out;
  for (const auto& [name, read, lostPages] : {std::tuple<std::string, long, size_t>{"Orders", found, 1}, {"Categories", 0, layout.Find("Categories")->dataPages.size()}})
    EXPECT_NE(report.find("\n" + RightAligned(name, 35) + ":" + RightAligned(std::to_string(read), 11) +
                          RightAligned("0", 14) + RightAligned("0", 15) + RightAligned(std::to_string(lostPages), 12) + "\n"),
              std::string::npos)
        << report;

  const std::string destination = cli.File("out");
  fs::create_directory(destination);
  testenv::CommandResult exported = cli.Run({"export", database, "--to", destination, "--format", "csv"});
  EXPECT_EQ(exported.exitCode, 0) << exported.err;
  const std::string missing = "400 expected, " + std::to_string(400 - found) + " missing";
  EXPECT_EQ(exported.out, std::string(kHeading) + "\n" + StatisticsLine({"Orders", int32_t(found), missing}) + "\n" +
                              StatisticsLine({"Categories", 0, "8 expected, 8 missing"}) + "\n" +
                              StatisticsLine({"Shippers", 1, ""}) + "\n");
  const std::string closing = "Export completed: " + summary + "...";
  EXPECT_NE(exported.err.find("\n" + closing + "\n"), std::string::npos) << exported.err;
  EXPECT_TRUE(testenv::ReadFile(DatedFolder(destination) + "/Export Statistics.log").ends_with(closing + "\r\n"));

  ASSERT_TRUE(testdb::GarblePages(database, layout.Find("Shippers")->dataPages, 6));
  ASSERT_TRUE(testdb::GarblePages(database, layout.Find("Orders")->dataPages, 7));
  ASSERT_TRUE(testdb::TruncateFile(cut, 4096));
  for (const std::string& refused : {database, cut}) {
    for (const Names& args : {Names{"analyze", refused}, Names{"export", refused, "--to", destination}}) {
      testenv::CommandResult r = cli.Run(args);
      EXPECT_EQ(r.exitCode, 2) << refused << " " << args[0];
      EXPECT_TRUE(r.err.ends_with("\nNo table of this file could be recovered.\n")) << r.err;
    }
  }
  EXPECT_EQ(DatedFolders(destination).size(), 1u);
}

// A flipped bit that makes a CURRENCY column's record say LONG, a memo
// whose chain lost its second page, a row of zero bytes and one whose null
// mask was zeroed: the column is read by what its 8 bytes allow, the memo
// keeps what read and says it is damaged, the rows without a value are none, and `analyze --report` and the export's
// report count each doubt.
TEST(ExportCommandTest, DoubtsAreResolvedMarkedAndCountedInTheRecoveryReport) {
  CliCopy cli;
  using T = testdb::ColumnType;
  testdb::DatabaseBuilder builder;
  testdb::Table& items = builder.AddTable("Items", {{"Id", T::Long}, {"Price", T::Currency}, {"Notes", T::Memo}});
  for (int i = 1; i <= 5; ++i) items.rows.push_back({{i, testdb::Currency{125000 * i}, "short"}});
  // 6000 bytes of UCS-2 in two chained pieces of 4072 and 1928 bytes.
  items.rows[1].values[2] = testdb::Text{std::string(3000, 'n'), testdb::TextEncoding::Ucs2, testdb::LongStorage::Chain};
  testdb::Row zero;
  zero.rawBytes = std::vector<uint8_t>(16, 0);
  items.rows.insert(items.rows.begin() + 3, zero);
  // A zeroed sector under a row's end: its count and an Id stand, its null
  // mask is gone.
  testdb::Row maskless;
  maskless.rawBytes = std::vector<uint8_t>{3, 0, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 14, 0, 14, 0, 1, 0, 0};
  items.rows.push_back(maskless);
  builder.AddTable("Sound", {{"Id", T::Long}}).rows = {{{1}}, {{2}}};
  const std::string database = cli.File("doubts.mdb");
  const testdb::Layout layout = builder.Write(database);
  ASSERT_TRUE(layout.ok) << layout.error;
  const testdb::TableLayout& table = *layout.Find("Items");
  const uint64_t priceRecord = uint64_t{table.definitionPages.at(0)} * kJet4Layout.pageSize +
                               kJet4Layout.tdefRealIndexEntries + kJet4Layout.columnRecordSize;
  ASSERT_TRUE(testdb::FlipBits(database, {{priceRecord + kJet4Layout.columnTypeOffset, 0}}));
  ASSERT_EQ(table.longValuePages.size(), 2u);
  ASSERT_TRUE(testdb::ZeroPages(database, {table.longValuePages[1]}));

  testenv::CommandResult analysis = cli.Run({"analyze", database, "--report"});
  ASSERT_EQ(analysis.exitCode, 0) << analysis.err;
  const std::string doubt = "Items, column Price: stored as LONG in 8 bytes; read as CURRENCY";
  EXPECT_NE(analysis.err.find("Column type doubted in Items: Price: stored as LONG in 8 bytes; read as CURRENCY\n"),
            std::string::npos)
      << analysis.err;
  const std::string report =
      "Database Path : " + database + "\n\n" +
      "            Table name             :  Rows read  Rows skipped  Values marked  Pages lost\n" +
      "                              Items:          5             2              1           0\n" +
      "                              Sound:          2             0              0           0\n" +
      "                              Total:          7             2              1           0\n\n" +
      "Doubts:\n  " + doubt + "\n  Items: 2 rows without a value skipped\n" +
      "  Items.Notes, row 2: its long value does not give its stated length; kept what read, marked\n";
  EXPECT_EQ(analysis.out, "Items\n  Id [COUNTER]\n  Price [CURRENCY?]\n  Notes [MEMO]\n  (5 of 7 rows readable)\n"
                          "Sound\n  Id [COUNTER]\n\n" + report);

  // The first piece of the memo, marked; the prices as stored, not 10,000 times larger.
  testenv::CommandResult rows = cli.Run({"rows", database, "Items"});
  const std::string expected = "Id,Price,Notes\r\n1,12.5000,short\r\n2,25.0000," + std::string(2036, 'n') +
                               "\u2026[damaged]\r\n3,37.5000,short\r\n4,50.0000,short\r\n5,62.5000,short\r\n";
  EXPECT_EQ(rows.out, expected) << rows.err;

  const std::string destination = cli.File("out");
  fs::create_directory(destination);
  testenv::CommandResult exported = cli.Run({"export", database, "--to", destination, "--format", "csv"});
  EXPECT_EQ(exported.exitCode, 0) << exported.err;
  const std::string folder = DatedFolder(destination);
  EXPECT_EQ(testenv::ReadFile(folder + "/Items.csv"), expected);
  std::string fileReport = std::regex_replace(report, std::regex("\n"), "\r\n");
  EXPECT_EQ(testenv::ReadFile(folder + "/Recovery Report.log"), fileReport);
  EXPECT_FALSE(fs::exists(folder + "/Recovery Report.log.part"));
}

// Exports as a shell loop runs them, two of them started together: each
// gets a folder of its own, and every OLE file a cell names is there.
TEST(ExportCommandTest, ExportsInOneSecondKeepEveryWorkbookAndTheirOwnOleFiles) {
  CliCopy cli;
  std::string database = MakePreset(cli, "sample");
  std::string destination = cli.File("out");
  fs::create_directory(destination);
  std::string run = "'" + cli.File("brevantis-cli") + "' export '" + database + "' --to '" + destination +
                    "' --format csv >/dev/null 2>&1";
  testenv::CommandResult runs =
      testenv::RunCommand({"/bin/sh", "-c", run + " & a=$!; " + run + " & b=$!; wait $a && wait $b && " + run});
  ASSERT_EQ(runs.exitCode, 0);
  Names folders = DatedFolders(destination);
  ASSERT_EQ(folders.size(), 3u);
  static const std::regex kOlePath(R"([^,\r\n]*/OLE Objects/Ole\d+\.[a-z]+)");
  for (const std::string& folder : folders) {
    std::string employees = testenv::ReadFile(folder + "/Employees.csv");
    std::sregex_iterator it(employees.begin(), employees.end(), kOlePath), end;
    EXPECT_NE(it, end) << folder;
    for (; it != end; ++it) EXPECT_TRUE(fs::is_regular_file(it->str()) && it->str().starts_with(folder)) << it->str();
  }
}

// Every command's product is its stdout: a full device is an error.
TEST(ExportCommandTest, AFullStandardOutputFailsEveryCommandWithAMessage) {
  CliCopy cli;
  std::string database = MakePreset(cli, "sample");
  fs::create_directory(cli.File("out"));
  for (const std::string& command : Names{"analyze '" + database + "'", "rows '" + database + "' Employees",
                                          "export '" + database + "' --to '" + cli.File("out") + "'", "--help"}) {
    testenv::CommandResult result =
        testenv::RunCommand({"/bin/sh", "-c", "'" + cli.File("brevantis-cli") + "' " + command + " > /dev/full"});
    EXPECT_EQ(result.exitCode, 1) << command;
    EXPECT_NE(result.err.find("brevantis-cli: writing to standard output failed"), std::string::npos) << command;
  }
}

TEST(ExportCommandTest, ArgumentErrorsNameTheArgumentAndTableTakesANameWhole) {
  CliCopy cli;
  testdb::DatabaseBuilder builder;
  builder.AddTable("Sales, 2024", {{"Id", testdb::ColumnType::Long}}).rows = {{{int64_t{1}}}};
  std::string database = cli.File("commas.mdb");
  ASSERT_TRUE(builder.Write(database).ok);
  std::string destination = cli.File("out");
  fs::create_directory(destination);
  testenv::CommandResult chosen = cli.Run({"export", database, "--to", destination, "--table", "Sales, 2024"});
  EXPECT_EQ(chosen.out, std::string(kHeading) + "\n" + StatisticsLine({"Sales, 2024", 1, ""}) + "\n") << chosen.err;

  // A destination that cannot take the export is refused before the analysis.
  testenv::WriteFile(cli.File("plain"), "x");
  for (const std::string& wrong : {cli.File("missing"), cli.File("plain")}) {
    testenv::CommandResult refused = cli.Run({"export", database, "--to", wrong});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err, "Export destination " + wrong + (wrong.ends_with("plain") ? " is not a folder\n" : " does not exist\n"));
  }
  for (const auto& [args, message] :
       {std::pair<Names, std::string>{{"export", database, "--to"}, "brevantis-cli export: --to needs a value"},
        {{"export", "--to", destination}, "brevantis-cli export: FILE is missing"},
        {{"rows", database, "T", "--page", "x"}, "brevantis-cli rows: --page takes a page number from 1, not x"}}) {
    testenv::CommandResult result = cli.Run(args);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err.rfind(message + "\nusage: brevantis-cli " + args[0] + " ", 0), 0u) << result.err;
  }
  // A FIFO would block an open for ever.
  ASSERT_EQ(::mkfifo(cli.File("fifo.mdb").c_str(), 0600), 0);
  EXPECT_EQ(cli.Run({"analyze", cli.File("fifo.mdb")}).err,
            "Opening file failed... " + cli.File("fifo.mdb") + ": not a regular file\n");
  EXPECT_NE(cli.Run({"help"}).out.find("exit codes:\n  0  "), std::string::npos);
}

// Names and texts of many scripts reach the sheets, the sheet names and the
// workbook file names whole, as xlrd and LibreOffice read them.
TEST(ExportCommandTest, TextsOfEveryScriptReachTheWorkbooks) {
  for (bool perTable : {false, true}) {
    SCOPED_TRACE(perTable ? "per table" : "per database");
    CliCopy cli;
    std::string database = MakePreset(cli, "unicode");
    Names tables = TableNames(cli, database);
    ASSERT_EQ(tables.size(), 6u);
    EXPECT_EQ(tables[2], "Кириллица");
    std::string destination = cli.File("out");
    fs::create_directory(destination);
    Names args = {"export", database, "--to", destination};
    if (perTable) args.push_back("--per-table");
    testenv::CommandResult result = cli.Run(args);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    std::string folder = DatedFolder(destination);
    if (perTable) {
      EXPECT_TRUE(fs::exists(folder + "/Emoji 😀.xls"));
    }
    EXPECT_EQ(CheckExport(cli, database, tables, folder, perTable, true), "");
  }
}

// Every Jet 4 file of the corpus exported as asked and checked against
// `rows --all`.
void ExportCorpus(const std::string& format, const std::vector<bool>& modes) {
  Names files = testenv::CorpusJet4Files();
  if (files.empty()) GTEST_SKIP() << "corpus not present";
  CliCopy cli;
  for (const std::string& database : files) {
    int analysis = 0;
    Names tables = TableNames(cli, database, &analysis);
    for (bool perTable : modes) {
      SCOPED_TRACE(database + " " + format + (perTable ? " per table" : " per database"));
      std::string destination = cli.File("out");
      fs::remove_all(destination);
      fs::create_directory(destination);
      Names args = {"export", database, "--to", destination, "--format", format};
      if (perTable) args.push_back("--per-table");
      testenv::CommandResult result = cli.Run(args);
      // A file the analysis refuses is refused by the export alike.
      EXPECT_EQ(result.exitCode, analysis) << result.err;
      if (result.exitCode != 0) continue;
      EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), static_cast<long>(tables.size() + 1));
      if (tables.empty()) continue;
      EXPECT_EQ(CheckExport(cli, database, tables, DatedFolder(destination), perTable, false, format), "");
    }
  }
}

TEST(ExportCommandTest, CorpusFilesExportInBothModes) { ExportCorpus("xls", {false, true}); }

// CSV has a file per table in either mode; .xlsx shares the modes' logic
// with .xls.
TEST(ExportCommandTest, CorpusFilesExportAsXlsx) { ExportCorpus("xlsx", {false}); }
TEST(ExportCommandTest, CorpusFilesExportAsCsv) { ExportCorpus("csv", {false}); }

}  // namespace
