// An independent reading of the .xls files the engine writes, for tests. It
// parses the compound file and the BIFF8 stream back and checks what the
// spreadsheet programs at hand tolerate: record lengths and order, the FAT
// and DIFAT of the container, the sheet offsets of BOUNDSHEET, the INDEX
// and DBCELL offsets of every sheet, the split of the shared strings into
// CONTINUE records and the EXTSST offsets. It returns what it read, texts
// in UTF-8, for comparisons.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace xlscheck {

struct CellRead {
  uint16_t row;
  uint16_t column;
  uint16_t xf;
  int64_t text;  // shared string index; -1 for a cell without a value
};

struct SheetRead {
  std::string name;
  bool selected = false;
  std::vector<CellRead> cells;  // in row and column order
};

struct XfRead {
  uint16_t font = 0;
  bool style = false;
  bool quotePrefix = false;
  uint8_t horizontal = 0;
  uint8_t left = 0, right = 0, top = 0, bottom = 0;  // line styles
  uint8_t fillPattern = 0;
  uint8_t fillColour = 0;  // palette index of the pattern's foreground
};

struct WorkbookRead {
  uint16_t codePage = 0;
  std::vector<uint16_t> fontWeights;  // by font index; there is no font 4
  std::vector<XfRead> xfs;
  std::vector<std::string> strings;
  uint32_t sstTotal = 0;
  std::vector<SheetRead> sheets;

  const CellRead* Find(size_t sheet, uint16_t row, uint16_t column) const;
  // A cell's text; empty for a cell without a value or no cell at all.
  std::string Text(size_t sheet, uint16_t row, uint16_t column) const;
  const XfRead& XfOf(const CellRead& cell) const { return xfs.at(cell.xf); }
  uint16_t FontWeightOf(const CellRead& cell) const { return fontWeights.at(XfOf(cell).font); }
};

// Type and stream offset of a record the check walked.
struct RecordAt {
  uint16_t type;
  uint32_t position;
  uint16_t size;
};

struct CheckResult {
  std::vector<std::string> problems;
  WorkbookRead book;
  std::vector<RecordAt> records;  // in stream order

  bool Sound() const { return problems.empty(); }
  std::string Problems() const;
};

CheckResult CheckXlsFile(const std::string& path);

// The "Workbook" stream of a compound file the engine wrote (one stream in
// consecutive sectors after the header): where stream offset x lies in the
// file, for tests that damage a record on purpose.
inline uint64_t FileOffsetOfStream(uint64_t streamOffset) { return 512 + streamOffset; }

}  // namespace xlscheck
