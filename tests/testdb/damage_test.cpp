// Damage applied to written files hits exactly what it names, and is the
// same for the same seed.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/test_db_damage.h"
#include "tests/support/test_db_presets.h"
#include "tests/support/test_env.h"
#include "tests/testdb/reader_oracles.h"

namespace {

constexpr size_t kPage = 4096;

class DamageTest : public testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.File("sample.mdb");
    layout_ = testdb::WritePreset("sample", {}, path_);
    ASSERT_TRUE(layout_.ok) << layout_.error;
    original_ = testenv::ReadFile(path_);
  }
  std::string Page(const std::string& bytes, uint32_t page) const { return bytes.substr(page * kPage, kPage); }
  // Pages whose bytes differ from the original file.
  std::vector<uint32_t> ChangedPages() const {
    std::string now = testenv::ReadFile(path_);
    std::vector<uint32_t> changed;
    for (uint32_t p = 0; p < original_.size() / kPage; ++p)
      if (Page(now, p) != Page(original_, p)) changed.push_back(p);
    return changed;
  }

  testenv::ScratchDir dir_;
  std::string path_;
  testdb::Layout layout_;
  std::string original_;
};

TEST_F(DamageTest, ZeroAndGarbleTouchOnlyTheGivenPages) {
  ASSERT_TRUE(testdb::ZeroPages(path_, {7, 9}));
  EXPECT_EQ(ChangedPages(), (std::vector<uint32_t>{7, 9}));
  EXPECT_EQ(Page(testenv::ReadFile(path_), 9), std::string(kPage, '\0'));

  ASSERT_TRUE(testdb::GarblePages(path_, {11}, 42));
  std::string first = Page(testenv::ReadFile(path_), 11);
  ASSERT_TRUE(testdb::GarblePages(path_, {11}, 42));
  EXPECT_EQ(Page(testenv::ReadFile(path_), 11), first);
  ASSERT_TRUE(testdb::GarblePages(path_, {11}, 43));
  EXPECT_NE(Page(testenv::ReadFile(path_), 11), first);
  EXPECT_EQ(ChangedPages(), (std::vector<uint32_t>{7, 9, 11}));
}

TEST_F(DamageTest, PercentDamageHitsThatShareOfPagesAfterTheFirstOnes) {
  std::vector<uint32_t> hit = testdb::DamagePercent(path_, 25, 5, true);
  uint32_t candidates = layout_.pageCount - 6;
  EXPECT_EQ(hit.size(), static_cast<size_t>(candidates * 0.25 + 0.5));
  EXPECT_GE(hit.front(), 6u);
  EXPECT_TRUE(std::is_sorted(hit.begin(), hit.end()));
  EXPECT_EQ(ChangedPages(), hit);

  std::string other = dir_.File("other.mdb");
  ASSERT_TRUE(testdb::WritePreset("sample", {}, other).ok);
  EXPECT_EQ(testdb::DamagePercent(other, 25, 5, true), hit);
  EXPECT_EQ(testenv::ReadFile(other), testenv::ReadFile(path_));
}

TEST_F(DamageTest, LostCatalogRowsLeaveNoTraceOfTheName) {
  ASSERT_TRUE(testdb::LoseCatalogRows(path_, layout_, {"Products", "Employees"}));
  std::string now = testenv::ReadFile(path_);
  std::string catalog;
  for (uint32_t p : layout_.catalogDataPages) catalog += Page(now, p);
  auto ucs2 = [](const std::string& s) {
    std::vector<uint8_t> b = testdb::Ucs2(s);
    return std::string(b.begin(), b.end());
  };
  EXPECT_EQ(catalog.find(ucs2("Products")), std::string::npos);
  EXPECT_EQ(catalog.find(ucs2("Employees")), std::string::npos);
  EXPECT_NE(catalog.find(ucs2("Customers")), std::string::npos);
  EXPECT_EQ(ChangedPages(), layout_.catalogDataPages);

  for (oracle::Reader reader : {oracle::Reader::Mdbtools, oracle::Reader::MdbReader}) {
    if (!oracle::Unavailable(reader).empty()) continue;
    oracle::ReadDatabase read = oracle::Read(reader, path_);
    ASSERT_TRUE(read.ok) << read.error;
    EXPECT_EQ(read.tables, (std::vector<std::string>{"Customers", "Orders"})) << oracle::ReaderName(reader);
  }
}

TEST_F(DamageTest, BreakingAChainRewritesOnlyTheNextPointer) {
  uint32_t head = layout_.Find("Orders")->definitionPages[0];
  ASSERT_TRUE(testdb::BreakDefinitionChain(path_, layout_, "Orders", 0x01020304));
  std::string now = testenv::ReadFile(path_);
  EXPECT_EQ(now.substr(head * kPage + 4, 4), std::string("\x04\x03\x02\x01", 4));
  EXPECT_EQ(ChangedPages(), (std::vector<uint32_t>{head}));
}

TEST_F(DamageTest, TruncateAndFlipChangeExactlyWhatTheySay) {
  ASSERT_TRUE(testdb::FlipBits(path_, {{kPage * 7 + 100, 3}, {kPage * 7 + 101, 0}}));
  std::string now = testenv::ReadFile(path_);
  EXPECT_EQ(now[kPage * 7 + 100] ^ original_[kPage * 7 + 100], 0x08);
  EXPECT_EQ(now[kPage * 7 + 101] ^ original_[kPage * 7 + 101], 0x01);
  EXPECT_EQ(ChangedPages(), (std::vector<uint32_t>{7}));

  ASSERT_TRUE(testdb::TruncateFile(path_, 5 * kPage + 100));
  EXPECT_EQ(std::filesystem::file_size(path_), 5 * kPage + 100);
}

TEST_F(DamageTest, TargetsOutsideTheFileAreRefused) {
  std::string missing = dir_.File("missing.mdb");
  EXPECT_FALSE(testdb::ZeroPages(missing, {1}));
  EXPECT_FALSE(testdb::ZeroPages(path_, {layout_.pageCount}));
  EXPECT_FALSE(testdb::FlipBits(path_, {{original_.size(), 0}}));
  EXPECT_FALSE(testdb::FlipBits(path_, {{0, 8}}));
  EXPECT_FALSE(testdb::LoseCatalogRows(path_, layout_, {"NoSuchTable"}));
  EXPECT_FALSE(testdb::BreakDefinitionChain(path_, layout_, "NoSuchTable"));
  EXPECT_FALSE(testdb::TruncateFile(missing, 0));
  EXPECT_TRUE(testdb::DamagePercent(missing, 10, 1, false).empty());
  EXPECT_EQ(testenv::ReadFile(path_), original_);
}

}  // namespace
