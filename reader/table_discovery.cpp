#include "reader/table_discovery.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "format/field_readers.h"
#include "reader/catalog.h"
#include "reader/column_doubts.h"
#include "reader/complex_columns.h"
#include "reader/mdb_file.h"
#include "reader/orphan_tables.h"
#include "reader/recovery_naming.h"
#include "reader/row_counts.h"
#include "reader/table_definition.h"
#include "reader/table_listing.h"
#include "reader/usage_map.h"
#include "report/progress_channel.h"

namespace {

// Follows the link words from the head's page through the other candidates
// and returns the pages found, in chain order, marking each. A link that
// comes back to a page already in the chain ends it.
std::vector<int32_t> WalkDefinitionChain(const PageInventory& pages, const TableList& candidates, size_t head,
                                         std::vector<uint8_t>& marks) {
  std::vector<int32_t> chain;
  int32_t headPage = candidates[head]->definitionPage;
  int32_t next = pages[static_cast<size_t>(headPage)].linkPage;
  while (next != 0 && next != headPage && std::find(chain.begin(), chain.end(), next) == chain.end()) {
    auto found = FindTable(candidates, next);
    if (found == candidates.end()) break;  // a chain that ends early keeps what it has
    chain.push_back(next);
    marks[static_cast<size_t>(found - candidates.begin())] = 1;
    next = pages[static_cast<size_t>(next)].linkPage;
  }
  return chain;
}

// Reads the table's whole definition (the first page, then each further page
// without its header; the last header-sized bytes per further page stay
// zero) and parses it, its usage map applied. 0 when its column count reads 0.
int ReadSchema(const MdbFile& db, TableDef& table, std::vector<uint8_t>& definition, std::vector<uint8_t>& page,
               UsageMapResult& map) {
  const JetLayout& layout = db.Layout();
  const size_t pageBytes = static_cast<size_t>(layout.pageSize);
  const size_t continuationBytes = pageBytes - static_cast<size_t>(layout.headerSize);
  definition.assign((table.continuationPages.size() + 1) * pageBytes, 0);
  db.ReadPage(definition.data(), table.definitionPage);
  for (size_t j = 0; j < table.continuationPages.size(); ++j) {
    db.ReadPage(page.data(), table.continuationPages[j]);
    std::copy(page.begin() + layout.headerSize, page.end(),
              definition.begin() + static_cast<std::ptrdiff_t>(pageBytes + j * continuationBytes));
  }
  if (ParseTableDefinition(definition, layout, db.Text(), db.pages, table) == 0) return 0;
  map = ApplyUsageMap(db, definition, table);
  table.expectedRows =
      PlausibleRowCount(ReadDefinitionHeader(definition, layout).rowCount, static_cast<int64_t>(db.pages.size()), layout);
  return 1;
}

int32_t CountUserTables(const std::vector<CatalogEntry>& catalog) {
  constexpr int32_t kTableObject = 1;
  return static_cast<int32_t>(std::count_if(catalog.begin(), catalog.end(), [](const CatalogEntry& row) {
    return row.objectType == kTableObject && !row.deleted && !IsSystemCatalogObject(row.flags, row.name);
  }));
}

}  // namespace

int ReadTables(MdbFile& db, ProgressChannel& progress, const RowCounter& countRows) {
  const JetLayout& layout = db.Layout();
  const PageInventory& pages = db.pages;
  TableList& tables = db.tables;
  tables.clear();
  for (const PageEntry& entry : pages)
    if (entry.Is(PageType::TableDefinition)) {
      auto table = std::make_unique<TableDef>();
      table->definitionPage = entry.pageNumber;
      table->name = ProvisionalTableName(tables.size() + 1, entry.pageNumber);
      tables.push_back(std::move(table));
    }

  std::vector<uint8_t> marks(tables.size(), 0);
  std::vector<uint8_t> page(static_cast<size_t>(layout.pageSize));
  for (size_t k = 0; k < tables.size(); ++k) {
    TableDef& table = *tables[k];
    db.ReadPage(page.data(), table.definitionPage);
    DefinitionHeader header = ReadDefinitionHeader(page, layout);
    ApplyDefinitionHeader(header, table);
    table.system = header.objectType == layout.systemTableType;
    if (!header.Holds() || (header.objectType != layout.userTableType && !table.system)) {
      marks[k] = 1;
      continue;
    }
    if (marks[k]) continue;  // continues an earlier definition
    table.continuationPages = WalkDefinitionChain(pages, tables, k, marks);
  }
  for (size_t k = tables.size(); k-- > 0;)
    if (marks[k]) tables.erase(tables.begin() + static_cast<std::ptrdiff_t>(k));

  // Read once: it names the tables and the rows whose definition is lost.
  const std::vector<CatalogEntry> catalog = ReadCatalog(db);
  db.catalogUserTables = CountUserTables(catalog);
  NameTablesFromCatalog(db, catalog, progress);
  // Rows whose definition is lost follow, as tables of their own.
  TableList orphans = FindOrphanTables(db, catalog);
  ApplyCatalog(catalog, orphans);
  NameOrphanTablesAndFilter(orphans);
  for (auto& orphan : orphans) tables.push_back(std::move(orphan));

  const bool showSystem = db.ShowsSystemTables();
  const auto listed = std::count_if(tables.begin(), tables.end(),
                                    [&](const auto& table) { return IsTableListed(*table, showSystem); });
  const auto userTables = std::count_if(tables.begin(), tables.end(),
                                        [](const auto& table) { return !table->system; });
  progress.statusText.Set("Analyzing Completed");
  progress.ReportStatus();
  progress.tableTotal.store(static_cast<int32_t>(listed));
  progress.statusText.Set("User tables found = " + std::to_string(userTables));
  progress.ReportStatus();
  if (progress.StopRequested()) return -1;

  // The system tables first, without reports: the user's tables need them
  // (complex columns), whatever pages they lie on.
  std::vector<uint8_t> definition;
  UsageMapResult map = UsageMapResult::Applied;
  for (auto& table : tables)
    if (table->system && !table->orphan) ReadSchema(db, *table, definition, page, map);
  const std::vector<ComplexColumnEntry> complexColumns = ReadComplexColumnCatalog(db);

  progress.tablesDone.store(0);
  for (size_t k = 0; k < tables.size();) {
    if (progress.StopRequested()) {
      progress.WakeTableWatcher();
      tables.resize(k + 1);
      break;
    }
    TableDef& table = *tables[k];
    table.ordinal = static_cast<int32_t>(k);
    const bool reported = IsTableListed(table, showSystem);
    // An orphan's columns came from its rows; a system table's definition
    // was read above.
    bool read = table.orphan || !table.columns.empty();
    if (!table.orphan && !table.system) {
      read = ReadSchema(db, table, definition, page, map) != 0;
      // Recovery must not lose rows to a damaged map: the owner words stand.
      if (read && map != UsageMapResult::Applied && reported) {
        progress.statusText.Set("Usage map unreadable, pages taken by owner : " + table.name);
        progress.ReportStatus();
      }
      if (read && CheckColumnTypes(db, table) > 0 && reported) {
        for (const std::string& doubt : table.doubts) {
          progress.statusText.Set("Column type doubted in " + table.name + ": " + doubt);
          progress.ReportStatus();
        }
      }
      if (read && table.expectedRows < 0 && reported) {
        progress.statusText.Set("Row count stated for " + table.name + " does not fit the file: " +
                                std::to_string(ReadDefinitionHeader(definition, layout).rowCount));
        progress.ReportStatus();
      }
    }
    if (!read) {
      // The next table moves up into this position; the watchers still get
      // this position's report, without a table to show.
      std::string name = table.name;
      tables.erase(tables.begin() + static_cast<std::ptrdiff_t>(k));
      if (reported && !progress.ReportTable(nullptr, name)) break;
      continue;
    }
    ResolveComplexColumns(db, complexColumns, table);
    if (reported && countRows) table.rowsFound = countRows(table);
    if (reported && !progress.ReportTable(&table, table.name)) break;
    ++k;
  }
  // Flat tables read after the tables whose values they hold.
  for (auto& table : tables) ResolveComplexColumns(db, complexColumns, *table);
  return static_cast<int>(tables.size());
}
