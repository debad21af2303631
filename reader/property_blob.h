// The properties Access keeps for an object (a table, a query, the
// database) and for each of its columns, in the LvProp long value of the
// object's catalog row:
//
//   magic         "MR2\0" (Jet 4, ACE; names and texts UTF-16LE)
//                 or "KKD\0" (Jet 3; single-byte names and texts)
//   block*        [length: 4, counting itself][type: 2][payload]
//     type 0x80   the names, each [byte length: 2][name]; entries below
//                 name their property by its index in this list
//     type 0x00   the object's own properties
//     type 0x01   the properties of one column
//
// A property block's payload starts with [length: 4, counting itself] and,
// when that is over 6, [byte length: 2][the column's name]; then entries:
//   [entry length: 2][DDL flag: 1][value type: 1][name index: 2]
//   [value length: 2][value]
// The value type is a column type code; the value is stored as that type
// stores it. The blob comes from a file that may be damaged: a block or
// an entry that does not fit ends what is read of it, never more.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "format/field_readers.h"
#include "format/text_decoder.h"

struct Property {
  int32_t type = 0;    // a column type code: 1 boolean, 2 byte, 3 int, 4 long, 10 text, 12 memo, ...
  bool ddl = false;    // set for design properties (Required, DefaultValue, ...)
  bool wide = true;    // texts are UTF-16LE, else single-byte
  std::string value;   // as stored
  std::string text;    // a text's or memo's value in UTF-8

  // Booleans, bytes, integers and longs as a number (a byte is unsigned);
  // 0 for other types.
  int64_t Integer() const;
  // Texts and memos as UTF-8; other types give nothing.
  std::string Text() const;
};

// Properties by name. Access matches names without regard to case.
class PropertyMap {
 public:
  const Property* Find(std::string_view name) const;
  void Set(const std::string& name, Property property);
  bool empty() const { return properties_.empty(); }
  size_t size() const { return properties_.size(); }

 private:
  // Keyed by the name in lower case (ASCII).
  std::map<std::string, std::pair<std::string, Property>> properties_;
};

struct ObjectProperties {
  PropertyMap object;
  // By column name, matched without regard to case.
  std::map<std::string, PropertyMap> columns;

  // The column's properties, or nullptr.
  const PropertyMap* Column(std::string_view name) const;
  bool empty() const { return object.empty() && columns.empty(); }
};

// The properties in blob. False, with out empty, when blob is not a
// property blob; a blob damaged part way keeps what was read before.
// Single-byte names and texts are read by singleByte (the file's code
// page), as Latin-1 without it.
bool ParsePropertyBlob(ByteSpan blob, ObjectProperties& out, const TextDecoder* singleByte = nullptr);
