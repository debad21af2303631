// The texts of a workbook's cells, kept in large blocks as UTF-8 (the
// workbook's own form is made when it is saved); a cell refers to its text
// by id.
//
// Each distinct text goes into the saved file once (its shared strings), but
// finding a text among millions costs a cache miss a cell, so the work is
// split: a text met shortly before (a small table that stays in the cache)
// gets the same id at once, and the rest of the duplicates are found when
// the workbook is saved, in one pass that fetches ahead.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace xls {

class StringTable {
 public:
  static constexpr uint32_t kNone = UINT32_MAX;
  // A cell holds at most this many characters (UTF-16 units); longer texts
  // are cut, never inside a character.
  static constexpr size_t kMaxLength = 32767;

  StringTable();

  // The id of the text: the same as a recent Intern of the same text, or new.
  uint32_t Intern(std::string_view text);
  // The shared strings of a reopened workbook, in their order, before any
  // Intern: each keeps its index as its id and in the next save (texts
  // interned later are not compared with them, which would cost every save
  // a look at every string of the file).
  uint32_t Keep(std::string_view text);

  std::string_view Text(uint32_t id) const {
    uint32_t at = offsets_[id];
    return {blocks_[at >> kBlockBits].get() + (at & (kBlockSize - 1)), static_cast<size_t>(lengths_[id] & kLengthMask)};
  }
  // True when the text needs 16-bit characters in the workbook.
  bool IsWide(uint32_t id) const { return (lengths_[id] & kWideFlag) != 0; }
  // True when the text is ASCII: its bytes are the workbook's 8-bit characters.
  bool IsAscii(uint32_t id) const { return (lengths_[id] & kAsciiFlag) != 0; }
  // Ids given so far.
  uint32_t Count() const { return static_cast<uint32_t>(offsets_.size()); }

  // The file's string index of every id: equal interned texts share one,
  // numbered in the order they first appear after the kept ones; `distinct`
  // is how many indexes there are.
  std::vector<uint32_t> FileIndexes(uint32_t& distinct) const;

 private:
  static constexpr int kBlockBits = 20;
  static constexpr uint32_t kBlockSize = 1u << kBlockBits;
  static constexpr uint32_t kWideFlag = 0x80000000;
  static constexpr uint32_t kAsciiFlag = 0x40000000;
  static constexpr uint32_t kLengthMask = 0x3FFFFFFF;
  static constexpr size_t kRecentSlots = 1 << 16;
  static constexpr uint64_t kEmptySlot = UINT64_MAX;

  // The text as a cell keeps it: cut to kMaxLength, valid UTF-8 (in
  // `repaired` when bytes had to be replaced).
  static std::string_view Prepare(std::string_view text, uint32_t& flags, std::string& repaired);
  uint32_t Store(std::string_view prepared, uint32_t flags);

  uint32_t kept_ = 0;
  std::vector<std::unique_ptr<char[]>> blocks_;
  uint32_t blockUsed_ = kBlockSize;
  std::vector<uint32_t> offsets_;  // block << kBlockBits | position in block
  std::vector<uint32_t> lengths_;  // length in bytes, kWideFlag and kAsciiFlag
  // Direct-mapped by hash: hash << 32 | id of the last text of that hash.
  std::vector<uint64_t> recent_;
};

}  // namespace xls
