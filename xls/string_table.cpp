#include "xls/string_table.h"

#include <algorithm>

#include "xls/automation_error.h"
#include "xls/unicode_text.h"

namespace xls {
namespace {

// Cell texts are short: a multiply-and-fold hash, eight bytes at a time.
uint32_t HashOf(std::string_view text) {
  const char* p = text.data();
  size_t n = text.size();
  uint64_t h = 0x9E3779B97F4A7C15ull ^ n;
  auto mix = [&h](uint64_t word) {
    h = (h ^ word) * 0xFF51AFD7ED558CCDull;
    h ^= h >> 32;
  };
  for (; n >= 8; p += 8, n -= 8) {
    uint64_t word;
    std::memcpy(&word, p, 8);
    mix(word);
  }
  if (n >= 4) {
    uint32_t first, last;
    std::memcpy(&first, p, 4);
    std::memcpy(&last, p + n - 4, 4);
    mix(uint64_t{first} << 32 | last);
  } else if (n > 0) {
    mix(uint64_t{static_cast<uint8_t>(p[0])} << 16 | uint64_t{static_cast<uint8_t>(p[n / 2])} << 8 |
        static_cast<uint8_t>(p[n - 1]));
  }
  h *= 0xC4CEB9FE1A85EC53ull;
  return static_cast<uint32_t>(h >> 32);
}

}  // namespace

StringTable::StringTable() = default;
StringTable::~StringTable() = default;

std::string_view StringTable::Prepare(std::string_view text, uint32_t& flags, std::string& repaired) {
  TextMeasure measure = Measure(text, kMaxLength);
  flags = (measure.wide ? kWideFlag : 0) | (measure.ascii ? kAsciiFlag : 0);
  text = text.substr(0, measure.bytes);
  if (measure.valid) return text;
  repaired = ValidUtf8(text);
  return repaired;
}

uint32_t StringTable::Store(std::string_view text, uint32_t flags) {
  if (count_ >= kNone - 1) throw AutomationError("Too many texts in one workbook.");
  const uint32_t size = kHeaderSize + static_cast<uint32_t>(text.size());
  if (used_.empty() || kBlockSize - used_.back() < size) {
    // Ids are 32 bits: 2,048 blocks of 2 MiB.
    if (blocks_.size() >= (size_t{1} << (32 - kBlockBits))) {
      throw AutomationError("Not enough memory for more text in one workbook.");
    }
    blocks_.push_back(AllocateLarge(kBlockSize));
    used_.push_back(0);
  }
  const uint32_t id = static_cast<uint32_t>(blocks_.size() - 1) << kBlockBits | used_.back();
  char* at = At(id);
  const uint32_t lengthAndFlags = static_cast<uint32_t>(text.size()) | flags;
  std::memcpy(at, &lengthAndFlags, 4);
  std::memcpy(at + 4, &kNone, 4);
  if (!text.empty()) std::memcpy(at + kHeaderSize, text.data(), text.size());
  used_.back() += size;
  ++count_;
  return id;
}

uint32_t StringTable::Keep(std::string_view text) {
  uint32_t flags = 0;
  std::string repaired;
  text = Prepare(text, flags, repaired);
  uint32_t id = Store(text, flags);
  if (!interned_) {
    SetFileIndex(id, KeptCount());
    keptIds_.push_back(id);
  }
  return id;
}

uint32_t StringTable::Intern(std::string_view text) {
  uint32_t flags = 0;
  std::string repaired;
  text = Prepare(text, flags, repaired);
  if (!recent_) {
    recent_ = std::make_unique<uint64_t[]>(kRecentSlots);  // zero: no text yet
    interned_ = true;
  }
  const uint32_t hash = HashOf(text);
  uint64_t& slot = recent_[hash & (kRecentSlots - 1)];
  if (slot != 0 && static_cast<uint32_t>(slot >> 32) == hash) {
    uint32_t id = static_cast<uint32_t>(slot) - 1;
    if (Text(id) == text) return id;
  }
  uint32_t id = Store(text, flags);
  slot = uint64_t{hash} << 32 | (id + 1);
  return id;
}

uint32_t StringTable::AssignFileIndexes() {
  uint32_t distinct = KeptCount();
  const uint32_t fresh = count_ - distinct;
  // Open addressing, linear probing, hash << 32 | id + 1 (0 is empty); at
  // most 80% full. Its size is not rounded to a power of two (up to twice
  // the memory to clear and to miss in): a hash picks its first slot by
  // multiplying.
  const size_t size = std::max<size_t>(1024, size_t{fresh} * 5 / 4);
  LargeMemory memory = AllocateLarge(size * sizeof(uint64_t));
  auto* slots = static_cast<uint64_t*>(memory.get());
  auto home = [size](uint32_t hash) { return static_cast<size_t>((uint64_t{hash} * size) >> 32); };

  // The texts after the kept ones, in their order. The slot of the text
  // kAhead texts on is fetched while this one is looked up, and the text an
  // equal hash there names kAhead / 2 texts on, so that the cache misses
  // overlap.
  uint32_t block = 0, at = 0;
  if (distinct > 0) {
    uint32_t last = keptIds_.back();
    block = last >> kBlockBits;
    at = (last & (kBlockSize - 1)) + kHeaderSize + (Word(last, 0) & kLengthMask);
  }
  auto next = [&]() -> uint32_t {
    while (block < used_.size() && at >= used_[block]) ++block, at = 0;
    if (block == used_.size()) return kNone;
    uint32_t id = block << kBlockBits | at;
    at += kHeaderSize + (Word(id, 0) & kLengthMask);
    return id;
  };
  constexpr uint32_t kAhead = 64;
  struct Ahead {
    uint32_t id, hash;
  } ahead[kAhead];
  auto prepare = [&](Ahead& a) {
    a.id = next();
    if (a.id == kNone) return;
    a.hash = HashOf(Text(a.id));
    __builtin_prefetch(&slots[home(a.hash)]);
  };
  for (Ahead& a : ahead) prepare(a);
  for (uint32_t n = 0;; ++n) {
    Ahead& a = ahead[n % kAhead];
    if (a.id == kNone) break;
    const uint32_t id = a.id, hash = a.hash;
    prepare(a);
    const Ahead& half = ahead[(n + kAhead / 2) % kAhead];
    if (half.id != kNone) {
      uint64_t slot = slots[home(half.hash)];
      if (slot != 0 && static_cast<uint32_t>(slot >> 32) == half.hash) __builtin_prefetch(At(static_cast<uint32_t>(slot) - 1));
    }
    std::string_view text = Text(id);
    for (size_t probe = home(hash);; probe = probe + 1 == size ? 0 : probe + 1) {
      uint64_t slot = slots[probe];
      if (slot == 0) {
        slots[probe] = uint64_t{hash} << 32 | (id + 1);
        SetFileIndex(id, distinct++);
        break;
      }
      uint32_t other = static_cast<uint32_t>(slot) - 1;
      if (static_cast<uint32_t>(slot >> 32) == hash && Text(other) == text) {
        SetFileIndex(id, FileIndex(other));
        break;
      }
    }
  }
  return distinct;
}

}  // namespace xls
