// Encrypted ACE databases: the password's way through the format check, and
// descriptions of the encryption that are damaged or hostile. The rows of
// each scheme are checked end to end by the command line's tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "format/jet_layout.h"
#include "format/rc4.h"
#include "reader/analysis.h"
#include "reader/mdb_file.h"
#include "reader/page_decoding.h"
#include "reader/table_listing.h"
#include "report/progress_channel.h"
#include "tests/reader/channel_responder.h"
#include "tests/reader/recording_dialogs.h"
#include "tests/support/page_file.h"
#include "tests/support/test_db_builder.h"
#include "tests/support/test_env.h"

namespace readertest {
namespace {

struct Session {
  ProgressChannel progress;
  RecordingDialogs dialogs;
  MdbFile db;
  bool Analyze(const std::string& path) {
    ChannelResponder watchers(progress);
    bool read = false;
    RunOrDie([&] { read = ::Analyze(db, path, progress, dialogs); });
    return read;
  }
  std::vector<std::string> UserTables() const {
    std::vector<std::string> names;
    for (const auto& t : db.tables)
      if (IsTableListed(*t, false)) names.push_back(t->name);
    return names;
  }
};

std::string WriteDatabase(const std::string& path, std::optional<testdb::OfficeEncryption> encryption) {
  testdb::DatabaseBuilder db;
  testdb::Table& t = db.AddTable("Secrets", {{"Id", ColumnType::Long}, {"Word", ColumnType::Text, 20}});
  t.rows = {{{1, "alpha"}}, {{2, "beta"}}};
  if (encryption) db.SetOfficeEncryption(*encryption);
  EXPECT_TRUE(db.Write(path).ok);
  return path;
}

testdb::OfficeEncryption Agile(std::string password) {
  testdb::OfficeEncryption e;
  e.password = std::move(password);
  return e;
}

TEST(EncryptedDatabase, TheDialogAsksAgainUntilThePasswordOpensIt) {
  testenv::ScratchDir dir;
  const std::string path = WriteDatabase(dir.File("a.accdb"), Agile("s3cret"));
  Session s;
  s.dialogs.passwords = {"wrong", "", std::string(10'000, 'x'), "S3cret", "s3cret"};
  ASSERT_TRUE(s.Analyze(path));
  EXPECT_EQ(s.dialogs.prompts, std::vector<std::string>({kPasswordNeededText, kPasswordWrongText, kPasswordWrongText,
                                                         kPasswordWrongText, kPasswordWrongText}));
  EXPECT_TRUE(s.dialogs.messages.empty());
  EXPECT_EQ(s.db.Format().encryption, PageEncryption::Agile);
  EXPECT_EQ(s.UserTables(), std::vector<std::string>{"Secrets"});
}

TEST(EncryptedDatabase, WithoutTheRightPasswordTheFileIsRefusedUnread) {
  testenv::ScratchDir dir;
  const std::string path = WriteDatabase(dir.File("a.accdb"), Agile("s3cret"));
  for (std::optional<std::string> given : {std::optional<std::string>{}, std::optional<std::string>{"wrong"}}) {
    Session s;
    s.db.SetPassword(given);
    EXPECT_FALSE(s.Analyze(path));
    const char* expected = given ? kPasswordWrongText : kPasswordNeededText;
    EXPECT_EQ(s.dialogs.prompts, std::vector<std::string>{expected});  // then cancelled
    EXPECT_EQ(s.dialogs.messages, std::vector<std::string>{expected});
    EXPECT_TRUE(s.progress.StopRequested());
    EXPECT_EQ(s.db.PageSize(), 0);
    EXPECT_TRUE(s.db.pages.empty());
    EXPECT_TRUE(s.db.tables.empty());
  }
}

// The description at 0x299 as text, changed in place, its length kept right.
void EditDescription(testdb::Page& header, const std::string& from, const std::string& to) {
  const size_t length = header[0x299] | header[0x29A] << 8;
  std::string text(reinterpret_cast<const char*>(&header[0x29B]), length);
  size_t at = text.find(from);
  ASSERT_NE(at, std::string::npos) << from;
  text.replace(at, from.size(), to);
  ASSERT_LE(0x29B + text.size(), header.size());
  testdb::PutU16(&header[0x299], static_cast<uint32_t>(text.size()));
  std::copy(text.begin(), text.end(), &header[0x29B]);
}

struct DamagedCase {
  const char* label;
  OfficeScheme scheme;
  std::function<void(testdb::Page&)> damage;
  const char* problem;  // after "...its encryption cannot be read: "
};
void PrintTo(const DamagedCase& c, std::ostream* os) { *os << c.label; }

class DamagedDescription : public ::testing::TestWithParam<DamagedCase> {};

TEST_P(DamagedDescription, RefusesTheFileWithTheReason) {
  const DamagedCase& c = GetParam();
  testenv::ScratchDir dir;
  testdb::OfficeEncryption encryption = Agile("pw");
  encryption.scheme = c.scheme;
  encryption.keyBits = c.scheme == OfficeScheme::Rc4CryptoApi ? 128 : 256;
  const std::string path = WriteDatabase(dir.File("a.accdb"), encryption);
  std::string bytes = testenv::ReadFile(path);
  testdb::Page header;
  std::copy_n(bytes.begin(), header.size(), header.begin());
  c.damage(header);
  std::copy(header.begin(), header.end(), bytes.begin());
  testenv::WriteFile(path, bytes);

  Session s;
  s.dialogs.passwords = {"pw"};
  EXPECT_FALSE(s.Analyze(path));
  EXPECT_TRUE(s.dialogs.prompts.empty());
  EXPECT_EQ(s.dialogs.messages,
            std::vector<std::string>{"This database is encrypted, but its encryption cannot be read: " +
                                     std::string(c.problem) + "."});
  EXPECT_TRUE(s.db.pages.empty());
}

void SetU32(testdb::Page& page, size_t at, uint32_t value) { testdb::PutU32(&page[at], value); }

INSTANTIATE_TEST_SUITE_P(
    Descriptions, DamagedDescription,
    ::testing::Values(
        DamagedCase{"AgileXmlCutShort", OfficeScheme::Agile, [](auto& p) { testdb::PutU16(&p[0x299], 400); },
                    "its XML has no password key"},
        DamagedCase{"AgileBadBase64", OfficeScheme::Agile,
                    [](auto& p) { EditDescription(p, "encryptedKeyValue=\"", "encryptedKeyValue=\"*"); },
                    "its password key has bad base64 in encryptedKeyValue"},
        DamagedCase{"AgileSpinCountAboveTheCap", OfficeScheme::Agile,
                    [](auto& p) { EditDescription(p, "spinCount=\"100000\"", "spinCount=\"10000001\""); },
                    "it asks for 10000001 password hash rounds, more than the 10,000,000 allowed"},
        DamagedCase{"AgileSpinCountPastAnyInteger", OfficeScheme::Agile,
                    [](auto& p) { EditDescription(p, "spinCount=\"100000\"", "spinCount=\"99999999999999999999\""); },
                    "its password key has spinCount \"99999999999999999999\""},
        DamagedCase{"AgileUnknownHash", OfficeScheme::Agile,
                    [](auto& p) { EditDescription(p, "SHA512", "MD5"); }, "the hash algorithm MD5 is not supported"},
        DamagedCase{"BinaryHeaderSizePastTheDescription", OfficeScheme::Rc4CryptoApi,
                    [](auto& p) { SetU32(p, 0x29B + 8, 0xFFFFFFF0); }, "its header size 4294967280 does not fit"},
        DamagedCase{"BinaryVerifierSaltSize", OfficeScheme::AesStandard,
                    [](auto& p) { SetU32(p, 0x29B + 12 + (p[0x29B + 8] | p[0x29B + 9] << 8), 4000); },
                    "a verifier salt of 4000 bytes"},
        DamagedCase{"LengthPastTheHeaderPage", OfficeScheme::Rc4CryptoApi,
                    [](auto& p) { testdb::PutU16(&p[0x299], 0xFFFF); }, "it runs past the header page"},
        DamagedCase{"ExtensibleEncryption", OfficeScheme::Rc4CryptoApi,
                    [](auto& p) { testdb::PutU16(&p[0x29B + 2], 3); }, "extensible encryption is not supported"}),
    [](const auto& info) { return std::string(info.param.label); });

// An ACE header with a database key over pages that read as stored: the
// key was hit, not the pages, which are read as they are.
TEST(EncryptedDatabase, AStrayKeyOverPlainPagesIsNotBelieved) {
  testenv::ScratchDir dir;
  const std::string path = WriteDatabase(dir.File("a.accdb"), std::nullopt);
  std::string bytes = testenv::ReadFile(path);
  auto* header = reinterpret_cast<uint8_t*>(bytes.data());
  header[JetHeader::kVersionOffset] = 3;
  std::span<uint8_t> area(header + JetHeader::kEncodedAreaOffset, JetHeader::kEncodedAreaSize);
  Rc4Apply(JetHeader::kEncodedAreaKey, area);
  testdb::PutU32(header + JetHeader::kDatabaseKeyOffset, 0xA1B2C3D4);
  Rc4Apply(JetHeader::kEncodedAreaKey, area);
  testenv::WriteFile(path, bytes);

  Session s;
  ASSERT_TRUE(s.Analyze(path));
  EXPECT_TRUE(s.dialogs.prompts.empty());
  EXPECT_EQ(s.db.Format().encryption, PageEncryption::None);
  EXPECT_EQ(s.UserTables(), std::vector<std::string>{"Secrets"});
}

TEST(EncryptedDatabase, TheCorpusFilesOpenWithTheirPasswords) {
  if (testenv::CorpusDir().empty()) GTEST_SKIP() << "no corpus";
  const struct {
    const char* file;
    const char* password;
    const char* table;
    int32_t rows;
  } files[] = {{"db2013-enc.accdb", "1234", "Customers", 7}, {"db2007-enc.accdb", "Test123", "Table1", 1}};
  for (const auto& f : files) {
    Session s;
    s.db.SetPassword(f.password);
    ASSERT_TRUE(s.Analyze(testenv::CorpusDir() + "/" + f.file)) << f.file;
    EXPECT_EQ(s.db.Format().encryption, PageEncryption::Agile);
    auto table = std::find_if(s.db.tables.begin(), s.db.tables.end(), [&](const auto& t) { return t->name == f.table; });
    ASSERT_NE(table, s.db.tables.end()) << f.file;
    EXPECT_EQ((*table)->rowCount, f.rows) << f.file;
  }
}

}  // namespace
}  // namespace readertest
