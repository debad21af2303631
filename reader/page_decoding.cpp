#include "reader/page_decoding.h"

#include <memory>
#include <optional>
#include <vector>

#include "format/encryption_info.h"
#include "format/office_codecs.h"
#include "platform/dialogs.h"
#include "reader/database_header.h"
#include "reader/mdb_file.h"
#include "reader/page_scan.h"

namespace {

constexpr int32_t kFirstAceVersion = 2;  // Access 2007

// Pages 1 to 8 that carry a Jet page type, as stored or decoded by codec.
int PagesWithJetTypes(const MdbFile& db, const PageCodec* codec) {
  constexpr int64_t kPagesTried = 8;
  const int64_t pageSize = db.PageSize();
  std::vector<uint8_t> page(static_cast<size_t>(pageSize));
  int count = 0;
  for (int64_t p = 1; p <= kPagesTried; ++p) {
    if (db.ReadBytes(page.data(), page.size(), p * pageSize) <= 0) break;
    if (codec != nullptr) codec->DecodePage(static_cast<uint32_t>(p), page);
    count += CarriesJetPageType(page, db.Layout());
  }
  return count;
}

void UseEncryption(MdbFile& db, PageEncryption encryption, std::unique_ptr<const PageCodec> codec) {
  FormatInfo format = db.Format();
  format.encryption = encryption;
  db.UseFormat(format);
  db.UseCodec(std::move(codec));
}

PageEncryption EncryptionOf(OfficeScheme scheme) {
  switch (scheme) {
    case OfficeScheme::Rc4CryptoApi: return PageEncryption::Rc4CryptoApi;
    case OfficeScheme::AesStandard:
    case OfficeScheme::AesNonStandard: return PageEncryption::AesStandard;
    case OfficeScheme::Agile: return PageEncryption::Agile;
  }
  return PageEncryption::Agile;
}

}  // namespace

std::string ChoosePageDecoding(MdbFile& db, const DatabaseHeader& header, ByteSpan headerPage,
                               platform::Dialogs& dialogs) {
  if (header.databaseKey == 0) return {};
  if (header.version < kFirstAceVersion) {
    auto codec = std::make_unique<JetPageKeyCodec>(header.databaseKey);
    if (PagesWithJetTypes(db, codec.get()) > PagesWithJetTypes(db, nullptr))
      UseEncryption(db, PageEncryption::JetPageKey, std::move(codec));
    return {};
  }

  EncryptionInfoRead read = ReadEncryptionInfo(headerPage);
  if (read.status != EncryptionInfoRead::Status::Read) {
    // Pages that read as stored despite a key and no description of the
    // encryption: the header's key itself was hit, not the pages.
    constexpr int kPlainPages = 2;
    if (read.status == EncryptionInfoRead::Status::Damaged && PagesWithJetTypes(db, nullptr) >= kPlainPages)
      return {};
    return "This database is encrypted, but its encryption cannot be read: " + read.problem + ".";
  }
  std::optional<std::string> password = db.Password();
  std::string prompt = kPasswordNeededText;
  while (true) {
    if (!password) password = dialogs.AskPassword(db.FileName(), prompt);
    if (!password) return prompt;
    if (auto codec = OpenOfficeCodec(read.info, header.databaseKey, *password)) {
      UseEncryption(db, EncryptionOf(read.info.scheme), std::move(codec));
      return {};
    }
    password.reset();
    prompt = kPasswordWrongText;
  }
}
