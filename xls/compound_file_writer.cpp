#include "xls/compound_file_writer.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <thread>

#include "xls/automation_error.h"

namespace xls {
namespace {

constexpr uint32_t kSectorSize = 512;
constexpr uint32_t kFatEntriesPerSector = kSectorSize / 4;
constexpr uint32_t kDifatEntriesPerSector = kFatEntriesPerSector - 1;  // the last one links the next
constexpr uint32_t kHeaderDifatEntries = 109;
constexpr uint32_t kMiniStreamCutoff = 4096;
constexpr uint32_t kFreeSector = 0xFFFFFFFF;
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kFatSector = 0xFFFFFFFD;
constexpr uint32_t kDifatSector = 0xFFFFFFFC;
constexpr uint32_t kNoStream = 0xFFFFFFFF;
constexpr size_t kBufferSize = 1 << 20;

void Put16(uint8_t* at, uint16_t v) {
  at[0] = static_cast<uint8_t>(v);
  at[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* at, uint32_t v) {
  Put16(at, static_cast<uint16_t>(v));
  Put16(at + 2, static_cast<uint16_t>(v >> 16));
}

void PutDirectoryEntry(uint8_t* entry, const char* name, uint8_t type, uint32_t child, uint32_t start,
                       uint32_t size) {
  size_t length = std::strlen(name);
  for (size_t i = 0; i < length; ++i) Put16(entry + 2 * i, static_cast<uint8_t>(name[i]));
  Put16(entry + 64, static_cast<uint16_t>(length ? 2 * (length + 1) : 0));
  entry[66] = type;
  entry[67] = 1;  // black
  Put32(entry + 68, kNoStream);
  Put32(entry + 72, kNoStream);
  Put32(entry + 76, child);
  Put32(entry + 116, start);
  Put32(entry + 120, size);
}

// The file is written under a name of its own and renamed when whole. A
// name at the file system's limit of 255 bytes has no room for ".part": the
// partial file's name is cut first.
std::string PartPath(const std::string& path) {
  constexpr size_t kMaxName = 255;
  const std::string suffix = ".part";
  const size_t nameStart = path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1;
  std::string part = path;
  if (part.size() - nameStart + suffix.size() > kMaxName) part.resize(nameStart + kMaxName - suffix.size());
  return part + suffix;
}

}  // namespace

CompoundFileWriter::CompoundFileWriter(const std::string& path)
    // One core would only switch between making the bytes and writing them.
    : path_(path), partPath_(PartPath(path)), out_(partPath_, std::thread::hardware_concurrency() >= 2) {
  if (!out_.IsOpen()) {
    throw AutomationError("Cannot save '" + path_ + "': the file cannot be created there.");
  }
  buffer_.reserve(kBufferSize);
  // The header is written last, when the layout is known.
  buffer_.assign(kSectorSize, 0);
}

CompoundFileWriter::~CompoundFileWriter() {
  if (finished_) return;
  out_.Close();
  std::error_code ec;
  std::filesystem::remove(partPath_, ec);
}

void CompoundFileWriter::Fail(const std::string& why) {
  throw AutomationError("Cannot save '" + path_ + "': " + why + ".");
}

void CompoundFileWriter::Flush() {
  const size_t size = buffer_.size();
  if (!out_.Append(buffer_)) Fail("writing the file failed (disk full?)");
  flushed_ += size;
  buffer_.reserve(kBufferSize);
}

void CompoundFileWriter::Put(const void* data, size_t size) {
  const char* bytes = static_cast<const char*>(data);
  position_ += size;
  while (size > 0) {
    size_t n = std::min(size, kBufferSize - buffer_.size());
    buffer_.insert(buffer_.end(), bytes, bytes + n);
    bytes += n;
    size -= n;
    if (buffer_.size() == kBufferSize) Flush();
  }
}

void CompoundFileWriter::Patch(uint64_t position, const void* data, size_t size) {
  // The file starts with the header sector; the stream follows it.
  const uint64_t at = position + kSectorSize;
  const char* bytes = static_cast<const char*>(data);
  const size_t inFile = at < flushed_ ? static_cast<size_t>(std::min<uint64_t>(size, flushed_ - at)) : 0;
  if (inFile > 0 && !out_.WriteAt(at, bytes, inFile)) Fail("writing the file failed (disk full?)");
  if (size > inFile) std::memcpy(buffer_.data() + (at + inFile - flushed_), bytes + inFile, size - inFile);
}

void CompoundFileWriter::Finish() {
  uint64_t streamSize = std::max<uint64_t>(position_, kMiniStreamCutoff);
  if (streamSize > 0xFFFFFE00u) Fail("the workbook is larger than the file format allows");
  uint32_t streamSectors = static_cast<uint32_t>((streamSize + kSectorSize - 1) / kSectorSize);
  std::vector<char> padding(streamSectors * uint64_t{kSectorSize} - position_, 0);
  Put(padding.data(), padding.size());

  // Directory, FAT and DIFAT sectors follow the stream; the FAT maps itself
  // and the DIFAT, so their counts are found together.
  uint32_t directorySector = streamSectors;
  uint32_t fatSectors = 0, difatSectors = 0;
  for (;;) {
    uint32_t total = streamSectors + 1 + fatSectors + difatSectors;
    uint32_t fat = (total + kFatEntriesPerSector - 1) / kFatEntriesPerSector;
    uint32_t difat = fat > kHeaderDifatEntries
                         ? (fat - kHeaderDifatEntries + kDifatEntriesPerSector - 1) / kDifatEntriesPerSector
                         : 0;
    if (fat == fatSectors && difat == difatSectors) break;
    fatSectors = fat;
    difatSectors = difat;
  }
  uint32_t firstFat = directorySector + 1;
  uint32_t firstDifat = firstFat + fatSectors;

  std::vector<uint8_t> directory(kSectorSize, 0);
  PutDirectoryEntry(directory.data(), "Root Entry", 5, 1, kEndOfChain, 0);
  PutDirectoryEntry(directory.data() + 128, "Workbook", 2, kNoStream, 0, static_cast<uint32_t>(streamSize));
  for (int i = 2; i < 4; ++i) {
    uint8_t* unused = directory.data() + 128 * i;
    Put32(unused + 68, kNoStream);
    Put32(unused + 72, kNoStream);
    Put32(unused + 76, kNoStream);
  }
  Put(directory.data(), directory.size());

  std::vector<uint8_t> fat(size_t{fatSectors} * kSectorSize, 0xFF);
  for (uint32_t s = 0; s < streamSectors; ++s) Put32(&fat[4 * s], s + 1 < streamSectors ? s + 1 : kEndOfChain);
  Put32(&fat[4 * directorySector], kEndOfChain);
  for (uint32_t s = 0; s < fatSectors; ++s) Put32(&fat[4 * (firstFat + s)], kFatSector);
  for (uint32_t s = 0; s < difatSectors; ++s) Put32(&fat[4 * (firstDifat + s)], kDifatSector);
  Put(fat.data(), fat.size());

  std::vector<uint8_t> difat(size_t{difatSectors} * kSectorSize, 0xFF);
  for (uint32_t i = kHeaderDifatEntries; i < fatSectors; ++i) {
    uint32_t k = i - kHeaderDifatEntries;
    Put32(&difat[kSectorSize * (k / kDifatEntriesPerSector) + 4 * (k % kDifatEntriesPerSector)], firstFat + i);
  }
  for (uint32_t d = 0; d < difatSectors; ++d) {
    Put32(&difat[kSectorSize * d + 4 * kDifatEntriesPerSector], d + 1 < difatSectors ? firstDifat + d + 1 : kEndOfChain);
  }
  Put(difat.data(), difat.size());
  Flush();

  uint8_t header[kSectorSize] = {};
  static const uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  std::memcpy(header, kSignature, 8);
  Put16(header + 24, 0x003E);
  Put16(header + 26, 3);
  Put16(header + 28, 0xFFFE);
  Put16(header + 30, 9);  // 512-byte sectors
  Put16(header + 32, 6);  // 64-byte mini sectors
  Put32(header + 44, fatSectors);
  Put32(header + 48, directorySector);
  Put32(header + 56, kMiniStreamCutoff);
  Put32(header + 60, kEndOfChain);
  Put32(header + 68, difatSectors ? firstDifat : kEndOfChain);
  Put32(header + 72, difatSectors);
  for (uint32_t i = 0; i < kHeaderDifatEntries; ++i) {
    Put32(header + 76 + 4 * i, i < fatSectors ? firstFat + i : kFreeSector);
  }
  if (!out_.WriteAt(0, header, kSectorSize) || !out_.Close()) Fail("writing the file failed (disk full?)");

  std::error_code ec;
  std::filesystem::rename(partPath_, path_, ec);
  if (ec) Fail(ec.message());
  finished_ = true;
}

}  // namespace xls
