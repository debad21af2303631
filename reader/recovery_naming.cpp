#include "reader/recovery_naming.h"

#include <cstdio>
#include <string_view>

#include "reader/table_listing.h"

namespace {

constexpr std::string_view kRecoveredPrefix = "Recovered Table ";
constexpr std::string_view kRecoveredSystemPrefix = "Recovered System Table ";
constexpr int32_t kTableObject = 1;

std::string Numbered(std::string_view prefix, int number) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%02d", number);
  return std::string(prefix) + digits;
}

}  // namespace

std::string ProvisionalTableName(size_t position, int32_t definitionPage) {
  char text[64];
  std::snprintf(text, sizeof text, "Recovered Table %04zu-%04d", position, definitionPage);
  return text;
}

namespace {

// Tables still named `prefix` were not named by the catalog: they get the
// prefix and a number, counted from the end of the list. System tables so
// found are numbered apart, so that the user's tables keep their numbers.
int NameUnnamedAndFilter(TableList& tables, std::string_view prefix) {
  int named = 0, namedSystem = 0;
  for (size_t i = tables.size(); i-- > 0;) {
    TableDef& table = *tables[i];
    // A catalog name that happens to look unnamed is renumbered as well.
    if (table.name.starts_with(prefix)) {
      table.objectType = kTableObject;
      table.name = table.system ? Numbered(kRecoveredSystemPrefix, ++namedSystem) : Numbered(prefix, ++named);
    }
    if (table.objectType != kTableObject) {
      tables.erase(tables.begin() + static_cast<std::ptrdiff_t>(i));
      continue;
    }
    table.system = table.system || IsSystemCatalogObject(table.catalogFlags, table.name);
  }
  return named;
}

}  // namespace

int NameRecoveredTablesAndFilter(TableList& tables) { return NameUnnamedAndFilter(tables, kRecoveredPrefix); }

int NameOrphanTablesAndFilter(TableList& tables) { return NameUnnamedAndFilter(tables, kOrphanPrefix); }
