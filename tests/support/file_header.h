// The two pages every Jet file starts with: the header page (version byte,
// and the RC4-encoded area holding the code page and the database key,
// which must decode to 0, and in Jet 4 the masked password and the creation
// date) and page 1, the global map of free pages.
#pragma once

#include <cstdint>
#include <string>

#include "tests/support/page_file.h"

namespace testdb {

// Page 0 for a file with an empty password created at `creationDate` (Jet 3
// keeps no date).
Page MakeHeaderPage(double creationDate, const FileFormat& format = {});
// Encodes every page after the header of the file at path with `key` (0:
// plain pages), as the database key of the header says, decoding them
// first with the key the header held; pages of the size its version byte
// gives. False when the file cannot be rewritten.
bool SetDatabaseKey(const std::string& path, uint32_t key);
// Page 1: row 0 marks every page from pageCount on as free, row 1 is the
// same size and empty. Past what two inline rows can cover, a reference row
// without bitmap pages.
Page MakeGlobalMapPage(uint32_t pageCount, const JetLayout& layout = kJet4Layout);

}  // namespace testdb
