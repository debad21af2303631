// The look of a cell, as the automation layer sets it: fill colour, bold
// font, horizontal alignment, border lines, and the quote prefix a leading
// apostrophe gives. A workbook keeps each distinct look once (one XF record
// of the saved file) and its cells refer to it by a one-byte slot.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace xls {

struct CellFormat {
  uint8_t colorIndex = 0;           // Excel's ColorIndex 1 to 56; 0 is no fill
  bool bold = false;
  uint8_t horizontalAlignment = 0;  // the file's code: 0 general, 1 left, 2 centre, ...
  uint8_t borderLine = 0;           // every edge's line style: 0 none, 1 thin, 2 medium, ...
  bool quotePrefix = false;

  uint32_t Key() const {
    return uint32_t{colorIndex} | uint32_t{bold} << 8 | uint32_t{horizontalAlignment} << 9 |
           uint32_t{borderLine} << 12 | uint32_t{quotePrefix} << 16;
  }
};

class FormatTable {
 public:
  // Slots are one byte; Excel itself stops at about 4,000 formats.
  static constexpr size_t kMaxFormats = 256;

  FormatTable() { Slot(CellFormat{}); }
  // The slot of the format, added now if it is new; slot 0 is the default.
  uint8_t Slot(const CellFormat& format);
  // The slot of the format in `slot` changed by change(format, value).
  // Cells are written with the same few changes over and over: the last
  // answers are kept.
  uint8_t Changed(uint8_t slot, void (*change)(CellFormat&, uint8_t), uint8_t value) {
    Transition& t = transitions_[(slot ^ value * 7u ^ reinterpret_cast<uintptr_t>(change) >> 4) % kTransitions];
    if (t.change != change || t.from != slot || t.value != value) {
      CellFormat format = formats_[slot];
      change(format, value);
      t = {change, slot, value, Slot(format)};
    }
    return t.to;
  }
  const CellFormat& Format(uint8_t slot) const { return formats_[slot]; }
  size_t Count() const { return formats_.size(); }

 private:
  struct Transition {
    void (*change)(CellFormat&, uint8_t) = nullptr;
    uint8_t from = 0, value = 0, to = 0;
  };
  static constexpr size_t kTransitions = 16;

  std::vector<CellFormat> formats_;
  Transition transitions_[kTransitions];
  std::vector<uint32_t> keys_;
};

}  // namespace xls
