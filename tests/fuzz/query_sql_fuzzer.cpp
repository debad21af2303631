// A saved query's MSysQueries rows, in any order and with any values, rebuilt
// into SQL and then written as a view for each SQL engine over a fixed pair
// of tables. Input: the catalog's Flags byte, then rows of
//   attribute (1) | flag (2) | order (1) | name1, name2 (1-byte length each) | expression (2-byte length)
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "export/ddl_writer.h"
#include "export/view_sql.h"
#include "reader/query_sql.h"

namespace {

class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool Empty() const { return at_ >= size_; }
  uint32_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  std::string Text(size_t length) {
    std::string text;
    for (size_t i = 0; i < length && at_ < size_; ++i) text += static_cast<char>(data_[at_++]);
    return text;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input input(data, size);
  const int32_t catalogFlags = static_cast<int32_t>(input.Byte());
  std::vector<QueryRow> rows;
  while (!input.Empty() && rows.size() < 256) {
    QueryRow row;
    row.attribute = static_cast<int32_t>(input.Byte());
    row.flag = static_cast<int16_t>(input.Byte() | input.Byte() << 8);
    row.order = std::string(3, '\0') + static_cast<char>(input.Byte());
    row.name1 = input.Text(input.Byte());
    row.name2 = input.Text(input.Byte());
    row.expression = input.Text(input.Byte() | input.Byte() << 8);
    rows.push_back(std::move(row));
  }
  RebuiltQuery rebuilt = RebuildQuerySql(rows, catalogFlags);
  if (rebuilt.sql.empty()) return 0;

  DatabaseSchema none;
  for (SqlDialect dialect : {SqlDialect::Sqlite, SqlDialect::Postgres, SqlDialect::Mysql}) {
    auto writer = DdlWriter::Make(dialect, none);
    ViewSources sources;
    sources["table1"] = {writer->Quote("Table1"), {{"col1", writer->Quote("col1"), ValueClass::Text},
                                                   {"col2", writer->Quote("col2"), ValueClass::Boolean}}};
    sources["table2"] = {writer->Quote("Table2"), {{"col1", writer->Quote("col1"), ValueClass::Other}}};
    TranslateView(rebuilt.sql, sources, *writer);
  }
  return 0;
}
