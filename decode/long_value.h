// MEMO and OLE values. The row holds a 12-byte long-value field: the data
// follows it inline, or it points to one row of a long-value ("LVAL") page,
// or to the first row of a chain of such rows (reader/long_value_reader.h).
// A memo becomes its text; an OLE object keeps its bytes and is written to a
// file by the OLE file writer, stripped of its storage header where the
// object is a bitmap, a PDF or a packaged file.
#pragma once

#include <cstdint>
#include <string>

#include "format/field_readers.h"
#include "format/value.h"

class MdbFile;
class OleFileWriter;

// 1 with out set to the memo's text (empty when there is none) or to a
// Marker with the "Unhandled memo field flags" message; -1 with out
// untouched when the field is too short or its long-value row is out of
// bounds.
int DecodeMemo(const MdbFile& db, ByteSpan page, int64_t position, int64_t length, Value& out);

// 1 with out set to the object, its bytes and the path of the file written;
// -1 with out untouched when the object cannot be gathered, or set to a
// Marker with the "Unhandled OLE field flag" message.
int DecodeOle(const MdbFile& db, OleFileWriter& files, ByteSpan page, int64_t position, int64_t length,
              Value& out);

// The long value of a row that was deleted: its long-value rows may have
// been deleted or reused since, so the value is given only when the rows
// read cleanly and their bytes add up to the length the field states. 1
// with out set to the memo's text or the OLE object; otherwise out is Null
// and the result -1. isOle chooses the OLE object over the memo.
int DecodeIntactLongValue(const MdbFile& db, OleFileWriter& files, ByteSpan page, int64_t position,
                          int64_t length, bool isOle, Value& out);

// Recognises the storage header of a bitmap, an Acrobat document or a
// packaged file at the start of payload and cuts payload down to the object's
// own bytes: 1 then, -1 with payload whole otherwise. extension gets "bmp",
// "pdf" or the packaged file's extension as soon as the class is known.
int IdentifyOleObject(std::string& payload, std::string& extension);
