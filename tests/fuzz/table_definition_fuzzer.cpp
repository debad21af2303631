// One table definition, as the schema read hands it to the parser, in the
// layout whose definition pages it looks like, then its keys and indexes
// written as DDL for each SQL engine.
#include <cstddef>
#include <cstdint>

#include "export/ddl_writer.h"
#include "reader/column_types.h"
#include "reader/page_scan.h"
#include "reader/table_definition.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PageInventory pages(3);
  pages[1] = PageEntry{1, 4096, 1, 0, 0, 4};
  TableDef table;
  ByteSpan definition(data, size);
  const JetLayout& layout = IsDefinitionPage(definition, kJet3Layout) ? kJet3Layout : kJet4Layout;
  ParseTableDefinition(definition, layout, TextDecoder(layout.textStorage, 1252), pages, table);
  for (const ColumnDef& column : table.columns) ColumnTypeName(column);
  DatabaseSchema schema;
  TableSchema& entry = schema.tables.emplace_back();
  entry.table = &table;
  entry.columns.resize(table.columns.size());
  for (SqlDialect dialect : {SqlDialect::Sqlite, SqlDialect::Postgres, SqlDialect::Mysql})
    DdlWriter::Make(dialect, schema)->Script();
  return 0;
}
