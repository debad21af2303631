#include "tests/testdb/reader_oracles.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <variant>

#include "tests/support/test_env.h"

namespace oracle {
namespace {

using testdb::ColumnType;
using testdb::Value;

const char* kNullCell = "<null>";
// mdb-export cuts long values at its bind size.
constexpr size_t kMdbtoolsMemoLimit = 199999;
constexpr double kUnixEpochDays = 25569.0;

std::string Find(const std::string& program) {
  for (const char* dir : {"/usr/bin", "/usr/local/bin", "/bin"}) {
    std::string path = std::string(dir) + "/" + program;
    if (::access(path.c_str(), X_OK) == 0) return path;
  }
  return {};
}

std::string MdbReaderPrefix() {
  const char* env = std::getenv("BREVANTIS_MDB_READER");
  return env && *env ? env : "/tmp/mdbr";
}

std::string Hex(const std::vector<uint8_t>& bytes, bool upper = true) {
  static const char* digits[] = {"0123456789abcdef", "0123456789ABCDEF"};
  std::string out;
  for (uint8_t b : bytes) {
    out.push_back(digits[upper][b >> 4]);
    out.push_back(digits[upper][b & 0xF]);
  }
  return out;
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string Printf(const char* format, double d) {
  char buf[64];
  std::snprintf(buf, sizeof buf, format, d);
  return buf;
}

// Unix seconds as "YYYY-MM-DD HH:MM:SS" on the proleptic Gregorian calendar.
std::string CivilTime(int64_t seconds) {
  int64_t days = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
  int64_t rest = seconds - days * 86400;
  int64_t z = days + 719468;
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  int64_t day = doy - (153 * mp + 2) / 5 + 1;
  int64_t month = mp < 10 ? mp + 3 : mp - 9;
  int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
  char buf[128];
  std::snprintf(buf, sizeof buf, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld", static_cast<long long>(year),
                static_cast<long long>(month), static_cast<long long>(day), static_cast<long long>(rest / 3600),
                static_cast<long long>(rest / 60 % 60), static_cast<long long>(rest % 60));
  return buf;
}

std::string Decimal(bool negative, unsigned __int128 magnitude, int scale) {
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(magnitude % 10)));
    magnitude /= 10;
  } while (magnitude);
  if (scale > 0) {
    if (digits.size() <= static_cast<size_t>(scale)) digits.insert(0, scale + 1 - digits.size(), '0');
    digits.insert(digits.end() - scale, '.');
  }
  return (negative ? "-" : "") + digits;
}

// Canonical number texts: close enough to absorb each reader's printing.
std::string CanonicalNumber(ColumnType type, double d) {
  return Printf(type == ColumnType::Single ? "%.6g" : "%.12g", d);
}

// ---- mdbtools ------------------------------------------------------------

// mdb-export CSV: quoted fields double their quotes; an empty unquoted field is NULL.
std::vector<std::vector<std::optional<std::string>>> ParseCsv(const std::string& text) {
  std::vector<std::vector<std::optional<std::string>>> rows;
  std::vector<std::optional<std::string>> row;
  size_t i = 0;
  while (i < text.size()) {
    std::optional<std::string> field;
    if (text[i] == '"') {
      field.emplace();
      for (++i; i < text.size(); ++i) {
        if (text[i] == '"') {
          if (i + 1 < text.size() && text[i + 1] == '"') {
            field->push_back('"');
            ++i;
          } else {
            ++i;
            break;
          }
        } else {
          field->push_back(text[i]);
        }
      }
    } else {
      size_t end = text.find_first_of(",\n", i);
      if (end == std::string::npos) end = text.size();
      if (end > i) field = text.substr(i, end - i);
      i = end;
    }
    row.push_back(field);
    if (i >= text.size() || text[i] == '\n') {
      rows.push_back(std::move(row));
      row.clear();
    }
    ++i;
  }
  return rows;
}

// mdb-export -b hex prints a GUID's text in hex.
std::string Unhex(const std::string& hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return out;
}

std::string CanonicalMdbtools(const testdb::Column* column, const std::optional<std::string>& cell) {
  if (!cell || cell->empty()) return kNullCell;
  if (column && column->type == ColumnType::Guid) return Unhex(*cell);
  if (column && (column->type == ColumnType::Single || column->type == ColumnType::Double))
    return CanonicalNumber(column->type, std::strtod(cell->c_str(), nullptr));
  return *cell;
}

const testdb::Column* ColumnNamed(const testdb::Table* table, const std::string& name) {
  if (!table) return nullptr;
  for (const testdb::Column& c : table->columns)
    if (c.name == name) return &c;
  return nullptr;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    if (end > start) lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

ReadDatabase ReadWithMdbtools(const std::string& path, const std::vector<const testdb::Table*>& tables) {
  ReadDatabase db;
  testenv::CommandResult list = testenv::RunCommand({Find("mdb-tables"), "-1", path});
  if (list.exitCode != 0) {
    db.error = "mdb-tables: " + list.err;
    return db;
  }
  db.tables = Lines(list.out);
  for (const testdb::Table* t : tables) {
    ReadTable read;
    read.name = t->name;
    testenv::CommandResult count = testenv::RunCommand({Find("mdb-count"), path, t->name});
    testenv::CommandResult out =
        testenv::RunCommand({Find("mdb-export"), "-T", "%Y-%m-%d %H:%M:%S", "-b", "hex", path, t->name});
    if (count.exitCode != 0 || out.exitCode != 0) {
      db.error = "mdb-count/mdb-export " + t->name + ": " + count.err + out.err;
      return db;
    }
    read.rowCount = std::strtoll(count.out.c_str(), nullptr, 10);
    auto csv = ParseCsv(out.out);
    if (csv.empty()) {
      db.error = "mdb-export " + t->name + " printed nothing";
      return db;
    }
    for (const auto& name : csv[0]) read.columns.push_back(name.value_or(""));
    for (size_t r = 1; r < csv.size(); ++r) {
      std::vector<std::string> cells;
      for (size_t c = 0; c < csv[r].size(); ++c)
        cells.push_back(CanonicalMdbtools(c < read.columns.size() ? ColumnNamed(t, read.columns[c]) : nullptr, csv[r][c]));
      read.rows.push_back(std::move(cells));
    }
    db.data.push_back(std::move(read));
  }
  db.ok = true;
  return db;
}

// ---- mdb-reader ------------------------------------------------------------

// Just enough JSON for the script's output.
struct Json {
  std::variant<std::nullptr_t, bool, double, std::string, std::vector<Json>, std::map<std::string, Json>> v;
  const Json& operator[](const std::string& key) const {
    static const Json none;
    auto* object = std::get_if<std::map<std::string, Json>>(&v);
    if (!object) return none;
    auto it = object->find(key);
    return it == object->end() ? none : it->second;
  }
  const std::vector<Json>& items() const {
    static const std::vector<Json> none;
    auto* array = std::get_if<std::vector<Json>>(&v);
    return array ? *array : none;
  }
  std::string text() const {
    auto* s = std::get_if<std::string>(&v);
    return s ? *s : std::string();
  }
  double number(double otherwise) const {
    auto* d = std::get_if<double>(&v);
    return d ? *d : otherwise;
  }
};

class JsonParser {
 public:
  explicit JsonParser(const std::string& text) : s_(text) {}
  bool Parse(Json& out) {
    bool ok = ParseValue(out);
    Space();
    return ok && i_ == s_.size();
  }

 private:
  void Space() {
    while (i_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[i_]))) ++i_;
  }
  bool Literal(const char* word) {
    size_t n = std::char_traits<char>::length(word);
    if (s_.compare(i_, n, word) != 0) return false;
    i_ += n;
    return true;
  }
  static void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | cp >> 6));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | cp >> 12));
      out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | cp >> 18));
      out.push_back(static_cast<char>(0x80 | (cp >> 12 & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  bool Hex4(uint32_t& cp) {
    if (i_ + 4 > s_.size()) return false;
    cp = static_cast<uint32_t>(std::stoul(s_.substr(i_, 4), nullptr, 16));
    i_ += 4;
    return true;
  }
  bool String(std::string& out) {
    ++i_;
    while (i_ < s_.size() && s_[i_] != '"') {
      char c = s_[i_++];
      if (c != '\\') {
        out.push_back(c);
        continue;
      }
      if (i_ >= s_.size()) return false;
      char e = s_[i_++];
      uint32_t cp = 0;
      switch (e) {
        case 'n': out.push_back('\n'); break;
        case 'r': out.push_back('\r'); break;
        case 't': out.push_back('\t'); break;
        case 'b': out.push_back('\b'); break;
        case 'f': out.push_back('\f'); break;
        case 'u':
          if (!Hex4(cp)) return false;
          if (cp >= 0xD800 && cp < 0xDC00 && s_.compare(i_, 2, "\\u") == 0) {
            uint32_t low = 0;
            i_ += 2;
            if (!Hex4(low)) return false;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
          }
          AppendUtf8(out, cp);
          break;
        default: out.push_back(e);
      }
    }
    return i_++ < s_.size();
  }
  bool ParseValue(Json& out) {
    Space();
    if (i_ >= s_.size()) return false;
    char c = s_[i_];
    if (c == '"') {
      std::string text;
      if (!String(text)) return false;
      out.v = std::move(text);
      return true;
    }
    if (c == '[' || c == '{') {
      bool isObject = c == '{';
      std::vector<Json> items;
      std::map<std::string, Json> members;
      ++i_;
      Space();
      if (i_ < s_.size() && s_[i_] == (isObject ? '}' : ']')) {
        ++i_;
      } else {
        while (true) {
          std::string key;
          if (isObject) {
            Space();
            if (i_ >= s_.size() || s_[i_] != '"' || !String(key)) return false;
            Space();
            if (i_ >= s_.size() || s_[i_++] != ':') return false;
          }
          Json item;
          if (!ParseValue(item)) return false;
          if (isObject) members[key] = std::move(item);
          else items.push_back(std::move(item));
          Space();
          if (i_ >= s_.size()) return false;
          char sep = s_[i_++];
          if (sep == (isObject ? '}' : ']')) break;
          if (sep != ',') return false;
        }
      }
      if (isObject) out.v = std::move(members);
      else out.v = std::move(items);
      return true;
    }
    if (Literal("null")) {
      out.v = nullptr;
      return true;
    }
    if (Literal("true")) {
      out.v = true;
      return true;
    }
    if (Literal("false")) {
      out.v = false;
      return true;
    }
    char* end = nullptr;
    double d = std::strtod(s_.c_str() + i_, &end);
    if (end == s_.c_str() + i_) return false;
    i_ = static_cast<size_t>(end - s_.c_str());
    out.v = d;
    return true;
  }

  const std::string& s_;
  size_t i_ = 0;
};

std::string ScriptPath() { return std::string(BREVANTIS_TESTDB_DIR) + "/read_with_mdb_reader.js"; }

// ISO "2001-01-01T00:00:00.000Z" (years may carry a sign and six digits) to Unix milliseconds.
int64_t IsoMillis(const std::string& iso) {
  long long year = 0;
  int month = 0, day = 0, hour = 0, minute = 0, second = 0, millis = 0;
  if (std::sscanf(iso.c_str(), "%lld-%d-%dT%d:%d:%d.%dZ", &year, &month, &day, &hour, &minute, &second, &millis) != 7)
    return INT64_MIN;
  int64_t y = year - (month <= 2 ? 1 : 0);
  int64_t era = (y >= 0 ? y : y - 399) / 400;
  int64_t yoe = y - era * 400;
  int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  int64_t days = era * 146097 + doe - 719468;
  return ((days * 24 + hour) * 60 + minute) * 60000 + second * 1000 + millis;
}

int64_t RoundedSeconds(double millis) { return static_cast<int64_t>(std::floor(millis / 1000.0 + 0.5)); }

std::string CanonicalMdbReader(const testdb::Column* column, const Json& cell) {
  if (std::holds_alternative<std::nullptr_t>(cell.v)) return kNullCell;
  if (auto* b = std::get_if<bool>(&cell.v)) return *b ? "1" : "0";
  if (auto* d = std::get_if<double>(&cell.v)) {
    if (column && (column->type == ColumnType::Single || column->type == ColumnType::Double))
      return CanonicalNumber(column->type, *d);
    return Printf("%.0f", *d);
  }
  std::string text = cell.text();
  if (text.rfind("hex:", 0) == 0) return Upper(text.substr(4));
  if (column && column->type == ColumnType::Date) {
    int64_t millis = IsoMillis(text);
    return millis == INT64_MIN ? text : CivilTime(RoundedSeconds(static_cast<double>(millis)));
  }
  return text;
}

ReadDatabase ReadWithMdbReader(const std::string& path, const std::vector<const testdb::Table*>& tables,
                               const std::string& password) {
  ReadDatabase db;
  std::vector<std::string> argv = {Find("node"), ScriptPath(), MdbReaderPrefix(), path};
  if (!password.empty()) argv.push_back("--password=" + password);
  for (const testdb::Table* t : tables) argv.push_back(t->name);
  testenv::CommandResult run = testenv::RunCommand(argv);
  if (run.exitCode != 0) {
    db.error = "mdb-reader: " + run.err;
    return db;
  }
  Json json;
  if (!JsonParser(run.out).Parse(json)) {
    db.error = "mdb-reader printed no JSON";
    return db;
  }
  for (const Json& name : json["tables"].items()) db.tables.push_back(name.text());
  for (const testdb::Table* t : tables) {
    const Json& data = json["data"][t->name];
    ReadTable read;
    read.name = t->name;
    read.rowCount = static_cast<int64_t>(data["rowCount"].number(-1));
    for (const Json& c : data["columns"].items()) {
      read.columns.push_back(c["name"].text());
      read.types.push_back(c["type"].text());
    }
    for (const Json& row : data["rows"].items()) {
      std::vector<std::string> cells;
      for (size_t c = 0; c < row.items().size(); ++c)
        cells.push_back(CanonicalMdbReader(c < read.columns.size() ? ColumnNamed(t, read.columns[c]) : nullptr,
                                           row.items()[c]));
      read.rows.push_back(std::move(cells));
    }
    db.data.push_back(std::move(read));
  }
  db.ok = true;
  return db;
}

}  // namespace

const char* ReaderName(Reader reader) { return reader == Reader::Mdbtools ? "mdbtools" : "mdb-reader"; }

std::string Unavailable(Reader reader) {
  if (reader == Reader::Mdbtools)
    return Find("mdb-export").empty() || Find("mdb-tables").empty() || Find("mdb-count").empty()
               ? "mdbtools is not installed"
               : "";
  if (Find("node").empty()) return "node is not installed";
  if (!std::filesystem::exists(MdbReaderPrefix() + "/node_modules/mdb-reader/package.json"))
    return "mdb-reader is not installed under " + MdbReaderPrefix() +
           " (npm install --prefix /tmp/mdbr mdb-reader, or set BREVANTIS_MDB_READER)";
  return "";
}

const ReadTable* ReadDatabase::Find(const std::string& name) const {
  for (const ReadTable& t : data)
    if (t.name == name) return &t;
  return nullptr;
}

ReadDatabase Read(Reader reader, const std::string& path, const std::vector<const testdb::Table*>& tables,
                  const std::string& password) {
  return reader == Reader::Mdbtools ? ReadWithMdbtools(path, tables) : ReadWithMdbReader(path, tables, password);
}

std::string Expected(Reader reader, const testdb::Column& column, const Value& value) {
  bool mdbtools = reader == Reader::Mdbtools;
  const Value::Kind& v = value.kind();
  if (column.type == ColumnType::Bit) {
    auto* b = std::get_if<bool>(&v);
    return b && *b ? "1" : "0";
  }
  if (value.IsNull()) return kNullCell;
  auto integer = [&]() -> int64_t {
    if (auto* i = std::get_if<int64_t>(&v)) return *i;
    return 0;
  };
  auto number = [&]() -> double {
    if (auto* d = std::get_if<double>(&v)) return *d;
    if (auto* d = std::get_if<testdb::Date>(&v)) return d->days;
    return static_cast<double>(integer());
  };
  auto bytes = [&]() -> std::vector<uint8_t> {
    if (auto* b = std::get_if<testdb::Bytes>(&v)) return b->data;
    if (auto* t = std::get_if<testdb::Text>(&v)) return std::vector<uint8_t>(t->utf8.begin(), t->utf8.end());
    return {};
  };
  switch (column.type) {
    case ColumnType::Byte: return std::to_string(static_cast<uint8_t>(integer()));
    case ColumnType::Int: return std::to_string(static_cast<int16_t>(integer()));
    case ColumnType::Long: return std::to_string(static_cast<int32_t>(integer()));
    case ColumnType::Currency: {
      int64_t scaled = std::get_if<testdb::Currency>(&v) ? std::get<testdb::Currency>(v).scaled : integer() * 10000;
      bool negative = scaled < 0;
      unsigned __int128 magnitude = negative ? -static_cast<unsigned __int128>(scaled) : scaled;
      return Decimal(negative, magnitude, 4);
    }
    case ColumnType::Single: return CanonicalNumber(column.type, static_cast<float>(number()));
    case ColumnType::Double: return CanonicalNumber(column.type, number());
    case ColumnType::Date: {
      double days = number();
      if (mdbtools && (days < 0 || days >= 2958465)) return "1900-01-00 00:00:00";
      return CivilTime(RoundedSeconds((days - kUnixEpochDays) * 86400000.0));
    }
    case ColumnType::Guid: {
      testdb::Guid g = std::get_if<testdb::Guid>(&v) ? std::get<testdb::Guid>(v)
                                                      : testdb::Guid::FromText(std::get<testdb::Text>(v).utf8);
      const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
      std::vector<uint8_t> b;
      for (int i : order) b.push_back(g.bytes[i]);
      std::string hex = Hex(b, mdbtools);
      if (mdbtools) return "{" + hex.substr(0, 8) + "-" + hex.substr(8, 4) + "-" + hex.substr(12, 4) + "-" + hex.substr(16) + "}";
      return hex.substr(0, 8) + "-" + hex.substr(8, 4) + "-" + hex.substr(12, 4) + "-" + hex.substr(16, 4) + "-" +
             hex.substr(20);
    }
    case ColumnType::Numeric: {
      testdb::Numeric n;
      if (auto* x = std::get_if<testdb::Numeric>(&v)) n = *x;
      else if (auto* t = std::get_if<testdb::Text>(&v)) n = testdb::Numeric::FromDecimal(t->utf8, column.scale);
      else n = testdb::Numeric{integer() < 0, static_cast<unsigned __int128>(std::llabs(integer()))};
      return Decimal(n.negative, n.magnitude, column.scale);
    }
    case ColumnType::Binary: {
      std::vector<uint8_t> b = bytes();
      if (mdbtools) b.erase(std::find(b.begin(), b.end(), 0), b.end());
      return b.empty() && mdbtools ? kNullCell : Hex(b);
    }
    case ColumnType::Ole: return Hex(bytes());
    case ColumnType::Text:
    case ColumnType::Memo: {
      std::string text = std::get_if<testdb::Text>(&v) ? std::get<testdb::Text>(v).utf8 : std::string();
      if (mdbtools && text.size() > kMdbtoolsMemoLimit) text.resize(kMdbtoolsMemoLimit);
      return text.empty() && mdbtools ? kNullCell : text;
    }
    default: return Hex(bytes());
  }
}

std::vector<std::vector<std::string>> ExpectedRows(Reader reader, const testdb::Table& table,
                                                   const std::vector<std::string>& readerColumns) {
  std::vector<int> position;
  for (const std::string& name : readerColumns) {
    int at = -1;
    for (size_t i = 0; i < table.columns.size(); ++i)
      if (table.columns[i].name == name) at = static_cast<int>(i);
    position.push_back(at);
  }
  std::vector<std::vector<std::string>> rows;
  auto add = [&](const testdb::Row& row) {
    if (row.state == testdb::RowState::Deleted) return;
    std::vector<std::string> cells;
    for (int at : position) {
      static const Value kNull;
      const Value& value = at >= 0 && static_cast<size_t>(at) < row.values.size() ? row.values[at] : kNull;
      cells.push_back(at < 0 ? "<no such column>" : Expected(reader, table.columns[at], value));
    }
    rows.push_back(std::move(cells));
  };
  for (const testdb::Row& row : table.rows) add(row);
  testdb::Row generated;
  for (uint64_t i = 0; table.generator && i < table.generatedRows; ++i) {
    generated = testdb::Row{};
    table.generator(i, generated);
    add(generated);
  }
  return Sorted(std::move(rows));
}

std::vector<std::vector<std::string>> Sorted(std::vector<std::vector<std::string>> rows) {
  std::sort(rows.begin(), rows.end());
  return rows;
}

}  // namespace oracle
