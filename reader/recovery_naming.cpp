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

int NameRecoveredTablesAndFilter(TableList& tables) {
  int recovered = 0;
  for (size_t i = tables.size(); i-- > 0;) {
    TableDef& table = *tables[i];
    // A catalog name that happens to look recovered is renumbered as well.
    if (table.name.starts_with(kRecoveredPrefix)) {
      table.objectType = kTableObject;
      char text[40];
      std::snprintf(text, sizeof text, "Recovered Table %02d", ++recovered);
      table.name = text;
    }
    if (table.objectType != kTableObject || table.name.starts_with(kSystemPrefix))
      tables.erase(tables.begin() + static_cast<std::ptrdiff_t>(i));
  }
  return recovered;
}
