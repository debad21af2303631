// The look of a cell, as the automation layer sets it: fill colour, bold
// font, horizontal alignment, border lines, and the quote prefix a leading
// apostrophe gives. A workbook keeps each distinct look once (one XF record
// of the saved file) and its cells refer to it by a one-byte slot.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
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
    // Two ways a set, the last one used first.
    uint64_t key = (reinterpret_cast<uintptr_t>(change) ^ (uint64_t{slot} << 8 | value)) * 0x9E3779B97F4A7C15ull;
    Transition* set = transitions_[key >> 59];
    auto same = [&](const Transition& t) { return t.change == change && t.from == slot && t.value == value; };
    if (same(set[0])) return set[0].to;
    if (!same(set[1])) {
      CellFormat format = formats_[slot];
      change(format, value);
      set[1] = {change, slot, value, Slot(format)};
    }
    std::swap(set[0], set[1]);
    return set[0].to;
  }
  const CellFormat& Format(uint8_t slot) const { return formats_[slot]; }
  size_t Count() const { return formats_.size(); }

 private:
  struct Transition {
    void (*change)(CellFormat&, uint8_t) = nullptr;
    uint8_t from = 0, value = 0, to = 0;
  };
  static constexpr size_t kTransitionSets = 32;

  std::vector<CellFormat> formats_;
  Transition transitions_[kTransitionSets][2];
  std::vector<uint32_t> keys_;
};

}  // namespace xls
