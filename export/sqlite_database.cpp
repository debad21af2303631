#include "export/sqlite_database.h"

#include <sqlite3.h>

#include <cstdio>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "export/sql_value.h"

namespace {

// Each connection is used by one thread at a time, and nothing reads the
// library's memory statistics: the locks both take cost a tenth of a load.
void ConfigureLibrary() {
  static std::once_flag once;
  std::call_once(once, [] { sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0); });
}

}  // namespace

SqliteDatabase::~SqliteDatabase() {
  if (db_) {
    AbandonTable();
    Close();
  }
}

std::string SqliteDatabase::Error() const { return db_ ? sqlite3_errmsg(db_) : "no database"; }

std::string SqliteDatabase::Run(const std::string& sql) {
  char* message = nullptr;
  if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK) return std::string();
  std::string what = message ? message : Error();
  sqlite3_free(message);
  return what;
}

void SqliteDatabase::Execute(const std::string& sql) {
  if (std::string error = Run(sql); !error.empty()) throw std::runtime_error(error);
}

void SqliteDatabase::Close() {
  sqlite3_finalize(insert_);
  insert_ = nullptr;
  sqlite3_close(db_);
  db_ = nullptr;
}

void SqliteDatabase::CreateTables(const std::string& path, const std::vector<TableOutput>& outputs,
                                  const DatabaseExtras& extras) {
  path_ = path;
  outputs_ = outputs;
  bareNotes_.assign(outputs_.size(), std::string());
  afterData_ = extras.afterData;
  staged_ = std::make_unique<platform::StagedFile>(path);
  // What a killed run left under the temporary name is no start.
  std::remove(staged_->path().c_str());
  ConfigureLibrary();
  if (sqlite3_open_v2(staged_->path().c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                      nullptr) != SQLITE_OK) {
    std::string why = Error();
    Close();
    throw std::runtime_error(why);
  }
  try {
    // A file being built: a rollback is all the journal is for.
    Execute("PRAGMA page_size=16384; PRAGMA journal_mode=MEMORY; PRAGMA synchronous=OFF; PRAGMA foreign_keys=OFF; "
            "PRAGMA cache_size=-32768");
    Execute("BEGIN");
    for (const TableOutput& output : outputs_)
      for (const SqlStatement& statement : output.create)
        if (!statement.sql.empty()) Execute(statement.sql);
    Execute("COMMIT");
  } catch (const std::runtime_error&) {
    Close();
    throw;
  }
}

void SqliteDatabase::BeginTable(size_t index) {
  table_ = &outputs_.at(index);
  texts_.resize(table_->columns.size());
  if (!PrepareInsert() || sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) throw TableFailure(Error());
}

bool SqliteDatabase::PrepareInsert() {
  std::string sql = "INSERT INTO " + table_->quotedName + " VALUES (";
  for (size_t i = 0; i < table_->columns.size(); ++i) sql += i ? ",?" : "?";
  sql += ")";
  return sqlite3_prepare_v2(db_, sql.c_str(), -1, &insert_, nullptr) == SQLITE_OK;
}

void SqliteDatabase::MakeTableBare(const std::string& why) {
  // SQLite cannot add a key or NOT NULL once the rows are in: the table is
  // made again without them, with the rows so far. The old name is kept
  // in the other tables' foreign keys.
  sqlite3_finalize(insert_);
  insert_ = nullptr;
  const std::string& name = table_->quotedName;
  const std::string old = "\"brevantis: rows so far\"";
  const std::string error = Run("PRAGMA legacy_alter_table=ON; ALTER TABLE " + name + " RENAME TO " + old + "; " +
                                table_->bareCreate + "; INSERT INTO " + name + " SELECT * FROM " + old +
                                "; DROP TABLE " + old + "; PRAGMA legacy_alter_table=OFF");
  if (!error.empty() || !PrepareInsert()) throw TableFailure(error.empty() ? Error() : error);
  BareNote() = "primary key and NOT NULL not made, the rows break them: " + why;
}

void SqliteDatabase::WriteCells(int32_t, const std::vector<const CellSlot*>& cells) {
  int result = InsertRow(cells);
  if ((result & 0xFF) == SQLITE_CONSTRAINT && !table_->bareCreate.empty() && BareNote().empty()) {
    MakeTableBare(Error());
    result = InsertRow(cells);
  }
  if (result == SQLITE_DONE) return;
  // A refused row leaves the table's transaction as it was; anything else
  // (a full disk, a failed write) may have rolled it back.
  if ((result & 0xFF) == SQLITE_CONSTRAINT || (result & 0xFF) == SQLITE_TOOBIG) throw std::runtime_error(Error());
  throw TableFailure(Error());
}

int SqliteDatabase::InsertRow(const std::vector<const CellSlot*>& cells) {
  for (size_t i = 0; i < cells.size(); ++i) {
    const Value& value = cells[i]->value;
    const int k = static_cast<int>(i) + 1;
    switch (value.kind) {
      case ValueKind::Null:
        sqlite3_bind_null(insert_, k);
        break;
      case ValueKind::Boolean:
      case ValueKind::Integer:
        sqlite3_bind_int64(insert_, k, value.integer);
        break;
      case ValueKind::Single:
      case ValueKind::Double:
        sqlite3_bind_double(insert_, k, RealNumber(value));
        break;
      case ValueKind::Binary:
      case ValueKind::Ole:
        sqlite3_bind_blob64(insert_, k, value.bytes.data(), value.bytes.size(), SQLITE_STATIC);
        break;
      case ValueKind::Currency:
      case ValueKind::Decimal:
      case ValueKind::DateTime:
      case ValueKind::DateTimeExtended: {
        // The column's affinity makes a number of the exact text; a date
        // stays text.
        std::string& text = texts_[i];
        text.clear();
        if (value.kind == ValueKind::Currency || value.kind == ValueKind::Decimal) {
          AppendExactNumber(value, text);
        } else if (!AppendIsoDateTime(value, 7, text)) {
          text = CellValueText(*cells[i]);
        }
        sqlite3_bind_text64(insert_, k, text.data(), text.size(), SQLITE_STATIC, SQLITE_UTF8);
        break;
      }
      default: {
        const std::string& text = CellValueText(*cells[i]);
        sqlite3_bind_text64(insert_, k, text.data(), text.size(), SQLITE_STATIC, SQLITE_UTF8);
        break;
      }
    }
  }
  const int result = sqlite3_step(insert_);
  sqlite3_reset(insert_);
  return result;
}

void SqliteDatabase::EndTable() {
  sqlite3_finalize(insert_);
  insert_ = nullptr;
  if (sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
    std::string why = Error();
    AbandonTable();
    throw TableFailure(why);
  }
}

void SqliteDatabase::AbandonTable() {
  sqlite3_finalize(insert_);
  insert_ = nullptr;
  if (db_ && !sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

std::vector<int64_t> SqliteDatabase::ForeignKeyViolations() {
  std::vector<int64_t> violations(outputs_.size(), 0);
  std::map<std::string, size_t> byName;
  for (size_t i = 0; i < outputs_.size(); ++i) byName[outputs_[i].identifier] = i;
  sqlite3_stmt* check = nullptr;
  int result = sqlite3_prepare_v2(db_, "PRAGMA foreign_key_check", -1, &check, nullptr);
  while (result == SQLITE_OK && (result = sqlite3_step(check)) == SQLITE_ROW) {
    const unsigned char* table = sqlite3_column_text(check, 0);
    auto found = table ? byName.find(reinterpret_cast<const char*>(table)) : byName.end();
    if (found != byName.end()) ++violations[found->second];
    result = SQLITE_OK;
  }
  if (result != SQLITE_DONE) reportFailure_("Could not check the foreign keys of " + path_ + ": " + Error());
  sqlite3_finalize(check);
  return violations;
}

std::vector<std::string> SqliteDatabase::Finish() {
  std::vector<std::string> notes(outputs_.size());
  if (!db_) return notes;
  sqlite3_finalize(insert_);
  insert_ = nullptr;
  // Indexes sort rows that are all in: faster than keeping them up row by
  // row, and one transaction for all of them. The sort takes as much
  // memory as the page cache: a smaller one keeps the export's memory
  // what the loading took.
  auto run = [this](const std::string& sql) { return Run(sql); };
  run("PRAGMA cache_size=-8192");
  // The sorts run on a helper thread while the next merges.
  if (std::thread::hardware_concurrency() >= 2) run("PRAGMA threads=2");
  run("BEGIN");
  notes = MakeIndexesAndForeignKeys(outputs_, afterData_, run, reportFailure_);
  for (size_t i = 0; i < outputs_.size(); ++i) AddNote(notes[i], bareNotes_[i]);
  if (!run("COMMIT").empty()) reportFailure_("Could not make the indexes of " + path_ + ": " + Error());
  const std::vector<int64_t> violations = ForeignKeyViolations();
  for (size_t i = 0; i < outputs_.size(); ++i) {
    if (violations[i] == 0) continue;
    AddNote(notes[i], std::to_string(violations[i]) +
                          (violations[i] == 1 ? " row breaks a foreign key" : " rows break a foreign key"));
  }
  const int closed = sqlite3_close(db_);
  db_ = nullptr;
  std::string problem;
  if (closed != SQLITE_OK)
    reportFailure_("Could not close " + path_);
  else if (!staged_->Commit(problem))
    reportFailure_("Could not write " + path_ + ": " + problem);
  return notes;
}
