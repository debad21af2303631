// xls-bench MODE FILE [SHEETS] [ROWS] [DISTINCT]: writes SHEETS sheets of ROWS
// rows (the header row included) of 10 text cells through ExcelSession, as
// the table sheet writer does, and saves them to FILE.
//   once    all sheets in one workbook, saved once at the end
//   reopen  saved after every sheet and reopened before the next, as the
//           per-database writer does between tables
// Texts are about 12 characters; DISTINCT (default 0: every text differs)
// makes them repeat. Figures go to stdout.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "export/excel_session.h"
#include "platform/dialogs.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

constexpr int kColumns = 10;

// Writes one table's sheet as the table sheet writer does: column letters
// once, then the row number appended for every cell.
void WriteSheet(ExcelSession& session, int sheet, int rows, long distinct) {
  char text[64];
  std::snprintf(text, sizeof text, "Table %02d", sheet);
  session.SelectSheet(sheet);
  session.NameSheet(text);
  std::vector<std::string> letters;
  for (int c = 0; c < kColumns; ++c) {
    std::string a1 = ExcelSession::CellAddress(c, 1);
    letters.push_back(a1.substr(0, a1.size() - 1));
    std::snprintf(text, sizeof text, "Column %d", c);
    session.WriteHeaderCell(a1, text);
  }
  std::string address;
  for (int r = 2; r <= rows; ++r) {
    long v = distinct > 0 ? r % distinct : r;
    std::string digits = std::to_string(r);
    for (int c = 0; c < kColumns; ++c) {
      std::snprintf(text, sizeof text, "s%02dr%06ldc%d", sheet, v, c);
      address.assign(letters[c]).append(digits);
      session.WriteDataCell(address, text);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: xls-bench once|reopen FILE [SHEETS] [ROWS] [DISTINCT]\n");
    return 2;
  }
  std::string mode = argv[1], path = argv[2];
  int sheets = argc > 3 ? std::atoi(argv[3]) : 20;
  int rows = argc > 4 ? std::atoi(argv[4]) : 65536;
  long distinct = argc > 5 ? std::atol(argv[5]) : 0;
  bool reopen = mode == "reopen";
  std::filesystem::remove(path);

  platform::StderrDialogs dialogs;
  ExcelSession session(dialogs);
  double writing = 0, saving = 0;
  Clock::time_point start = Clock::now();
  try {
    session.StartExcel();
    session.NewWorkbook();
    for (int s = 1; s <= sheets; ++s) {
      if (reopen && s > 1) {
        Clock::time_point opening = Clock::now();
        session.StartExcel();
        session.SetDisplayAlerts(true);
        session.ReopenWorkbook(path);
        session.TakeFirstWorkbook();
        saving += SecondsSince(opening);
      }
      Clock::time_point sheetStart = Clock::now();
      WriteSheet(session, s, rows, distinct);
      writing += SecondsSince(sheetStart);
      if (reopen || s == sheets) {
        Clock::time_point saveStart = Clock::now();
        session.SetAlerts(false);
        session.SaveAndQuit(path);
        saving += SecondsSince(saveStart);
      }
    }
  } catch (const xls::AutomationError& error) {
    std::fprintf(stderr, "refused: %s\n", error.what());
    return 1;
  }
  double total = SecondsSince(start);
  double dataRows = static_cast<double>(sheets) * (rows - 1);
  std::printf("%-7s %d sheets x %d rows x %d cells: write %.2f s (%.0f rows/s), save%s %.2f s, total %.2f s, "
              "file %.1f MiB\n",
              mode.c_str(), sheets, rows, kColumns, writing, dataRows / writing, reopen ? "+reopen" : "", saving,
              total, static_cast<double>(std::filesystem::file_size(path)) / 1048576.0);
  return 0;
}
