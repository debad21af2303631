#include "export/database_target.h"

namespace {

// The column an ALTER TABLE ... ALTER COLUMN / MODIFY names, unquoted.
std::string ColumnNamed(const std::string& sql) {
  size_t at = sql.find(" ALTER COLUMN ");
  at = at != std::string::npos ? at + 14 : sql.find(" MODIFY ") + 8;
  if (at >= sql.size()) return "a column";
  const char quote = sql[at];
  std::string name;
  for (size_t i = at + 1; i < sql.size(); ++i) {
    if (sql[i] == quote && (i + 1 >= sql.size() || sql[i + 1] != quote)) break;
    if (sql[i] == quote) ++i;
    name += sql[i];
  }
  return name;
}

// What the statistics say of an index; empty when made as written.
std::string CreateIndex(const std::string& sql, const std::function<std::string(const std::string&)>& run) {
  const std::string error = run(sql);
  if (error.empty()) return "";
  if (sql.rfind("ALTER TABLE ", 0) == 0) {
    if (sql.find(" ADD PRIMARY KEY ") == std::string::npos) return "NOT NULL not set on " + ColumnNamed(sql) + ": " + error;
    return "primary key not made: " + error;
  }
  const size_t start = sql.find("INDEX ") + 6;
  const std::string name = sql.substr(start, sql.find(" ON ", start) - start);
  const std::string unique = "CREATE UNIQUE INDEX ";
  if (sql.rfind(unique, 0) == 0 && run("CREATE INDEX " + sql.substr(unique.size())).empty())
    return "values repeat in the unique index " + name + ": made without UNIQUE";
  return "index " + name + " not made: " + error;
}

}  // namespace

void AddNote(std::string& notes, const std::string& note) {
  if (!note.empty()) notes += (notes.empty() ? "" : ", ") + note;
}

std::vector<std::string> MakeIndexesAndForeignKeys(const std::vector<TableOutput>& outputs,
                                                   const std::vector<SqlStatement>& afterData,
                                                   const std::function<std::string(const std::string&)>& run,
                                                   const FailureSink& reportFailure) {
  std::vector<std::string> notes(outputs.size());
  for (size_t i = 0; i < outputs.size(); ++i)
    for (const SqlStatement& index : outputs[i].indexes) AddNote(notes[i], CreateIndex(index.sql, run));
  for (const SqlStatement& statement : afterData) {
    if (statement.sql.empty()) continue;
    const std::string error = run(statement.sql);
    if (!error.empty()) reportFailure("Could not run " + statement.sql.substr(0, statement.sql.find('\n')) + ": " + error);
  }
  return notes;
}
