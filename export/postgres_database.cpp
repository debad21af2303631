#include "export/postgres_database.h"

#include <libpq-fe.h>

#include <cctype>
#include <regex>
#include <stdexcept>

#include "export/sql_value.h"

namespace {

// Rows go to the server in pieces of about this size.
constexpr size_t kSendSize = 1 << 20;

struct Result {
  explicit Result(PGresult* r) : result(r) {}
  ~Result() { PQclear(result); }
  Result(const Result&) = delete;
  Result& operator=(const Result&) = delete;
  PGresult* result;
};

pg_conn* Connect(const std::string& url, std::string& problem) {
  pg_conn* connection = PQconnectdb(url.c_str());
  if (PQstatus(connection) != CONNECTION_OK) {
    problem = PQerrorMessage(connection);
    while (!problem.empty() && problem.back() == '\n') problem.pop_back();
    if (problem.empty()) problem = "no connection";
    PQfinish(connection);
    return nullptr;
  }
  // The server's notices ("does not exist, skipping") are not the user's.
  PQsetNoticeProcessor(connection, [](void*, const char*) {}, nullptr);
  PQsetClientEncoding(connection, "UTF8");
  return connection;
}

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

}  // namespace

std::string ServerUrlShown(const std::string& url) {
  static const std::regex kUserPassword(R"(^([a-z]+://[^/@:]*):[^/@]*@)");
  static const std::regex kPasswordParameter(R"(([?&])password=[^&]*&?)");
  std::string shown = std::regex_replace(url, kUserPassword, "$1@");
  return std::regex_replace(shown, kPasswordParameter, "$1");
}

std::string ServerProblem(const std::string& url) {
  std::string problem;
  if (pg_conn* connection = Connect(url, problem)) PQfinish(connection);
  return problem;
}

PostgresDatabase::PostgresDatabase(std::string url, bool replaceTables, FailureSink reportFailure)
    : url_(std::move(url)), replaceTables_(replaceTables), reportFailure_(std::move(reportFailure)) {}

PostgresDatabase::~PostgresDatabase() {
  if (connection_) {
    AbandonTable();
    PQfinish(connection_);
  }
}

std::string PostgresDatabase::Error() const {
  return connection_ ? Trimmed(PQerrorMessage(connection_)) : "no connection";
}

void PostgresDatabase::Execute(const std::string& sql) {
  Result result(PQexec(connection_, sql.c_str()));
  if (PQresultStatus(result.result) != PGRES_COMMAND_OK) throw std::runtime_error(Error());
}

void PostgresDatabase::ClearNames(const std::vector<std::pair<std::string, std::string>>& names) {
  for (const auto& [name, quoted] : names) {
    const char* value = name.c_str();
    Result found(PQexecParams(connection_,
                              "SELECT c.relkind FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
                              "WHERE n.nspname = current_schema() AND c.relname = $1",
                              1, nullptr, &value, nullptr, nullptr, 0));
    if (PQresultStatus(found.result) != PGRES_TUPLES_OK) throw std::runtime_error(Error());
    if (PQntuples(found.result) == 0) continue;
    const char kind = *PQgetvalue(found.result, 0, 0);
    const char* what = kind == 'v' ? "VIEW" : kind == 'm' ? "MATERIALIZED VIEW" : kind == 'i' ? "INDEX"
                       : kind == 'S' ? "SEQUENCE" : kind == 'f' ? "FOREIGN TABLE" : "TABLE";
    if (!replaceTables_) {
      std::string lower(what);
      for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      throw std::runtime_error("the " + lower + " " + name + " exists already in the database");
    }
    // Another name's CASCADE may have dropped it already.
    Execute(std::string("DROP ") + what + " IF EXISTS " + quoted + " CASCADE");
  }
}

void PostgresDatabase::CreateTables(const std::string&, const std::vector<TableOutput>& outputs,
                                    const DatabaseExtras& extras) {
  outputs_ = outputs;
  afterData_ = extras.afterData;
  std::string problem;
  connection_ = Connect(url_, problem);
  if (!connection_) throw std::runtime_error(problem);
  try {
    Execute("BEGIN");
    ClearNames(extras.relationNames);
    for (const TableOutput& output : outputs_)
      for (const SqlStatement& statement : output.create)
        if (!statement.sql.empty()) Execute(statement.sql);
    Execute("COMMIT");
  } catch (const std::runtime_error&) {
    PQfinish(connection_);
    connection_ = nullptr;
    throw;
  }
}

void PostgresDatabase::BeginTable(size_t index) {
  table_ = &outputs_.at(index);
  try {
    Execute("BEGIN");
  } catch (const std::runtime_error& error) {
    throw TableFailure(error.what());
  }
  Result copy(PQexec(connection_, ("COPY " + table_->quotedName + " FROM STDIN").c_str()));
  if (PQresultStatus(copy.result) != PGRES_COPY_IN) throw TableFailure(Error());
  copying_ = true;
  buffer_.clear();
}

void PostgresDatabase::SendBuffer() {
  if (!buffer_.empty() && PQputCopyData(connection_, buffer_.data(), static_cast<int>(buffer_.size())) != 1)
    throw TableFailure(Error());
  buffer_.clear();
}

void PostgresDatabase::WriteCells(int32_t, const std::vector<const CellSlot*>& cells) {
  for (size_t i = 0; i < cells.size(); ++i) {
    if (i > 0) buffer_.push_back('\t');
    AppendCopyField(*table_->columns[i], *cells[i], buffer_);
  }
  buffer_.push_back('\n');
  if (buffer_.size() >= kSendSize) SendBuffer();
}

void PostgresDatabase::EndTable() {
  SendBuffer();
  copying_ = false;
  if (PQputCopyEnd(connection_, nullptr) != 1) throw TableFailure(Error());
  std::string refused;
  while (PGresult* r = PQgetResult(connection_)) {
    Result result(r);
    if (PQresultStatus(r) == PGRES_COMMAND_OK || !refused.empty()) continue;
    // "COPY t, line 5, column x: ..." names the row.
    const char* context = PQresultErrorField(r, PG_DIAG_CONTEXT);
    const char* message = PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY);
    std::smatch line;
    std::string where = context ? context : "";
    static const std::regex kLine(R"(, line (\d+))");
    refused = std::regex_search(where, line, kLine) ? "the server refused row " + line[1].str() + ": " : "";
    refused += message ? message : Trimmed(PQresultErrorMessage(r));
    if (!where.empty()) refused += " (" + Trimmed(where) + ")";
  }
  if (!refused.empty()) {
    AbandonTable();
    throw TableFailure(refused);
  }
  try {
    Execute("COMMIT");
  } catch (const std::runtime_error& error) {
    throw TableFailure(error.what());
  }
}

void PostgresDatabase::AbandonTable() {
  if (!connection_) return;
  if (copying_) {
    copying_ = false;
    if (PQputCopyEnd(connection_, "abandoned") == 1) {
      while (PGresult* r = PQgetResult(connection_)) PQclear(r);
    }
  }
  if (PQtransactionStatus(connection_) != PQTRANS_IDLE) PQclear(PQexec(connection_, "ROLLBACK"));
}

std::vector<std::string> PostgresDatabase::Finish() {
  std::vector<std::string> notes(outputs_.size());
  if (connection_) {
    // Each statement commits alone: one that fails leaves the others.
    auto run = [this](const std::string& sql) {
      Result result(PQexec(connection_, sql.c_str()));
      return PQresultStatus(result.result) == PGRES_COMMAND_OK ? std::string() : Error();
    };
    notes = MakeIndexesAndForeignKeys(outputs_, afterData_, run, reportFailure_);
    PQfinish(connection_);
    connection_ = nullptr;
  }
  return notes;
}
