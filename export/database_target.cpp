#include "export/database_target.h"

std::string CreateIndex(const std::string& sql, const std::function<std::string(const std::string&)>& run) {
  const std::string error = run(sql);
  if (error.empty()) return "";
  const size_t start = sql.find("INDEX ") + 6;
  const std::string name = sql.substr(start, sql.find(" ON ", start) - start);
  const std::string unique = "CREATE UNIQUE INDEX ";
  if (sql.rfind(unique, 0) == 0 && run("CREATE INDEX " + sql.substr(unique.size())).empty())
    return "values repeat in the unique index " + name + ": made without UNIQUE";
  return "index " + name + " not made: " + error;
}
