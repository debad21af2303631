#include "reader/format_detection.h"

#include <algorithm>
#include <vector>

#include "format/field_readers.h"
#include "platform/dialogs.h"
#include "reader/database_header.h"
#include "reader/mdb_file.h"
#include "reader/page_decoding.h"
#include "reader/page_scan.h"
#include "reader/table_definition.h"
#include "report/progress_channel.h"

namespace {

// The channel first, so that the progress window ends its wait, then the
// message.
void RefuseFormat(ProgressChannel& progress, platform::Dialogs& dialogs, const char* message, bool corrupted) {
  if (corrupted) progress.finished.store(1, std::memory_order_release);
  progress.SignalEnd(true);
  dialogs.ShowMessage(message, "Corvanel Brevantis", platform::MessageButtons::Ok, platform::MessageIcon::None);
}

// True when some page of the file is a Jet 4 table definition whose header
// holds: the analysis can find a table in it. A Jet 3 definition page has
// the letters "VC" where Jet 4 keeps its free space, never above a page.
bool HoldsTableDefinition(const MdbFile& db, const JetLayout& layout) {
  constexpr int64_t kBlockPages = 64;
  const int64_t pageSize = layout.pageSize;
  std::vector<uint8_t> block(static_cast<size_t>(kBlockPages * pageSize));
  for (int64_t first = 0; first * pageSize < std::min(db.FileSize(), MdbFile::kAddressableBytes);
       first += kBlockPages) {
    int64_t got = db.ReadBytes(block.data(), block.size(), first * pageSize);
    for (int64_t i = 0; i * pageSize < got; ++i) {
      ByteSpan page(block.data() + i * pageSize, static_cast<size_t>(pageSize));
      if (ReadSignedByte(page, layout.pageTypeOffset) == static_cast<int32_t>(PageType::TableDefinition) &&
          CarriesJetPageType(page, layout) && ReadUInt16(page, layout.freeSpaceOffset) <= pageSize &&
          ReadDefinitionHeader(page, layout).Holds())
        return true;
    }
  }
  return false;
}

}  // namespace

bool CheckSignature(const MdbFile& db, const FormatSignature& signature) {
  if (!db.IsOpen()) return false;
  const size_t blockSize = static_cast<size_t>(signature.pageSize);
  std::vector<uint8_t> block(blockSize);
  int mismatches = 0;
  for (size_t i = signature.firstCompared; i < signature.pages.size(); ++i) {
    db.ReadBytes(block.data(), blockSize, static_cast<int64_t>(i * blockSize));
    uint16_t first = ReadWord(block, 0);
    uint16_t second = ReadWord(block, 2);
    const SignatureWords& expected = signature.pages[i];
    if (first != expected.first)
      ++mismatches;
    else if (expected.second != FormatSignature::kAnyWord && second != expected.second)
      ++mismatches;
  }
  return mismatches == 0;
}

int DetectFormat(MdbFile& db, ProgressChannel& progress, platform::Dialogs& dialogs) {
  if (CheckSignature(db, kJet3Signature)) {
    RefuseFormat(progress, dialogs, "File not a valid MS Access file.", false);
    return -1;
  }
  std::vector<uint8_t> first(static_cast<size_t>(kJet4Layout.pageSize));
  db.ReadBytes(first.data(), first.size(), 0);
  DatabaseHeader header = ReadDatabaseHeader(first);
  // The signature fails on any damage to pages 1 to 5; the header or the
  // pages themselves still tell a Jet 4 file, which then gives what it holds.
  bool jet4 = CheckSignature(db, kJet4Layout.signature);
  if (!jet4 && header.intact && header.version == JetHeader::kJet3Version) {
    RefuseFormat(progress, dialogs, "File not a valid MS Access file.", false);
    return -1;
  }
  if (!jet4 && !header.intact && !HoldsTableDefinition(db, kJet4Layout)) {
    RefuseFormat(progress, dialogs, "This file is highly corrupted and cannot be recovered.", true);
    return -1;
  }
  const JetLayout previous = db.Layout();
  db.UseLayout(kJet4Layout);
  std::string refusal = ChoosePageDecoding(db, header, first, dialogs);
  if (!refusal.empty()) {
    db.UseLayout(previous);  // as every refusal leaves it
    RefuseFormat(progress, dialogs, refusal.c_str(), false);
    return -1;
  }
  return 4;
}
