#include "decode/row_reader.h"

#include <gtest/gtest.h>

#include <random>

#include "decode/deleted_row_walk.h"
#include "decode/row_page_index.h"
#include "decode/row_text.h"
#include "tests/decode/test_pages.h"
#include "tests/support/test_env.h"

namespace {

using decodetest::Bytes;
using decodetest::EncodeRow;
using decodetest::Le32;
using decodetest::RowSpec;
using decodetest::Ucs2;

constexpr int32_t kTablePage = 2;
const std::string kSep(kFieldSeparator);

// Id LONG, Name TEXT, Active BIT, Note TEXT: two fixed and two variable
// columns, numbered 0 to 3.
class RowReaderTest : public ::testing::Test {
 protected:
  RowReaderTest() {
    table.definitionPage = kTablePage;
    table.maxColumns = 4;
    table.columns = {decodetest::Column(4, 0, true, 0, 4), decodetest::Column(10, 1, false, 0, 100, 0),
                     decodetest::Column(1, 2, true, 0, 1), decodetest::Column(10, 3, false, 0, 100, 1)};
    decoder.ResetCells(table);
  }

  static Bytes PersonRow(int id, const std::string& name, bool active, const std::string& note = "x") {
    return EncodeRow({4, Le32(static_cast<uint32_t>(id)), {Ucs2(name), Ucs2(note)}, {true, true, active, true}});
  }
  static std::string PersonText(int id, const std::string& name, bool active, const std::string& note = "x") {
    return std::to_string(id) + kSep + name + kSep + (active ? "1" : "0") + kSep + note + kSep;
  }

  // The page as the table's current page.
  void UsePage(const Bytes& page) { std::copy(page.begin(), page.end(), decoder.page().begin()); }

  std::string Read(int slot, int* result = nullptr) {
    std::string out = "stale";
    int r = decoder.ReadRow(table, slot, out);
    if (result) *result = r;
    return out;
  }

  // Data pages in a file: pages 0 to 2 are fillers, the rest are given.
  void UseDataPages(const std::vector<Bytes>& dataPages) {
    std::vector<Bytes> pages(3, Bytes(4096, 0));
    table.dataPages.clear();
    for (const Bytes& page : dataPages) {
      table.dataPages.push_back(static_cast<int32_t>(pages.size()));
      pages.push_back(page);
    }
    decodetest::LoadPages(session, dir.File("t.mdb"), pages);
  }

  std::vector<std::string> Fetch() {
    std::vector<std::string> texts(100);
    EXPECT_EQ(FetchRowPage(decoder, table, cursor, texts), 1);
    std::vector<std::string> rows;
    for (const std::string& text : texts)
      if (!IsSkippedRowText(text)) rows.push_back(text);
    return rows;
  }

  testenv::ScratchDir dir;
  decodetest::TestSession session;
  MdbFile& db = session.db;
  RowDecoder decoder{db, session.progress.stopRequested, session.oleFiles};
  TableDef table;
  RowCursor cursor;  // the record browser's
};

TEST_F(RowReaderTest, GivesEveryColumnFollowedByTheSeparator) {
  UsePage(decodetest::DataPage(kTablePage, {PersonRow(42, "Ann", true, "note"), PersonRow(7, "Bob", false)}));
  int result = 0;
  EXPECT_EQ(Read(0, &result), PersonText(42, "Ann", true, "note"));
  EXPECT_EQ(result, 1);
  EXPECT_EQ(Read(1), PersonText(7, "Bob", false));
  EXPECT_EQ(decoder.cells()[3].text, "x");
  EXPECT_EQ(decoder.cells()[0].size, 4);
  EXPECT_EQ(decoder.cells()[1].size, -1);
}

TEST_F(RowReaderTest, NullsAndBooleansComeFromThePresenceBits) {
  // Id and Note absent, Active clear: a boolean is never NULL.
  UsePage(decodetest::DataPage(kTablePage, {EncodeRow({4, Le32(5), {Ucs2("Ann"), {}}, {false, true, false, false}})}));
  EXPECT_EQ(Read(0), kSep + "Ann" + kSep + "0" + kSep + kSep);
  EXPECT_EQ(decoder.cells()[0].present, 0);
}

TEST_F(RowReaderTest, FindsVariableValuesByTheirOwnIndex) {
  // Column 1 holds the second variable value, column 3 the first.
  table.columns[1].varIndex = 1;
  table.columns[3].varIndex = 0;
  UsePage(decodetest::DataPage(kTablePage, {PersonRow(1, "first", true, "second")}));
  EXPECT_EQ(Read(0), "1" + kSep + "second" + kSep + "1" + kSep + "first" + kSep);
}

TEST_F(RowReaderTest, MissingVariableValuesAreNull) {
  UsePage(decodetest::DataPage(kTablePage, {EncodeRow({4, Le32(3), {Ucs2("Ann")}, {true, true, true, true}})}));
  EXPECT_EQ(Read(0), "3" + kSep + "Ann" + kSep + "1" + kSep + kSep);
}

TEST_F(RowReaderTest, BrokenOffsetsMakeTheValuesTheyBoundNull) {
  Bytes row = PersonRow(9, "Ann", true, "note");
  // Offsets read backwards from the 1-byte mask: count, start 0, start 1, end.
  // Start 1 ends value 0 and begins value 1.
  size_t start1 = row.size() - 1 - 2 - 4;
  const std::string bothNull = "9" + kSep + kSep + "1" + kSep + kSep;
  decodetest::PutU16(row, start1, 0x0200);  // after the end of the data
  UsePage(decodetest::DataPage(kTablePage, {row}));
  EXPECT_EQ(Read(0), bothNull);
  decodetest::PutU16(row, start1, 1);  // before start 0: out of order
  UsePage(decodetest::DataPage(kTablePage, {row}));
  EXPECT_EQ(Read(0), bothNull);
}

TEST_F(RowReaderTest, DecodesAFixedValueEndingWhereVariableDataBegins) {
  // LONG at 0 and BYTE at 4: the byte is the last of the fixed part.
  table.columns = {decodetest::Column(4, 0, true, 0, 4), decodetest::Column(2, 1, true, 4, 1),
                   decodetest::Column(10, 2, false, 0, 50, 0)};
  table.maxColumns = 3;
  decoder.ResetCells(table);
  Bytes fixed = Le32(1);
  fixed.push_back(200);
  UsePage(decodetest::DataPage(kTablePage, {EncodeRow({3, fixed, {Ucs2("v")}, {true, true, true}})}));
  EXPECT_EQ(Read(0), "1" + kSep + "200" + kSep + "v" + kSep);
}

TEST_F(RowReaderTest, ColumnsAddedAfterTheRowWasWrittenAreAbsent) {
  // Nine columns in the table; the row stores two and a one-byte mask. The
  // bytes after that row (the next row's start) have every bit set.
  table.maxColumns = 9;
  table.columns = {decodetest::Column(4, 0, true, 0, 4), decodetest::Column(10, 1, false, 0, 50, 0),
                   decodetest::Column(1, 8, true, 0, 1), decodetest::Column(4, 7, true, 4, 4)};
  decoder.ResetCells(table);
  Bytes old = EncodeRow({2, Le32(5), {Ucs2("a")}, {true, true}});
  Bytes filler(40, 0xFF);
  UsePage(decodetest::DataPage(kTablePage, {filler, old}));
  EXPECT_EQ(Read(1), "5" + kSep + "a" + kSep + "0" + kSep + kSep);
}

// The deleted walk gives the bytes of a deleted slot once, and never the
// bytes of a live row that a deleted slot points at too.
TEST_F(RowReaderTest, DeletedRowsComeOnceAndApartFromTheLiveOnes) {
  Bytes page = decodetest::DataPage(kTablePage,
                                    {PersonRow(1, "Ann", true), PersonRow(2, "Bo", false), PersonRow(3, "Cy", true), {0}, {0}},
                                    {0, 0xC000, 0xC000});
  decodetest::PutU16(page, 14 + 2 * 3, static_cast<uint16_t>(0xC000 | (page[14 + 2] | page[15 + 2] << 8)));
  decodetest::PutU16(page, 14 + 2 * 4, static_cast<uint16_t>(0xC000 | (page[14] | page[15] << 8)));
  UseDataPages({page});
  std::vector<std::string> texts(3, "stale");
  EXPECT_EQ(FetchDeletedRowPage(decoder, table, cursor, texts), 1);
  EXPECT_EQ(texts, (std::vector<std::string>{PersonText(2, "Bo", false), PersonText(3, "Cy", true), ""}));
  EXPECT_EQ(cursor.nextRow, 2);
  EXPECT_EQ(CountReadableDeletedRows(decoder, table), 2);
}

// The typed values beside the texts, whichever walk decoded the row: the
// texts are rendered from them.
TEST_F(RowReaderTest, EveryKindOfRowFillsTheCellsValues) {
  Bytes page = decodetest::DataPage(kTablePage, {PersonRow(1, "Ann", true), PersonRow(2, "Bo", false)}, {0, 0xC000});
  UseDataPages({page});
  table.rowCount = 1;
  const RowCells& cells = decoder.cells();
  auto expectPerson = [&](int64_t id, const std::string& name, int64_t active) {
    EXPECT_EQ(cells[0].value.kind, ValueKind::Integer);
    EXPECT_EQ(cells[0].value.integer, id);
    EXPECT_EQ(cells[1].value.kind, ValueKind::Text);
    EXPECT_EQ(cells[1].value.text, name);
    EXPECT_EQ(cells[2].value.kind, ValueKind::Boolean);
    EXPECT_EQ(cells[2].value.integer, active);
  };
  ASSERT_EQ(Fetch().size(), 1u);
  expectPerson(1, "Ann", 1);
  std::vector<std::string> texts(1);
  ASSERT_EQ(FetchDeletedRowPage(decoder, table, cursor, texts), 1);
  expectPerson(2, "Bo", 0);

  // A row whose definition is lost: its fixed bytes, then its variable
  // values as what they read as.
  table.orphan = true;
  table.varColumnCount = 1;
  table.columns = {decodetest::Column(9, 0, false), decodetest::Column(10, 1, false, 0, 0, 0)};
  UsePage(decodetest::DataPage(kTablePage, {EncodeRow({2, Le32(7), {Ucs2("left")}, {true, true}})}));
  EXPECT_EQ(Read(0), "07 00 00 00" + kSep + "left" + kSep);
  EXPECT_EQ(cells[0].value.kind, ValueKind::Binary);
  EXPECT_EQ(cells[0].value.bytes, std::string("\x07\0\0\0", 4));
  EXPECT_EQ(cells[1].value.text, "left");

  // An absent value is Null, not a stale value of the row before.
  table.orphan = false;
  table.columns = {decodetest::Column(4, 0, true, 0, 4), decodetest::Column(10, 1, false, 0, 100, 0),
                   decodetest::Column(1, 2, true, 0, 1), decodetest::Column(10, 3, false, 0, 100, 1)};
  UsePage(decodetest::DataPage(kTablePage, {EncodeRow({4, Le32(5), {{}, {}}, {false, false, false, false}})}));
  Read(0);
  EXPECT_EQ(cells[0].value.kind, ValueKind::Null);
  EXPECT_EQ(cells[1].value.kind, ValueKind::Null);
}

TEST_F(RowReaderTest, FlagsMarkLookupAndDeletedRows) {
  Bytes good = PersonRow(1, "Ann", true);
  Bytes broken = good;
  decodetest::PutU16(broken, 0, 300);  // more columns than the table has
  UsePage(decodetest::DataPage(kTablePage, {good, broken, good, good}, {0x8000, 0x8000, 0x4000, 0xC000}));
  int result = 0;
  EXPECT_EQ(Read(0, &result), PersonText(1, "Ann", true));
  EXPECT_EQ(decoder.lookupRowFlag(), 1);
  EXPECT_EQ(Read(1, &result), kLookupRowText);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(Read(2, &result), kDeletedRowText);
  EXPECT_EQ(result, -1);
  EXPECT_EQ(decoder.deletedRowFlag(), 1);
  EXPECT_EQ(Read(3, &result), std::string(kLookupRowText) + std::string(kDeletedRowText));
  EXPECT_EQ(result, -1);
}

TEST_F(RowReaderTest, RowWithoutColumnsIsAnError) {
  UsePage(decodetest::DataPage(kTablePage, {EncodeRow({0, {}, {}, {}})}));
  int result = 1;
  Read(0, &result);
  EXPECT_EQ(result, 0);
}

TEST_F(RowReaderTest, DamagedHeadersGiveUpTheWholeRow) {
  Bytes row = PersonRow(1, "Ann", true);
  Bytes tooManyVariables = row;
  decodetest::PutU16(tooManyVariables, row.size() - 3, 7);
  Bytes endPastRow = row;
  decodetest::PutU16(endPastRow, row.size() - 9, 0x0FFF);
  UsePage(decodetest::DataPage(kTablePage, {tooManyVariables, endPastRow}));
  EXPECT_EQ(Read(0), "");
  EXPECT_EQ(Read(1), "");
  // A slot whose start lies past the page, and one ending before it starts.
  Bytes page = decodetest::DataPage(kTablePage, {row, row});
  decodetest::PutU16(page, 14, 0x1FFF);
  UsePage(page);
  EXPECT_EQ(Read(0), "");
  decodetest::PutU16(page, 14, 0x0F00);
  decodetest::PutU16(page, 16, 0x0F80);
  UsePage(page);
  EXPECT_EQ(Read(1), "");
}

TEST_F(RowReaderTest, SurvivesRandomPages) {
  std::mt19937 random(20240611);
  for (int round = 0; round < 3000; ++round) {
    Bytes page(4096);
    for (uint8_t& b : page) b = static_cast<uint8_t>(random());
    // Plausible slot tables now and then, so that rows get decoded.
    if (round % 2) decodetest::PutU16(page, 12, static_cast<uint16_t>(random() % 40));
    UsePage(page);
    for (int slot = 0; slot < 40; ++slot) Read(slot);
  }
}

TEST_F(RowReaderTest, FetchesPagesOfHundredRows) {
  std::vector<Bytes> pages;
  int id = 0;
  for (int rowsOnPage : {90, 90, 70}) {
    std::vector<Bytes> rows;
    for (int i = 0; i < rowsOnPage; ++i, ++id) rows.push_back(PersonRow(id, "p", true));
    pages.push_back(decodetest::DataPage(kTablePage, rows));
  }
  UseDataPages(pages);
  table.rowCount = 250;
  std::vector<std::string> first = Fetch(), second = Fetch(), third = Fetch();
  ASSERT_EQ(first.size(), 100u);
  ASSERT_EQ(second.size(), 100u);
  ASSERT_EQ(third.size(), 50u);
  EXPECT_EQ(first[0], PersonText(0, "p", true));
  EXPECT_EQ(second[0], PersonText(100, "p", true));
  EXPECT_EQ(third[49], PersonText(249, "p", true));
  EXPECT_TRUE(Fetch().empty());
}

TEST_F(RowReaderTest, FetchReplacesDroppedRowsWithLaterOnes) {
  std::vector<Bytes> rows;
  for (int i = 0; i < 150; ++i) rows.push_back(i == 9 ? EncodeRow({0, {}, {}, {}}) : PersonRow(i, "p", true));
  UseDataPages({decodetest::DataPage(kTablePage, std::vector<Bytes>(rows.begin(), rows.begin() + 75)),
                decodetest::DataPage(kTablePage, std::vector<Bytes>(rows.begin() + 75, rows.end()))});
  table.rowCount = 150;
  std::vector<std::string> first = Fetch();
  ASSERT_EQ(first.size(), 100u);
  EXPECT_EQ(first[9], PersonText(10, "p", true));
  EXPECT_EQ(first[99], PersonText(100, "p", true));
  EXPECT_EQ(Fetch().size(), 49u);
}

TEST_F(RowReaderTest, DroppedSlotsCostTheTableNoRows) {
  // 250 live rows counted by the definition, and 30 deleted slots among them.
  std::vector<std::vector<Bytes>> pages(3);
  std::vector<std::vector<uint16_t>> flags(3);
  int id = 0;
  for (int slot = 0; slot < 280; ++slot) {
    bool deleted = slot % 9 == 4 && slot / 9 < 30;
    pages[static_cast<size_t>(slot / 95)].push_back(PersonRow(deleted ? -1 : id++, "p", true));
    flags[static_cast<size_t>(slot / 95)].push_back(deleted ? 0xC000 : 0);
  }
  UseDataPages({decodetest::DataPage(kTablePage, pages[0], flags[0]), decodetest::DataPage(kTablePage, pages[1], flags[1]),
                decodetest::DataPage(kTablePage, pages[2], flags[2])});
  table.rowCount = 250;
  std::vector<std::string> first = Fetch(), second = Fetch(), third = Fetch();
  ASSERT_EQ(first.size(), 100u);
  ASSERT_EQ(second.size(), 100u);
  ASSERT_EQ(third.size(), 50u);
  EXPECT_EQ(second[0], PersonText(100, "p", true));
  EXPECT_EQ(third[49], PersonText(249, "p", true));
}

// The record browser's jump: the row index locates page k's first row where
// k - 1 fetches from the start leave the cursor, deleted slots and a page
// without rows on the way included.
TEST_F(RowReaderTest, IndexLocatesEveryPageWherePagingReachesIt) {
  std::vector<std::vector<Bytes>> pages(4);
  std::vector<std::vector<uint16_t>> flags(4);
  int id = 0;
  for (int slot = 0; slot < 280; ++slot) {
    bool deleted = slot % 9 == 4 && slot / 9 < 30;
    size_t page = slot < 95 ? 0 : slot / 95 + 1;  // page 1 stays empty
    pages[page].push_back(PersonRow(deleted ? -1 : id++, "p", true));
    flags[page].push_back(deleted ? 0xC000 : 0);
  }
  std::vector<Bytes> dataPages;
  for (size_t p = 0; p < pages.size(); ++p) dataPages.push_back(decodetest::DataPage(kTablePage, pages[p], flags[p]));
  UseDataPages(dataPages);
  table.rowCount = 250;

  RowPageIndex index;
  index.Build(db, table);
  ASSERT_TRUE(index.built());
  EXPECT_EQ(index.liveRows(), 250);
  RowPosition position;
  EXPECT_FALSE(index.Locate(db, table, 250, position));

  std::vector<std::vector<std::string>> paged;
  cursor = RowCursor{};
  for (int k = 0; k < 3; ++k) paged.push_back(Fetch());
  for (int k = 0; k < 3; ++k) {
    ASSERT_TRUE(index.Locate(db, table, 100 * k, position));
    EXPECT_EQ(position.row, 100 * k);
    cursor = RowCursor{static_cast<int32_t>(position.row), position.slot, position.dataPageIndex};
    EXPECT_EQ(Fetch(), paged[static_cast<size_t>(k)]) << "page " << k + 1;
  }
  EXPECT_EQ(paged[2].back(), PersonText(249, "p", true));
}

TEST_F(RowReaderTest, FetchEndsWithThePagesWhateverTheRowCount) {
  UseDataPages({decodetest::DataPage(kTablePage, {PersonRow(1, "a", true), PersonRow(2, "b", true)})});
  table.rowCount = 2000000000;
  EXPECT_EQ(Fetch().size(), 2u);
  EXPECT_TRUE(Fetch().empty());
}

TEST_F(RowReaderTest, FetchTopsUpFirstPageWhenRowCountIsTooSmall) {
  std::vector<Bytes> first, second;
  for (int i = 0; i < 5; ++i) first.push_back(PersonRow(i, "a", true));
  for (int i = 5; i < 10; ++i) second.push_back(PersonRow(i, "b", true));
  UseDataPages({decodetest::DataPage(kTablePage, first), decodetest::DataPage(kTablePage, second)});
  table.rowCount = 3;
  // Three rows as counted, then the rest of the page and the next page's
  // first row.
  std::vector<std::string> rows = Fetch();
  ASSERT_EQ(rows.size(), 6u);
  EXPECT_EQ(rows[5], PersonText(5, "b", true));
  EXPECT_EQ(table.rowCount, 6);
}

TEST_F(RowReaderTest, TableWithoutDataPagesFetchesNothing) {
  std::vector<std::string> texts(100);
  EXPECT_EQ(FetchRowPage(decoder, table, cursor, texts), -1);
  TableRowWalk walk(decoder, table);
  std::string out;
  EXPECT_EQ(walk.Next(out), 0);
}

// A moved row: its old slot holds a 0x4000 pointer, the row itself sits in a
// 0x8000 slot on another page. Deleted rows carry both bits.
TEST_F(RowReaderTest, EveryLiveRowComesOnceThroughMovesAndDeletes) {
  Bytes pointer = {0, 4, 0, 0};  // row 0 of page 4, the second data page
  UseDataPages({decodetest::DataPage(kTablePage, {PersonRow(1, "a", true), pointer, PersonRow(3, "c", true)},
                                     {0, 0x4000, 0xC000}),
                decodetest::DataPage(kTablePage, {PersonRow(2, "moved", true)}, {0x8000}),
                decodetest::DataPage(kTablePage, {}),
                decodetest::DataPage(kTablePage, {PersonRow(4, "d", false)})});
  table.rowCount = 3;

  TableRowWalk walk(decoder, table);
  std::vector<std::string> walked;
  std::string out;
  while (walk.Next(out) == 1) walked.push_back(out);
  EXPECT_EQ(walked, (std::vector<std::string>{PersonText(1, "a", true), PersonText(2, "moved", true),
                                              PersonText(4, "d", false)}));
  EXPECT_EQ(walk.cursor().nextRow, 3);

  cursor = RowCursor{};
  EXPECT_EQ(Fetch(), walked);
}

TEST_F(RowReaderTest, StopRequestEndsTheWalk) {
  UseDataPages({decodetest::DataPage(kTablePage, {PersonRow(1, "a", true)})});
  table.rowCount = 1;
  session.progress.RequestStop();
  std::vector<std::string> texts(100);
  EXPECT_EQ(FetchRowPage(decoder, table, cursor, texts), -1);
  TableRowWalk walk(decoder, table);
  std::string out;
  EXPECT_EQ(walk.Next(out), -1);
}

}  // namespace
