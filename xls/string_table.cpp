#include "xls/string_table.h"

#include <algorithm>
#include <bit>
#include <system_error>
#include <thread>
#include <vector>

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

// Runs work(0) and work(1), which must not throw: on two cores where
// there are two and the work is worth a thread.
template <class F>
void OnTwoLanes(bool worthAThread, F&& work) {
  static const bool twoCores = std::thread::hardware_concurrency() >= 2;
  std::thread second;
  if (twoCores && worthAThread) {
    try {
      second = std::thread([&work] { work(1); });
    } catch (const std::system_error&) {
      // No thread to be had: the caller does both.
    }
  }
  work(0);
  if (second.joinable()) second.join();
  else work(1);
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
  if (fresh == 0) return distinct;

  // The texts after the kept ones, in their order; two lanes take a half
  // of the blocks each.
  uint32_t firstBlock = 0, firstAt = 0;
  if (distinct > 0) {
    const uint32_t last = keptIds_.back();
    firstBlock = last >> kBlockBits;
    firstAt = (last & (kBlockSize - 1)) + kHeaderSize + (Word(last, 0) & kLengthMask);
  }
  const uint32_t endBlock = static_cast<uint32_t>(used_.size());
  const uint32_t blockSplit = firstBlock + (endBlock - firstBlock) / 2;
  auto forEachFresh = [&](uint32_t fromBlock, uint32_t toBlock, auto&& f) {
    for (uint32_t block = fromBlock, at = block == firstBlock ? firstAt : 0; block < toBlock; ++block, at = 0) {
      while (at < used_[block]) {
        const uint32_t id = block << kBlockBits | at;
        at += kHeaderSize + (Word(id, 0) & kLengthMask);
        f(id);
      }
    }
  };
  auto laneBlocks = [&](int lane) {
    return lane == 0 ? std::pair{firstBlock, blockSplit} : std::pair{blockSplit, endBlock};
  };

  // A table of millions of texts misses the cache on every lookup. So the
  // texts are split by the top bits of their hash into partitions small
  // enough for a table in the cache, each partition in text order, and a
  // lane finds the equal texts of half the partitions. One walk in text
  // order then numbers them, taking each partition's answers in turn.
  struct Entry {
    uint32_t hash;  // then where the equal text before it is, then the file index
    uint32_t id;    // kNone once the text is known to repeat an earlier one
  };
  const int partitionBits = std::bit_width(std::max<uint32_t>(fresh / 8192, 1) - 1);
  const uint32_t partitions = uint32_t{1} << partitionBits;
  auto partitionOf = [partitionBits](uint32_t hash) {
    return partitionBits == 0 ? 0 : hash >> (32 - partitionBits);
  };
  LargeMemory memory = AllocateLarge(size_t{fresh} * sizeof(Entry));
  auto* entries = static_cast<Entry*>(memory.get());
  std::vector<uint32_t> counts[2] = {std::vector<uint32_t>(partitions), std::vector<uint32_t>(partitions)};
  const bool large = fresh >= 65536;

  // Each text's hash waits in its file index.
  OnTwoLanes(large, [&](int lane) {
    auto [from, to] = laneBlocks(lane);
    forEachFresh(from, to, [&](uint32_t id) {
      const uint32_t hash = HashOf(Text(id));
      SetFileIndex(id, hash);
      ++counts[lane][partitionOf(hash)];
    });
  });
  // Where each partition begins, and each lane's place in it.
  std::vector<uint32_t> begin(partitions + 1);
  for (uint32_t p = 0; p < partitions; ++p) begin[p + 1] = begin[p] + counts[0][p] + counts[1][p];
  OnTwoLanes(large, [&](int lane) {
    std::vector<uint32_t>& cursor = counts[lane];
    for (uint32_t p = 0; p < partitions; ++p) cursor[p] = lane == 0 ? begin[p] : begin[p + 1] - cursor[p];
    auto [from, to] = laneBlocks(lane);
    forEachFresh(from, to, [&](uint32_t id) {
      const uint32_t hash = FileIndex(id);
      entries[cursor[partitionOf(hash)]++] = {hash, id};
    });
  });

  // In each partition, a text equal to one before it is told where that
  // one is. Open addressing, at most half full: hash << 32 | place + 1.
  // The texts a lookup kAhead entries on will compare are fetched ahead.
  auto seek = [](const std::vector<uint64_t>& slots, size_t mask, uint32_t hash, size_t probe) {
    // the first slot from `probe` on that is empty or holds the hash
    while (slots[probe] != 0 && static_cast<uint32_t>(slots[probe] >> 32) != hash) probe = (probe + 1) & mask;
    return probe;
  };
  auto idIn = [entries](uint64_t slot) { return entries[static_cast<uint32_t>(slot) - 1].id; };
  auto findRepeats = [&](uint32_t first, uint32_t end, std::vector<uint64_t>& slots) {
    constexpr uint32_t kAhead = 16;
    const size_t mask = std::bit_ceil(std::max<size_t>(16, size_t{end - first} * 2)) - 1;
    std::fill(slots.begin(), slots.begin() + static_cast<std::ptrdiff_t>(mask + 1), 0);
    for (uint32_t e = first; e < end; ++e) {
      if (e + kAhead < end) {
        const Entry& ahead = entries[e + kAhead];
        const uint64_t slot = slots[seek(slots, mask, ahead.hash, ahead.hash & mask)];
        if (slot != 0) {
          __builtin_prefetch(At(idIn(slot)));
          __builtin_prefetch(At(ahead.id));
        }
      }
      Entry& entry = entries[e];
      size_t probe = seek(slots, mask, entry.hash, entry.hash & mask);
      while (slots[probe] != 0 && Text(idIn(slots[probe])) != Text(entry.id)) {
        probe = seek(slots, mask, entry.hash, (probe + 1) & mask);
      }
      if (slots[probe] == 0) slots[probe] = uint64_t{entry.hash} << 32 | (e + 1);
      else entry = {static_cast<uint32_t>(slots[probe]) - 1, kNone};
    }
  };
  uint32_t largest = 0;
  for (uint32_t p = 0; p < partitions; ++p) largest = std::max(largest, begin[p + 1] - begin[p]);
  const size_t tableSize = std::bit_ceil(std::max<size_t>(16, size_t{largest} * 2));
  std::vector<uint64_t> tables[2] = {std::vector<uint64_t>(tableSize), std::vector<uint64_t>(tableSize)};
  OnTwoLanes(large, [&](int lane) {
    const uint32_t half = (partitions + 1) / 2;
    for (uint32_t p = lane == 0 ? 0 : half; p < (lane == 0 ? half : partitions); ++p) {
      findRepeats(begin[p], begin[p + 1], tables[lane]);
    }
  });

  // Numbered in text order; a partition's next entries are fetched ahead,
  // and the earlier text the next one repeats.
  std::vector<uint32_t> cursor(begin.begin(), begin.end() - 1);
  forEachFresh(firstBlock, endBlock, [&](uint32_t id) {
    const uint32_t p = partitionOf(FileIndex(id));
    Entry& entry = entries[cursor[p]++];
    if (cursor[p] < begin[p + 1]) {
      const Entry& next = entries[cursor[p]];
      if (next.id == kNone) __builtin_prefetch(&entries[next.hash]);
      if (begin[p + 1] - cursor[p] > 8) __builtin_prefetch(&entries[cursor[p] + 8]);
    }
    entry.hash = entry.id != kNone ? distinct++ : entries[entry.hash].hash;
    SetFileIndex(id, entry.hash);
  });
  return distinct;
}

}  // namespace xls
