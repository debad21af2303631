#include "xls/xls_file_reader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <span>
#include <vector>

#include "xls/automation_error.h"
#include "xls/biff_records.h"
#include "xls/compound_file_reader.h"
#include "xls/unicode_text.h"
#include "xls/workbook.h"
#include "xls/worksheet.h"

namespace xls {
namespace {

using namespace biff;

uint16_t Get16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | at[1] << 8); }
uint32_t Get32(const uint8_t* at) { return Get16(at) | static_cast<uint32_t>(Get16(at + 2)) << 16; }

class Refusal {
 public:
  explicit Refusal(const std::string& path) : path_(path) {}
  [[noreturn]] void operator()(const std::string& why) const {
    throw AutomationError("Cannot open '" + path_ + "': " + why + ".");
  }

 private:
  const std::string& path_;
};

// The stream's records one after another, read through a buffer that holds
// at least the whole current record.
class RecordCursor {
 public:
  RecordCursor(CompoundFileReader& file, const Refusal& refuse)
      : file_(file), refuse_(refuse), buffer_(256 * 1024) {}

  void Seek(uint64_t position) {
    next_ = position;
    again_ = false;
  }
  // The next record; false at the end of the stream.
  bool Next() {
    if (again_) {
      again_ = false;
      return true;
    }
    if (!Hold(next_, 4)) return false;
    const uint8_t* header = &buffer_[next_ - bufferAt_];
    type = Get16(header);
    uint16_t size = Get16(header + 2);
    if (!Hold(next_, 4 + size)) refuse_("the file is damaged (a record is cut short)");
    payload = std::span<const uint8_t>(&buffer_[next_ - bufferAt_ + 4], size);
    position = next_;
    next_ += 4 + size;
    return true;
  }
  // The record just read comes again from the next Next().
  void Again() { again_ = true; }

  uint16_t type = 0;
  std::span<const uint8_t> payload;
  uint64_t position = 0;

 private:
  bool Hold(uint64_t at, size_t size) {
    if (at >= bufferAt_ && at + size <= bufferAt_ + held_) return true;
    bufferAt_ = at;
    held_ = file_.Read(at, buffer_.data(), buffer_.size());
    return held_ >= size;
  }

  CompoundFileReader& file_;
  const Refusal& refuse_;
  std::vector<uint8_t> buffer_;
  uint64_t bufferAt_ = 0;
  size_t held_ = 0;
  uint64_t next_ = 0;
  bool again_ = false;
};

// The shared strings: SST and the CONTINUE records after it, read as one run
// of bytes, except that characters continued in a new record come after a
// fresh flags byte.
class SharedStringReader {
 public:
  SharedStringReader(RecordCursor& cursor, const Refusal& refuse)
      : cursor_(cursor), refuse_(refuse), piece_(cursor.payload) {}

  void ReadInto(StringTable& strings) {
    uint8_t counts[8];
    Bytes(counts, sizeof counts);
    uint32_t unique = Get32(counts + 4);
    std::string text;
    for (uint32_t i = 0; i < unique; ++i) {
      if (KeepWholeAscii(strings)) continue;
      uint8_t header[3];
      Bytes(header, sizeof header);
      uint16_t length = Get16(header);
      uint8_t flags = header[2];
      uint32_t skip = 0;
      if (flags & 0x08) {  // rich text: formatting runs after the characters
        uint8_t runs[2];
        Bytes(runs, 2);
        skip += 4u * Get16(runs);
      }
      if (flags & 0x04) {  // phonetic data after the characters
        uint8_t size[4];
        Bytes(size, 4);
        skip += Get32(size);
      }
      text.clear();
      Chars(length, (flags & 0x01) != 0, text);
      Skip(skip);
      strings.Keep(text);
    }
  }

 private:
  bool NextPiece() {
    if (!cursor_.Next()) return false;
    if (cursor_.type != kContinue) {
      cursor_.Again();
      return false;
    }
    piece_ = cursor_.payload;
    at_ = 0;
    return true;
  }
  // The common string: 8-bit, ASCII, no formatting, within the current
  // record: kept straight from the record.
  bool KeepWholeAscii(StringTable& strings) {
    if (piece_.size() - at_ < 3 || piece_[at_ + 2] != 0) return false;
    size_t length = Get16(&piece_[at_]);
    if (piece_.size() - at_ - 3 < length) return false;
    const uint8_t* chars = &piece_[at_ + 3];
    for (size_t i = 0; i < length; ++i) {
      if (chars[i] >= 0x80) return false;
    }
    strings.Keep(std::string_view(reinterpret_cast<const char*>(chars), length));
    at_ += 3 + length;
    return true;
  }
  void Bytes(uint8_t* out, size_t n) {
    while (n > 0) {
      if (at_ == piece_.size() && !NextPiece()) refuse_("the file is damaged (shared strings cut short)");
      size_t k = std::min(n, piece_.size() - at_);
      std::memcpy(out, &piece_[at_], k);
      at_ += k;
      out += k;
      n -= k;
    }
  }
  void Skip(size_t n) {
    while (n > 0) {
      if (at_ == piece_.size() && !NextPiece()) refuse_("the file is damaged (shared strings cut short)");
      size_t k = std::min(n, piece_.size() - at_);
      at_ += k;
      n -= k;
    }
  }
  // The characters of one string; a pair split between records is joined.
  void Chars(size_t count, bool wide, std::string& out) {
    units_.clear();
    while (count > 0) {
      if (at_ == piece_.size()) {
        if (!NextPiece() || piece_.empty()) refuse_("the file is damaged (shared strings cut short)");
        wide = (piece_[0] & 0x01) != 0;
        at_ = 1;
      }
      size_t size = wide ? 2 : 1;
      size_t k = std::min(count, (piece_.size() - at_) / size);
      if (k == 0) refuse_("the file is damaged (a character split between records)");
      for (size_t i = 0; i < k; ++i, at_ += size) units_.push_back(wide ? Get16(&piece_[at_]) : piece_[at_]);
      count -= k;
    }
    AppendUtf16AsUtf8(units_, out);
  }

  RecordCursor& cursor_;
  const Refusal& refuse_;
  std::span<const uint8_t> piece_;
  size_t at_ = 0;
  std::u16string units_;
};

struct SheetEntry {
  uint32_t offset;
  uint8_t kind;
  std::string name;
};

// A ShortXLUnicodeString: length byte, flags byte, characters.
std::string ShortText(std::span<const uint8_t> payload, size_t at, const Refusal& refuse) {
  if (at + 2 > payload.size()) refuse("the file is damaged (a name is cut short)");
  size_t length = payload[at];
  bool wide = payload[at + 1] & 0x01;
  at += 2;
  if (at + length * (wide ? 2 : 1) > payload.size()) refuse("the file is damaged (a name is cut short)");
  std::u16string units;
  for (size_t i = 0; i < length; ++i) units.push_back(wide ? Get16(&payload[at + 2 * i]) : payload[at + i]);
  std::string text;
  AppendUtf16AsUtf8(units, text);
  return text;
}

// The cell formats of the file's XF records, turned into the workbook's
// format slots when a cell first uses them.
class XfTable {
 public:
  std::vector<uint16_t> fontWeights;
  std::vector<std::array<uint8_t, 20>> records;

  uint8_t SlotOf(uint16_t xf, FormatTable& formats, const Refusal& refuse) {
    if (xf >= records.size()) refuse("the file is damaged (a cell format that is not there)");
    if (slots_.size() < records.size()) slots_.resize(records.size(), -1);
    if (slots_[xf] < 0) slots_[xf] = formats.Slot(FormatOf(records[xf]));
    return static_cast<uint8_t>(slots_[xf]);
  }

 private:
  CellFormat FormatOf(const std::array<uint8_t, 20>& xf) const {
    CellFormat format;
    uint16_t protection = Get16(&xf[4]);
    if (protection & 0x0004) return format;  // a style's record: the default look
    uint16_t font = Get16(&xf[0]);
    size_t fontRecord = font < 4 ? font : font - 1u;
    format.bold = fontRecord < fontWeights.size() && fontWeights[fontRecord] >= 700;
    format.quotePrefix = (protection & 0x0008) != 0;
    format.horizontalAlignment = xf[6] & 0x07;
    format.borderLine = xf[10] & 0x0F;
    if (((Get32(&xf[14]) >> 26) & 0x3F) == 1) {
      int palette = Get16(&xf[18]) & 0x7F;
      if (palette >= 8 && palette <= 63) format.colorIndex = static_cast<uint8_t>(palette - 7);
    }
    return format;
  }

  std::vector<int16_t> slots_;
};

bool IsCellKept(uint16_t type) {
  switch (type) {
    case kNumber: case kRk: case kMulRk: case kLabel: case kBoolErr: case kFormula: case kRString:
      return false;
    default:
      return true;
  }
}

}  // namespace

void XlsFileReader::Load(const std::string& path, Workbook& book) {
  Refusal refuse(path);
  CompoundFileReader file(path);
  RecordCursor cursor(file, refuse);

  cursor.Seek(0);
  if (!cursor.Next() || cursor.type != kBof || cursor.payload.size() < 4 || Get16(&cursor.payload[0]) != kBiff8 ||
      Get16(&cursor.payload[2]) != kGlobalsKind) {
    refuse("it is not an Excel 97-2003 workbook");
  }
  XfTable xfs;
  std::vector<SheetEntry> sheets;
  for (bool ended = false; !ended;) {
    if (!cursor.Next()) refuse("the file is damaged (the workbook's records end early)");
    std::span<const uint8_t> p = cursor.payload;
    switch (cursor.type) {
      case kFont:
        if (p.size() < 8) refuse("the file is damaged (FONT)");
        xfs.fontWeights.push_back(Get16(&p[6]));
        break;
      case kXf:
        if (p.size() < 20) refuse("the file is damaged (XF)");
        std::copy_n(p.begin(), 20, xfs.records.emplace_back().begin());
        break;
      case kBoundSheet:
        if (p.size() < 8) refuse("the file is damaged (BOUNDSHEET)");
        sheets.push_back({Get32(&p[0]), p[5], ShortText(p, 6, refuse)});
        break;
      case kSst:
        SharedStringReader(cursor, refuse).ReadInto(book.strings_);
        break;
      case kEof:
        ended = true;
        break;
      default:
        break;
    }
  }
  if (sheets.empty()) refuse("it holds no worksheet");

  for (const SheetEntry& entry : sheets) {
    if (entry.kind != 0) refuse("it holds a chart or macro sheet, which this program does not keep");
    Worksheet& sheet = book.sheets_.Insert(book.sheets_.list_.size(), entry.name);
    cursor.Seek(entry.offset);
    if (!cursor.Next() || cursor.type != kBof || cursor.payload.size() < 4 ||
        Get16(&cursor.payload[2]) != kWorksheetKind) {
      refuse("the file is damaged (sheet \"" + entry.name + "\" is not where the workbook says)");
    }
    auto put = [&](uint16_t row, size_t column, uint16_t xf, uint32_t text) {
      if (column >= 256) refuse("the file is damaged (a cell beyond column IV)");
      if (text != StringTable::kNone) {
        if (text >= book.strings_.KeptCount()) refuse("the file is damaged (a cell's text is not among the shared strings)");
        text = book.strings_.KeptId(text);
      }
      uint8_t slot = xfs.SlotOf(xf, book.formats_, refuse);
      Cell& cell = sheet.cells_.At(row, static_cast<uint8_t>(column));
      cell.text = text;
      cell.format = slot;
    };
    for (bool ended = false; !ended;) {
      if (!cursor.Next()) refuse("the file is damaged (sheet \"" + entry.name + "\" ends early)");
      std::span<const uint8_t> p = cursor.payload;
      switch (cursor.type) {
        case kLabelSst:
          if (p.size() < 10) refuse("the file is damaged (LABELSST)");
          put(Get16(&p[0]), Get16(&p[2]), Get16(&p[4]), Get32(&p[6]));
          break;
        case kBlank:
          if (p.size() < 6) refuse("the file is damaged (BLANK)");
          put(Get16(&p[0]), Get16(&p[2]), Get16(&p[4]), StringTable::kNone);
          break;
        case kMulBlank: {
          if (p.size() < 6 || p.size() % 2 != 0) refuse("the file is damaged (MULBLANK)");
          uint16_t first = Get16(&p[2]);
          for (size_t i = 0; 4 + 2 * i + 2 < p.size(); ++i) {
            put(Get16(&p[0]), first + i, Get16(&p[4 + 2 * i]), StringTable::kNone);
          }
          break;
        }
        case kBof:
          refuse("sheet \"" + entry.name + "\" holds a chart, which this program does not keep");
        case kEof:
          ended = true;
          break;
        default:
          if (!IsCellKept(cursor.type)) {
            refuse("sheet \"" + entry.name + "\" holds numbers or formulas, which this program does not keep");
          }
          break;
      }
    }
  }
}

}  // namespace xls
