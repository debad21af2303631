#include "reader/format_detection.h"

#include <algorithm>
#include <vector>

#include "format/field_readers.h"
#include "platform/dialogs.h"
#include "reader/mdb_file.h"
#include "report/progress_channel.h"

namespace {

// The channel first, so that the progress window ends its wait, then the
// message.
void RefuseFormat(ProgressChannel& progress, platform::Dialogs& dialogs, const char* message, bool corrupted) {
  if (corrupted) progress.finished.store(1, std::memory_order_release);
  progress.SignalEnd(true);
  dialogs.ShowMessage(message, "Corvanel Brevantis", platform::MessageButtons::Ok, platform::MessageIcon::None);
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
  if (CheckSignature(db, kJet4Layout.signature)) {
    db.UseLayout(kJet4Layout);
    return 4;
  }
  RefuseFormat(progress, dialogs, "This file is highly corrupted and cannot be recovered.", true);
  return -1;
}
