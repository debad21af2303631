// Hand-built Jet 4 files for the reader tests: a file of zero pages whose
// pages 1 to 5 carry the words the format check looks for, and helpers that
// write table definitions, catalog rows and data pages into it byte by byte.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace readertest {

using Bytes = std::vector<uint8_t>;

// UTF-8 to the two-byte form stored in definitions and catalog rows.
Bytes Ucs2(const std::string& text);

struct ColumnPlan {
  int type = 4;
  int number = 0;
  Bytes name;  // as stored; empty for a nameless column
  int length = 4;
  bool fixed = true;
  int fixedOffset = 0;
  int precision = 0;
  int scale = 0;
};
ColumnPlan Col(int type, int number, const std::string& name, int length = 4);

struct DefinitionPlan {
  std::vector<ColumnPlan> columns;
  int tableType = 78;
  int rowCount = 0;
  int realIndexCount = 0;
  int maxColumns = -1;    // -1: the column count
  int columnCount = -1;   // -1: the number of columns given
  int varColumnCount = 0;
  uint32_t usedMap = 0;   // row pointer to the used-pages map: row byte, then page
};

// The definition as one byte stream: header, real-index entries, column
// records, names.
Bytes DefinitionStream(const DefinitionPlan& plan);

class PageImage {
 public:
  explicit PageImage(int pageCount);

  uint8_t* Page(int page);
  void Put8(int page, int offset, uint8_t value);
  void Put16(int page, int offset, uint16_t value);
  void Put32(int page, int offset, uint32_t value);

  // Writes the definition stream over the given pages, the first page first,
  // each further page holding the next bytes from its offset 8 and linked
  // from the page before.
  void PutDefinition(const std::vector<int>& pages, const Bytes& stream);
  void PutDefinition(int page, const DefinitionPlan& plan) { PutDefinition({page}, DefinitionStream(plan)); }
  // A data page owned by `owner` with `rows` row slots (contents zero).
  void PutDataPage(int page, int owner, int rows = 0);
  // A catalog page (a data page owned by page 2) holding one row per entry.
  struct CatalogRow {
    int32_t id = 0;
    uint16_t type = 1;
    Bytes name;
    uint16_t slotFlags = 0;
    uint32_t flags = 0;  // the object's Flags
  };
  void PutCatalogPage(int page, const std::vector<CatalogRow>& rows);
  // A data page of usage maps (owner 0), one inline map row per list of
  // pages, starting at page 0. Row r's pointer is r | page << 8.
  void PutUsageMaps(int page, const std::vector<std::vector<int>>& maps);

  const Bytes& bytes() const { return bytes_; }
  void Write(const std::string& path) const;

 private:
  Bytes bytes_;
};

// One catalog row as the catalog stores it: Id at 2, type at 10, Flags at
// 28, the name from 32 on, and the end of the name in the offset table at
// the row's end.
Bytes CatalogRowBytes(int32_t id, uint16_t type, const Bytes& name, uint32_t flags = 0);

}  // namespace readertest
