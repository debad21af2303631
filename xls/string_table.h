// The texts of a workbook's cells, kept in large blocks as UTF-8 (the
// workbook's own form is made when it is saved); a cell refers to its text
// by id, the text's place in the blocks, where its length and its index in
// the saved file sit right before its bytes.
//
// Each distinct text goes into the saved file once (its shared strings), but
// finding a text among millions costs a cache miss a cell, so the work is
// split: a text met shortly before (a small table that stays in the cache)
// gets the same id at once, and the rest of the duplicates are found when
// the workbook is saved, a partition of the hashes at a time.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xls/large_memory.h"

namespace xls {

class StringTable {
 public:
  static constexpr uint32_t kNone = UINT32_MAX;
  // A cell holds at most this many characters (UTF-16 units); longer texts
  // are cut, never inside a character.
  static constexpr size_t kMaxLength = 32767;

  StringTable();
  ~StringTable();
  StringTable(const StringTable&) = delete;
  StringTable& operator=(const StringTable&) = delete;

  // The id of the text: the same as a recent Intern of the same text, or new.
  uint32_t Intern(std::string_view text);
  // The shared strings of a reopened workbook, in their order, before any
  // Intern: each keeps its index in the next save (texts interned later are
  // not compared with them, which would cost every save a look at every
  // string of the file).
  uint32_t Keep(std::string_view text);
  // How many texts were kept, and the id of the one at a file index.
  uint32_t KeptCount() const { return static_cast<uint32_t>(keptIds_.size()); }
  uint32_t KeptId(uint32_t index) const { return keptIds_[index]; }

  std::string_view Text(uint32_t id) const {
    return {At(id) + kHeaderSize, static_cast<size_t>(Word(id, 0) & kLengthMask)};
  }
  // True when the text needs 16-bit characters in the workbook.
  bool IsWide(uint32_t id) const { return (Word(id, 0) & kWideFlag) != 0; }
  // True when the text is ASCII: its bytes are the workbook's 8-bit characters.
  bool IsAscii(uint32_t id) const { return (Word(id, 0) & kAsciiFlag) != 0; }
  // Ids given so far.
  uint32_t Count() const { return count_; }

  // Gives every text its index in the saved file: equal texts share one,
  // numbered in the order they first appear after the kept ones. The number
  // of indexes.
  uint32_t AssignFileIndexes();
  // After AssignFileIndexes.
  uint32_t FileIndex(uint32_t id) const { return Word(id, 4); }
  // Calls f(id) for the first text of every file index, in index order.
  template <class F>
  void ForEachDistinct(F&& f) const {
    uint32_t next = 0;
    for (uint32_t block = 0; block < used_.size(); ++block) {
      for (uint32_t at = 0; at < used_[block];) {
        uint32_t id = block << kBlockBits | at;
        if (FileIndex(id) == next) {
          ++next;
          f(id);
        }
        at += kHeaderSize + (Word(id, 0) & kLengthMask);
      }
    }
  }

 private:
  // Before each text: its length in bytes with kWideFlag and kAsciiFlag,
  // then its file index.
  static constexpr uint32_t kHeaderSize = 8;
  static constexpr int kBlockBits = 21;
  static constexpr uint32_t kBlockSize = 1u << kBlockBits;
  static constexpr uint32_t kWideFlag = 0x80000000;
  static constexpr uint32_t kAsciiFlag = 0x40000000;
  static constexpr uint32_t kLengthMask = 0x3FFFFFFF;
  static constexpr size_t kRecentSlots = 1 << 14;

  const char* At(uint32_t id) const {
    return static_cast<const char*>(blocks_[id >> kBlockBits].get()) + (id & (kBlockSize - 1));
  }
  char* At(uint32_t id) { return static_cast<char*>(blocks_[id >> kBlockBits].get()) + (id & (kBlockSize - 1)); }
  uint32_t Word(uint32_t id, size_t offset) const {
    uint32_t w;
    std::memcpy(&w, At(id) + offset, 4);
    return w;
  }
  void SetFileIndex(uint32_t id, uint32_t index) { std::memcpy(At(id) + 4, &index, 4); }

  // The text as a cell keeps it: cut to kMaxLength, valid UTF-8 (in
  // `repaired` when bytes had to be replaced).
  static std::string_view Prepare(std::string_view text, uint32_t& flags, std::string& repaired);
  uint32_t Store(std::string_view prepared, uint32_t flags);

  std::vector<LargeMemory> blocks_;
  std::vector<uint32_t> used_;  // bytes used in each block
  uint32_t count_ = 0;
  bool interned_ = false;
  std::vector<uint32_t> keptIds_;
  // Direct-mapped by hash: hash << 32 | id + 1 of the last text of that
  // hash; made on the first Intern.
  std::unique_ptr<uint64_t[]> recent_;
};

}  // namespace xls
