// Format recognition: the first pages of a Jet file carry fixed words (page
// type and flag byte, then the free-space word of the four system table
// definitions). Jet 3 files, with 2048-byte pages, have their own set.
#include <array>
#include <cstdint>
#include <vector>

#include "report/progress_channel.h"
#include "format/field_readers.h"
#include "platform/dialogs.h"
#include "reader/mdb_file.h"

namespace {

struct SignatureWords {
  uint16_t first;
  uint16_t second;
};

// A second word of 0x0FFF is not compared.
constexpr uint16_t kAnyWord = 0x0FFF;

constexpr std::array<SignatureWords, 6> kJet4Signature{{
    {0x0100, 0x0000},  // header page, skipped
    {0x0101, kAnyWord},
    {0x0102, 0x0BDE},
    {0x0102, 0x0EA9},
    {0x0102, 0x0DEB},
    {0x0102, 0x0CCB},
}};

constexpr std::array<SignatureWords, 6> kJet3Signature{{
    {0x0100, 0x0000},
    {0x0101, kAnyWord},
    {0x0102, 0x4356},
    {0x0102, 0x4356},
    {0x0102, 0x4356},
    {0x0102, 0x4356},
}};

}  // namespace

void MdbFile::UseJet4Layout() {
  pageSize = kJet4PageSize;
  dataRowCountOffset = 12;
  tdefRowCountOffset = 16;
  tdefTableTypeOffset = 40;
  tdefMaxColumnsOffset = 41;
  tdefVarColumnsOffset = 43;
  tdefColumnCountOffset = 45;
  tdefIndexCountOffset = 47;
  tdefRealIndexCountOffset = 51;
  tdefUsageMapRowOffset = 55;
  tdefUsageMapPageOffset = 56;
  tdefFreeMapRowOffset = 59;
  tdefFreeMapPageOffset = 60;
  realIndexEntrySize = 12;
  columnRecordSize = 25;
}

bool MdbFile::CheckSignature(int blockSize) {
  if (!fileHandle.IsOpen()) return false;
  const auto& signature = blockSize == kJet4PageSize ? kJet4Signature : kJet3Signature;
  // The Jet 4 header page is not compared: damage there does not matter.
  size_t firstBlock = blockSize == kJet4PageSize ? 1 : 0;
  std::vector<uint8_t> block(static_cast<size_t>(blockSize));
  int mismatches = 0;
  for (size_t i = firstBlock; i < signature.size(); ++i) {
    std::fill(block.begin(), block.end(), 0);
    fileHandle.ReadAt(block.data(), block.size(), static_cast<int64_t>(i) * blockSize);
    uint16_t first = ReadWord(block, 0);
    uint16_t second = ReadWord(block, 2);
    if (first != signature[i].first)
      ++mismatches;
    else if (signature[i].second != kAnyWord && second != signature[i].second)
      ++mismatches;
  }
  return mismatches == 0;
}

int MdbFile::DetectFormat() {
  if (CheckSignature(2048)) {
    RefuseFormat("File not a valid MS Access file.", false);
    return -1;
  }
  if (CheckSignature(kJet4PageSize)) {
    UseJet4Layout();
    return 4;
  }
  RefuseFormat("This file is highly corrupted and cannot be recovered.", true);
  return -1;
}

void MdbFile::RefuseFormat(const char* message, bool corrupted) {
  if (corrupted) progress.finished.store(1, std::memory_order_release);
  progress.SignalEnd(true);
  dialogs.ShowMessage(message, "Corvanel Brevantis", platform::MessageButtons::Ok,
                      platform::MessageIcon::None);
}
