// The four system tables whose definitions sit on pages 2-5, column for
// column and index for index as Access writes them, so that their
// free-space words come out as the reader's signature expects (0x0BDE,
// 0x0EA9, 0x0DEB, 0x0CCB; Access 97 marks them "VC" instead); and the
// catalog rows of MSysObjects.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/table_definition.h"
#include "tests/support/test_db_builder.h"

namespace testdb {

TableDefinition MSysObjectsDefinition(const FileFormat& format = {});
TableDefinition MSysACEsDefinition(const FileFormat& format = {});
TableDefinition MSysQueriesDefinition(const FileFormat& format = {});
TableDefinition MSysRelationshipsDefinition(const FileFormat& format = {});

// Catalog object types and ids.
constexpr int16_t kObjectTable = 1;
constexpr int16_t kObjectDatabase = 2;
constexpr int16_t kObjectContainer = 3;
constexpr int16_t kObjectQuery = 5;
constexpr int16_t kObjectLinkedTable = 6;
constexpr uint32_t kTablesContainerId = 0x0F000001;
constexpr uint32_t kSystemTableFlags = 0x80000000;
constexpr uint32_t kLinkedTableFlags = 0x00200000;

struct CatalogObject {
  uint32_t id = 0;
  uint32_t parentId = kTablesContainerId;
  std::string name{};
  int16_t type = kObjectTable;
  uint32_t flags = 0;
  std::string database{};     // linked tables: the file
  std::string foreignName{};  // linked tables: the table there
  std::vector<uint8_t> properties{};  // the LvProp value, kept in the row
};

// The values of an object's MSysObjects row, in that definition's record order.
std::vector<Value> CatalogRowValues(const TableDefinition& msysObjects, const CatalogObject& object, double date);

// The containers, MSysDb and the four system tables, as every file has them.
std::vector<CatalogObject> StandardCatalogObjects();

// The MSysQueries rows that give a saved query its SQL, in that definition's
// record order.
std::vector<std::vector<Value>> QueryRowsValues(const TableDefinition& msysQueries, uint32_t objectId,
                                                const Query& query);

// The MSysRelationships rows of a relationship, one per pair of columns.
std::vector<std::vector<Value>> RelationshipRowsValues(const TableDefinition& msysRelationships,
                                                       const Relationship& relationship);

}  // namespace testdb
