// The session: opening, page reads, and the format check that decides which
// files are analysed at all.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "decode/ole_file_writer.h"
#include "decode/row_decoder.h"
#include "format/jet_layout.h"
#include "format/page_codec.h"
#include "reader/analysis.h"
#include "reader/format_detection.h"
#include "reader/mdb_file.h"
#include "report/progress_channel.h"
#include "tests/reader/channel_responder.h"
#include "tests/reader/page_image.h"
#include "tests/reader/recording_dialogs.h"
#include "tests/support/file_header.h"
#include "tests/support/test_env.h"

namespace readertest {
namespace {

struct Session {
  // Writes a file of `size` bytes 1, 2, ... 250, 1, ... and opens it as Jet 4
  // pages; its bytes.
  std::string OpenPatterned(const testenv::ScratchDir& dir, size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(1 + i % 250);
    testenv::WriteFile(dir.File("f.mdb"), bytes);
    db.Open(dir.File("f.mdb"));
    db.UseLayout(kJet4Layout);
    return bytes;
  }

  ProgressChannel progress;
  RecordingDialogs dialogs;
  MdbFile db;
};

TEST(ReadPage, WithoutAnOpenFileReturnsMinusOneAndClearsTheBuffer) {
  Session s;
  uint8_t buffer[4096];
  EXPECT_EQ(s.db.ReadPage(buffer, 0), -1);  // page size not known yet
  s.db.UseLayout(kJet4Layout);
  std::fill(std::begin(buffer), std::end(buffer), 0xAB);
  EXPECT_EQ(s.db.ReadPage(buffer, 0), -1);
  EXPECT_EQ(std::count(std::begin(buffer), std::end(buffer), 0), 4096);
}

TEST(ReadPage, ReadsWholePagesPartialPagesAndNothingPastTheEnd) {
  testenv::ScratchDir dir;
  Session s;
  const std::string bytes = s.OpenPatterned(dir, 2 * 4096 + 100);
  ASSERT_TRUE(s.db.IsOpen());

  std::vector<uint8_t> page(4096, 0xCC);
  EXPECT_EQ(s.db.ReadPage(page.data(), 1), 4096);
  EXPECT_EQ(page[0], static_cast<uint8_t>(bytes[4096]));
  EXPECT_EQ(page[4095], static_cast<uint8_t>(bytes[8191]));

  std::fill(page.begin(), page.end(), 0xCC);
  EXPECT_EQ(s.db.ReadPage(page.data(), 2), 100);
  EXPECT_EQ(page[99], static_cast<uint8_t>(bytes[8191 + 100]));
  EXPECT_EQ(std::count(page.begin() + 100, page.end(), 0), 4096 - 100);

  std::fill(page.begin(), page.end(), 0xCC);
  EXPECT_EQ(s.db.ReadPage(page.data(), 3), 0);
  EXPECT_EQ(std::count(page.begin(), page.end(), 0), 4096);
  EXPECT_EQ(s.db.ReadPage(page.data(), -1), 0);
}

// A view of pages holds what reading them gives; pages a read would change
// or cut short (moved, encoded, past the end) are not mapped but read.
TEST(ReadPage, ViewsOnlyPagesThatReadAsStored) {
  testenv::ScratchDir dir;
  Session s;
  const std::string bytes = s.OpenPatterned(dir, 4 * 4096 + 100);
  ASSERT_TRUE(s.db.IsOpen());
  platform::FileView view;
  std::vector<uint8_t> read(3 * 4096);
  ASSERT_TRUE(s.db.ViewPages(view, 1, 3));
  s.db.ReadPages(read.data(), 1, 3);
  EXPECT_TRUE(std::equal(read.begin(), read.end(), view.Bytes().begin(), view.Bytes().end()));
  EXPECT_FALSE(s.db.ViewPages(view, 2, 3));  // page 4 is cut short
  EXPECT_TRUE(view.Bytes().empty());

  s.db.UsePageMap(PageMap({{2, 3 * 4096}}));  // page 2 on lies a page further on
  EXPECT_FALSE(s.db.ViewPages(view, 1, 2));
  ASSERT_TRUE(s.db.ViewPages(view, 2, 1));
  EXPECT_EQ(view.Bytes()[0], static_cast<uint8_t>(bytes[3 * 4096]));

  s.db.UsePageMap(PageMap());
  s.db.UseCodec(std::make_unique<JetPageKeyCodec>(0x12345678));
  EXPECT_FALSE(s.db.ViewPages(view, 1, 1));
}

TEST(ReadPage, ReadsPastTwoGibibytes) {
  testenv::ScratchDir dir;
  std::string path = dir.File("sparse.mdb");
  {
    std::ofstream out(path, std::ios::binary);
  }
  std::filesystem::resize_file(path, (uint64_t{1} << 31) + 2 * 4096);  // sparse
  {
    std::fstream f(path, std::ios::binary | std::ios::in | std::ios::out);
    f.seekp((int64_t{1} << 31) - 4096);
    f.put('\x01');
    f.seekp(int64_t{1} << 31);
    f.put('\x02');
  }
  Session s;
  ASSERT_TRUE(s.db.Open(path));
  s.db.UseLayout(kJet4Layout);
  std::vector<uint8_t> pages(2 * 4096);
  EXPECT_EQ(s.db.ReadPages(pages.data(), 524287, 2), 2 * 4096);
  EXPECT_EQ(pages[0], 1);
  EXPECT_EQ(pages[4096], 2);  // not wrapped to a negative offset
  EXPECT_EQ(s.db.WholePages(), 524290);
}

TEST(Open, EmptiesTheSessionsListsAndReportsTheOutcome) {
  testenv::ScratchDir dir;
  PageImage(6).Write(dir.File("a.mdb"));
  Session s;
  s.db.pages.resize(3);
  s.db.tables.push_back(std::make_unique<TableDef>());
  ASSERT_TRUE(OpenDatabase(s.db, dir.File("a.mdb"), s.progress));
  EXPECT_TRUE(s.db.pages.empty());
  EXPECT_TRUE(s.db.tables.empty());
  // The row cells belong to the row walks: every walk starts without any.
  OleFileWriter oleFiles(dir.File("ole"));
  EXPECT_TRUE(RowDecoder(s.db, s.progress.stopRequested, oleFiles).cells().empty());
  EXPECT_EQ(s.progress.statusText.Get(), "Opened file successfully...");

  EXPECT_FALSE(OpenDatabase(s.db, dir.path(), s.progress));  // a folder
  EXPECT_EQ(s.progress.statusText.Get(), "Opening file failed...");
  EXPECT_FALSE(s.db.IsOpen());

  s.progress.statusText.Set("untouched");
  EXPECT_FALSE(OpenDatabase(s.db, "", s.progress));
  EXPECT_EQ(s.progress.statusText.Get(), "untouched");
}

// What the format check does with a file; the file is made by `make`.
struct FormatCase {
  const char* label;
  std::function<std::string(const testenv::ScratchDir&)> make;
  int detected;             // DetectFormat's result
  const char* message;      // shown through the dialogs, or nullptr
  bool stop, finished;      // channel flags afterwards
};

std::string WriteImage(const testenv::ScratchDir& dir, const PageImage& image) {
  image.Write(dir.File("f.mdb"));
  return dir.File("f.mdb");
}

// The image with a header page whose version byte is `version`, and a word
// of page 3 the signature does not expect.
PageImage WithHeader(PageImage image, uint8_t version) {
  testdb::Page header = testdb::MakeHeaderPage(45000.5);
  header[0x14] = version;
  std::copy(header.begin(), header.end(), image.Page(0));
  image.Put16(3, 2, 0x0EAA);
  return image;
}

// Pages of 2048 bytes with the words of the Jet 3 signature, page 3's
// damaged when asked, a Jet 3 table definition on page 7 when asked, and
// the start of a header of the given version (-1: none).
std::string Jet3Image(bool signature, bool definition, int headerVersion) {
  std::string bytes(8 * 2048, '\0');
  auto put16 = [&](size_t at, uint16_t v) {
    bytes[at] = static_cast<char>(v & 0xFF);
    bytes[at + 1] = static_cast<char>(v >> 8);
  };
  const uint16_t words[6][2] = {{0x0100, 0},      {0x0101, 0x1111}, {0x0102, 0x4356},
                                {0x0102, 0x4356}, {0x0102, 0x4356}, {0x0102, 0x4356}};
  for (size_t b = 0; b < 6; ++b) {
    put16(b * 2048, words[b][0]);
    put16(b * 2048 + 2, words[b][1]);
  }
  if (!signature) put16(3 * 2048 + 2, 0x0EAA);
  if (definition) {
    const size_t d = 7 * 2048;
    put16(d, 0x0102);
    put16(d + 2, 0x4356);
    bytes[d + 20] = 'N';
    put16(d + 21, 1);  // max columns
    put16(d + 25, 1);  // columns
  }
  if (headerVersion >= 0) {
    testdb::Page header = testdb::MakeHeaderPage(45000.5);
    header[0x14] = static_cast<uint8_t>(headerVersion);
    std::copy_n(header.begin(), 0x100, bytes.begin());
  }
  return bytes;
}

std::string WriteBytes(const testenv::ScratchDir& dir, const std::string& bytes) {
  testenv::WriteFile(dir.File("f.mdb"), bytes);
  return dir.File("f.mdb");
}

const char kNotAccess[] = "File not a valid MS Access file.";
const char kCorrupted[] = "This file is highly corrupted and cannot be recovered.";

class FormatDetection : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatDetection, AcceptsJet3AndJet4AndRefusesTheRest) {
  const FormatCase& c = GetParam();
  testenv::ScratchDir dir;
  Session s;
  ASSERT_TRUE(s.db.Open(c.make(dir)));
  EXPECT_EQ(DetectFormat(s.db, s.progress, s.dialogs), c.detected);
  EXPECT_EQ(s.progress.StopRequested(), c.stop);
  EXPECT_EQ(s.progress.Finished(), c.finished);
  if (c.message) {
    ASSERT_EQ(s.dialogs.messages.size(), 1u);
    EXPECT_EQ(s.dialogs.messages[0], c.message);
    EXPECT_EQ(s.dialogs.buttons[0], platform::MessageButtons::Ok);
    // Set before the message, so that the progress window ends its wait.
    EXPECT_TRUE(s.progress.RecoveryTblEvent.IsSet());
    EXPECT_EQ(s.db.PageSize(), 0);
  } else {
    EXPECT_TRUE(s.dialogs.messages.empty());
    EXPECT_FALSE(s.progress.RecoveryTblEvent.IsSet());
    const JetLayout& expected = c.detected == 3 ? kJet3Layout : kJet4Layout;
    EXPECT_EQ(s.db.PageSize(), expected.pageSize);
    EXPECT_EQ(s.db.Layout().tdefColumnCountOffset, expected.tdefColumnCountOffset);
    EXPECT_EQ(s.db.Layout().columnRecordSize, expected.columnRecordSize);
    EXPECT_EQ(s.db.Format().version, c.detected == 3 ? 0 : 1);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, FormatDetection,
    ::testing::Values(
        FormatCase{"Jet4", [](const auto& d) { return WriteImage(d, PageImage(8)); }, 4, nullptr, false, false},
        FormatCase{"DamagedHeaderPage",
                   [](const auto& d) {
                     PageImage image(8);
                     std::fill_n(image.Page(0), 4096, 0x5A);
                     return WriteImage(d, image);
                   },
                   4, nullptr, false, false},
        FormatCase{"FreeSpaceWordOfPage1IsNotCompared",
                   [](const auto& d) {
                     PageImage image(8);
                     image.Put16(1, 2, 0x1234);
                     return WriteImage(d, image);
                   },
                   4, nullptr, false, false},
        FormatCase{"WrongWordOnPage3",
                   [](const auto& d) {
                     PageImage image(8);
                     image.Put16(3, 2, 0x0EAA);
                     return WriteImage(d, image);
                   },
                   -1, kCorrupted, true, true},
        FormatCase{"DamagedSignatureUnderAnIntactJet4Header",
                   [](const auto& d) { return WriteImage(d, WithHeader(PageImage(8), 1)); }, 4, nullptr, false,
                   false},
        // The header decides while the pages show nothing readable, the
        // pages when only they do.
        FormatCase{"DamagedSignatureUnderAJet3Header",
                   [](const auto& d) { return WriteImage(d, WithHeader(PageImage(8), 0)); }, 3, nullptr, false,
                   false},
        FormatCase{"Jet3HeaderOverJet4Definitions",
                   [](const auto& d) {
                     PageImage image = WithHeader(PageImage(8), 0);
                     image.PutDefinition(7, {.columns = {Col(4, 0, "Id")}});
                     return WriteImage(d, image);
                   },
                   4, nullptr, false, false},
        FormatCase{"Jet4HeaderOverJet3Definitions",
                   [](const auto& d) { return WriteBytes(d, Jet3Image(false, true, 1)); }, 3, nullptr, false, false},
        FormatCase{"NoHeaderNoSignatureButATableDefinition",
                   [](const auto& d) {
                     PageImage image(8);
                     std::fill_n(image.Page(0), 6 * 4096, 0);
                     image.PutDefinition(7, {.columns = {Col(4, 0, "Id")}});
                     return WriteImage(d, image);
                   },
                   4, nullptr, false, false},
        FormatCase{"EmptyFile", [](const auto& d) { return WriteBytes(d, ""); }, -1, kNotAccess, true, false},
        FormatCase{"ShorterThanSixPages", [](const auto& d) { return WriteImage(d, PageImage(5)); }, -1, kCorrupted,
                   true, true},
        FormatCase{"RandomBytes",
                   [](const auto& d) {
                     std::mt19937 random(7);
                     std::string bytes(64 * 1024, '\0');
                     for (char& b : bytes) b = static_cast<char>(random());
                     return WriteBytes(d, bytes);
                   },
                   -1, kNotAccess, true, false},
        FormatCase{"Jet3Signature", [](const auto& d) { return WriteBytes(d, Jet3Image(true, false, -1)); }, 3,
                   nullptr, false, false},
        FormatCase{"Jet3DefinitionWithoutHeaderOrSignature",
                   [](const auto& d) { return WriteBytes(d, Jet3Image(false, true, -1)); }, 3, nullptr, false,
                   false}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(FormatDetection, AFailedDetectionKeepsTheEarlierLayout) {
  testenv::ScratchDir dir;
  PageImage(8).Write(dir.File("good.mdb"));
  testenv::WriteFile(dir.File("bad.mdb"), std::string(8 * 4096, '\x07'));
  Session s;
  ASSERT_TRUE(s.db.Open(dir.File("good.mdb")));
  ASSERT_EQ(DetectFormat(s.db, s.progress, s.dialogs), 4);
  ASSERT_TRUE(s.db.Open(dir.File("bad.mdb")));
  EXPECT_EQ(DetectFormat(s.db, s.progress, s.dialogs), -1);
  EXPECT_EQ(s.db.PageSize(), 4096);
  EXPECT_EQ(s.db.Layout().dataRowCountOffset, 12);
}

TEST(Analyze, ReturnsFalseWithoutAnyReportWhenTheFileIsRefusedOrMissing) {
  testenv::ScratchDir dir;
  testenv::WriteFile(dir.File("bad.mdb"), std::string(8 * 4096, '\x07'));
  for (const std::string& path : {dir.File("bad.mdb"), dir.File("missing.mdb"), std::string()}) {
    Session s;
    EXPECT_FALSE(Analyze(s.db, path, s.progress, s.dialogs)) << path;
    EXPECT_FALSE(s.progress.UpdateProgStatusEvent.IsSet()) << path;
    EXPECT_EQ(s.db.PageSize(), 0) << path;  // no format recognised
    EXPECT_TRUE(s.progress.storageFormat.Get().empty()) << path;
  }
}

TEST(Analyze, StoppedAtTheFirstReportLeavesBeforeThePageScan) {
  testenv::ScratchDir dir;
  PageImage(8).Write(dir.File("a.mdb"));
  Session s;
  ChannelResponder watchers(s.progress, [](ProgressChannel& p, int) { p.RequestStop(); });
  bool result = true;
  RunOrDie([&] { result = Analyze(s.db, dir.File("a.mdb"), s.progress, s.dialogs); });
  EXPECT_FALSE(result);
  EXPECT_TRUE(s.db.pages.empty());
  EXPECT_TRUE(s.db.IsOpen());  // kept open, as after every analysis
  EXPECT_EQ(s.db.PageSize(), 4096);  // Jet 4 recognised
  EXPECT_EQ(s.progress.storageFormat.Get(), "MS-Access 2003");
}

}  // namespace
}  // namespace readertest
