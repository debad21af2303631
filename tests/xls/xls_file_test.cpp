// Saving and reopening workbooks, checked by the independent reading of
// tests/xls/xls_file_check.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/test_env.h"
#include "tests/xls/xls_file_check.h"
#include "xls/application.h"
#include "xls/automation_error.h"
#include "xls/file_output.h"
#include "xls/sheets.h"
#include "xls/workbook.h"
#include "xls/workbooks.h"
#include "xls/worksheet.h"

namespace {

using xls::AutomationError;
using xls::OptionalArg;
using xls::Variant;

// Every sheet, cell, text and look of a workbook as one text, to compare two.
std::string Describe(const xlscheck::WorkbookRead& book) {
  std::string out;
  for (size_t s = 0; s < book.sheets.size(); ++s) {
    out += "[" + book.sheets[s].name + "]\n";
    for (const auto& cell : book.sheets[s].cells) {
      const xlscheck::XfRead& xf = book.XfOf(cell);
      out += std::to_string(cell.row) + "," + std::to_string(cell.column) + "=" +
             (cell.text < 0 ? "(none)" : book.strings[cell.text]) + " w" + std::to_string(book.FontWeightOf(cell)) +
             " p" + std::to_string(xf.quotePrefix) + " h" + std::to_string(xf.horizontal) + " b" +
             std::to_string(xf.left) + std::to_string(xf.right) + std::to_string(xf.top) +
             std::to_string(xf.bottom) + " f" + std::to_string(xf.fillPattern) + ":" +
             std::to_string(xf.fillColour) + "\n";
    }
  }
  return out;
}

void Put(xls::Worksheet& sheet, const std::string& address, const std::string& value) {
  sheet.Range(address).SetValue2(Variant(value));
}

// Writes past `bytes` fail in this process while it lives.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) : signalBefore_(std::signal(SIGXFSZ, SIG_IGN)) {
    getrlimit(RLIMIT_FSIZE, &before_);
    rlimit limit = before_;
    limit.rlim_cur = bytes;
    EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &before_);
    std::signal(SIGXFSZ, signalBefore_);
  }

 private:
  void (*signalBefore_)(int);
  rlimit before_{};
};

class XlsFileTest : public testing::Test {
 protected:
  std::shared_ptr<xls::Workbook> NewBook() { return books->Add(); }
  void Save(const std::shared_ptr<xls::Workbook>& book, const std::string& path) {
    book->Close(Variant(true), Variant(path));
  }
  xlscheck::CheckResult Check(const std::string& path) {
    xlscheck::CheckResult result = xlscheck::CheckXlsFile(path);
    EXPECT_TRUE(result.Sound()) << result.Problems();
    return result;
  }

  testenv::ScratchDir dir;
  std::shared_ptr<xls::Application> app = xls::Application::Create();
  std::shared_ptr<xls::Workbooks> books = app->Workbooks();
};

struct Shape {
  const char* name;
  std::function<void(xls::Sheets&)> fill;
  size_t cells;  // in the first sheet
};

void PrintTo(const Shape& s, std::ostream* os) { *os << s.name; }

class XlsFileShapeTest : public XlsFileTest, public testing::WithParamInterface<Shape> {};

TEST_P(XlsFileShapeTest, SavedWorkbookPassesTheStructureCheck) {
  auto book = NewBook();
  GetParam().fill(*book->Sheets());
  std::string path = dir.File("shape.xls");
  Save(book, path);
  auto result = Check(path);
  ASSERT_EQ(result.book.sheets.size(), 3u);
  EXPECT_EQ(result.book.sheets[0].cells.size(), GetParam().cells);
  EXPECT_EQ(result.book.codePage, 1200);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, XlsFileShapeTest,
    testing::Values(
        Shape{"Empty", [](xls::Sheets&) {}, 0},
        Shape{"OneCell", [](xls::Sheets& s) { Put(*s.Item(1), "B2", "x"); }, 1},
        Shape{"TwoBlocks",
              [](xls::Sheets& s) {
                for (int r = 1; r <= 40; ++r) Put(*s.Item(1), "A" + std::to_string(r), std::to_string(r));
              },
              40},
        Shape{"SparseRowsAndLastCell",
              [](xls::Sheets& s) {
                for (const char* a : {"C1", "A6", "IV41", "B65536", "IV65536"}) Put(*s.Item(1), a, a);
              },
              5},
        Shape{"CellsWithoutValues",
              [](xls::Sheets& s) {
                s.Item(1)->Range("D4").Interior().SetColorIndex(Variant(int32_t{19}));
                Put(*s.Item(1), "E4", "");
                Put(*s.Item(1), "F4", "'");
                Put(*s.Item(2), "A1", "second sheet");
              },
              3},
        Shape{"AFullRow",
              [](xls::Sheets& s) {
                auto sheet = s.Item(1);
                for (int c = 0; c < 256; ++c) {
                  std::string column = c < 26 ? std::string(1, char('A' + c))
                                              : std::string{char('A' + c / 26 - 1), char('A' + c % 26)};
                  Put(*sheet, column + "7", column);
                }
              },
              256}),
    [](const testing::TestParamInfo<Shape>& info) { return std::string(info.param.name); });

TEST_F(XlsFileTest, ValuesAndLooksAreSavedAsSet) {
  auto book = NewBook();
  auto sheet = book->Sheets()->Item(1);
  xls::Range header = sheet->Range("A1", "A1");
  header.SetValue2(Variant("Name"));
  header.Interior().SetColorIndex(Variant(int32_t{19}));
  header.Font().SetBold(xls::ArgTrue);
  header.SetHorizontalAlignment(Variant(int16_t{-4108}));
  header.Borders().SetWeight(Variant(int16_t{2}));
  xls::Range data = sheet->Range("A2", "A2");
  data.SetValue2(Variant("'123"));
  data.SetHorizontalAlignment(Variant(int16_t{-4108}));
  data.Borders().SetWeight(Variant(int16_t{2}));
  Put(*sheet, "B2", "''twice");
  Put(*sheet, "C2", "'first");
  Put(*sheet, "C2", "then plain");  // a value without apostrophe drops the prefix
  // A range held while cells are put before its own (which moves it in
  // memory) still sets its own cell.
  xls::Range held = sheet->Cells(int32_t{3}, int32_t{3});
  held.SetValue2(Variant("held"));
  for (const char* before : {"B3", "A3"}) Put(*sheet, before, before);
  held.Font().SetBold(xls::ArgTrue);
  std::string path = dir.File("looks.xls");
  Save(book, path);

  auto result = Check(path);
  const auto& b = result.book;
  const auto* a1 = b.Find(0, 0, 0);
  const auto* a2 = b.Find(0, 1, 0);
  ASSERT_TRUE(a1 && a2);
  EXPECT_EQ(b.Text(0, 0, 0), "Name");
  EXPECT_EQ(b.FontWeightOf(*a1), 700);
  EXPECT_EQ(b.XfOf(*a1).fillPattern, 1);
  EXPECT_EQ(b.XfOf(*a1).fillColour, 26);
  EXPECT_EQ(b.XfOf(*a1).horizontal, 2);
  EXPECT_FALSE(b.XfOf(*a1).quotePrefix);
  EXPECT_EQ(b.Text(0, 1, 0), "123");
  EXPECT_TRUE(b.XfOf(*a2).quotePrefix);
  EXPECT_EQ(b.FontWeightOf(*a2), 400);
  EXPECT_EQ(b.XfOf(*a2).fillPattern, 0);
  for (const auto* cell : {a1, a2}) {
    const auto& xf = b.XfOf(*cell);
    EXPECT_EQ(xf.left + xf.right * 10 + xf.top * 100 + xf.bottom * 1000, 1111);
  }
  EXPECT_EQ(b.Text(0, 1, 1), "'twice");
  EXPECT_EQ(b.Text(0, 1, 2), "then plain");
  EXPECT_FALSE(b.XfOf(*b.Find(0, 1, 2)).quotePrefix);
  EXPECT_EQ(b.Text(0, 2, 2), "held");
  EXPECT_EQ(b.FontWeightOf(*b.Find(0, 2, 2)), 700);
  EXPECT_EQ(b.Text(0, 2, 0), "A3");
  EXPECT_EQ(b.FontWeightOf(*b.Find(0, 2, 0)), 400);
}

TEST_F(XlsFileTest, SharedStringsSplitAcrossContinueRecordsReadBack) {
  auto book = NewBook();
  auto sheet = book->Sheets()->Item(1);
  std::vector<std::string> texts;
  // Lengths from 1 to 59, some with the euro sign (16-bit characters),
  // place record ends at every kind of position; then the longest texts.
  uint32_t seed = 7;
  for (int i = 0; i < 30000; ++i) {
    seed = seed * 1103515245 + 12345;
    std::string text = std::to_string(i) + std::string(seed >> 16 & 0x3F ? (seed >> 16) % 50 : 0, 'a' + i % 26);
    if (i % 7 == 0) text += "€é";
    if (i % 11 == 0) text += "😀";  // a pair, never split between records
    texts.push_back(text);
  }
  std::vector<std::string> expected = texts;
  std::string euros, han, pairs;
  for (int i = 0; i < 20000; ++i) euros += "€";
  for (int i = 0; i < 40000; ++i) han += "漢";
  for (int i = 0; i < 16384; ++i) pairs += "😀";
  // Cut to what a cell holds: 32,767 UTF-16 units, never half a pair.
  for (auto [text, cut] : {std::pair{std::string(32767, 'L'), std::string(32767, 'L')}, std::pair{euros, euros},
                           std::pair{std::string(40000, 'C'), std::string(32767, 'C')},
                           std::pair{han, han.substr(0, 3 * 32767)}, std::pair{pairs, pairs.substr(0, 4 * 16383)}}) {
    texts.push_back(text);
    expected.push_back(cut);
  }
  for (size_t i = 0; i < texts.size(); ++i) {
    Put(*sheet, std::string(1, char('A' + i % 10)) + std::to_string(i / 10 + 1), texts[i]);
  }
  std::string path = dir.File("strings.xls");
  Save(book, path);

  auto result = Check(path);
  size_t continues = 0;
  for (const auto& r : result.records) continues += r.type == 0x003C;
  EXPECT_GT(continues, 30u);
  for (size_t i = 0; i < texts.size(); ++i) {
    ASSERT_EQ(result.book.Text(0, static_cast<uint16_t>(i / 10), static_cast<uint16_t>(i % 10)), expected[i]) << i;
  }
}

TEST_F(XlsFileTest, EveryCharacterIsSavedAndReopenedUnchanged) {
  // U+0001 to U+00FF, then characters of 16-bit strings.
  std::string all;
  for (int c = 1; c < 256; ++c) {
    if (c < 0x80) {
      all += static_cast<char>(c);
    } else {
      all += static_cast<char>(0xC0 | c >> 6);
      all += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  all += "€“”–™ ΩЖ 漢字 😀 \uFFFD";
  auto book = NewBook();
  auto sheet = book->Sheets()->Item(1);
  Put(*sheet, "A1", all);
  sheet->SetName("€ Été Ÿ Ω 漢 😀");
  std::string first = dir.File("first.xls"), second = dir.File("second.xls");
  Save(book, first);
  auto firstRead = Check(first);
  EXPECT_EQ(firstRead.book.Text(0, 0, 0), all);
  EXPECT_EQ(firstRead.book.sheets[0].name, "€ Été Ÿ Ω 漢 😀");

  Save(books->Open(first), second);
  EXPECT_EQ(Describe(Check(second).book), Describe(firstRead.book));
}

struct SizeCase {
  const char* name;
  int rows;
  bool difat;
};

void PrintTo(const SizeCase& s, std::ostream* os) { *os << s.name; }

class XlsFileSizeTest : public XlsFileTest, public testing::WithParamInterface<SizeCase> {};

TEST_P(XlsFileSizeTest, ContainerHoldsStreamsOfEverySize) {
  auto book = NewBook();
  auto sheet = book->Sheets()->Item(1);
  for (int r = 1; r <= GetParam().rows; ++r) {
    for (int c = 0; c < 10; ++c) Put(*sheet, std::string(1, char('A' + c)) + std::to_string(r), "r" + std::to_string(r) + "c" + std::to_string(c));
  }
  std::string path = dir.File("size.xls");
  Save(book, path);
  auto result = Check(path);
  EXPECT_EQ(result.book.sheets[0].cells.size(), GetParam().rows * 10u);
  std::string file = testenv::ReadFile(path);
  uint32_t difatSectors = static_cast<uint8_t>(file[72]) | static_cast<uint8_t>(file[73]) << 8;
  EXPECT_EQ(difatSectors > 0, GetParam().difat) << file.size() << " bytes";
}

INSTANTIATE_TEST_SUITE_P(Sizes, XlsFileSizeTest,
                         testing::Values(SizeCase{"UnderOneMiniStreamCutoff", 1, false},
                                         SizeCase{"SomeSectors", 2000, false},
                                         SizeCase{"OverTheHeadersFatReach", 40000, true}),
                         [](const testing::TestParamInfo<SizeCase>& info) { return std::string(info.param.name); });

// The structure check is the only check of these offsets (the readers at
// hand tolerate wrong ones): one byte off in each is caught.
struct Damage {
  const char* name;
  uint16_t recordType;  // 0: the FAT entry of the stream's fourth sector
  size_t payloadByte;
  const char* problem;
};

void PrintTo(const Damage& d, std::ostream* os) { *os << d.name; }

class StructureCheckTest : public XlsFileTest, public testing::WithParamInterface<Damage> {};

TEST_P(StructureCheckTest, CatchesAnOffsetOneByteOff) {
  auto book = NewBook();
  auto sheets = book->Sheets();
  for (int r = 1; r <= 70; ++r) {
    for (const char* column : {"A", "B", "C"}) Put(*sheets->Item(1), column + std::to_string(r), "v" + std::to_string(r));
    Put(*sheets->Item(2), "B" + std::to_string(r), std::to_string(r * r));
  }
  std::string path = dir.File("sound.xls");
  Save(book, path);
  auto sound = Check(path);

  std::string bytes = testenv::ReadFile(path);
  size_t at = 0;
  if (GetParam().recordType == 0) {
    uint32_t firstFat = static_cast<uint8_t>(bytes[76]) | static_cast<uint8_t>(bytes[77]) << 8;
    at = 512 + 512 * size_t{firstFat} + 4 * 3;
  } else {
    for (const auto& record : sound.records) {
      if (record.type == GetParam().recordType) {
        at = xlscheck::FileOffsetOfStream(record.position + 4 + GetParam().payloadByte);
        break;
      }
    }
  }
  ASSERT_NE(at, 0u);
  bytes[at] = static_cast<char>(bytes[at] + 1);
  std::string damaged = dir.File("damaged.xls");
  testenv::WriteFile(damaged, bytes);
  auto result = xlscheck::CheckXlsFile(damaged);
  EXPECT_NE(result.Problems().find(GetParam().problem), std::string::npos) << result.Problems();
}

INSTANTIATE_TEST_SUITE_P(
    Offsets, StructureCheckTest,
    testing::Values(Damage{"BoundSheetOffset", 0x0085, 0, "BOUNDSHEET says"},
                    Damage{"IndexRows", 0x020B, 8, "INDEX gives the wrong rows"},
                    Damage{"IndexToDbCell", 0x020B, 16, "INDEX entry 0"},
                    Damage{"IndexToDefColWidth", 0x020B, 12, "DEFCOLWIDTH"},
                    Damage{"DbCellToFirstRow", 0x00D7, 0, "does not point at its first ROW"},
                    Damage{"DbCellToFirstCell", 0x00D7, 6, "misplaces the first cell"},
                    Damage{"Dimensions", 0x0200, 4, "DIMENSIONS"},
                    Damage{"RowColumns", 0x0208, 4, "gives the wrong columns"},
                    Damage{"SstTotal", 0x00FC, 0, "SST counts"},
                    Damage{"ExtSstPosition", 0x00FF, 2, "EXTSST bucket 0"},
                    Damage{"FatChain", 0, 0, "chain"}),
    [](const testing::TestParamInfo<Damage>& info) { return std::string(info.param.name); });

TEST_F(XlsFileTest, ReopenedWorkbookSavesAgainWithItsContentAndAFourthSheet) {
  auto book = NewBook();
  auto sheets = book->Sheets();
  sheets->Item(1)->SetName("Orders");
  xls::Range header = sheets->Item(1)->Range("A1");
  header.SetValue2(Variant("Id"));
  header.Font().SetBold(xls::ArgTrue);
  header.Interior().SetColorIndex(Variant(int32_t{19}));
  for (int r = 2; r <= 100; ++r) Put(*sheets->Item(1), "A" + std::to_string(r), "'" + std::to_string(r % 17));
  Put(*sheets->Item(2), "C3", "shared");
  std::string path = dir.File("book.xls");
  Save(book, path);
  auto before = Check(path);

  auto reopened = books->Open(path, OptionalArg, xls::ArgFalse, xls::ArgTrue);
  auto again = reopened->Sheets();
  EXPECT_EQ(again->Item(1)->Name(), "Orders");
  auto fourth = again->Add(OptionalArg, Variant(again->Item(3)));
  fourth->SetName("Customers");
  Put(*fourth, "A1", "shared");  // a text the file holds already
  Put(*fourth, "A2", "new");
  app->SetDisplayAlerts(false);
  Save(reopened, path);

  auto after = Check(path);
  ASSERT_EQ(after.book.sheets.size(), 4u);
  EXPECT_EQ(after.book.sheets[3].name, "Customers");
  EXPECT_EQ(after.book.Text(3, 0, 0), "shared");
  EXPECT_EQ(after.book.Text(3, 1, 0), "new");
  std::string withoutFourth = Describe(after.book);
  withoutFourth = withoutFourth.substr(0, withoutFourth.find("[Customers]"));
  EXPECT_EQ(withoutFourth, Describe(before.book));
}

TEST_F(XlsFileTest, AnExistingFileIsReplacedOnlyWithAlertsOff) {
  std::string path = dir.File("taken.xls");
  testenv::WriteFile(path, "earlier");
  auto book = NewBook();
  EXPECT_THROW(Save(book, path), AutomationError);
  EXPECT_EQ(testenv::ReadFile(path), "earlier");
  app->SetDisplayAlerts(false);
  Save(book, path);  // still open after the refusal
  Check(path);
}

TEST_F(XlsFileTest, AFileThatCannotBeWrittenIsRefusedAndTheWorkbookStaysOpen) {
  auto book = NewBook();
  Put(*book->Sheets()->Item(1), "A1", "kept");
  EXPECT_THROW(Save(book, dir.File("missing/folder.xls")), AutomationError);
  std::filesystem::create_directory(dir.File("a folder.xls"));
  app->SetDisplayAlerts(false);
  EXPECT_THROW(Save(book, dir.File("a folder.xls")), AutomationError);
  EXPECT_THROW(Save(book, ""), AutomationError);
  EXPECT_THROW(book->Close(xls::ArgTrue), AutomationError);  // a new workbook has no file yet
  // A write that fails part way, after a first buffer went to the file on the
  // writing thread: here, past the file size the process may write.
  auto sheet = book->Sheets()->Item(1);
  for (int r = 2; r <= 30000; ++r) Put(*sheet, "A" + std::to_string(r), "row " + std::to_string(r) + " of the sheet");
  {
    FileSizeLimit limit(256 << 10);
    EXPECT_THROW(Save(book, dir.File("too large.xls")), AutomationError);
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("too large.xls")));
  std::string path = dir.File("finally.xls");
  Save(book, path);
  EXPECT_EQ(Check(path).book.Text(0, 0, 0), "kept");
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    EXPECT_NE(entry.path().extension(), ".part") << "a partial file was left behind";
  }
}

TEST(FileOutputTest, WritesTheSameBytesOnItsThreadOrNotAndTellsOfAFailedWrite) {
  testenv::ScratchDir dir;
  for (bool onThread : {true, false}) {
    SCOPED_TRACE(onThread ? "on its thread" : "as handed over");
    std::string expected;
    {
      xls::FileOutput out(dir.File("out"), onThread);
      ASSERT_TRUE(out.IsOpen());
      for (char c = 'a'; c <= 'z'; ++c) {
        std::vector<char> bytes(size_t(1000) * (c - 'a' + 1), c);
        expected.append(bytes.begin(), bytes.end());
        ASSERT_TRUE(out.Append(bytes));
        EXPECT_TRUE(bytes.empty());
      }
      ASSERT_TRUE(out.WriteAt(5, "HELLO", 5));
      expected.replace(5, 5, "HELLO");
      EXPECT_TRUE(out.Close());
    }
    EXPECT_EQ(testenv::ReadFile(dir.File("out")), expected);

    xls::FileOutput cut(dir.File("cut"), onThread);
    FileSizeLimit limit(1000);
    std::vector<char> bytes(4000, 'x');
    cut.Append(bytes);
    bytes.assign(10, 'y');
    cut.Append(bytes);  // the failure may be known only once the first append is written
    EXPECT_FALSE(cut.WriteAt(0, "z", 1));
    EXPECT_FALSE(cut.Close());
  }
  EXPECT_FALSE(xls::FileOutput(dir.File("missing/out"), true).IsOpen());
}

TEST_F(XlsFileTest, AWorkbookOpenedReadOnlyIsNotSavedOverItsFile) {
  std::string path = dir.File("ro.xls"), copy = dir.File("copy.xls");
  Save(NewBook(), path);
  app->SetDisplayAlerts(false);
  auto book = books->Open(path, OptionalArg, xls::ArgTrue);
  EXPECT_THROW(Save(book, path), AutomationError);
  Save(book, copy);
  Check(copy);
}

TEST_F(XlsFileTest, OpenRefusesFilesItCannotKeep) {
  std::string good = dir.File("good.xls");
  auto book = NewBook();
  for (int r = 1; r <= 3000; ++r) Put(*book->Sheets()->Item(1), "A" + std::to_string(r), std::to_string(r));
  Save(book, good);
  std::string bytes = testenv::ReadFile(good);
  std::vector<std::pair<std::string, std::string>> files = {
      {"empty.xls", ""},
      {"text.xls", "Name,Value\r\nA,1\r\n"},
      {"header-only.xls", bytes.substr(0, 512)},
      {"half.xls", bytes.substr(0, bytes.size() / 2)},
  };
  for (const auto& [name, content] : files) {
    testenv::WriteFile(dir.File(name), content);
    EXPECT_THROW(books->Open(dir.File(name)), AutomationError) << name;
  }
  EXPECT_THROW(books->Open(dir.File("absent.xls")), AutomationError);
  EXPECT_EQ(app->ActiveWorkbook(), nullptr);
}

// Whatever byte of a saved workbook is damaged, opening it either works or
// is refused: it never reads outside what it holds (run under the sanitizer
// build) and never hangs.
TEST_F(XlsFileTest, OpenSurvivesADamagedByteAnywhere) {
  std::string good = dir.File("good.xls");
  auto book = NewBook();
  auto sheets = book->Sheets();
  for (int r = 1; r <= 40; ++r) {
    Put(*sheets->Item(1), "A" + std::to_string(r), std::string(r * 7, 'a' + r % 26));
    Put(*sheets->Item(2), "B" + std::to_string(r), "€" + std::to_string(r));
  }
  Save(book, good);
  std::string bytes = testenv::ReadFile(good);
  std::string damaged = dir.File("damaged.xls");
  testenv::WriteFile(damaged, bytes);
  auto setByte = [&](size_t at, int value) {
    std::fstream file(damaged, std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(static_cast<std::streamoff>(at));
    file.put(static_cast<char>(value));
  };
  int opened = 0, refused = 0;
  for (size_t at = 0; at < bytes.size(); at += 3) {
    for (int value : {0x00, 0xFF, static_cast<uint8_t>(bytes[at]) ^ 0x10}) {
      setByte(at, value);
      try {
        books->Open(damaged)->Close();
        ++opened;
      } catch (const AutomationError&) {
        ++refused;
      }
    }
    setByte(at, static_cast<uint8_t>(bytes[at]));
  }
  EXPECT_GT(refused, 0);
  EXPECT_GT(opened, 0);
}

}  // namespace
