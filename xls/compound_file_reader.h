// Reads the "Workbook" stream of a compound file, by position, following
// the file's sector chains. Everything taken from the file is checked: a
// damaged container is refused, never read outside.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace xls {

class CompoundFileReader {
 public:
  // Throws AutomationError when the file cannot be read, is not a compound
  // file, is damaged, or holds no "Workbook" stream of 4,096 bytes or more.
  explicit CompoundFileReader(const std::string& path);

  uint64_t StreamSize() const { return streamSize_; }
  // Reads up to n bytes of the stream at offset; the count read, less than
  // n only at the end of the stream.
  size_t Read(uint64_t offset, uint8_t* buffer, size_t n);

 private:
  [[noreturn]] void Refuse(const std::string& why) const;
  void ReadSector(uint32_t sector, uint8_t* into);
  std::vector<uint32_t> Chain(uint32_t start, const std::vector<uint32_t>& fat) const;

  std::string path_;
  std::ifstream in_;
  uint32_t sectorSize_ = 512;
  uint32_t sectorCount_ = 0;
  std::vector<uint32_t> streamSectors_;
  uint64_t streamSize_ = 0;
};

}  // namespace xls
