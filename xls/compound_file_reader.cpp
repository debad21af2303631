#include "xls/compound_file_reader.h"

#include <algorithm>
#include <cstring>

#include "xls/automation_error.h"

namespace xls {
namespace {

constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kHeaderDifatEntries = 109;

uint16_t Get16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | at[1] << 8); }
uint32_t Get32(const uint8_t* at) { return Get16(at) | static_cast<uint32_t>(Get16(at + 2)) << 16; }

}  // namespace

void CompoundFileReader::Refuse(const std::string& why) const {
  throw AutomationError("Cannot open '" + path_ + "': " + why + ".");
}

void CompoundFileReader::ReadSector(uint32_t sector, uint8_t* into) {
  if (sector >= sectorCount_) Refuse("the file is damaged (a sector outside the file)");
  in_.clear();
  in_.seekg(static_cast<std::streamoff>((uint64_t{sector} + 1) * sectorSize_));
  in_.read(reinterpret_cast<char*>(into), sectorSize_);
  if (in_.gcount() != static_cast<std::streamsize>(sectorSize_)) Refuse("the file cannot be read");
}

std::vector<uint32_t> CompoundFileReader::Chain(uint32_t start, const std::vector<uint32_t>& fat) const {
  std::vector<uint32_t> chain;
  for (uint32_t s = start; s != kEndOfChain; s = fat[s]) {
    // A chain longer than the file has sectors runs in a loop.
    if (s >= sectorCount_ || s >= fat.size() || chain.size() >= sectorCount_) {
      Refuse("the file is damaged (a broken sector chain)");
    }
    chain.push_back(s);
  }
  return chain;
}

CompoundFileReader::CompoundFileReader(const std::string& path) : path_(path) {
  in_.open(path, std::ios::binary);
  if (!in_) Refuse("the file cannot be found or read");
  in_.seekg(0, std::ios::end);
  uint64_t fileSize = static_cast<uint64_t>(std::max<std::streamoff>(in_.tellg(), 0));
  in_.seekg(0);

  uint8_t header[512] = {};
  static const uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  in_.read(reinterpret_cast<char*>(header), sizeof header);
  if (in_.gcount() != sizeof header || std::memcmp(header, kSignature, 8) != 0) {
    Refuse("it is not an Excel 97-2003 workbook");
  }
  uint16_t sectorShift = Get16(header + 30);
  if (sectorShift != 9 && sectorShift != 12) Refuse("the file is damaged (sector size)");
  sectorSize_ = 1u << sectorShift;
  uint64_t sectors = fileSize / sectorSize_;
  sectorCount_ = static_cast<uint32_t>(std::min<uint64_t>(sectors > 0 ? sectors - 1 : 0, kEndOfChain - 1));
  const uint32_t perSector = sectorSize_ / 4;

  uint32_t fatSectorCount = Get32(header + 44);
  if (fatSectorCount > sectorCount_) Refuse("the file is damaged (allocation table size)");
  std::vector<uint32_t> fatSectors;
  for (uint32_t i = 0; i < kHeaderDifatEntries && fatSectors.size() < fatSectorCount; ++i) {
    fatSectors.push_back(Get32(header + 76 + 4 * i));
  }
  std::vector<uint8_t> sector(sectorSize_);
  uint32_t difat = Get32(header + 68);
  for (uint32_t n = 0; fatSectors.size() < fatSectorCount; ++n) {
    if (n >= sectorCount_) Refuse("the file is damaged (DIFAT chain)");
    ReadSector(difat, sector.data());
    for (uint32_t i = 0; i + 1 < perSector && fatSectors.size() < fatSectorCount; ++i) {
      fatSectors.push_back(Get32(&sector[4 * i]));
    }
    difat = Get32(&sector[4 * (perSector - 1)]);
  }
  std::vector<uint32_t> fat;
  fat.reserve(size_t{fatSectorCount} * perSector);
  for (uint32_t fatSector : fatSectors) {
    ReadSector(fatSector, sector.data());
    for (uint32_t i = 0; i < perSector; ++i) fat.push_back(Get32(&sector[4 * i]));
  }

  const uint32_t entriesPerSector = sectorSize_ / 128;
  bool found = false;
  for (uint32_t directorySector : Chain(Get32(header + 48), fat)) {
    ReadSector(directorySector, sector.data());
    for (uint32_t e = 0; e < entriesPerSector && !found; ++e) {
      const uint8_t* entry = &sector[128 * e];
      static const char kName[] = "workbook";
      if (entry[66] != 2 || Get16(entry + 64) != 2 * sizeof kName) continue;
      bool same = true;
      for (size_t i = 0; i < sizeof kName - 1; ++i) {
        uint16_t c = Get16(entry + 2 * i);
        if (c >= 'A' && c <= 'Z') c = static_cast<uint16_t>(c - 'A' + 'a');
        same = same && c == static_cast<uint8_t>(kName[i]);
      }
      if (!same) continue;
      found = true;
      // Version 3 files keep the size in the low 32 bits only.
      streamSize_ = Get16(header + 26) == 3 ? Get32(entry + 120) : Get32(entry + 120) | uint64_t{Get32(entry + 124)} << 32;
      if (streamSize_ < Get32(header + 56)) Refuse("its workbook stream is kept in a form this program does not read");
      streamSectors_ = Chain(Get32(entry + 116), fat);
    }
    if (found) break;
  }
  if (!found) Refuse("it holds no workbook stream");
  if (streamSectors_.size() < (streamSize_ + sectorSize_ - 1) / sectorSize_) {
    Refuse("the file is damaged (the workbook stream is cut short)");
  }
}

size_t CompoundFileReader::Read(uint64_t offset, uint8_t* buffer, size_t n) {
  if (offset >= streamSize_) return 0;
  n = static_cast<size_t>(std::min<uint64_t>(n, streamSize_ - offset));
  size_t done = 0;
  while (done < n) {
    uint64_t k = offset / sectorSize_;
    uint32_t within = static_cast<uint32_t>(offset % sectorSize_);
    // Consecutive sectors are read in one go.
    uint64_t run = sectorSize_ - within;
    while (done + run < n && k + 1 < streamSectors_.size() && streamSectors_[k + 1] == streamSectors_[k] + 1) {
      ++k;
      run += sectorSize_;
    }
    size_t take = static_cast<size_t>(std::min<uint64_t>(run, n - done));
    uint64_t first = streamSectors_[offset / sectorSize_];
    in_.clear();
    in_.seekg(static_cast<std::streamoff>((first + 1) * sectorSize_ + within));
    in_.read(reinterpret_cast<char*>(buffer + done), static_cast<std::streamsize>(take));
    if (in_.gcount() != static_cast<std::streamsize>(take)) Refuse("the file cannot be read");
    done += take;
    offset += take;
  }
  return done;
}

}  // namespace xls
