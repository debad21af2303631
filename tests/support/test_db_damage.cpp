#include "tests/support/test_db_damage.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "tests/support/page_file.h"

namespace testdb {
namespace {

// Reads and writes single pages or bytes of an existing file in place, in
// the layout its header's version byte names (Jet 4 when it names none).
class FileEditor {
 public:
  explicit FileEditor(const std::string& path) : file_(path, std::ios::in | std::ios::out | std::ios::binary) {
    std::error_code ec;
    uint64_t size = std::filesystem::file_size(path, ec);
    if (ec) file_.close();
    else size_ = size;
    uint8_t version = 0xFF;
    if (ok() && Read(JetHeader::kVersionOffset, &version, 1) && version == kJet3Layout.headerVersion)
      layout_ = &kJet3Layout;
  }
  bool ok() const { return file_.is_open() && file_.good(); }
  const JetLayout& layout() const { return *layout_; }
  size_t pageSize() const { return static_cast<size_t>(layout_->pageSize); }
  uint32_t pageCount() const { return static_cast<uint32_t>(size_ / pageSize()); }
  bool Read(uint64_t offset, uint8_t* bytes, size_t n) {
    if (offset + n > size_) return false;
    file_.seekg(static_cast<std::streamoff>(offset));
    return static_cast<bool>(file_.read(reinterpret_cast<char*>(bytes), static_cast<std::streamsize>(n)));
  }
  bool Write(uint64_t offset, const uint8_t* bytes, size_t n) {
    if (offset + n > size_) return false;
    file_.seekp(static_cast<std::streamoff>(offset));
    return static_cast<bool>(file_.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(n)));
  }
  bool Read(uint32_t page, Page& bytes) { return Read(uint64_t{page} * pageSize(), bytes.data(), pageSize()); }
  bool Write(uint32_t page, const Page& bytes) { return Write(uint64_t{page} * pageSize(), bytes.data(), pageSize()); }

 private:
  std::fstream file_;
  uint64_t size_ = 0;
  const JetLayout* layout_ = &kJet4Layout;
};

bool OverwritePages(const std::string& path, const std::vector<uint32_t>& pages, std::mt19937_64* garble) {
  FileEditor file(path);
  if (!file.ok()) return false;
  for (uint32_t p : pages) {
    Page page{};
    if (garble)
      for (uint8_t& b : page) b = static_cast<uint8_t>((*garble)());
    if (!file.Write(p, page)) return false;
  }
  return true;
}

}  // namespace

bool ZeroPages(const std::string& path, const std::vector<uint32_t>& pages) {
  return OverwritePages(path, pages, nullptr);
}

bool GarblePages(const std::string& path, const std::vector<uint32_t>& pages, uint64_t seed) {
  std::mt19937_64 random(seed);
  return OverwritePages(path, pages, &random);
}

bool ScrambleRows(const std::string& path, const std::vector<uint32_t>& pages, uint64_t seed) {
  std::mt19937_64 random(seed);
  FileEditor file(path);
  const size_t headerBytes = static_cast<size_t>(file.layout().rowOffsetTable);
  for (uint32_t p : pages) {
    Page page;
    if (!file.ok() || !file.Read(p, page)) return false;
    for (size_t i = headerBytes; i < file.pageSize(); ++i) page[i] = static_cast<uint8_t>(random());
    if (!file.Write(p, page)) return false;
  }
  return true;
}

std::vector<uint32_t> DamagePercent(const std::string& path, double percent, uint64_t seed, bool garble,
                                    uint32_t firstPage) {
  uint32_t pageCount = FileEditor(path).pageCount();
  if (pageCount <= firstPage) return {};
  std::vector<uint32_t> candidates;
  for (uint32_t p = firstPage; p < pageCount; ++p) candidates.push_back(p);
  std::mt19937_64 random(seed);
  std::shuffle(candidates.begin(), candidates.end(), random);
  size_t hit = static_cast<size_t>(candidates.size() * std::clamp(percent, 0.0, 100.0) / 100.0 + 0.5);
  candidates.resize(hit);
  std::sort(candidates.begin(), candidates.end());
  bool done = garble ? GarblePages(path, candidates, random()) : ZeroPages(path, candidates);
  return done ? candidates : std::vector<uint32_t>{};
}

bool LoseCatalogRows(const std::string& path, const Layout& layout, const std::vector<std::string>& tables) {
  for (const std::string& name : tables)
    if (!layout.Find(name)) return false;
  std::vector<const TableLayout*> chosen;
  for (const TableLayout& t : layout.tables)
    if (tables.empty() || std::find(tables.begin(), tables.end(), t.name) != tables.end()) chosen.push_back(&t);
  FileEditor file(path);
  if (!file.ok()) return false;
  for (const TableLayout* t : chosen) {
    Page page;
    if (!file.Read(t->catalogRow.page, page)) return false;
    int row = t->catalogRow.row;
    size_t slot = static_cast<size_t>(file.layout().rowOffsetTable) + 2 * static_cast<size_t>(row);
    uint16_t start = static_cast<uint16_t>((page[slot] | page[slot + 1] << 8) & 0x1FFF);
    uint16_t end = row == 0 ? static_cast<uint16_t>(file.pageSize())
                            : static_cast<uint16_t>((page[slot - 2] | page[slot - 1] << 8) & 0x1FFF);
    std::fill(page.begin() + start, page.begin() + end, 0);
    PutU16(&page[slot], start | 0xC000);
    if (!file.Write(t->catalogRow.page, page)) return false;
  }
  return true;
}

bool BreakDefinitionChain(const std::string& path, const Layout& layout, const std::string& table, uint32_t next) {
  const TableLayout* t = layout.Find(table);
  if (!t || t->definitionPages.empty()) return false;
  FileEditor file(path);
  uint8_t pointer[4];
  PutU32(pointer, next);
  return file.ok() && file.Write(uint64_t{t->definitionPages[0]} * file.pageSize() + 4, pointer, 4);
}

bool TruncateFile(const std::string& path, uint64_t bytes) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return false;
  std::filesystem::resize_file(path, bytes, ec);
  return !ec;
}

namespace {

std::string Generated(uint64_t count, uint64_t seed) {
  std::string bytes(count, '\0');
  std::mt19937_64 random(seed);
  if (seed != 0)
    for (char& b : bytes) b = static_cast<char>(random());
  return bytes;
}

}  // namespace

bool InsertBytes(const std::string& path, uint64_t offset, uint64_t count, uint64_t seed) {
  std::string bytes;
  {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  if (offset > bytes.size()) return false;
  bytes.insert(offset, Generated(count, seed));
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  return static_cast<bool>(out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())));
}

bool OverwriteHead(const std::string& path, uint64_t count, uint64_t seed) {
  FileEditor file(path);
  std::string bytes = Generated(count, seed);
  return file.ok() && file.Write(0, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

bool FlipBits(const std::string& path, const std::vector<BitFlip>& flips) {
  FileEditor file(path);
  if (!file.ok()) return false;
  for (const BitFlip& f : flips) {
    uint8_t b;
    if (f.bit < 0 || f.bit > 7 || !file.Read(f.offset, &b, 1)) return false;
    b ^= static_cast<uint8_t>(1u << f.bit);
    if (!file.Write(f.offset, &b, 1)) return false;
  }
  return true;
}

}  // namespace testdb
