// Writes Jet 4 database files (4096-byte pages), or Access 97 (Jet 3) ones,
// from a description in code, so that every test makes exactly the file it
// needs and benchmarks can make big ones. The files carry what Access writes and what independent readers
// insist on: the encoded header, the four system definitions on pages 2-5,
// the catalog MSysObjects with one row per object, usage maps, LVAL pages.
//
//   testdb::DatabaseBuilder db;
//   testdb::Table& t = db.AddTable("Customers", {{"Id", testdb::ColumnType::Long},
//                                                {"Name", testdb::ColumnType::Text, 50}});
//   t.rows.push_back({{1, "Ann"}});
//   testdb::Layout layout = db.Write(path);   // layout.ok, layout.Find("Customers")
//
// Damage (zeroed pages, lost catalog rows, ...) is applied to a written file
// by the functions of test_db_damage.h.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "format/column_type.h"
#include "tests/support/page_file.h"
#include "tests/support/office_encryption.h"

namespace testdb {

// Jet type codes, as the reader knows them. Any other code can be written
// with static_cast, e.g. static_cast<ColumnType>(13); such a column is stored
// as a variable column holding the Bytes value given for it.
using ColumnType = ::ColumnType;

struct Column {
  std::string name{};
  ColumnType type = ColumnType::Long;
  // TEXT: characters (default 255); BINARY and unknown types: bytes
  // (default 255). Ignored for the other types, whose size is fixed.
  int length = 0;
  // NUMERIC only.
  int precision = 18;
  int scale = 0;
  // Column number (null-mask bit, output order). -1: one more than the
  // previous column. Gaps model deleted columns.
  int number = -1;
  // A calculated column: type is its result's type, written to the table's
  // properties as ResultType (with the expression), and each value is
  // stored wrapped in a variable column. storedType is the type code its
  // record gives, which Access does not keep reliable (-1: type). A Bytes
  // value is stored as it is, unwrapped.
  bool calculated = false;
  std::string expression{};
  int storedType = -1;
};

// How a text (TEXT, MEMO) is encoded. Auto compresses like Access: when the
// text can be compressed and the result is shorter.
enum class TextEncoding { Auto, Compressed, Ucs2 };
// Where a MEMO or OLE value is stored. Auto: inline when small, one
// long-value row up to 4 KB, a chain of long-value pages above.
enum class LongStorage { Auto, Inline, Single, Chain };

struct Null {};
// A date as stored: days since 1899-12-30, time of day as the fraction.
struct Date {
  double days = 0;
};
// CURRENCY as stored: the value times 10,000.
struct Currency {
  int64_t scaled = 0;
};
// NUMERIC as stored: sign and unscaled magnitude (scale is the column's).
struct Numeric {
  bool negative = false;
  unsigned __int128 magnitude = 0;
  // "-123.45" with scale 2 -> negative, 12345. Digits beyond the scale are
  // cut; an empty or malformed text gives zero.
  static Numeric FromDecimal(std::string_view text, int scale);
};
// Extended date/time: days since 0001-01-01, seconds of the day and 100 ns
// units, stored as their 42-byte text. A Bytes value of 42 bytes is stored
// as it is.
struct ExtendedDate {
  int64_t days = 0;
  int64_t seconds = 0;
  int64_t ticks = 0;
};
struct Guid {
  std::array<uint8_t, 16> bytes{};  // in stored order
  // "{BC96303A-53B8-474D-ACC1-D2EB8D0B09D5}" (braces optional) in stored order.
  static Guid FromText(std::string_view text);
};
struct Text {
  std::string utf8{};
  TextEncoding encoding = TextEncoding::Auto;
  LongStorage storage = LongStorage::Auto;  // MEMO only
};
// BINARY, OLE, unknown types; a MEMO given as Bytes stores them unchanged
// (e.g. an uncompressed UCS-2 memo, or broken text).
struct Bytes {
  std::vector<uint8_t> data{};
  LongStorage storage = LongStorage::Auto;  // MEMO/OLE only
};

// One cell. Integers go to BYTE/INT/LONG/BIGINT (and to CURRENCY as whole units),
// doubles to SINGLE/DOUBLE/DATETIME, bools to BOOL.
class Value {
 public:
  using Kind = std::variant<Null, bool, int64_t, double, Date, Currency, Numeric, Guid, Text, Bytes, ExtendedDate>;

  Value() = default;
  Value(Null) {}
  Value(bool b) : kind_(b) {}
  template <typename T>
    requires(std::is_integral_v<T> && !std::is_same_v<T, bool>)
  Value(T i) : kind_(static_cast<int64_t>(i)) {}
  Value(double d) : kind_(d) {}
  Value(Date d) : kind_(d) {}
  Value(Currency c) : kind_(c) {}
  Value(Numeric n) : kind_(n) {}
  Value(Guid g) : kind_(g) {}
  Value(Text t) : kind_(std::move(t)) {}
  Value(const char* utf8) : kind_(Text{utf8}) {}
  Value(std::string utf8) : kind_(Text{std::move(utf8)}) {}
  Value(Bytes b) : kind_(std::move(b)) {}
  Value(ExtendedDate d) : kind_(d) {}
  // Out of line: inlined copies of the variant draw false "maybe
  // uninitialized" warnings from g++ 12 in every caller.
  Value(const Value&);
  Value(Value&&) noexcept;
  Value& operator=(const Value&);
  Value& operator=(Value&&) noexcept;
  ~Value();

  const Kind& kind() const { return kind_; }
  bool IsNull() const { return std::holds_alternative<Null>(kind_); }

 private:
  Kind kind_;
};

// A property of a table (column empty) or of one of its columns, as Access
// keeps it in the table's property blob. bool is stored as a boolean,
// integers as longs, texts as texts.
struct Property {
  std::string column{};
  std::string name{};
  Value value{};
};

enum class RowState {
  Normal,
  Deleted,  // slot flagged 0xC000, row bytes kept
  // The slot on the table's page holds 0x4000 and a row pointer; the row
  // itself sits in a 0x8000 slot on another page of the table.
  Moved,
  // A live slot on a page of its own that carries the table's number but
  // that the table's usage map leaves out: Access freed the page.
  Freed,
};

struct Row {
  std::vector<Value> values{};  // in the order of Table::columns; missing ones are NULL
  RowState state = RowState::Normal;
  // Stored instead of the encoded row (damage tests: column count 0, offsets
  // past the row, ...). Counted as a live row.
  std::optional<std::vector<uint8_t>> rawBytes{};
  // Written over the row's bytes from byte overwriteAt on (negative: counted
  // back from the row's end; cut at the row's end): a deleted row whose
  // space was partly reused.
  std::vector<uint8_t> overwrite{};
  int64_t overwriteAt = 0;
};

// One column of an index, in key order.
struct IndexKey {
  std::string column{};
  bool descending = false;
  // Stored instead of the column's number when not negative (damage).
  int number = -1;
};

// An index as Access keeps it: a B-tree (its columns and flags) and the
// name the user gave it.
struct Index {
  std::string name{};
  std::vector<IndexKey> keys{};
  bool primary = false;
  bool unique = false;
};

struct Table {
  std::string name{};
  std::vector<Column> columns{};
  std::vector<Row> rows{};
  std::vector<Index> indexes{};

  // Streaming: after `rows`, generatedRows more rows made one at a time by
  // the callback (row.values is cleared before each call), never held all
  // at once.
  uint64_t generatedRows = 0;
  std::function<void(uint64_t index, Row& row)> generator{};

  // Catalog Flags of the table's row (0x8 hidden, 0x2 Access system table).
  uint32_t catalogFlags = 0;
  // Properties written to the LvProp value of the table's catalog row,
  // beside those of its calculated columns.
  std::vector<Property> properties{};
  // Table type byte: 0x4E user, 0x53 system.
  uint8_t tableType = 0x4E;
  // Stored in the definition instead of the true values when set.
  std::optional<uint32_t> rowCountOverride{};
  std::optional<uint16_t> maxColumnsOverride{};
  // At most this many rows on a data page (0: as many as fit, at most 255).
  int rowsPerPage = 0;
};

// One MSysQueries row, as Access stores a part of a query.
struct QueryRow {
  int attribute = 0;
  std::string name1{};
  std::string name2{};
  std::string expression{};
  int flag = 0;
  int extra = 0;   // LvExtra
  int order = 0;   // the Order counter; 0: none
};

// A saved query (catalog Type 5) with its MSysQueries rows: SELECT
// `output` FROM `sourceTable` [WHERE `where`], or the rows given.
struct Query {
  std::string name{};
  std::string sourceTable{};
  std::string output = "*";
  std::string where{};
  uint32_t flags = 0;  // 0 select, 0x10 crosstab, ... ; +0x8 hidden
  std::vector<QueryRow> rows{};  // written as they are, in this order, when given
};

// A relationship: one MSysRelationships row per pair of columns.
struct Relationship {
  std::string name{};
  std::string table{};  // holds the foreign key
  std::vector<std::string> columns{};
  std::string referencedTable{};
  std::vector<std::string> referencedColumns{};
  int32_t flags = 0;  // grbit: 0x2 not enforced, 0x100 cascade updates, 0x1000 cascade deletes
};

// A linked table (catalog Type 6) pointing into another database file.
struct LinkedTable {
  std::string name{};
  std::string databasePath{};
  std::string foreignName{};
};

// Where things ended up in a written file, for damage aimed at them.
struct RowLocation {
  uint32_t page = 0;
  uint8_t row = 0;
};
struct TableLayout {
  std::string name{};
  std::vector<uint32_t> definitionPages{};  // the chain; [0] is the table's Id
  std::vector<uint32_t> dataPages{};        // in page order, as the usage map lists them
  std::vector<uint32_t> freedPages{};       // the table's number, left out of the map
  std::vector<uint32_t> longValuePages{};   // LVAL pages, in page order
  RowLocation catalogRow{};                 // the table's row in MSysObjects
  RowLocation usedMap{};                    // its used-pages map row
  uint64_t liveRows = 0;
};
struct Layout {
  bool ok = false;
  std::string error{};  // why the file could not be written
  uint32_t pageCount = 0;
  std::vector<uint32_t> catalogDataPages{};  // MSysObjects data pages
  std::vector<uint32_t> usageMapPages{};  // pages holding map rows (owner 0)
  std::vector<TableLayout> tables{};  // user tables, in the order added
  // The table of that name, or nullptr.
  const TableLayout* Find(std::string_view name) const;
};

class DatabaseBuilder {
 public:
  // The returned reference stays valid while the builder lives.
  Table& AddTable(std::string name, std::vector<Column> columns);
  void AddQuery(Query query);
  void AddRelationship(Relationship relationship);
  void AddLinkedTable(LinkedTable link);
  // Creation date in the header and catalog dates (a date double).
  void SetCreationDate(double days) { creationDate_ = days; }
  // An encoded database: every page after the header RC4-encoded with this
  // key XOR the page number (0, the default: plain pages).
  void SetDatabaseKey(uint32_t key) { databaseKey_ = key; }
  // An Access 97 file: 2048-byte pages, narrower fields, text one byte a
  // character in the code page (a text it cannot hold is an error).
  void SetJet3(int codePage = 1252) { format_ = {&kJet3Layout, codePage}; }
  const FileFormat& format() const { return format_; }
  // An ACE database encrypted with a password (tests/support/office_encryption.h).
  void SetOfficeEncryption(OfficeEncryption encryption) { officeEncryption_ = std::move(encryption); }

  const std::vector<std::unique_ptr<Table>>& tables() const { return tables_; }

  // Writes the whole file, replacing any file at path. Deterministic: the
  // same description gives the same bytes.
  Layout Write(const std::string& path) const;

 private:
  std::vector<std::unique_ptr<Table>> tables_;
  std::vector<Query> queries_;
  std::vector<Relationship> relationships_;
  std::vector<LinkedTable> links_;
  double creationDate_ = 45000.5;
  uint32_t databaseKey_ = 0;
  FileFormat format_{};
  std::optional<OfficeEncryption> officeEncryption_;
};

// OLE payloads as Access stores them: a storage header (signature 0x1C15,
// header length, object name "Bitmap Image" / "Acrobat Document" / "Package"
// at offset 20, class name) and an OLE 1.0 stream (class-name block, native
// data length, native data). The native data is the file itself.
std::vector<uint8_t> OleBitmap(const std::vector<uint8_t>& bmpFile);
std::vector<uint8_t> OleAcrobat(const std::vector<uint8_t>& pdfFile);
// A packaged file: native data with the file name, its source path, a temp
// path, the file's exact size and its bytes.
std::vector<uint8_t> OlePackage(const std::string& fileName, const std::vector<uint8_t>& fileBytes);
// Small, valid files to wrap: a w x h 24-bit BMP, a one-page PDF padded to
// at least minSize bytes (deterministic).
std::vector<uint8_t> MakeBmp(int width, int height);
std::vector<uint8_t> MakePdf(size_t minSize);

// UTF-8 as UCS-2 little-endian, as names are stored (for finding them in pages).
std::vector<uint8_t> Ucs2(std::string_view utf8);

}  // namespace testdb
