// What the header page (page 0) says of the file: whether it still reads as
// a Jet header, the engine's version, the code page of single-byte text and
// the database key of an encoded database. Only an intact header is
// believed: a damaged one says nothing.
#pragma once

#include <cstdint>

#include "format/field_readers.h"

struct DatabaseHeader {
  bool intact = false;       // the magic and the engine's name are in place
  int32_t version = -1;      // the version byte (JetHeader)
  int32_t codePage = 0;      // 0 when none is named
  uint32_t databaseKey = 0;  // 0 unless every later page is encoded
};

// The header in page, the file's first bytes (shorter when the file is).
DatabaseHeader ReadDatabaseHeader(ByteSpan page);
