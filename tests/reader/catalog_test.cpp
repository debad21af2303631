// Catalog rows, and the pass that names unnamed tables and keeps only user
// tables.
#include <gtest/gtest.h>

#include "reader/catalog.h"
#include "reader/property_blob.h"
#include "reader/recovery_naming.h"
#include "tests/reader/page_image.h"
#include "tests/support/property_blob.h"

namespace readertest {
namespace {

Bytes CatalogPage(const std::vector<PageImage::CatalogRow>& rows) {
  PageImage image(3);
  image.PutCatalogPage(2, rows);
  return Bytes(image.Page(2), image.Page(2) + 4096);
}

TEST(ReadCatalogPage, ReadsIdTypeFlagsAndNameOfEveryRowInSlotOrder) {
  Bytes page = CatalogPage({{257, 1, Ucs2("Customers")},
                            {0x0F000001, 3, Ucs2("Tables"), 0, 0x80000000},
                            {300, 0x8001, Ucs2(std::string("Big\0\0", 5)), 0, 0x800A0000}});
  auto rows = ReadCatalogPage(page, kJet4Layout, TextDecoder(), 3);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].definitionPage, 257);
  EXPECT_EQ(rows[0].objectType, 1);
  EXPECT_EQ(rows[0].name, "Customers");
  EXPECT_EQ(rows[0].flags, 0u);
  EXPECT_EQ(rows[1].objectType, 3);
  EXPECT_EQ(rows[1].flags, 0x80000000u);
  EXPECT_EQ(rows[2].objectType, 1);  // only the low seven bits count
  EXPECT_EQ(rows[2].name, "Big");    // trailing NULs dropped
  EXPECT_EQ(rows[2].flags, 0x800A0000u);
}

TEST(ReadCatalogPage, NamesAreDecodedInBothStoredForms) {
  Bytes page = CatalogPage({{50, 1, Ucs2("Ελληνικά 漢字 😀")}, {51, 1, Bytes{0xFF, 0xFE, 'P', 'r', 0xE9, 's'}}});
  auto rows = ReadCatalogPage(page, kJet4Layout, TextDecoder(), 2);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].name, "Ελληνικά 漢字 😀");
  EXPECT_EQ(rows[1].name, "Prés");
}

TEST(ReadCatalogPage, ReadsRowsMarkedDeletedLikeTheOthers) {
  Bytes page = CatalogPage({{40, 1, Ucs2("Gone"), 0xC000}});
  auto rows = ReadCatalogPage(page, kJet4Layout, TextDecoder(), 1);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].name, "Gone");
}

TEST(ReadCatalogPage, SkipsRowsItCannotRead) {
  Bytes page = CatalogPage({{-5, 1, Ucs2("NegativeId")},
                            {41, 1, Bytes{}},
                            {42, 1, Ucs2(std::string(257, 'x'))},  // 514 bytes of name
                            {43, 1, Ucs2(std::string(256, 'y'))},  // 512 bytes: still taken
                            {44, 1, Ucs2("Fine")}});
  auto rows = ReadCatalogPage(page, kJet4Layout, TextDecoder(), 5);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].definitionPage, 43);
  EXPECT_EQ(rows[0].name, std::string(256, 'y'));
  EXPECT_EQ(rows[1].name, "Fine");
}

TEST(ReadCatalogPage, SkipsRowsTooShortOrOutsideThePage) {
  auto withSlot = [](int r, int delta) {
    Bytes page = CatalogPage({{50, 1, Ucs2("A")}, {51, 1, Ucs2("B")}, {52, 1, Ucs2("C")}});
    int value = (page[14 + 2 * r] | page[15 + 2 * r] << 8) + delta;
    page[14 + 2 * r] = static_cast<uint8_t>(value);
    page[15 + 2 * r] = static_cast<uint8_t>(value >> 8);
    std::vector<std::string> names;
    for (const auto& row : ReadCatalogPage(page, kJet4Layout, TextDecoder(), 3)) names.push_back(row.name);
    return names;
  };
  EXPECT_EQ(withSlot(2, 0), (std::vector<std::string>{"A", "B", "C"}));
  // A third row starting 22 bytes before its end is too short to hold a name.
  EXPECT_EQ(withSlot(2, 24), (std::vector<std::string>{"A", "B"}));
  // A second row starting past the page also spoils the end of the third.
  EXPECT_EQ(withSlot(1, 0x1000), (std::vector<std::string>{"A"}));
  EXPECT_TRUE(ReadCatalogPage(CatalogPage({{50, 1, Ucs2("A")}}), kJet4Layout, TextDecoder(), 0).empty());
  EXPECT_TRUE(ReadCatalogPage(CatalogPage({{50, 1, Ucs2("A")}}), kJet4Layout, TextDecoder(), -3).empty());
}

TEST(ReadCatalogPage, NeverReadsOutsideThePageWhateverTheSlotsHold) {
  Bytes page(4096, 0xFF);
  page[0] = 1;
  EXPECT_TRUE(ReadCatalogPage(page, kJet4Layout, TextDecoder(), 2000).empty());
  for (size_t i = 14; i < 4096; i += 2) page[i] = static_cast<uint8_t>(i * 7);
  ReadCatalogPage(page, kJet4Layout, TextDecoder(), 2041);  // must simply come back
}

std::unique_ptr<TableDef> Table(int page, const std::string& name, int objectType) {
  auto t = std::make_unique<TableDef>();
  t->definitionPage = page;
  t->name = name;
  t->objectType = objectType;
  return t;
}

std::vector<std::string> Names(const TableList& tables) {
  std::vector<std::string> names;
  for (const auto& t : tables) names.push_back(t->name);
  return names;
}

TEST(NameRecoveredTablesAndFilter, NumbersUnnamedTablesFromTheEnd) {
  TableList tables;
  tables.push_back(Table(10, ProvisionalTableName(1, 10), 78));
  tables.push_back(Table(25, "Orders", 1));
  tables.push_back(Table(40, ProvisionalTableName(3, 40), 78));
  tables.push_back(Table(90, ProvisionalTableName(4, 90), 78));
  EXPECT_EQ(NameRecoveredTablesAndFilter(tables), 3);
  EXPECT_EQ(Names(tables),
            (std::vector<std::string>{"Recovered Table 03", "Orders", "Recovered Table 02", "Recovered Table 01"}));
  for (const auto& t : tables) EXPECT_EQ(t->objectType, 1);
}

TEST(NameRecoveredTablesAndFilter, KeepsTablesOnlyAndMarksTheSystemOnes) {
  TableList tables;
  tables.push_back(Table(10, "Query1", 5));
  tables.push_back(Table(11, "MSysAccessObjects", 1));
  tables.push_back(Table(12, "msysLower", 1));
  tables.push_back(Table(13, "MSys", 1));
  tables.push_back(Table(14, "MSy", 1));
  tables.push_back(Table(15, "Linked", 6));
  tables.push_back(Table(16, "Recovered Table 07", 5));  // looks recovered: renumbered and kept
  tables.push_back(Table(17, "f_0A1B_Data", 1));
  tables.back()->catalogFlags = 0x800A0000;
  tables.push_back(Table(18, "NavPane", 1));
  tables.back()->catalogFlags = 0x2;
  tables.push_back(Table(19, "HiddenByUser", 1));
  tables.back()->catalogFlags = 0x8;
  tables.push_back(Table(20, ProvisionalTableName(11, 20), 83));
  tables.back()->system = true;  // its definition says so
  EXPECT_EQ(NameRecoveredTablesAndFilter(tables), 1);
  EXPECT_EQ(Names(tables), (std::vector<std::string>{"MSysAccessObjects", "msysLower", "MSys", "MSy",
                                                     "Recovered Table 01", "f_0A1B_Data", "NavPane",
                                                     "HiddenByUser", "Recovered System Table 01"}));
  std::vector<std::string> system;
  for (const auto& t : tables)
    if (t->system) system.push_back(t->name);
  EXPECT_EQ(system, (std::vector<std::string>{"MSysAccessObjects", "MSys", "f_0A1B_Data", "NavPane",
                                              "Recovered System Table 01"}));
}

TEST(NameRecoveredTablesAndFilter, NumbersPast99WithThreeDigits) {
  TableList tables;
  for (int i = 0; i < 101; ++i) tables.push_back(Table(10 + i, ProvisionalTableName(i + 1, 10 + i), 78));
  EXPECT_EQ(NameRecoveredTablesAndFilter(tables), 101);
  EXPECT_EQ(tables.front()->name, "Recovered Table 101");
  EXPECT_EQ(tables.back()->name, "Recovered Table 01");
}

// The properties a table's catalog row keeps, whole and cut anywhere: a
// cut blob keeps what was read before the cut, and nothing is read past it.
TEST(ParsePropertyBlob, ReadsTableAndColumnPropertiesAndSurvivesAnyCut) {
  testdb::Table table{.name = "T",
                      .columns = {{.name = "Id"}, {.name = "Twice", .type = ColumnType::Numeric, .scale = 2}},
                      .properties = {{"", "Description", "Every order"}, {"Id", "Required", true},
                                     {"Id", "DefaultValue", "0"}, {"Id", "Caption", int64_t{-7}}}};
  table.columns[1].calculated = true;
  table.columns[1].expression = "[Id]*2";
  const std::vector<uint8_t> blob = testdb::TablePropertyBlob(table);

  ObjectProperties properties;
  const TextDecoder cyrillic(JetLayout::TextStorage::CodePage, 1251);
  ASSERT_TRUE(ParsePropertyBlob(blob, properties, &cyrillic));
  ASSERT_NE(properties.object.Find("description"), nullptr);
  EXPECT_EQ(properties.object.Find("DESCRIPTION")->Text(), "Every order");
  const PropertyMap* id = properties.Column("id");
  ASSERT_NE(id, nullptr);
  EXPECT_EQ(id->Find("Required")->Integer(), 1);
  EXPECT_EQ(id->Find("DefaultValue")->Text(), "0");
  EXPECT_EQ(id->Find("Caption")->Integer(), -7);
  const PropertyMap* twice = properties.Column("Twice");
  ASSERT_NE(twice, nullptr);
  EXPECT_EQ(twice->Find("ResultType")->Integer(), 16);
  EXPECT_EQ(twice->Find("Expression")->Text(), "[Id]*2");

  for (size_t cut = 0; cut < blob.size(); ++cut) {
    std::vector<uint8_t> part(blob.begin(), blob.begin() + static_cast<std::ptrdiff_t>(cut));
    EXPECT_EQ(ParsePropertyBlob(part, properties), cut >= 4) << cut;
    EXPECT_LE(properties.object.size() + properties.columns.size(), 3u);
  }
  std::vector<uint8_t> wrong = blob;
  wrong[0] = 'X';
  EXPECT_FALSE(ParsePropertyBlob(wrong, properties));
  EXPECT_TRUE(properties.empty());
  // Lengths that claim more than there is.
  for (size_t at : {4u, 10u, 20u}) {
    std::vector<uint8_t> bad = blob;
    bad[at] = 0xFF;
    bad[at + 1] = 0xFF;
    EXPECT_TRUE(ParsePropertyBlob(bad, properties));
  }

  // An Access 97 blob: the column's name and its description in the
  // file's code page (1251: C0 'А', C1 'Б'), not Latin-1.
  std::vector<uint8_t> jet3 = {'K', 'K', 'D', 0, 19, 0, 0, 0, 0x80, 0, 11, 0};
  for (char c : std::string("Description")) jet3.push_back(static_cast<uint8_t>(c));
  for (uint8_t b : {22, 0, 0, 0, 1, 0, 7, 0, 0, 0, 1, 0, 0xC0, 9, 0, 0, 10, 0, 0, 1, 0, 0xC1}) jet3.push_back(b);
  ASSERT_TRUE(ParsePropertyBlob(jet3, properties, &cyrillic));
  ASSERT_NE(properties.Column("\u0410"), nullptr);
  EXPECT_EQ(properties.Column("\u0410")->Find("Description")->Text(), "\u0411");
}

TEST(ProvisionalTableName, CarriesPositionAndPage) {
  EXPECT_EQ(ProvisionalTableName(3, 57), "Recovered Table 0003-0057");
  EXPECT_EQ(ProvisionalTableName(12, 123456), "Recovered Table 0012-123456");
}

}  // namespace
}  // namespace readertest
