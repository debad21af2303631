#include "xls/cell_format.h"

#include "xls/automation_error.h"

namespace xls {

uint8_t FormatTable::Slot(const CellFormat& format) {
  uint32_t key = format.Key();
  // A workbook has a handful of formats: a scan beats any map.
  for (size_t i = 0; i < keys_.size(); ++i) {
    if (keys_[i] == key) return static_cast<uint8_t>(i);
  }
  if (keys_.size() == kMaxFormats) throw AutomationError("Too many different cell formats.");
  formats_.push_back(format);
  keys_.push_back(key);
  return static_cast<uint8_t>(keys_.size() - 1);
}

}  // namespace xls
