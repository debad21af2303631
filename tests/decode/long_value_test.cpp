#include "decode/long_value.h"

#include <gtest/gtest.h>

#include "decode/value_renderer.h"
#include "tests/decode/test_pages.h"
#include "tests/support/test_env.h"

namespace {

using decodetest::Bytes;
using decodetest::Concat;
using decodetest::kLvalOwner;
using decodetest::Le16;
using decodetest::Le32;
using decodetest::Ucs2;

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }
Bytes Compressed(const std::string& text) { return Concat({{0xFF, 0xFE}, Text(text)}); }

// The 12-byte field: length word, flag word, row pointer, 4 unused bytes.
Bytes Field(uint16_t flags, uint8_t row = 0, uint32_t page = 0, uint16_t lengthLow = 0) {
  return Concat({Le16(lengthLow), Le16(flags), {row}, {static_cast<uint8_t>(page), static_cast<uint8_t>(page >> 8),
                                                    static_cast<uint8_t>(page >> 16)},
                 Le32(0)});
}
// A chain row: link to the next row, then the piece.
Bytes Link(uint8_t row, uint32_t page, const Bytes& piece) {
  return Concat({{row, static_cast<uint8_t>(page), static_cast<uint8_t>(page >> 8), static_cast<uint8_t>(page >> 16)},
                 piece});
}

// The storage header of an OLE object around its native data.
Bytes OleObject(const std::string& className, const Bytes& native, int32_t nativeLength = -1) {
  Bytes header = Concat({Le16(0x1C15), Le16(0), Bytes(16, 0), Text(className), {0}});
  decodetest::PutU16(header, 2, static_cast<uint16_t>(header.size()));
  Bytes nameBlock = Text("Object");
  return Concat({header, Bytes(8, 0), Le32(static_cast<uint32_t>(nameBlock.size())), nameBlock, Bytes(8, 0),
                 Le32(static_cast<uint32_t>(nativeLength < 0 ? static_cast<int32_t>(native.size()) : nativeLength)),
                 native});
}

Bytes PackageNative(const std::string& fileName, const Bytes& file, int64_t declaredLength = -1) {
  Bytes path = Text("C:\\x\\" + fileName);
  return Concat({Le16(2), Text(fileName), {0}, path, {0}, Le32(0), Le32(static_cast<uint32_t>(path.size() + 1)),
                 path, {0}, Le32(static_cast<uint32_t>(declaredLength < 0 ? static_cast<int64_t>(file.size()) : declaredLength)), file, Bytes(10, 0xAA)});
}

Bytes Sequence(size_t n) {
  Bytes bytes(n);
  for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 1);
  return bytes;
}

// Pages 0 to 2 are fillers; tests put long-value and other pages from 3 on.
class LongValueTest : public ::testing::Test {
 protected:

  void UsePages(const std::vector<Bytes>& pages) {
    std::vector<Bytes> all(3, Bytes(4096, 0));
    all.insert(all.end(), pages.begin(), pages.end());
    decodetest::LoadPages(session, dir.File("lv.mdb"), all);
  }

  // The cell a MEMO (12) or OLE (11) column shows for the field bytes.
  std::string Cell(int typeCode, const Bytes& field) {
    Bytes page(4096, 0);
    std::copy(field.begin(), field.end(), page.begin() + 200);
    DecodeCell(db, oleFiles, page, decodetest::Column(typeCode, 1, false, 0, 0, 0), 200,
               static_cast<int64_t>(field.size()), last);
    return last.text;
  }

  CellSlot last;  // of the last Cell
  testenv::ScratchDir dir;
  decodetest::TestSession session;
  MdbFile& db = session.db;
  OleFileWriter oleFiles{dir.path() + "/TempOLeFiles"};
};

TEST_F(LongValueTest, InlineMemoIsStoredText) {
  EXPECT_EQ(Cell(12, Concat({Field(0x8000), Ucs2("hello")})), "hello");
  EXPECT_EQ(Cell(12, Concat({Field(0x8000), Compressed("hello")})), "hello");
  EXPECT_EQ(Cell(12, Field(0x8000)), "");
}

TEST_F(LongValueTest, MemoInOneRowKeepsEveryByteOfIt) {
  // Row 0 runs to the page end, its odd last byte included.
  std::vector<Bytes> rows(130, Compressed("row"));
  rows[0] = Compressed("abc");
  rows[129] = Ucs2("high row number");
  UsePages({decodetest::DataPage(kLvalOwner, rows)});
  EXPECT_EQ(Cell(12, Field(0x4000, 0, 3, 5)), "abc");
  EXPECT_EQ(Cell(12, Field(0x4000, 129, 3, 30)), "high row number");
}

TEST_F(LongValueTest, UnusableMemoPointersShowNull) {
  UsePages({decodetest::DataPage(kLvalOwner, {Compressed("abc")}), decodetest::DataPage(2, {Compressed("abc")})});
  EXPECT_EQ(Cell(12, Field(0x4000, 1, 3)), "");   // no such row
  EXPECT_EQ(Cell(12, Field(0x4000, 0, 4)), "");   // not a long-value page
  EXPECT_EQ(Cell(12, Field(0x4000, 0, 99)), "");  // outside the file
}

TEST_F(LongValueTest, MemoRowOutOfBoundsShowsTheTypeName) {
  Bytes page = decodetest::DataPage(kLvalOwner, {Compressed("abc"), Compressed("def")});
  decodetest::PutU16(page, 16, 0x0FFF);  // row 1 would start after row 0
  UsePages({page});
  EXPECT_EQ(Cell(12, Field(0x4000, 1, 3)), "MEMO");
}

TEST_F(LongValueTest, MemoChainJoinsItsPieces) {
  // The pieces are one stored text: its marker comes once, and a character
  // may lie across two pieces.
  Bytes wide = Ucs2("two Ωmega");
  UsePages({decodetest::DataPage(kLvalOwner, {Link(0, 4, Compressed("one "))}),
            decodetest::DataPage(kLvalOwner, {Link(0, 5, Text("three "))}),
            decodetest::DataPage(kLvalOwner, {Link(0, 0, Text("four"))}),
            decodetest::DataPage(kLvalOwner, {Link(0, 7, Bytes(wide.begin(), wide.begin() + 9))}),
            decodetest::DataPage(kLvalOwner, {Link(0, 0, Bytes(wide.begin() + 9, wide.end()))})});
  EXPECT_EQ(Cell(12, Field(0)), "");
  EXPECT_EQ(Cell(12, Field(0, 0, 3, 16)), "one three four");
  // The length's own bits in the flag word (a value of 64 KiB and more):
  // still a chain, one that falls short of its length.
  EXPECT_EQ(Cell(12, Field(0x0001, 0, 3, 16)), "one three four\u2026[damaged]");
  EXPECT_EQ(Cell(12, Field(0, 0, 6, static_cast<uint16_t>(wide.size()))), "two Ωmega");
}

// Pieces that run into foreign pages, end early or overrun: the value keeps
// what read up to its stated length, and its text says it is damaged.
TEST_F(LongValueTest, ValuesShortOfOrBeyondTheirStatedLengthAreCutAndMarked) {
  UsePages({decodetest::DataPage(kLvalOwner, {Link(0, 4, Compressed("one "))}),
            decodetest::DataPage(kLvalOwner, {Link(0, 5, Text("three"))}),
            decodetest::DataPage(2, {Link(0, 0, Text("foreign"))}),
            decodetest::DataPage(kLvalOwner, {Ucs2(std::string(50, 'x'))})});
  EXPECT_EQ(Cell(12, Field(0, 0, 3, 8)), "one th\u2026[damaged]");
  EXPECT_TRUE(last.value.damaged);
  // Typed outputs take the text without the mark.
  EXPECT_EQ(last.value.text, "one th");
  EXPECT_EQ(Cell(12, Field(0, 0, 3, 200)), "one three\u2026[damaged]");
  EXPECT_EQ(Cell(12, Field(0x4000, 0, 6, 150)), std::string(50, 'x') + "\u2026[damaged]");
  EXPECT_EQ(Cell(12, Field(0x4000, 0, 5, 7)), "\u2026[damaged]");
  std::string folder = dir.path() + "/TempOLeFiles/";
  EXPECT_EQ(Cell(11, Field(0x4000, 0, 6, 60)), folder + "Ole1.ole\u2026[damaged]");
  Bytes kept = Ucs2(std::string(30, 'x'));
  EXPECT_EQ(testenv::ReadFile(folder + "Ole1.ole"), std::string(kept.begin(), kept.end()));
  EXPECT_EQ(Cell(12, Field(0x4000, 0, 6, 100)), std::string(50, 'x'));
  EXPECT_FALSE(last.value.damaged);
}

TEST_F(LongValueTest, LoopingChainEndsWithWhatItGathered) {
  UsePages({decodetest::DataPage(kLvalOwner, {Link(0, 4, Compressed("A"))}),
            decodetest::DataPage(kLvalOwner, {Link(0, 3, Text("B"))}),
            decodetest::DataPage(kLvalOwner, {Link(0, 5, Compressed("C"))})});
  // A loop is damage, whatever the length says.
  EXPECT_EQ(Cell(12, Field(0, 0, 3, 4)), "AB\u2026[damaged]");
  EXPECT_EQ(Cell(12, Field(0, 0, 5, 3)), "C\u2026[damaged]");
  EXPECT_EQ(Cell(11, Field(0, 0, 3, 4)).substr(0, dir.path().size()), dir.path());
  EXPECT_EQ(testenv::ReadFile(dir.path() + "/TempOLeFiles/Ole1.ole"), "\xFF\xFE" "AB");
}

TEST_F(LongValueTest, BothFlagBitsAreNotUnderstood) {
  UsePages({});
  EXPECT_EQ(Cell(12, Field(0xC000)), "Unhandled memo field flags = c000\n");
  EXPECT_EQ(Cell(11, Field(0xC001)), "Unhandled OLE field flag = c001\n");
  EXPECT_EQ(oleFiles.filesWritten(), 0);
}

TEST_F(LongValueTest, OleObjectsAreWrittenAsNumberedFiles) {
  Bytes big = Sequence(9000);
  UsePages({decodetest::DataPage(kLvalOwner, {OleObject("Bitmap", Sequence(3000))}),
            decodetest::DataPage(kLvalOwner, {Link(0, 5, Bytes(big.begin(), big.begin() + 4000))}),
            decodetest::DataPage(kLvalOwner, {Link(0, 0, Bytes(big.begin() + 4000, big.end() - 1000))}),
            decodetest::DataPage(2, {Bytes(20, 1)})});
  std::string folder = dir.path() + "/TempOLeFiles/";

  EXPECT_EQ(Cell(11, Concat({Field(0x8000), Text("inline")})), folder + "Ole1.ole");
  EXPECT_EQ(testenv::ReadFile(folder + "Ole1.ole"), "inline");

  EXPECT_EQ(Cell(11, Field(0x4000, 0, 3, static_cast<uint16_t>(OleObject("Bitmap", Sequence(3000)).size()))),
            folder + "Ole2.bmp");
  Bytes expected = Sequence(3000);
  EXPECT_EQ(testenv::ReadFile(folder + "Ole2.bmp"), std::string(expected.begin(), expected.end()));
  // The value keeps the object as stored, and where its file went.
  EXPECT_EQ(last.value.kind, ValueKind::Ole);
  const Bytes stored = OleObject("Bitmap", Sequence(3000));
  EXPECT_EQ(last.value.bytes, std::string(stored.begin(), stored.end()));
  EXPECT_EQ(last.value.path, folder + "Ole2.bmp");

  EXPECT_EQ(Cell(11, Field(0, 0, 4, 8000)), folder + "Ole3.ole");
  EXPECT_EQ(testenv::ReadFile(folder + "Ole3.ole"), std::string(big.begin(), big.end() - 1000));

  // A pointer to a page that is not a long-value page still writes a file.
  EXPECT_EQ(Cell(11, Field(0x4000, 0, 6)), folder + "Ole4.ole");
  EXPECT_EQ(testenv::ReadFile(folder + "Ole4.ole"), "#OLEOBJECT");
  EXPECT_EQ(Cell(11, Field(0x4000, 0, 60)), "OLEOBJECT");
  EXPECT_EQ(oleFiles.filesWritten(), 4);
}

struct Identification {
  const char* name;
  Bytes payload;
  int result;
  std::string extension;
  Bytes kept;  // the payload afterwards
};

class IdentifyOleObjectTest : public ::testing::TestWithParam<Identification> {};

TEST_P(IdentifyOleObjectTest, TrimsRecognisedObjects) {
  const Identification& c = GetParam();
  std::string payload(c.payload.begin(), c.payload.end());
  std::string extension;
  EXPECT_EQ(IdentifyOleObject(payload, extension), c.result);
  EXPECT_EQ(extension, c.extension);
  EXPECT_EQ(payload, std::string(c.kept.begin(), c.kept.end()));
}

Bytes WithTail(const Bytes& object) { return Concat({object, Text("tail")}); }

const Bytes kNative = Sequence(300);
const Identification kIdentifications[] = {
    {"BitmapKeepsItsNativeData", WithTail(OleObject("Bitmap", kNative)), 1, "bmp", kNative},
    {"AcrobatKeepsEverythingAfterTheHeader", WithTail(OleObject("Acrobat Document", kNative)), 1, "pdf",
     WithTail(kNative)},
    {"UnknownClassKeepsItsNativeData", WithTail(OleObject("Paint", kNative)), 1, "", kNative},
    {"PackageGivesTheFile", OleObject("Package", PackageNative("report.txt", Text("hello"))), 1, "txt",
     Text("hello")},
    {"PackageWithoutExtensionStaysWhole", OleObject("Package", PackageNative("README", Text("hi"))), -1, "",
     OleObject("Package", PackageNative("README", Text("hi")))},
    {"PackageExtensionCannotLeaveTheFolder", OleObject("Package", PackageNative("a./../x", Text("hi"))), 1,
     "_x", Text("hi")},
    {"PackageExtensionIsUtf8", OleObject("Package", PackageNative("r\xE9sum\xE9.d\xF6" "c", Text("hi"))), 1, "döc",
     Text("hi")},
    {"NegativeLengthCutsNothing", OleObject("Bitmap", kNative, -5), 1, "bmp", kNative},
    {"LengthPastThePayloadCutsNothing", OleObject("Bitmap", kNative, 100000), 1, "bmp", kNative},
    {"NoSignature", Text("plain bytes here"), -1, "", Text("plain bytes here")},
    {"TooShort", {0x15, 0x1C}, -1, "", {0x15, 0x1C}},
};

INSTANTIATE_TEST_SUITE_P(Objects, IdentifyOleObjectTest, ::testing::ValuesIn(kIdentifications),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(IdentifyOleObjectDamageTest, RefusesLengthsPastThePayload) {
  Bytes object = OleObject("Bitmap", kNative);
  Bytes longHeader = object;
  decodetest::PutU16(longHeader, 2, 277);
  Bytes longNameBlock = object;
  decodetest::PutU32(longNameBlock, ReadUInt16(object, 2) + 8, 257);
  Bytes longFile = OleObject("Package", PackageNative("report.txt", Text("hello"), 100000));
  for (const Bytes& bytes : {longHeader, longNameBlock, longFile}) {
    std::string payload(bytes.begin(), bytes.end());
    std::string extension;
    EXPECT_EQ(IdentifyOleObject(payload, extension), -1);
    EXPECT_EQ(payload.size(), bytes.size());
  }
}

}  // namespace
