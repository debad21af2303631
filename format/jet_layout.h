// Where a Jet file keeps what the reader, the decoder and the format check
// look up: the page size, the page types, and the offsets inside pages,
// table definitions, column records, rows and long-value fields. One
// instance per file format: kJet3Layout (Access 97, 2048-byte pages, narrow
// fields, single-byte text) and kJet4Layout, which the ACE formats share.
// Code above format/ reads the differences from here and never asks which
// format it has.
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

  bool operator==(const SignatureWords&) const = default;
};

// The words of the first six pages that identify a format.
struct FormatSignature {
  static constexpr uint16_t kAnyWord = 0x0FFF;  // a second word not compared

  int32_t pageSize;                    // bytes per page of the format
  size_t firstCompared;                // pages before it are not compared
  std::array<SignatureWords, 6> pages;  // expected words of pages 0 to 5

  bool operator==(const FormatSignature&) const = default;
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
  int32_t longValueChainRowSize;   // bytes of a full chained row as Access writes it, link included

  // Inside a row:
  //   [column count][fixed data][variable data][end of data]
  //   [variable offsets, last first][jump table][variable count][null mask]
  // The offsets count from the row's first byte; an offset of one byte
  // reaches 255 only, so a format with one-byte offsets adds a jump table
  // (one byte per 256 bytes of row) that says where they pass each
  // 256-byte boundary (format/row_structure.h).
  int32_t rowColumnCountSize;  // bytes of the column count; the fixed data follows it
  int32_t rowFieldSize;        // bytes of each variable offset, the end of data and the variable count
  bool rowJumpTable;           // the row carries a jump table

  // Text: how TEXT and MEMO values and every name are stored.
  enum class TextStorage : uint8_t {
    Unicode,   // UCS-2, or compressed one byte a character behind FF FE
    CodePage,  // one byte a character in the database's code page
  };
  TextStorage textStorage;

  // More of the table definition: index counts and definitions, and the
  // table's usage maps.
  int32_t tdefLogicalIndexCountOffset;  // 32 bits: logical indexes
  int32_t tdefUsedPagesMapOffset;       // 32 bits: row pointer to the map of the table's pages
  int32_t tdefFreePagesMapOffset;       // 32 bits: row pointer to the map of its pages with free space

  // Usage maps: an inline map row is a type byte 0, a 32-bit start page,
  // then a bit per page; a reference map row is a type byte 1, then page
  // numbers of bitmap pages, each holding a bit per page after 4 bytes.
  int32_t usageMapInlineBytes;     // bytes of bits in an inline map row
  int32_t usageMapReferencePages;  // bitmap page numbers in a reference map row

  // The header page: the version byte this layout is chosen for, and how
  // many bytes from JetHeader::kEncodedAreaOffset on are RC4-encoded.
  int32_t headerVersion;
  int32_t headerEncodedSize;

  // The first bytes of a property blob (LvProp): "MR2\0" or "KKD\0",
  // little-endian.
  uint32_t propertyBlobMagic;

  // A table-definition page keeps this word at freeSpaceOffset instead of
  // its free space; 0 when it keeps its free space there.
  uint16_t definitionMark;

  // System tables: the engine's and Access's own, kept beside the user's
  // tables for what they lend them (catalog, complex columns).
  int32_t systemTableType;     // table-type byte of a system table's definition ('S')
  int32_t catalogFlagsOffset;  // 32 bits in a catalog row: the object's Flags

  // Indexes, after the column names: one definition per real index (the
  // B-tree: its columns and flags), one per logical index (the index as the
  // user named it: the real index it uses and its kind), then the logical
  // indexes' names, each with a count of columnNameLengthSize bytes.
  // tdefLogicalIndexCountOffset (above) gives their count.
  int32_t realIndexSize;                // bytes per real-index definition
  int32_t realIndexColumnsOffset;       // ten slots of 16-bit column number (0xFFFF unused) and order byte
  int32_t realIndexFlagsOffset;         // byte: 0x01 unique, 0x02 ignore nulls, 0x08 required
  int32_t logicalIndexSize;             // bytes per logical-index definition
  int32_t logicalIndexFieldsOffset;     // its number, real index, links and kind, the same in every format
  // Typed values: what ACE adds to a column record (0 where a format has
  // no such byte).
  int32_t columnExtraFlagsOffset;  // byte: bits 0xC0 mark a calculated column
  // Complex columns (reader/complex_columns.h).
  int32_t columnComplexIdOffset;  // 32 bits in a complex column's record: its id in MSysComplexColumns

  bool operator==(const JetLayout&) const = default;
};

// The header page (page 0), the same in Jet 3 and Jet 4 files up to the
// encoded area, which a Jet 3 file keeps in its own way.
struct JetHeader {
  static constexpr uint8_t kMagic[4] = {0x00, 0x01, 0x00, 0x00};  // at offset 0
  static constexpr int32_t kEngineNameOffset = 4;  // "Standard Jet DB" or "Standard ACE DB"
  static constexpr int32_t kVersionOffset = 0x14;  // byte: 0 Jet 3, 1 Jet 4, higher for later engines
  static constexpr uint8_t kJet3Version = 0;
  // RC4-encoded with a fixed key (JetLayout::headerEncodedSize bytes); the
  // area holds the code page and the database key.
  static constexpr int32_t kEncodedAreaOffset = 0x18;
  static constexpr int32_t kEncodedAreaSize = 128;  // the longest area, Jet 4's
  static constexpr uint32_t kEncodedAreaKey = 0x6B39DAC7;
  // 16 bits in the decoded area: the code page of single-byte text.
  static constexpr int32_t kCodePageOffset = 0x3C;
  // 32 bits in the decoded area: 0, or the key of every later page, which
  // is RC4-encoded with this key XOR its page number.
  static constexpr int32_t kDatabaseKeyOffset = 0x3E;
};

// The largest page of any layout: buffers that must not allocate per use.
inline constexpr int32_t kMaxPageSize = 4096;

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
    .longValueChainRowSize = 4076,
    .rowColumnCountSize = 2,
    .rowFieldSize = 2,
    .rowJumpTable = false,
    .textStorage = JetLayout::TextStorage::Unicode,
    .tdefLogicalIndexCountOffset = 47,
    .tdefUsedPagesMapOffset = 55,
    .tdefFreePagesMapOffset = 59,
    .usageMapInlineBytes = 64,
    .usageMapReferencePages = 17,
    .headerVersion = 1,
    .headerEncodedSize = 128,
    .propertyBlobMagic = 0x0032524D,  // "MR2\0"
    .definitionMark = 0,
    .systemTableType = 'S',
    .catalogFlagsOffset = 28,
    .realIndexSize = 52,
    .realIndexColumnsOffset = 4,
    .realIndexFlagsOffset = 46,
    .logicalIndexSize = 28,
    .logicalIndexFieldsOffset = 4,
    .columnExtraFlagsOffset = 16,
    .columnComplexIdOffset = 11,
};

// Access 97. Its four system definitions carry the letters "VC" where Jet 4
// keeps their free space, so the signature cannot tell them apart.
inline constexpr JetLayout kJet3Layout{
    .pageSize = 2048,
    .signature = {2048, 1,
                  {{{0x0100, 0x0000}, {0x0101, FormatSignature::kAnyWord}, {0x0102, 0x4356},
                    {0x0102, 0x4356}, {0x0102, 0x4356}, {0x0102, 0x4356}}}},
    .pageTypeOffset = 0,
    .freeSpaceOffset = 2,
    .linkOffset = 4,
    .headerSize = 8,
    .dataRowCountOffset = 8,
    .rowOffsetTable = 10,
    .rowOffsetMask = 0x1FFF,
    .lookupRowFlag = 0x8000,
    .deletedRowFlag = 0x4000,
    .tdefRowCountOffset = 12,
    .tdefTableTypeOffset = 20,
    .tdefMaxColumnsOffset = 21,
    .tdefVarColumnsOffset = 23,
    .tdefColumnCountOffset = 25,
    .tdefRealIndexCountOffset = 31,
    .tdefRealIndexEntries = 43,
    .realIndexEntrySize = 8,
    .userTableType = 'N',
    .columnRecordSize = 18,
    .columnTypeOffset = 0,
    .columnNumberOffset = 1,
    .columnVarIndexOffset = 3,
    .columnIndexOffset = 5,
    .columnPrecisionOffset = 11,
    .columnScaleOffset = 12,
    .columnFlagsOffset = 13,
    .columnFixedOffset = 14,
    .columnLengthOffset = 16,
    .columnNameLengthSize = 1,
    .catalogDefinitionPage = 2,
    .systemPages = 6,
    .catalogIdOffset = 1,
    .catalogTypeOffset = 9,
    .catalogNameOffset = 31,
    .longValueMark = 0x4C41564C,
    .longValueFieldSize = 12,
    .longValueFlagsOffset = 2,
    .longValuePointerOffset = 4,
    .longValueInlineFlag = 0x8000,
    .longValueSingleRowFlag = 0x4000,
    .longValueLinkSize = 4,
    .longValueChainRowSize = 2036,
    .rowColumnCountSize = 1,
    .rowFieldSize = 1,
    .rowJumpTable = true,
    .textStorage = JetLayout::TextStorage::CodePage,
    .tdefLogicalIndexCountOffset = 27,
    .tdefUsedPagesMapOffset = 35,
    .tdefFreePagesMapOffset = 39,
    .usageMapInlineBytes = 128,
    .usageMapReferencePages = 33,
    .headerVersion = 0,
    .headerEncodedSize = 126,
    .propertyBlobMagic = 0x00444B4B,  // "KKD\0"
    .definitionMark = 0x4356,         // "VC"
    .systemTableType = 'S',
    .catalogFlagsOffset = 27,
    .realIndexSize = 39,
    .realIndexColumnsOffset = 0,
    .realIndexFlagsOffset = 38,
    .logicalIndexSize = 20,
    .logicalIndexFieldsOffset = 0,
    .columnExtraFlagsOffset = 0,
    .columnComplexIdOffset = 0,
};

static_assert(kJet4Layout.pageSize <= kMaxPageSize && kJet3Layout.pageSize <= kMaxPageSize);
