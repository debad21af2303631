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
#include <ctime>
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

// Processor time, beside the wall time: on a busy machine the steadier figure.
double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

constexpr int kColumns = 10;

// Writes one table's sheet as the table sheet writer does.
void WriteSheet(ExcelSession& session, int sheet, int rows, long distinct) {
  char text[64];
  std::snprintf(text, sizeof text, "Table %02d", sheet);
  session.SelectSheet(sheet);
  session.NameSheet(text);
  for (int c = 1; c <= kColumns; ++c) {
    std::snprintf(text, sizeof text, "Column %d", c - 1);
    session.WriteHeaderCell(c, text);
  }
  // "sSSrRRRRRRcC": a text of 12 characters, made without printf, whose
  // cost would hide the engine's.
  std::string value = "s00r000000c0";
  value[1] = static_cast<char>('0' + sheet / 10);
  value[2] = static_cast<char>('0' + sheet % 10);
  for (int r = 2; r <= rows; ++r) {
    long v = distinct > 0 ? r % distinct : r;
    for (int i = 9; i >= 4; --i, v /= 10) value[i] = static_cast<char>('0' + v % 10);
    for (int c = 1; c <= kColumns; ++c) {
      value[11] = static_cast<char>('0' + c - 1);
      session.WriteDataCell(r, c, value);
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
  double writing = 0, saving = 0, writingCpu = 0, savingCpu = 0;
  Clock::time_point start = Clock::now();
  try {
    session.StartExcel();
    session.NewWorkbook();
    for (int s = 1; s <= sheets; ++s) {
      if (reopen && s > 1) {
        Clock::time_point opening = Clock::now();
        double cpu = CpuSeconds();
        session.StartExcel();
        session.SetDisplayAlerts(true);
        session.ReopenWorkbook(path);
        session.TakeFirstWorkbook();
        saving += SecondsSince(opening);
        savingCpu += CpuSeconds() - cpu;
      }
      Clock::time_point sheetStart = Clock::now();
      double cpu = CpuSeconds();
      WriteSheet(session, s, rows, distinct);
      writing += SecondsSince(sheetStart);
      writingCpu += CpuSeconds() - cpu;
      if (reopen || s == sheets) {
        Clock::time_point saveStart = Clock::now();
        double cpu = CpuSeconds();
        session.SetAlerts(false);
        session.SaveAndQuit(path);
        saving += SecondsSince(saveStart);
        savingCpu += CpuSeconds() - cpu;
      }
    }
  } catch (const xls::AutomationError& error) {
    std::fprintf(stderr, "refused: %s\n", error.what());
    return 1;
  }
  double total = SecondsSince(start);
  double dataRows = static_cast<double>(sheets) * (rows - 1);
  std::printf("%-7s %d sheets x %d rows x %d cells, file %.1f MiB\n", mode.c_str(), sheets, rows, kColumns,
              static_cast<double>(std::filesystem::file_size(path)) / 1048576.0);
  std::printf("%-7s write        %7.2f s wall %8.0f rows/s   %7.2f s cpu %8.0f rows/s\n", mode.c_str(), writing,
              dataRows / writing, writingCpu, dataRows / writingCpu);
  std::printf("%-7s %-12s %7.2f s wall                   %7.2f s cpu\n", mode.c_str(),
              reopen ? "save+reopen" : "save", saving, savingCpu);
  std::printf("%-7s total        %7.2f s wall\n", mode.c_str(), total);
  return 0;
}
