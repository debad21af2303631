// Where a Jet file keeps what the reader, the decoder and the format check
// look up: the page size, the page types, and the offsets inside pages,
// table definitions, column records, rows' slot tables and long-value
// fields. One instance per file format; a Jet 3 file (2048-byte pages, its
// own offsets) would be a second instance, not a second set of constants.
//
// The inside of a row (its column count, fixed area, variable offsets and
// null mask) is read by decode/row_decoder.cpp in Jet 4's own widths.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The signed byte at offset 0 of every page. Other stored values are kept.
enum class PageType : int8_t {
  Data = 1,             // rows of a table, of the catalog or of long values
  TableDefinition = 2,  // a table's definition, or a continuation of one
};

// The two words at offset 0 of one of the first pages: page type and flag
// byte, then the free-space word (for the four system table definitions).
struct SignatureWords {
  uint16_t first;
  uint16_t second;
};

// The words of the first six pages that identify a format.
struct FormatSignature {
  static constexpr uint16_t kAnyWord = 0x0FFF;  // a second word not compared

  int32_t pageSize;                    // bytes per page of the format
  size_t firstCompared;                // pages before it are not compared
  std::array<SignatureWords, 6> pages;  // expected words of pages 0 to 5
};

struct JetLayout {
  int32_t pageSize;  // bytes per page; the file is a sequence of pages
  FormatSignature signature;

  // Every page.
  int32_t pageTypeOffset;  // signed byte: PageType
  // Data and table-definition pages.
  int32_t freeSpaceOffset;  // word: free bytes on the page
  int32_t linkOffset;       // 32 bits: a data page's owner, a definition's next page
  int32_t headerSize;       // bytes before a continuation page's part of a definition

  // Data pages: a row count, then one 16-bit slot per row, the first row at
  // the page's end and each later row before the one above it.
  int32_t dataRowCountOffset;  // 16 bits: the page's slots
  int32_t rowOffsetTable;      // first slot
  uint16_t rowOffsetMask;      // a slot's low bits: the row's start on the page
  uint16_t lookupRowFlag;      // slot bit: a row moved here from another page
  uint16_t deletedRowFlag;     // slot bit: a deleted row, or a pointer to where the row moved

  // Table definitions (the first page's offsets; later pages continue it).
  int32_t tdefRowCountOffset;        // 32 bits: rows of the table
  int32_t tdefTableTypeOffset;       // byte: userTableType for a user table
  int32_t tdefMaxColumnsOffset;      // 16 bits: highest column number + 1
  int32_t tdefVarColumnsOffset;      // 16 bits: variable-length columns
  int32_t tdefColumnCountOffset;     // 16 bits: column records
  int32_t tdefRealIndexCountOffset;  // 32 bits: real-index entries before the column records
  int32_t tdefRealIndexEntries;      // first real-index entry
  int32_t realIndexEntrySize;        // bytes per real-index entry
  int32_t userTableType;             // table-type byte of a user table ('N')

  // Column records, one per column after the real-index entries, then each
  // name as a 16-bit byte count and the name.
  int32_t columnRecordSize;       // bytes per record
  int32_t columnTypeOffset;       // signed byte: ColumnType
  int32_t columnNumberOffset;     // 16 bits: position of its bit in a row's null mask
  int32_t columnVarIndexOffset;   // 16 bits: its entry in a row's variable offsets
  int32_t columnIndexOffset;      // 16 bits
  int32_t columnPrecisionOffset;  // signed byte: NUMERIC precision
  int32_t columnScaleOffset;      // signed byte: NUMERIC scale
  int32_t columnFlagsOffset;      // byte: bit 0 set for a fixed-length column
  int32_t columnFixedOffset;      // 16 bits: a fixed value's place after the row's column count
  int32_t columnLengthOffset;     // 16 bits: the value's length in bytes
  int32_t columnNameLengthSize;   // bytes of the count before each column name

  // The catalog: data pages owned by its definition; in each row the Id, the
  // object type and the name (the first variable column) at fixed places.
  int32_t catalogDefinitionPage;  // definition page of the catalog
  int32_t systemPages;            // pages below it: header, global page map, system definitions
  int32_t catalogIdOffset;        // 32 bits: the object's definition page
  int32_t catalogTypeOffset;      // 16 bits, low 7 bits: object type (1 a table)
  int32_t catalogNameOffset;      // first byte of the name

  // Long values (MEMO, OLE): a field in the row, its data inline or on
  // long-value pages (data pages whose link word reads "LVAL").
  int32_t longValueMark;           // link word of a long-value page
  int32_t longValueFieldSize;      // bytes of the field before inline data
  int32_t longValueFlagsOffset;    // 16 bits in the field: the storage flags
  int32_t longValuePointerOffset;  // in the field: row byte, then 24-bit page
  uint16_t longValueInlineFlag;    // flag: the data follows the field
  uint16_t longValueSingleRowFlag; // flag: the data is one long-value row
  int32_t longValueLinkSize;       // bytes of a chained row's pointer to the next row

  // System tables: the engine's and Access's own, kept beside the user's
  // tables for what they lend them (catalog, complex columns).
  int32_t systemTableType;     // table-type byte of a system table's definition ('S')
  int32_t catalogFlagsOffset;  // 32 bits in a catalog row: the object's Flags
  // Usage maps (reader/usage_map.h): where a definition points at the map
  // of its data pages.
  int32_t tdefUsedMapOffset;  // 32 bits: row pointer to the used-pages map
  // Complex columns (reader/complex_columns.h).
  int32_t columnComplexIdOffset;  // 32 bits in a complex column's record: its id in MSysComplexColumns
};

// The header page (page 0), the same in Jet 3 and Jet 4 files up to the
// encoded area, which a Jet 3 file keeps in its own way.
struct JetHeader {
  static constexpr uint8_t kMagic[4] = {0x00, 0x01, 0x00, 0x00};  // at offset 0
  static constexpr int32_t kEngineNameOffset = 4;  // "Standard Jet DB" or "Standard ACE DB"
  static constexpr int32_t kVersionOffset = 0x14;  // byte: 0 Jet 3, 1 Jet 4, higher for later engines
  static constexpr uint8_t kJet3Version = 0;
  // 128 bytes RC4-encoded with a fixed key; they hold the database key.
  static constexpr int32_t kEncodedAreaOffset = 0x18;
  static constexpr int32_t kEncodedAreaSize = 128;
  static constexpr uint32_t kEncodedAreaKey = 0x6B39DAC7;
  // 32 bits in the decoded area: 0, or the key of every later page, which
  // is RC4-encoded with this key XOR its page number.
  static constexpr int32_t kDatabaseKeyOffset = 0x3E;
};

// The largest page of any layout: buffers that must not allocate per use.
inline constexpr int32_t kMaxPageSize = 4096;

// Jet 3 is recognised only, to be refused by name.
inline constexpr FormatSignature kJet3Signature{
    2048, 0,
    {{{0x0100, 0x0000}, {0x0101, FormatSignature::kAnyWord}, {0x0102, 0x4356},
      {0x0102, 0x4356}, {0x0102, 0x4356}, {0x0102, 0x4356}}}};

inline constexpr JetLayout kJet4Layout{
    .pageSize = 4096,
    // The header page (0) is not compared: damage there does not matter.
    .signature = {4096, 1,
                  {{{0x0100, 0x0000}, {0x0101, FormatSignature::kAnyWord}, {0x0102, 0x0BDE},
                    {0x0102, 0x0EA9}, {0x0102, 0x0DEB}, {0x0102, 0x0CCB}}}},
    .pageTypeOffset = 0,
    .freeSpaceOffset = 2,
    .linkOffset = 4,
    .headerSize = 8,
    .dataRowCountOffset = 12,
    .rowOffsetTable = 14,
    .rowOffsetMask = 0x1FFF,
    .lookupRowFlag = 0x8000,
    .deletedRowFlag = 0x4000,
    .tdefRowCountOffset = 16,
    .tdefTableTypeOffset = 40,
    .tdefMaxColumnsOffset = 41,
    .tdefVarColumnsOffset = 43,
    .tdefColumnCountOffset = 45,
    .tdefRealIndexCountOffset = 51,
    .tdefRealIndexEntries = 63,
    .realIndexEntrySize = 12,
    .userTableType = 'N',
    .columnRecordSize = 25,
    .columnTypeOffset = 0,
    .columnNumberOffset = 5,
    .columnVarIndexOffset = 7,
    .columnIndexOffset = 9,
    .columnPrecisionOffset = 11,
    .columnScaleOffset = 12,
    .columnFlagsOffset = 15,
    .columnFixedOffset = 21,
    .columnLengthOffset = 23,
    .columnNameLengthSize = 2,
    .catalogDefinitionPage = 2,
    .systemPages = 6,
    .catalogIdOffset = 2,
    .catalogTypeOffset = 10,
    .catalogNameOffset = 32,
    .longValueMark = 0x4C41564C,
    .longValueFieldSize = 12,
    .longValueFlagsOffset = 2,
    .longValuePointerOffset = 4,
    .longValueInlineFlag = 0x8000,
    .longValueSingleRowFlag = 0x4000,
    .longValueLinkSize = 4,
    .systemTableType = 'S',
    .catalogFlagsOffset = 28,
    .tdefUsedMapOffset = 55,
    .columnComplexIdOffset = 11,
};

static_assert(kJet4Layout.pageSize <= kMaxPageSize);
