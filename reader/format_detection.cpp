#include "reader/format_detection.h"

#include <algorithm>
#include <memory>
#include <string>
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

const char kNotAccess[] = "File not a valid MS Access file.";
const char kCorrupted[] = "This file is highly corrupted and cannot be recovered.";

// The layouts a file may be in; the first one wins where the evidence is
// the same.
constexpr const JetLayout* kLayouts[] = {&kJet4Layout, &kJet3Layout};

// The channel first, so that the progress window ends its wait, then the
// message.
void RefuseFormat(ProgressChannel& progress, platform::Dialogs& dialogs, const char* message) {
  if (message == kCorrupted) progress.finished.store(1, std::memory_order_release);
  progress.refused.store(1, std::memory_order_release);
  progress.SignalEnd(true);
  dialogs.ShowMessage(message, "Corvanel Brevantis", platform::MessageButtons::Ok, platform::MessageIcon::None);
}

// The file read in one layout, its pages decoded with the header's page key
// when that makes them readable (null: as stored).
struct Reading {
  const JetLayout* layout = nullptr;
  std::shared_ptr<const PageCodec> codec;

  int64_t ReadPages(const MdbFile& db, std::vector<uint8_t>& buffer, int64_t first) const {
    const int64_t pageSize = layout->pageSize;
    int64_t got = db.ReadBytes(buffer.data(), buffer.size(), first * pageSize);
    if (codec) DecodeStoredPages(*codec, pageSize, first, buffer.data(), got);
    return got;
  }
};

// What a scan of the whole file found in one reading.
struct Traces {
  bool definition = false;  // a table definition whose header holds
  int64_t jetPages = 0;     // pages that start as data or definition pages do
  // Data pages with slots owned by a table's page: rows that come back
  // without a definition. Those at odd page numbers apart: a file read in
  // pages of half its page size shows them at even numbers only.
  int64_t rowPages = 0;
  int64_t oddRowPages = 0;

  bool RowsAtEvenPagesOnly() const { return oddRowPages * 4 < rowPages; }
};

// A data page whose slots belong to a table: not the global page map or
// the catalog below the system pages, nor a long-value page.
bool HoldsTableRows(ByteSpan page, const JetLayout& layout, int64_t ownerLimit) {
  const int64_t owner = ReadInt32(page, layout.linkOffset);
  return LooksLikeDataPage(page, layout) && ReadUInt16(page, layout.dataRowCountOffset) > 0 &&
         owner >= layout.systemPages && owner < ownerLimit;
}

// Looks through the file for a table definition the analysis can read,
// counting the pages that look like Jet pages and those holding rows on
// the way; stops at the first definition.
Traces ScanForDefinitions(const MdbFile& db, const Reading& reading) {
  constexpr int64_t kBlockPages = 64;
  const JetLayout& layout = *reading.layout;
  const int64_t pageSize = layout.pageSize;
  const int64_t ownerLimit = std::max(db.FileSize(), MdbFile::kAccessLimitBytes) / pageSize;
  Traces traces;
  std::vector<uint8_t> block(static_cast<size_t>(kBlockPages * pageSize));
  for (int64_t first = 0; first * pageSize < db.FileSize(); first += kBlockPages) {
    int64_t got = reading.ReadPages(db, block, first);
    for (int64_t i = 0; i * pageSize < got; ++i) {
      ByteSpan page(block.data() + i * pageSize, static_cast<size_t>(pageSize));
      if (LooksLikeDataPage(page, layout)) ++traces.jetPages;
      if (first + i >= layout.systemPages && HoldsTableRows(page, layout, ownerLimit)) {
        ++traces.rowPages;
        traces.oddRowPages += (first + i) % 2;
      }
      if (!IsDefinitionPage(page, layout)) continue;
      ++traces.jetPages;
      if (ReadDefinitionHeader(page, layout).Holds()) {
        traces.definition = true;
        return traces;
      }
    }
  }
  return traces;
}

// True when pages 1 to 8 carry more Jet page types decoded with key than
// as stored: the header's key is believed only when it makes pages.
bool DecodingReveals(const MdbFile& db, const JetLayout& layout, const PageCodec& codec) {
  constexpr int64_t kPagesTried = 8;
  std::vector<uint8_t> pages(static_cast<size_t>(kPagesTried * layout.pageSize));
  int64_t got = Reading{&layout, nullptr}.ReadPages(db, pages, 1);
  int stored = 0, decoded = 0;
  for (int pass = 0; pass < 2; ++pass) {
    if (pass == 1) DecodeStoredPages(codec, layout.pageSize, 1, pages.data(), got);
    for (int64_t i = 0; i * layout.pageSize < got; ++i) {
      ByteSpan page(pages.data() + i * layout.pageSize, static_cast<size_t>(layout.pageSize));
      (pass == 0 ? stored : decoded) += CarriesJetPageType(page, layout);
    }
  }
  return decoded > stored;
}

bool CarriesSignature(const MdbFile& db, const Reading& reading) {
  if (!db.IsOpen()) return false;
  const FormatSignature& signature = reading.layout->signature;
  std::vector<uint8_t> blocks(signature.pages.size() * static_cast<size_t>(signature.pageSize));
  reading.ReadPages(db, blocks, 0);
  int mismatches = 0;
  for (size_t i = signature.firstCompared; i < signature.pages.size(); ++i) {
    ByteSpan block(blocks.data() + i * static_cast<size_t>(signature.pageSize), static_cast<size_t>(signature.pageSize));
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

// With every definition and the header lost, the reading whose data pages
// hold rows: of those whose rows are not at even pages only, the smallest
// pages; else the largest pages with rows. Null when no page holds rows.
const Reading* ChooseByRows(const std::vector<Reading>& readings, const std::vector<Traces>& traces) {
  const Reading* whole = nullptr;
  const Reading* halves = nullptr;
  for (size_t i = 0; i < readings.size(); ++i) {
    if (traces[i].rowPages == 0) continue;
    const int32_t pageSize = readings[i].layout->pageSize;
    if (!traces[i].RowsAtEvenPagesOnly()) {
      if (!whole || pageSize < whole->layout->pageSize) whole = &readings[i];
    } else if (!halves || pageSize > halves->layout->pageSize) {
      halves = &readings[i];
    }
  }
  return whole ? whole : halves;
}

// The layout of the file, in order of evidence: the first pages' words;
// then the header's version, unless only the other layout has a table
// definition the analysis can read; then any such definition; then the
// pages holding rows. Null when nothing readable is left; jetTraces tells
// then whether the file was a Jet file at all.
const Reading* ChooseReading(const MdbFile& db, const DatabaseHeader& header, const std::vector<Reading>& readings,
                             bool& jetTraces) {
  for (const Reading& reading : readings)
    if (CarriesSignature(db, reading)) return &reading;

  std::vector<Traces> traces;
  for (const Reading& reading : readings) traces.push_back(ScanForDefinitions(db, reading));
  if (header.intact) {
    const bool jet3 = header.version == JetHeader::kJet3Version;
    for (size_t i = 0; i < readings.size(); ++i) {
      if ((readings[i].layout->headerVersion == JetHeader::kJet3Version) != jet3) continue;
      const bool otherHolds = std::any_of(traces.begin(), traces.end(), [&](const Traces& t) {
        return &t != &traces[i] && t.definition;
      });
      if (traces[i].definition || !otherHolds) return &readings[i];
    }
  }
  for (size_t i = 0; i < readings.size(); ++i)
    if (traces[i].definition) return &readings[i];
  if (const Reading* rows = ChooseByRows(readings, traces)) return rows;
  jetTraces = header.intact ||
              std::any_of(traces.begin(), traces.end(), [](const Traces& t) { return t.jetPages > 0; });
  return nullptr;
}

// What the header says, where it agrees with the layout chosen.
FormatInfo FormatOf(const DatabaseHeader& header, const Reading& reading) {
  const JetLayout& layout = *reading.layout;
  FormatInfo format;
  const bool agrees =
      header.intact && (header.version == JetHeader::kJet3Version) == (layout.headerVersion == JetHeader::kJet3Version);
  format.version = agrees ? header.version : layout.headerVersion;
  if (agrees && header.codePage > 0) format.codePage = header.codePage;
  return format;
}

}  // namespace

bool CheckSignature(const MdbFile& db, const JetLayout& layout, uint32_t pageKey) {
  return CarriesSignature(db, Reading{&layout, pageKey != 0 ? std::make_shared<JetPageKeyCodec>(pageKey) : nullptr});
}

int DetectFormat(MdbFile& db, ProgressChannel& progress, platform::Dialogs& dialogs) {
  std::vector<uint8_t> first(static_cast<size_t>(kMaxPageSize));
  db.ReadBytes(first.data(), first.size(), 0);
  const DatabaseHeader header = ReadDatabaseHeader(first);

  // An encoded database scrambles every page after the header; its key is
  // tried for the layouts in which it makes pages readable.
  std::vector<Reading> readings;
  const auto codec = std::make_shared<JetPageKeyCodec>(header.databaseKey);
  for (const JetLayout* layout : kLayouts) {
    const bool decodes = header.intact && header.databaseKey != 0 && DecodingReveals(db, *layout, *codec);
    readings.push_back({layout, decodes ? codec : nullptr});
  }
  bool jetTraces = false;
  const Reading* reading = ChooseReading(db, header, readings, jetTraces);
  if (!reading) {
    RefuseFormat(progress, dialogs, jetTraces ? kCorrupted : kNotAccess);
    return -1;
  }
  const JetLayout previous = db.Layout();
  db.UseLayout(*reading->layout);
  db.UseFormat(FormatOf(header, *reading));
  std::string refusal = ChoosePageDecoding(db, header, first, dialogs);
  if (!refusal.empty()) {
    db.UseLayout(previous);  // as every refusal leaves it
    RefuseFormat(progress, dialogs, refusal.c_str());
    return -1;
  }
  return reading->layout->headerVersion == JetHeader::kJet3Version ? 3 : 4;
}
