// One table definition, as the schema read hands it to the parser, then its
// keys and indexes written as DDL for each SQL engine.
#include <cstddef>
#include <cstdint>

#include "export/ddl_writer.h"
#include "reader/column_types.h"
#include "reader/table_definition.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PageInventory pages(3);
  pages[1] = PageEntry{1, 4096, 1, 0, 0, 4};
  TableDef table;
  ParseTableDefinition(ByteSpan(data, size), kJet4Layout, pages, table);
  for (const ColumnDef& column : table.columns) ColumnTypeName(column);
  DatabaseSchema schema;
  TableSchema& entry = schema.tables.emplace_back();
  entry.table = &table;
  entry.columns.resize(table.columns.size());
  for (SqlDialect dialect : {SqlDialect::Sqlite, SqlDialect::Postgres, SqlDialect::Mysql})
    DdlWriter::Make(dialect, schema)->Script();
  return 0;
}
