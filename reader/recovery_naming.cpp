#include "reader/recovery_naming.h"

#include <cstdio>
#include <string_view>

namespace {

constexpr std::string_view kRecoveredPrefix = "Recovered Table ";
constexpr std::string_view kSystemPrefix = "MSys";
constexpr int32_t kTableObject = 1;

}  // namespace

std::string ProvisionalTableName(size_t position, int32_t definitionPage) {
  char text[64];
  std::snprintf(text, sizeof text, "Recovered Table %04zu-%04d", position, definitionPage);
  return text;
}

namespace {

// Tables still named `prefix` were not named by the catalog: they get the
// prefix and a number, counted from the end of the list.
int NameUnnamedAndFilter(TableList& tables, std::string_view prefix) {
  int named = 0;
  for (size_t i = tables.size(); i-- > 0;) {
    TableDef& table = *tables[i];
    // A catalog name that happens to look unnamed is renumbered as well.
    if (table.name.starts_with(prefix)) {
      table.objectType = kTableObject;
      table.recovered = true;
      char number[16];
      std::snprintf(number, sizeof number, "%02d", ++named);
      table.name = std::string(prefix) + number;
    }
    if (table.objectType != kTableObject || table.name.starts_with(kSystemPrefix))
      tables.erase(tables.begin() + static_cast<std::ptrdiff_t>(i));
  }
  return named;
}

}  // namespace

int NameRecoveredTablesAndFilter(TableList& tables) { return NameUnnamedAndFilter(tables, kRecoveredPrefix); }

int NameOrphanTablesAndFilter(TableList& tables) { return NameUnnamedAndFilter(tables, kOrphanPrefix); }
