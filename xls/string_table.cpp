#include "xls/string_table.h"

#include <cstring>
#include <functional>

#include "xls/automation_error.h"
#include "xls/code_page_1252.h"

namespace xls {
namespace {

uint32_t HashOf(std::string_view text) {
  uint64_t h = std::hash<std::string_view>{}(text);
  return static_cast<uint32_t>(h ^ (h >> 32));
}

}  // namespace

uint32_t StringTable::Store(std::string_view text) {
  if (text.size() > kMaxLength) text = text.substr(0, kMaxLength);
  if (offsets_.size() >= kNone - 1) throw AutomationError("Too many different texts in one workbook.");
  if (blocks_.empty() || kBlockSize - blockUsed_ < text.size()) {
    // Offsets are 32 bits: 4,096 blocks of 1 MiB.
    if (blocks_.size() >= (size_t{1} << (32 - kBlockBits))) {
      throw AutomationError("Not enough memory for more text in one workbook.");
    }
    blocks_.push_back(std::make_unique<char[]>(kBlockSize));
    blockUsed_ = 0;
  }
  uint32_t at = static_cast<uint32_t>((blocks_.size() - 1) << kBlockBits) | blockUsed_;
  if (!text.empty()) std::memcpy(blocks_.back().get() + blockUsed_, text.data(), text.size());
  blockUsed_ += static_cast<uint32_t>(text.size());
  offsets_.push_back(at);
  lengths_.push_back(static_cast<uint16_t>(text.size() | (NeedsWideCharacters(text) ? kWideFlag : 0)));
  return static_cast<uint32_t>(offsets_.size() - 1);
}

uint32_t StringTable::Append(std::string_view text) { return Store(text); }

uint32_t StringTable::Intern(std::string_view text) {
  if (text.size() > kMaxLength) text = text.substr(0, kMaxLength);
  if ((slotsUsed_ + 1) * 2 > slots_.size()) GrowSlots();
  uint32_t hash = HashOf(text);
  size_t mask = slots_.size() - 1;
  for (size_t at = hash & mask;; at = (at + 1) & mask) {
    uint64_t slot = slots_[at];
    if (slot == kEmptySlot) {
      uint32_t index = Store(text);
      slots_[at] = uint64_t{hash} << 32 | index;
      ++slotsUsed_;
      return index;
    }
    if (static_cast<uint32_t>(slot >> 32) == hash) {
      uint32_t index = static_cast<uint32_t>(slot);
      if (Text(index) == text) return index;
    }
  }
}

void StringTable::GrowSlots() {
  std::vector<uint64_t> old = std::move(slots_);
  slots_.assign(old.empty() ? 1024 : old.size() * 2, kEmptySlot);
  size_t mask = slots_.size() - 1;
  for (uint64_t slot : old) {
    if (slot == kEmptySlot) continue;
    size_t at = static_cast<uint32_t>(slot >> 32) & mask;
    while (slots_[at] != kEmptySlot) at = (at + 1) & mask;
    slots_[at] = slot;
  }
}

}  // namespace xls
