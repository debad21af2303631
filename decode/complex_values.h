// The values of complex columns (reader/complex_columns.h), read from their
// flat tables: a row's attachments (their files written where OLE objects
// go, beside them), its multiple values, or the latest text of a version
// history. Each flat table is read once per decoder, on the first row that
// needs it, into an index of its rows by the parent's id; only the columns
// needed are decoded, so reading the index writes no file.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "format/value.h"
#include "reader/table_def.h"

class MdbFile;
class OleFileWriter;

class ComplexValues {
 public:
  // The session, the stop flag and the file writer must outlive this object.
  ComplexValues(const MdbFile& db, const std::atomic<uint8_t>& stopRequested, OleFileWriter& files);

  // The values the parent row whose id is `id` holds in `column` of `table`.
  // An id no flat row names gives an empty value; a column whose flat table
  // is not found, a marker.
  void Decode(const TableDef& table, const ColumnDef& column, int32_t id, Value& out);

 private:
  // One flat row: its value (an attachment: its file name, and its FileData
  // field as stored), and the date of a version.
  struct Item {
    Value value;
    std::string fileData;
    double modified = 0;
  };
  struct Index {
    bool found = false;
    std::unordered_map<int32_t, std::vector<Item>> rows;
  };

  Index& IndexOf(const TableDef& table, const ColumnDef& column);
  void Build(const TableDef& flat, const ColumnDef& column, Index& index);
  void DecodeAttachments(const TableDef& table, const ColumnDef& column, int32_t id, const std::vector<Item>& items,
                         Value& out);

  const MdbFile& db_;
  const std::atomic<uint8_t>& stopRequested_;
  OleFileWriter& files_;
  // By the parent's definition page and the column's number.
  std::map<std::pair<int32_t, int32_t>, Index> indexes_;
};
