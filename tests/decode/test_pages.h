// Hand-built pages for the decoder tests: a session with the Jet 4 layout,
// rows encoded byte by byte, data pages holding them, and a file of pages
// for the long-value reads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "decode/ole_file_writer.h"
#include "format/jet_layout.h"
#include "reader/mdb_file.h"
#include "report/progress_channel.h"

namespace decodetest {

using Bytes = std::vector<uint8_t>;

class TestSession {
 public:
  TestSession() { db.UseLayout(kJet4Layout); }
  ProgressChannel progress;  // its stop flag is the decoders'
  MdbFile db;
  OleFileWriter oleFiles{OleFileWriter::BrowserFolder()};
};

// A row as Jet 4 stores it: column count, fixed area, variable data, end of
// data and offsets (last first), variable count, null mask. present holds
// one flag per column number.
struct RowSpec {
  int columnCount = 0;
  Bytes fixed;
  std::vector<Bytes> variable;
  std::vector<bool> present;
  bool offsetTable = true;  // false for tables without variable columns
};
Bytes EncodeRow(const RowSpec& row);

// A data page (type 1) owned by owner (or "LVAL"), rows placed from the page's
// end backwards; flags are or-ed into the slots' offset entries.
Bytes DataPage(int32_t owner, const std::vector<Bytes>& rows, const std::vector<uint16_t>& flags = {});
constexpr int32_t kLvalOwner = 0x4C41564C;

void PutU16(Bytes& bytes, size_t at, uint16_t value);
void PutU32(Bytes& bytes, size_t at, uint32_t value);
Bytes Le16(uint16_t value);
Bytes Le32(uint32_t value);
Bytes Le64(uint64_t value);
// UTF-8 to stored two-byte text.
Bytes Ucs2(const std::string& text);
Bytes Concat(const std::vector<Bytes>& parts);

// Writes the pages to path, opens it in the session and fills the inventory
// from the pages' own headers.
void LoadPages(TestSession& session, const std::string& path, const std::vector<Bytes>& pages);

ColumnDef Column(int typeCode, int columnNumber, bool fixed, int fixedOffset = 0, int length = 0, int varIndex = -1);

}  // namespace decodetest
