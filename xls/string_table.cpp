#include "xls/string_table.h"

#include <cstring>
#include <functional>

#include "xls/automation_error.h"
#include "xls/unicode_text.h"

namespace xls {
namespace {

uint32_t HashOf(std::string_view text) {
  uint64_t h = std::hash<std::string_view>{}(text);
  return static_cast<uint32_t>(h ^ (h >> 32));
}

}  // namespace

StringTable::StringTable() : recent_(kRecentSlots, kEmptySlot) {}

std::string_view StringTable::Prepare(std::string_view text, uint32_t& flags, std::string& repaired) {
  TextMeasure measure = Measure(text, kMaxLength);
  flags = (measure.wide ? kWideFlag : 0) | (measure.ascii ? kAsciiFlag : 0);
  text = text.substr(0, measure.bytes);
  if (measure.valid) return text;
  repaired = ValidUtf8(text);
  return repaired;
}

uint32_t StringTable::Store(std::string_view text, uint32_t flags) {
  if (offsets_.size() >= kNone - 1) throw AutomationError("Too many texts in one workbook.");
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
  lengths_.push_back(static_cast<uint32_t>(text.size()) | flags);
  return static_cast<uint32_t>(offsets_.size() - 1);
}

uint32_t StringTable::Keep(std::string_view text) {
  uint32_t flags = 0;
  std::string repaired;
  text = Prepare(text, flags, repaired);
  uint32_t id = Store(text, flags);
  if (id == kept_) ++kept_;
  return id;
}

uint32_t StringTable::Intern(std::string_view text) {
  uint32_t flags = 0;
  std::string repaired;
  text = Prepare(text, flags, repaired);
  uint32_t hash = HashOf(text);
  uint64_t& slot = recent_[hash & (kRecentSlots - 1)];
  if (slot != kEmptySlot && static_cast<uint32_t>(slot >> 32) == hash && Text(static_cast<uint32_t>(slot)) == text) {
    return static_cast<uint32_t>(slot);
  }
  uint32_t id = Store(text, flags);
  slot = uint64_t{hash} << 32 | id;
  return id;
}

std::vector<uint32_t> StringTable::FileIndexes(uint32_t& distinct) const {
  const uint32_t count = Count();
  std::vector<uint32_t> indexes(count);
  for (uint32_t id = 0; id < kept_; ++id) indexes[id] = id;
  distinct = kept_;
  // Open addressing, linear probing, hash << 32 | id; at most 80% full.
  size_t size = 1024;
  while (size * 4 < size_t{count - kept_} * 5) size *= 2;
  std::vector<uint64_t> slots(size, kEmptySlot);
  const size_t mask = size - 1;

  // The slot of the text kAhead ids on is fetched while this one is looked
  // up, so that the cache misses overlap.
  constexpr uint32_t kAhead = 16;
  uint32_t ahead[kAhead];
  auto prepare = [&](uint32_t id) {
    ahead[id % kAhead] = HashOf(Text(id));
    __builtin_prefetch(&slots[ahead[id % kAhead] & mask]);
  };
  for (uint32_t id = kept_; id < count && id < kept_ + kAhead; ++id) prepare(id);
  for (uint32_t id = kept_; id < count; ++id) {
    uint32_t hash = ahead[id % kAhead];
    if (id + kAhead < count) prepare(id + kAhead);
    std::string_view text = Text(id);
    for (size_t at = hash & mask;; at = (at + 1) & mask) {
      uint64_t slot = slots[at];
      if (slot == kEmptySlot) {
        slots[at] = uint64_t{hash} << 32 | id;
        indexes[id] = distinct++;
        break;
      }
      uint32_t other = static_cast<uint32_t>(slot);
      if (static_cast<uint32_t>(slot >> 32) == hash && Text(other) == text) {
        indexes[id] = indexes[other];
        break;
      }
    }
  }
  return indexes;
}

}  // namespace xls
