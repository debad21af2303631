#include "export/database_target.h"

namespace {

// What the statistics say of an index; empty when made as written.
std::string CreateIndex(const std::string& sql, const std::function<std::string(const std::string&)>& run) {
  const std::string error = run(sql);
  if (error.empty()) return "";
  if (sql.rfind("ALTER TABLE ", 0) == 0) return "primary key not made: " + error;
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
