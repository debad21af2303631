#include "tests/xls/xls_file_check.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

namespace xlscheck {
namespace {

constexpr uint32_t kFree = 0xFFFFFFFF, kEnd = 0xFFFFFFFE, kFatMark = 0xFFFFFFFD, kDifatMark = 0xFFFFFFFC;
constexpr size_t kMaxPayload = 8224;

enum : uint16_t {
  kBof = 0x0809, kEof = 0x000A, kCodePage = 0x0042, kWindow1 = 0x003D, kFont = 0x0031, kXf = 0x00E0,
  kStyle = 0x0293, kBoundSheet = 0x0085, kSst = 0x00FC, kContinue = 0x003C, kExtSst = 0x00FF,
  kIndex = 0x020B, kDefColWidth = 0x0055, kDimensions = 0x0200, kRow = 0x0208, kLabelSst = 0x00FD,
  kBlank = 0x0201, kDbCell = 0x00D7, kWindow2 = 0x023E,
};

uint16_t U16(const std::string& s, size_t at) {
  return at + 2 <= s.size() ? static_cast<uint16_t>(static_cast<uint8_t>(s[at]) | static_cast<uint8_t>(s[at + 1]) << 8)
                            : 0;
}
uint32_t U32(const std::string& s, size_t at) { return U16(s, at) | static_cast<uint32_t>(U16(s, at + 2)) << 16; }

void AppendUtf8(std::string& out, uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | c >> 18);
    out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

bool IsHigh(uint32_t unit) { return unit >= 0xD800 && unit < 0xDC00; }
bool IsLow(uint32_t unit) { return unit >= 0xDC00 && unit < 0xE000; }

// UTF-8 of UTF-16 units; false when a surrogate has no partner.
bool AppendUnits(std::string& out, const std::vector<uint32_t>& units) {
  bool whole = true;
  for (size_t i = 0; i < units.size(); ++i) {
    uint32_t c = units[i];
    if (IsHigh(c) && i + 1 < units.size() && IsLow(units[i + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
    } else if (IsHigh(c) || IsLow(c)) {
      whole = false;
      c = 0xFFFD;
    }
    AppendUtf8(out, c);
  }
  return whole;
}

class Checker {
 public:
  explicit Checker(CheckResult& result) : r_(result) {}

  void Run(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return Problem("cannot read " + path);
    file_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!ReadContainer()) return;
    ReadGlobals();
    ReadSheets();
  }

 private:
  void Problem(const std::string& what) { r_.problems.push_back(what); }

  // ---- compound file ----
  bool ReadContainer() {
    const std::string& f = file_;
    if (f.size() < 1024 || f.size() % 512 != 0) {
      Problem("file size " + std::to_string(f.size()) + " is not a whole number of 512-byte sectors");
      return false;
    }
    if (f.compare(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") != 0) {
      Problem("no compound file signature");
      return false;
    }
    if (U16(f, 24) != 0x3E || U16(f, 26) != 3 || U16(f, 28) != 0xFFFE || U16(f, 30) != 9 || U16(f, 32) != 6 ||
        U32(f, 40) != 0 || U32(f, 56) != 4096 || U32(f, 60) != kEnd || U32(f, 64) != 0) {
      Problem("header fields are not those of a version 3 file without mini stream");
    }
    const uint32_t sectors = static_cast<uint32_t>(f.size() / 512 - 1);
    auto sectorAt = [&](uint32_t s) { return 512 + size_t{s} * 512; };
    uint32_t fatCount = U32(f, 44), difatCount = U32(f, 72);
    uint32_t neededDifat = fatCount > 109 ? (fatCount - 109 + 126) / 127 : 0;
    if (difatCount != neededDifat) {
      Problem(std::to_string(fatCount) + " FAT sectors need " + std::to_string(neededDifat) + " DIFAT sectors, header says " +
              std::to_string(difatCount));
    }
    if (fatCount == 0 || uint64_t{fatCount} * 128 < sectors) Problem("the FAT does not cover every sector");
    std::vector<uint32_t> fatSectors, difatSectors;
    for (uint32_t i = 0; i < 109; ++i) {
      uint32_t v = U32(f, 76 + 4 * i);
      if (i < fatCount) fatSectors.push_back(v);
      else if (v != kFree) Problem("header DIFAT entry " + std::to_string(i) + " beyond the FAT count is not free");
    }
    uint32_t difat = U32(f, 68);
    if (difatCount == 0 && difat != kEnd) Problem("first DIFAT sector given without DIFAT sectors");
    for (uint32_t d = 0; d < difatCount; ++d) {
      if (difat >= sectors) {
        Problem("DIFAT chain leaves the file");
        return false;
      }
      difatSectors.push_back(difat);
      for (uint32_t i = 0; i < 127; ++i) {
        uint32_t v = U32(f, sectorAt(difat) + 4 * i);
        if (fatSectors.size() < fatCount) fatSectors.push_back(v);
        else if (v != kFree) Problem("unused DIFAT entry is not free");
      }
      difat = U32(f, sectorAt(difat) + 508);
    }
    if (difatCount > 0 && difat != kEnd) Problem("the last DIFAT sector does not end the chain");
    if (fatSectors.size() != fatCount) {
      Problem("fewer FAT sector numbers than FAT sectors");
      return false;
    }
    std::vector<uint32_t> fat;
    for (uint32_t s : fatSectors) {
      if (s >= sectors) {
        Problem("a FAT sector lies outside the file");
        return false;
      }
      for (uint32_t i = 0; i < 128; ++i) fat.push_back(U32(f, sectorAt(s) + 4 * i));
    }
    for (uint32_t s : fatSectors) {
      if (fat[s] != kFatMark) Problem("FAT sector " + std::to_string(s) + " is not marked as one");
    }
    for (uint32_t s : difatSectors) {
      if (fat[s] != kDifatMark) Problem("DIFAT sector " + std::to_string(s) + " is not marked as one");
    }
    for (size_t s = sectors; s < fat.size(); ++s) {
      if (fat[s] != kFree) {
        Problem("a FAT entry beyond the file is not free");
        break;
      }
    }
    std::vector<uint8_t> used(sectors, 0);
    auto chain = [&](uint32_t start, const char* what) {
      std::vector<uint32_t> c;
      for (uint32_t s = start; s != kEnd; s = fat[s]) {
        if (s >= sectors || used[s]) {
          Problem(std::string(what) + " chain is broken or shares a sector");
          break;
        }
        used[s] = 1;
        c.push_back(s);
      }
      return c;
    };
    std::vector<uint32_t> directory = chain(U32(f, 48), "directory");
    if (directory.empty()) return false;
    size_t root = sectorAt(directory[0]);
    auto nameOf = [&](size_t entry) {
      std::string name;
      size_t length = U16(f, entry + 64);
      for (size_t i = 0; i + 2 < length && i < 62; i += 2) name += static_cast<char>(U16(f, entry + i));
      return name;
    };
    if (nameOf(root) != "Root Entry" || f[root + 66] != 5) Problem("the first directory entry is not the root");
    uint32_t child = U32(f, root + 76);
    if (child >= directory.size() * 4) {
      Problem("the root has no child");
      return false;
    }
    size_t entry = sectorAt(directory[child / 4]) + 128 * (child % 4);
    if (nameOf(entry) != "Workbook" || U16(f, entry + 64) != 18 || f[entry + 66] != 2) {
      Problem("the root's child is not the stream \"Workbook\"");
      return false;
    }
    uint32_t size = U32(f, entry + 120);
    if (size < 4096) Problem("the Workbook stream is shorter than 4096 bytes: readers look for it in the mini stream");
    std::vector<uint32_t> stream = chain(U32(f, entry + 116), "Workbook stream");
    if (stream.size() != (size + 511) / 512) {
      Problem("the Workbook chain has " + std::to_string(stream.size()) + " sectors for " + std::to_string(size) + " bytes");
      return false;
    }
    for (uint32_t s : stream) stream_.append(f, sectorAt(s), 512);
    stream_.resize(size);
    return true;
  }

  // ---- records ----
  struct Rec {
    uint16_t type = 0;
    uint32_t pos = 0;
    uint16_t size = 0;
    size_t payload = 0;  // offset of the payload in stream_
  };
  bool RecordAt(uint32_t pos, Rec& rec) {
    if (pos + 4 > stream_.size()) return false;
    rec.type = U16(stream_, pos);
    rec.size = U16(stream_, pos + 2);
    rec.pos = pos;
    rec.payload = pos + 4;
    if (rec.payload + rec.size > stream_.size()) {
      Problem("record at " + std::to_string(pos) + " runs past the stream");
      return false;
    }
    if (rec.size > kMaxPayload) Problem("record at " + std::to_string(pos) + " is longer than 8224 bytes");
    if (r_.records.empty() || r_.records.back().position < pos) r_.records.push_back({rec.type, rec.pos, rec.size});
    return true;
  }
  std::string Name(uint16_t type) {
    std::ostringstream s;
    s << "0x" << std::hex << type;
    return s.str();
  }

  // Reads the record at pos into rec and moves pos past it; records a
  // problem when it is not of the expected type.
  bool Expect(uint32_t& pos, uint16_t type, Rec& rec, const std::string& where) {
    if (!RecordAt(pos, rec)) {
      Problem(where + ": stream ends before record " + Name(type));
      return false;
    }
    pos += 4 + rec.size;
    if (rec.type != type) {
      Problem(where + ": record " + Name(rec.type) + " at " + std::to_string(rec.pos) + " where " + Name(type) +
              " belongs");
      return false;
    }
    return true;
  }
  uint16_t P16(const Rec& rec, size_t at) { return at + 2 <= rec.size ? U16(stream_, rec.payload + at) : 0; }
  uint32_t P32(const Rec& rec, size_t at) { return at + 4 <= rec.size ? U32(stream_, rec.payload + at) : 0; }

  std::string Chars(size_t at, size_t count, bool wide) {
    std::vector<uint32_t> units;
    for (size_t i = 0; i < count; ++i)
      units.push_back(wide ? U16(stream_, at + 2 * i) : static_cast<uint8_t>(stream_[at + i]));
    std::string text;
    if (!AppendUnits(text, units)) Problem("a name holds half a surrogate pair");
    return text;
  }

  void ReadGlobals() {
    uint32_t pos = 0;
    Rec rec;
    const std::string g = "globals";
    if (!Expect(pos, kBof, rec, g)) return;
    if (P16(rec, 0) != 0x0600 || P16(rec, 2) != 0x0005) Problem("globals BOF is not BIFF8 workbook globals");
    if (!Expect(pos, kCodePage, rec, g)) return;
    r_.book.codePage = P16(rec, 0);
    if (!Expect(pos, kWindow1, rec, g)) return;
    if (rec.size != 18) Problem("WINDOW1 is not 18 bytes");
    while (RecordAt(pos, rec) && rec.type == kFont) {
      pos += 4 + rec.size;
      if (r_.book.fontWeights.size() == 4) r_.book.fontWeights.push_back(0);
      r_.book.fontWeights.push_back(P16(rec, 6));
    }
    if (r_.book.fontWeights.size() < 6) Problem("fewer than five FONT records");
    while (RecordAt(pos, rec) && rec.type == kXf) {
      pos += 4 + rec.size;
      if (rec.size != 20) Problem("XF record is not 20 bytes");
      XfRead xf;
      xf.font = P16(rec, 0);
      uint16_t protection = P16(rec, 4);
      xf.style = protection & 0x0004;
      xf.quotePrefix = protection & 0x0008;
      xf.horizontal = stream_[rec.payload + 6] & 0x07;
      uint32_t borders = P32(rec, 10), more = P32(rec, 14);
      xf.left = borders & 0xF;
      xf.right = borders >> 4 & 0xF;
      xf.top = borders >> 8 & 0xF;
      xf.bottom = borders >> 12 & 0xF;
      xf.fillPattern = more >> 26 & 0x3F;
      xf.fillColour = P16(rec, 18) & 0x7F;
      if (xf.font >= r_.book.fontWeights.size() || xf.font == 4) Problem("XF uses a font that is not there");
      r_.book.xfs.push_back(xf);
    }
    if (r_.book.xfs.size() < 16) Problem("fewer than sixteen XF records");
    for (size_t i = 0; i < r_.book.xfs.size(); ++i) {
      if (r_.book.xfs[i].style != (i < 15)) Problem("XF " + std::to_string(i) + " is of the wrong kind (style or cell)");
    }
    if (!Expect(pos, kStyle, rec, g)) return;
    while (RecordAt(pos, rec) && rec.type == kBoundSheet) {
      pos += 4 + rec.size;
      size_t length = static_cast<uint8_t>(stream_[rec.payload + 6]);
      bool wide = stream_[rec.payload + 7] & 1;
      if (rec.size != 8 + length * (wide ? 2 : 1)) Problem("BOUNDSHEET length does not match its name");
      if (stream_[rec.payload + 4] != 0 || stream_[rec.payload + 5] != 0) Problem("a sheet is hidden or not a worksheet");
      sheetOffsets_.push_back(P32(rec, 0));
      r_.book.sheets.push_back({Chars(rec.payload + 8, length, wide), false, {}});
    }
    if (r_.book.sheets.empty()) Problem("no BOUNDSHEET record");
    if (!Expect(pos, kSst, rec, g)) return;
    std::vector<Rec> pieces{rec};
    while (RecordAt(pos, rec) && rec.type == kContinue) {
      pos += 4 + rec.size;
      pieces.push_back(rec);
    }
    ReadSst(pieces);
    if (!Expect(pos, kExtSst, rec, g)) return;
    CheckExtSst(rec);
    if (!Expect(pos, kEof, rec, g)) return;
    globalsEnd_ = pos;
  }

  void ReadSst(const std::vector<Rec>& pieces) {
    r_.book.sstTotal = P32(pieces[0], 0);
    uint32_t unique = P32(pieces[0], 4);
    size_t p = 0, at = 8;
    auto next = [&]() {
      if (++p >= pieces.size()) return false;
      at = 0;
      return true;
    };
    for (uint32_t k = 0; k < unique; ++k) {
      if (at == pieces[p].size && !next()) return Problem("SST ends before string " + std::to_string(k));
      if (at + 3 > pieces[p].size) return Problem("the header of string " + std::to_string(k) + " is split");
      stringPos_.push_back(pieces[p].pos + 4 + static_cast<uint32_t>(at));
      stringInRecord_.push_back(static_cast<uint16_t>(4 + at));
      size_t remaining = U16(stream_, pieces[p].payload + at);
      uint8_t flags = static_cast<uint8_t>(stream_[pieces[p].payload + at + 2]);
      if (flags > 1) Problem("string " + std::to_string(k) + " has flags " + std::to_string(flags));
      bool wide = flags & 1;
      at += 3;
      std::vector<uint32_t> units;
      while (remaining > 0) {
        if (at == pieces[p].size) {
          if (!units.empty() && IsHigh(units.back())) Problem("a pair of string " + std::to_string(k) + " is split");
          if (!next() || pieces[p].size == 0) return Problem("SST ends inside string " + std::to_string(k));
          uint8_t continued = static_cast<uint8_t>(stream_[pieces[p].payload]);
          if (continued > 1) Problem("CONTINUE of string " + std::to_string(k) + " has flags " + std::to_string(continued));
          wide = continued & 1;
          at = 1;
        }
        size_t size = wide ? 2 : 1;
        size_t n = std::min(remaining, (pieces[p].size - at) / size);
        for (size_t i = 0; i < n; ++i) {
          units.push_back(wide ? U16(stream_, pieces[p].payload + at + 2 * i)
                               : static_cast<uint8_t>(stream_[pieces[p].payload + at + i]));
        }
        at += n * size;
        remaining -= n;
        if (remaining > 0 && at != pieces[p].size) return Problem("a 16-bit character of string " + std::to_string(k) + " is split");
      }
      std::string text;
      if (!AppendUnits(text, units)) Problem("string " + std::to_string(k) + " holds half a surrogate pair");
      r_.book.strings.push_back(std::move(text));
    }
    if (p + 1 != pieces.size() || at != pieces[p].size) Problem("SST holds more than its strings");
  }

  void CheckExtSst(const Rec& rec) {
    uint32_t unique = static_cast<uint32_t>(r_.book.strings.size());
    uint32_t perBucket = std::min<uint32_t>(std::max<uint32_t>(unique / 128 + 1, 8), 65535);
    size_t buckets = std::min<size_t>((unique + perBucket - 1) / perBucket, (kMaxPayload - 2) / 8);
    if (P16(rec, 0) != perBucket) Problem("EXTSST gives " + std::to_string(P16(rec, 0)) + " strings a bucket, not " + std::to_string(perBucket));
    if (rec.size != 2 + 8 * buckets) return Problem("EXTSST has the wrong number of buckets");
    for (size_t b = 0; b < buckets; ++b) {
      size_t k = b * perBucket;
      if (k >= stringPos_.size()) break;
      if (P32(rec, 2 + 8 * b) != stringPos_[k] || P16(rec, 6 + 8 * b) != stringInRecord_[k] || P16(rec, 8 + 8 * b) != 0) {
        return Problem("EXTSST bucket " + std::to_string(b) + " does not point at string " + std::to_string(k));
      }
    }
  }

  // ---- sheets ----
  void ReadSheets() {
    uint32_t expectedStart = globalsEnd_;
    uint32_t textCells = 0;
    for (size_t i = 0; i < sheetOffsets_.size() && globalsEnd_ != 0; ++i) {
      SheetRead& sheet = r_.book.sheets[i];
      std::string where = "sheet \"" + sheet.name + "\"";
      if (sheetOffsets_[i] != expectedStart) {
        Problem(where + ": BOUNDSHEET says " + std::to_string(sheetOffsets_[i]) + ", the sheet begins at " +
                std::to_string(expectedStart));
      }
      uint32_t pos = sheetOffsets_[i];
      Rec rec, index, defColWidth, dimensions;
      if (!Expect(pos, kBof, rec, where)) return;
      if (P16(rec, 2) != 0x0010) Problem(where + ": BOF is not a worksheet's");
      if (!Expect(pos, kIndex, index, where) || !Expect(pos, kDefColWidth, defColWidth, where) ||
          !Expect(pos, kDimensions, dimensions, where)) {
        return;
      }
      std::vector<uint32_t> dbCells;
      int lastRow = -1;
      uint16_t firstColumn = 0xFFFF, endColumn = 0;
      while (RecordAt(pos, rec) && rec.type == kRow) {
        // One block: ROW records, their cells, a DBCELL.
        uint32_t firstRowAt = pos;
        std::vector<Rec> rows;
        while (RecordAt(pos, rec) && rec.type == kRow) {
          pos += 4 + rec.size;
          rows.push_back(rec);
        }
        if (rows.size() > 32) Problem(where + ": a block of more than 32 rows");
        std::vector<uint32_t> firstCellAt(rows.size(), 0);
        std::vector<int> minColumn(rows.size(), 0x10000), maxColumn(rows.size(), -1);
        size_t r = 0;
        while (RecordAt(pos, rec) && (rec.type == kLabelSst || rec.type == kBlank)) {
          pos += 4 + rec.size;
          CellRead cell{P16(rec, 0), P16(rec, 2), P16(rec, 4), rec.type == kLabelSst ? int64_t{P32(rec, 6)} : -1};
          if (rec.size != (rec.type == kLabelSst ? 10 : 6)) Problem(where + ": a cell record of the wrong length");
          while (r < rows.size() && P16(rows[r], 0) != cell.row) ++r;
          if (r == rows.size()) {
            Problem(where + ": a cell of row " + std::to_string(cell.row) + " outside its block's rows, or out of order");
            return;
          }
          if (firstCellAt[r] == 0) firstCellAt[r] = rec.pos;
          if (!sheet.cells.empty() && sheet.cells.back().row == cell.row && sheet.cells.back().column >= cell.column) {
            Problem(where + ": cells of a row out of column order");
          }
          minColumn[r] = std::min<int>(minColumn[r], cell.column);
          maxColumn[r] = std::max<int>(maxColumn[r], cell.column);
          if (cell.xf >= r_.book.xfs.size() || r_.book.xfs[cell.xf].style) Problem(where + ": a cell uses a missing or style XF");
          if (cell.text >= static_cast<int64_t>(r_.book.strings.size())) Problem(where + ": a cell's string is not in the SST");
          textCells += cell.text >= 0;
          sheet.cells.push_back(cell);
        }
        for (size_t k = 0; k < rows.size(); ++k) {
          int row = P16(rows[k], 0);
          if (row <= lastRow) Problem(where + ": ROW records out of order");
          lastRow = row;
          if (firstCellAt[k] == 0) Problem(where + ": row " + std::to_string(row) + " has no cells");
          if (P16(rows[k], 2) != minColumn[k] || P16(rows[k], 4) != maxColumn[k] + 1) {
            Problem(where + ": ROW " + std::to_string(row) + " gives the wrong columns");
          }
          firstColumn = std::min<uint16_t>(firstColumn, static_cast<uint16_t>(minColumn[k]));
          endColumn = std::max<uint16_t>(endColumn, static_cast<uint16_t>(maxColumn[k] + 1));
        }
        if (!Expect(pos, kDbCell, rec, where)) return;
        dbCells.push_back(rec.pos);
        if (P32(rec, 0) != rec.pos - firstRowAt) Problem(where + ": DBCELL at " + std::to_string(rec.pos) + " does not point at its first ROW");
        if (rec.size != 4 + 2 * rows.size()) Problem(where + ": DBCELL has the wrong number of row offsets");
        for (size_t k = 0; k < rows.size(); ++k) {
          uint32_t from = k == 0 ? firstRowAt + 20 : firstCellAt[k - 1];
          if (P16(rec, 4 + 2 * k) != firstCellAt[k] - from) {
            Problem(where + ": DBCELL at " + std::to_string(rec.pos) + " misplaces the first cell of row " +
                    std::to_string(P16(rows[k], 0)));
            break;
          }
        }
      }
      uint32_t firstRow = sheet.cells.empty() ? 0 : sheet.cells.front().row;
      uint32_t endRow = sheet.cells.empty() ? 0 : sheet.cells.back().row + 1u;
      if (sheet.cells.empty()) firstColumn = 0;
      if (P32(index, 0) != 0 || P32(index, 4) != firstRow || P32(index, 8) != endRow) Problem(where + ": INDEX gives the wrong rows");
      if (P32(index, 12) != defColWidth.pos) Problem(where + ": INDEX does not point at DEFCOLWIDTH");
      if (index.size != 16 + 4 * dbCells.size()) {
        Problem(where + ": INDEX lists " + std::to_string((index.size - 16) / 4) + " DBCELLs, the sheet has " +
                std::to_string(dbCells.size()));
      } else {
        for (size_t b = 0; b < dbCells.size(); ++b) {
          if (P32(index, 16 + 4 * b) != dbCells[b]) {
            Problem(where + ": INDEX entry " + std::to_string(b) + " does not point at its DBCELL");
            break;
          }
        }
      }
      if (P32(dimensions, 0) != firstRow || P32(dimensions, 4) != endRow || P16(dimensions, 8) != firstColumn ||
          P16(dimensions, 10) != endColumn) {
        Problem(where + ": DIMENSIONS do not match the cells");
      }
      if (!Expect(pos, kWindow2, rec, where)) return;
      sheet.selected = P16(rec, 0) == 0x06B6;
      if (rec.size != 18 || (P16(rec, 0) != 0x06B6 && P16(rec, 0) != 0x00B6)) Problem(where + ": WINDOW2 is not as written");
      if (sheet.selected != (i == 0)) Problem(where + ": only the first sheet should be selected");
      if (!Expect(pos, kEof, rec, where)) return;
      expectedStart = pos;
    }
    if (textCells != r_.book.sstTotal) {
      Problem("SST counts " + std::to_string(r_.book.sstTotal) + " text cells, the sheets hold " + std::to_string(textCells));
    }
    for (size_t at = expectedStart; at < stream_.size(); ++at) {
      if (stream_[at] != 0) {
        Problem("bytes after the last sheet are not zero padding");
        break;
      }
    }
  }

  CheckResult& r_;
  std::string file_;
  std::string stream_;
  std::vector<uint32_t> sheetOffsets_;
  std::vector<uint32_t> stringPos_;
  std::vector<uint16_t> stringInRecord_;
  uint32_t globalsEnd_ = 0;
};

}  // namespace

const CellRead* WorkbookRead::Find(size_t sheet, uint16_t row, uint16_t column) const {
  const auto& cells = sheets.at(sheet).cells;
  auto at = std::lower_bound(cells.begin(), cells.end(), std::make_pair(row, column),
                             [](const CellRead& c, std::pair<uint16_t, uint16_t> key) {
                               return std::make_pair(c.row, c.column) < key;
                             });
  return at != cells.end() && at->row == row && at->column == column ? &*at : nullptr;
}

std::string WorkbookRead::Text(size_t sheet, uint16_t row, uint16_t column) const {
  const CellRead* cell = Find(sheet, row, column);
  return cell && cell->text >= 0 ? strings.at(static_cast<size_t>(cell->text)) : std::string();
}

std::string CheckResult::Problems() const {
  std::string all;
  for (const auto& p : problems) all += p + "\n";
  return all;
}

CheckResult CheckXlsFile(const std::string& path) {
  CheckResult result;
  Checker(result).Run(path);
  return result;
}

}  // namespace xlscheck
