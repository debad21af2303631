#include "xls/xls_file_writer.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <vector>

#include "xls/automation_error.h"
#include "xls/biff_records.h"
#include "xls/compound_file_writer.h"
#include "xls/sheet_name.h"
#include "xls/unicode_text.h"
#include "xls/workbook.h"
#include "xls/worksheet.h"

namespace xls {
namespace {

using namespace biff;

constexpr uint32_t kRowRecordSize = 4 + 16;
constexpr uint32_t kLabelSstRecordSize = 4 + 10;
constexpr uint32_t kBlankRecordSize = 4 + 6;
constexpr uint16_t kCodePageUtf16 = 1200;

void Put16At(uint8_t* at, uint16_t v) {
  at[0] = static_cast<uint8_t>(v);
  at[1] = static_cast<uint8_t>(v >> 8);
}

void Put32At(uint8_t* at, uint32_t v) {
  Put16At(at, static_cast<uint16_t>(v));
  Put16At(at + 2, static_cast<uint16_t>(v >> 16));
}

// Gathers the small records of a sheet into large writes to the file.
class SheetBuffer final : public ByteSink {
 public:
  explicit SheetBuffer(ByteSink& out) : out_(out) { position_ = out.Position(); }
  SheetBuffer(const SheetBuffer&) = delete;
  SheetBuffer& operator=(const SheetBuffer&) = delete;

  void Put(const void* data, size_t size) override {
    if (sizeof bytes_ - used_ < size) Flush();
    if (size > sizeof bytes_) {
      out_.Put(data, size);
    } else {
      std::memcpy(bytes_ + used_, data, size);
      used_ += size;
    }
    position_ += size;
  }
  void Flush() {
    out_.Put(bytes_, used_);
    used_ = 0;
  }

 private:
  ByteSink& out_;
  uint8_t bytes_[1 << 16];
  size_t used_ = 0;
};

// A record under construction: its header, then its payload, little-endian.
class Payload {
 public:
  Payload() {}  // user-provided: the bytes are not cleared first
  Payload& U8(uint8_t v) { return Chars(&v, 1); }
  Payload& U16(uint16_t v) { return U8(static_cast<uint8_t>(v)).U8(static_cast<uint8_t>(v >> 8)); }
  Payload& U32(uint32_t v) { return U16(static_cast<uint16_t>(v)).U16(static_cast<uint16_t>(v >> 16)); }
  // Characters in the workbook's form (unicode_text.h).
  Payload& Chars(const uint8_t* chars, size_t size) {
    if (kMaxPayload - size_ < size) throw AutomationError("Internal error: a record too long.");
    std::memcpy(bytes_ + 4 + size_, chars, size);
    size_ += size;
    return *this;
  }
  size_t Size() const { return size_; }
  void PutAs(ByteSink& out, uint16_t type) {
    Put16At(bytes_, type);
    Put16At(bytes_ + 2, static_cast<uint16_t>(size_));
    out.Put(bytes_, 4 + size_);
  }

 private:
  size_t size_ = 0;
  uint8_t bytes_[4 + kMaxPayload];
};

struct SheetSource {
  const std::string* name;
  const CellStore* cells;
};

// A row as its ROW record and DBCELL entry need it.
struct RowLayout {
  uint16_t row;
  uint16_t firstColumn;
  uint16_t endColumn;  // last column + 1
  uint32_t cellBytes;
};

struct SheetLayout {
  std::vector<RowLayout> rows;
  uint32_t textCells = 0;
  uint64_t size = 0;

  size_t BlockCount() const { return (rows.size() + kRowsPerBlock - 1) / kRowsPerBlock; }
  size_t IndexSize() const { return 4 + 16 + 4 * BlockCount(); }
};

constexpr uint64_t kBofSize = 4 + 16, kDefColWidthSize = 4 + 2, kDimensionsSize = 4 + 14,
                   kWindow2Size = 4 + 18, kEofSize = 4;

SheetLayout LayOut(const CellStore& cells) {
  SheetLayout layout;
  cells.ForEach([&](const Cell& cell) {
    if (layout.rows.empty() || layout.rows.back().row != cell.row) {
      layout.rows.push_back({cell.row, cell.column, 0, 0});
    }
    RowLayout& row = layout.rows.back();
    row.endColumn = static_cast<uint16_t>(cell.column + 1);
    bool text = cell.text != StringTable::kNone;
    row.cellBytes += text ? kLabelSstRecordSize : kBlankRecordSize;
    layout.textCells += text;
  });
  uint64_t size = kBofSize + layout.IndexSize() + kDefColWidthSize + kDimensionsSize;
  for (const RowLayout& row : layout.rows) size += kRowRecordSize + row.cellBytes;
  size += layout.BlockCount() * 8 + layout.rows.size() * 2;  // DBCELL records
  layout.size = size + kWindow2Size + kEofSize;
  return layout;
}

void PutBof(ByteSink& out, uint16_t kind) {
  Payload().U16(kBiff8).U16(kind).U16(0x0DBB).U16(0x07CC).U32(0).U32(6).PutAs(out, kBof);
}

void PutXf(ByteSink& out, uint16_t font, uint16_t protection, uint8_t alignment, uint8_t used,
           uint32_t borders, uint32_t bordersAndFill, uint16_t colours) {
  Payload()
      .U16(font)
      .U16(0)  // General
      .U16(protection)
      .U8(alignment)
      .U8(0)
      .U8(0)
      .U8(used)
      .U32(borders)
      .U32(bordersAndFill)
      .U16(colours)
      .PutAs(out, kXf);
}

void PutCellXf(ByteSink& out, const CellFormat& format) {
  constexpr uint32_t kAutomatic = 0x40;
  uint32_t line = format.borderLine;
  uint32_t borders = 0, bordersAndFill = 0;
  if (line != 0) {
    borders = line | line << 4 | line << 8 | line << 12 | kAutomatic << 16 | kAutomatic << 23;
    bordersAndFill = kAutomatic | kAutomatic << 7;
  }
  uint16_t colours = 0x40 | 0x41 << 7;
  if (format.colorIndex != 0) {
    bordersAndFill |= 1u << 26;  // solid
    colours = static_cast<uint16_t>((format.colorIndex + 7) | 0x41 << 7);  // ColorIndex n is palette n + 7
  }
  uint16_t protection = 0x0001 | (format.quotePrefix ? 0x0008 : 0);  // locked; parent XF 0
  // A cell XF's own attributes apply only where their "used" bits are set.
  PutXf(out, format.bold ? kBoldFont : 0, protection, static_cast<uint8_t>(format.horizontalAlignment | 0x20),
        0xFC, borders, bordersAndFill, colours);
}

// The file's shared strings: each distinct text once, by its file index.
struct SharedStrings {
  const StringTable& table;
  uint32_t distinct = 0;
  uint32_t textCells = 0;
};

// SST and its CONTINUE records, filled up to the largest payload. A string's
// header is never split; when its characters go on in the next record, that
// record begins with a fresh flags byte, and a 16-bit character is never
// split. The EXTSST that follows gives, for every dsst-th string, where it
// begins in the stream and in its record.
void PutSharedStrings(ByteSink& out, const SharedStrings& strings) {
  const uint32_t perBucket = std::min<uint32_t>(std::max<uint32_t>(strings.distinct / 128 + 1, 8), 65535);
  const size_t maxBuckets = (kMaxPayload - 2) / 8;
  Payload extSst;
  extSst.U16(static_cast<uint16_t>(perBucket));

  // The record being filled, its 4-byte header first.
  uint8_t record[4 + kMaxPayload];
  size_t size = 0;  // of the payload
  uint16_t type = kSst;
  auto flush = [&] {
    record[0] = static_cast<uint8_t>(type);
    record[1] = static_cast<uint8_t>(type >> 8);
    record[2] = static_cast<uint8_t>(size);
    record[3] = static_cast<uint8_t>(size >> 8);
    out.Put(record, 4 + size);
    size = 0;
    type = kContinue;
  };
  auto put = [&](const uint8_t* bytes, size_t n) {
    std::memcpy(record + 4 + size, bytes, n);
    size += n;
  };
  auto put8 = [&](uint8_t v) { put(&v, 1); };
  uint8_t counts[8];
  Put32At(counts, strings.textCells);
  Put32At(counts + 4, strings.distinct);
  put(counts, 8);
  std::vector<uint8_t> converted;
  uint32_t next = 0;
  strings.table.ForEachDistinct([&](uint32_t id) {
    bool wide = strings.table.IsWide(id);
    std::string_view text = strings.table.Text(id);
    std::span<const uint8_t> chars(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    if (!strings.table.IsAscii(id)) {
      converted.clear();
      AppendWorkbookChars(text, wide, converted);
      chars = converted;
    }
    size_t charSize = wide ? 2 : 1;
    // The header and at least one character in the record: a whole pair
    // where the text starts with one.
    size_t firstChar = chars.empty() ? 0 : wide && (chars[1] & 0xFC) == 0xD8 ? 4 : charSize;
    if (kMaxPayload - size < 3 + firstChar) flush();
    if (next % perBucket == 0 && next / perBucket < maxBuckets) {
      extSst.U32(static_cast<uint32_t>(out.Position() + 4 + size)).U16(static_cast<uint16_t>(4 + size)).U16(0);
    }
    ++next;
    uint16_t units = static_cast<uint16_t>(chars.size() / charSize);
    uint8_t header[3] = {static_cast<uint8_t>(units), static_cast<uint8_t>(units >> 8),
                         static_cast<uint8_t>(wide ? 1 : 0)};
    put(header, 3);
    for (size_t at = 0;;) {
      size_t n = std::min(chars.size() - at, (kMaxPayload - size) / charSize * charSize);
      // The two halves of a surrogate pair stay in one record.
      if (wide && at + n < chars.size() && n >= 2 && (chars[at + n - 1] & 0xFC) == 0xD8) n -= 2;
      put(chars.data() + at, n);
      at += n;
      if (at == chars.size()) break;
      flush();
      put8(wide ? 1 : 0);
    }
  });
  flush();
  extSst.PutAs(out, kExtSst);
}

// The globals with every sheet's offset left 0; the stream positions of
// those offsets are given back, to be filled in once the globals' size is
// known.
std::vector<uint64_t> PutGlobals(ByteSink& out, const std::vector<SheetSource>& sheets, const SharedStrings& strings,
                                 const FormatTable& formats) {
  std::vector<uint64_t> offsetFields;
  PutBof(out, kGlobalsKind);
  Payload().U16(kCodePageUtf16).PutAs(out, kCodePage);
  Payload().U16(0x0168).U16(0x001E).U16(0x1D1E).U16(0x1860).U16(0x0038).U16(0).U16(0).U16(1).U16(0x0258)
      .PutAs(out, kWindow1);
  for (int i = 0; i < 5; ++i) {
    Payload font;
    font.U16(200).U16(0).U16(0x7FFF).U16(i == 4 ? 700 : 400).U16(0).U8(0).U8(0).U8(0).U8(0);
    font.U8(5).U8(0).Chars(reinterpret_cast<const uint8_t*>("Arial"), 5).PutAs(out, kFont);
  }
  // Style XFs 0 to 14: Normal, then the built-in styles' records.
  for (uint16_t i = 0; i < kFirstCellXf; ++i) {
    uint16_t font = (i == 1 || i == 2) ? 1 : (i == 3 || i == 4) ? 2 : 0;
    PutXf(out, font, 0xFFF5, 0x20, i == 0 ? 0x00 : 0xF4, 0, 0, 0x40 | 0x41 << 7);
  }
  for (size_t slot = 0; slot < formats.Count(); ++slot) PutCellXf(out, formats.Format(static_cast<uint8_t>(slot)));
  Payload().U16(0x8000).U8(0).U8(0xFF).PutAs(out, kStyle);
  for (size_t i = 0; i < sheets.size(); ++i) {
    // Names are checked when they are set: at most 31 units.
    bool wide = Measure(*sheets[i].name, kMaxSheetNameLength).wide;
    std::vector<uint8_t> chars;
    AppendWorkbookChars(*sheets[i].name, wide, chars);
    offsetFields.push_back(out.Position() + 4);
    Payload()
        .U32(0)
        .U8(0)
        .U8(0)
        .U8(static_cast<uint8_t>(chars.size() / (wide ? 2 : 1)))
        .U8(wide ? 1 : 0)
        .Chars(chars.data(), chars.size())
        .PutAs(out, kBoundSheet);
  }
  PutSharedStrings(out, strings);
  Payload().PutAs(out, kEof);
  return offsetFields;
}

// One sheet: INDEX points at the DEFCOLWIDTH record and at every block's
// DBCELL; a DBCELL points back at its block's first ROW record and at the
// first cell of each row.
void PutSheet(ByteSink& file, const CellStore& cells, const SheetLayout& layout, const StringTable& strings,
              bool selected) {
  SheetBuffer out(file);
  const uint64_t start = out.Position();
  PutBof(out, kWorksheetKind);

  const uint64_t defColWidthAt = start + kBofSize + layout.IndexSize();
  std::vector<uint32_t> dbCellAt;
  uint64_t at = defColWidthAt + kDefColWidthSize + kDimensionsSize;
  for (size_t first = 0; first < layout.rows.size(); first += kRowsPerBlock) {
    size_t end = std::min(first + kRowsPerBlock, layout.rows.size());
    for (size_t r = first; r < end; ++r) at += kRowRecordSize + layout.rows[r].cellBytes;
    dbCellAt.push_back(static_cast<uint32_t>(at));
    at += 8 + 2 * (end - first);
  }
  uint32_t firstRow = layout.rows.empty() ? 0 : layout.rows.front().row;
  uint32_t endRow = layout.rows.empty() ? 0 : layout.rows.back().row + 1u;
  uint16_t firstColumn = 0, endColumn = 0;
  if (!layout.rows.empty()) {
    firstColumn = 0xFF;
    for (const RowLayout& row : layout.rows) {
      firstColumn = std::min(firstColumn, row.firstColumn);
      endColumn = std::max(endColumn, row.endColumn);
    }
  }
  Payload index;
  index.U32(0).U32(firstRow).U32(endRow).U32(static_cast<uint32_t>(defColWidthAt));
  for (uint32_t position : dbCellAt) index.U32(position);
  index.PutAs(out, kIndex);
  Payload().U16(8).PutAs(out, kDefColWidth);
  Payload().U32(firstRow).U32(endRow).U16(firstColumn).U16(endColumn).U16(0).PutAs(out, kDimensions);

  size_t rowIndex = 0;       // of the row being written, in layout.rows
  size_t blockStart = 0;     // first row of the current block
  size_t blockEnd = 0;       // past its last row
  uint64_t firstRowAt = 0;   // its first ROW record
  uint64_t cellsAt[kRowsPerBlock] = {};
  bool started = false;
  auto putDbCell = [&] {
    Payload dbCell;
    dbCell.U32(static_cast<uint32_t>(out.Position() - firstRowAt));
    for (size_t r = blockStart; r < blockEnd; ++r) {
      uint64_t from = r == blockStart ? firstRowAt + kRowRecordSize : cellsAt[r - blockStart - 1];
      dbCell.U16(static_cast<uint16_t>(cellsAt[r - blockStart] - from));
    }
    dbCell.PutAs(out, kDbCell);
  };
  cells.ForEach([&](const Cell& cell) {
    if (!started || layout.rows[rowIndex].row != cell.row) {
      if (started) ++rowIndex;
      started = true;
      if (rowIndex == blockEnd) {
        if (rowIndex > 0) putDbCell();
        blockStart = rowIndex;
        blockEnd = std::min(rowIndex + kRowsPerBlock, layout.rows.size());
        firstRowAt = out.Position();
        for (size_t r = blockStart; r < blockEnd; ++r) {
          const RowLayout& row = layout.rows[r];
          Payload().U16(row.row).U16(row.firstColumn).U16(row.endColumn).U16(0x00FF).U16(0).U16(0)
              .U16(0x0100).U16(kFirstCellXf).PutAs(out, kRow);
        }
      }
      cellsAt[rowIndex - blockStart] = out.Position();
    }
    uint8_t record[kLabelSstRecordSize];
    bool text = cell.text != StringTable::kNone;
    Put16At(record, text ? kLabelSst : kBlank);
    Put16At(record + 2, text ? 10 : 6);
    Put16At(record + 4, cell.row);
    Put16At(record + 6, cell.column);
    Put16At(record + 8, static_cast<uint16_t>(kFirstCellXf + cell.format));
    if (text) Put32At(record + 10, strings.FileIndex(cell.text));
    out.Put(record, text ? kLabelSstRecordSize : kBlankRecordSize);
  });
  if (started) putDbCell();

  Payload().U16(selected ? 0x06B6 : 0x00B6).U16(0).U16(0).U16(0x40).U16(0).U16(0).U16(0).U16(0).U16(0)
      .PutAs(out, kWindow2);
  Payload().PutAs(out, kEof);
  out.Flush();
  if (out.Position() - start != layout.size) throw AutomationError("Internal error: sheet laid out wrongly.");
}

}  // namespace

void XlsFileWriter::Save(Workbook& book, const std::string& path) {
  std::vector<SheetSource> sheets;
  for (const auto& sheet : book.sheets_.list_) sheets.push_back({&sheet->name_, &sheet->cells_});

  SharedStrings strings{book.strings_, 0, 0};
  std::vector<SheetLayout> layouts;
  for (const SheetSource& sheet : sheets) {
    layouts.push_back(LayOut(*sheet.cells));
    strings.textCells += layouts.back().textCells;
  }
  strings.distinct = book.strings_.AssignFileIndexes();

  CompoundFileWriter file(path);
  std::vector<uint64_t> offsetFields = PutGlobals(file, sheets, strings, book.formats_);
  uint64_t at = file.Position();
  for (size_t i = 0; i < sheets.size(); ++i) {
    uint8_t offset[4];
    Put32At(offset, static_cast<uint32_t>(at));
    file.Patch(offsetFields[i], offset, 4);
    at += layouts[i].size;
  }
  // Stream offsets in the records are 32 bits.
  if (at > UINT32_MAX) throw AutomationError("Cannot save '" + path + "': the workbook is too large for an .xls file.");
  for (size_t i = 0; i < sheets.size(); ++i) PutSheet(file, *sheets[i].cells, layouts[i], book.strings_, i == 0);
  file.Finish();
}

}  // namespace xls
