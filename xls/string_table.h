// The texts of a workbook's cells, each kept once: the shared strings of the
// saved file. A cell refers to its text by index. Texts are kept as the
// program gives them (code page 1252) in large blocks, with a hash table of
// indexes so that finding a text already kept costs one probe or two.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace xls {

class StringTable {
 public:
  static constexpr uint32_t kNone = UINT32_MAX;
  // A cell holds at most this many characters; longer texts are cut.
  static constexpr size_t kMaxLength = 32767;

  // The index of the text, kept now if it was not kept yet.
  uint32_t Intern(std::string_view text);
  // Keeps the text under a new index without looking for it: the strings of
  // a reopened workbook, whose indexes its cells use as they are.
  uint32_t Append(std::string_view text);

  std::string_view Text(uint32_t index) const {
    uint32_t at = offsets_[index];
    return {blocks_[at >> kBlockBits].get() + (at & (kBlockSize - 1)), static_cast<size_t>(lengths_[index] & kLengthMask)};
  }
  // True when the text needs 16-bit characters in the workbook.
  bool IsWide(uint32_t index) const { return (lengths_[index] & kWideFlag) != 0; }
  uint32_t Count() const { return static_cast<uint32_t>(offsets_.size()); }

 private:
  static constexpr int kBlockBits = 20;
  static constexpr uint32_t kBlockSize = 1u << kBlockBits;
  static constexpr uint16_t kWideFlag = 0x8000;
  static constexpr uint16_t kLengthMask = 0x7FFF;
  static constexpr uint64_t kEmptySlot = UINT64_MAX;

  uint32_t Store(std::string_view text);
  void GrowSlots();

  std::vector<std::unique_ptr<char[]>> blocks_;
  uint32_t blockUsed_ = kBlockSize;
  std::vector<uint32_t> offsets_;  // block << kBlockBits | position in block
  std::vector<uint16_t> lengths_;  // length, and kWideFlag
  // Open addressing, linear probing: hash << 32 | index. The position of a
  // slot comes from the same hash bits, so growing needs no text.
  std::vector<uint64_t> slots_;
  uint32_t slotsUsed_ = 0;
};

}  // namespace xls
