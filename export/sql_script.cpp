#include "export/sql_script.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "export/sql_value.h"
#include "export/table_ddl.h"

namespace {

// Rows an INSERT takes, and about the most bytes: well under what a MySQL
// server accepts in one statement by default (16 MiB).
constexpr int32_t kRowsPerInsert = 1000;
constexpr size_t kBytesPerInsert = 1 << 20;
constexpr size_t kFlushSize = 1 << 20;

const char* Prelude(SqlDialect dialect) {
  switch (dialect) {
    case SqlDialect::Postgres:
      return "SET client_encoding = 'UTF8';\nSET standard_conforming_strings = on;\n";
    case SqlDialect::Mysql:
      return "SET NAMES utf8mb4;\n";
    case SqlDialect::Sqlite:
      break;
  }
  return "PRAGMA foreign_keys = OFF;\n";
}

}  // namespace

SqlScript::~SqlScript() {
  if (file_) std::fclose(file_);
}

void SqlScript::Flush() {
  if (buffer_.empty()) return;
  const bool written = std::fwrite(buffer_.data(), 1, buffer_.size(), file_) == buffer_.size();
  buffer_.clear();
  if (!written) writeFailed_ = true;
  if (!written) throw TableFailure("could not write " + path_ + ": " + std::strerror(errno));
}

void SqlScript::CreateTables(const std::string& path, const std::vector<TableOutput>& outputs) {
  path_ = path;
  outputs_ = outputs;
  staged_ = std::make_unique<platform::StagedFile>(path);
  file_ = std::fopen(staged_->path().c_str(), "wb");
  if (!file_) throw std::runtime_error(std::strerror(errno));
  buffer_ = Prelude(dialect_);
  for (const TableOutput& output : outputs_) {
    if (!output.columns.empty()) buffer_ += "\n" + CreateTableStatement(dialect_, output) + ";\n";
  }
  try {
    Flush();
  } catch (const TableFailure& failure) {
    throw std::runtime_error(failure.what());
  }
}

void SqlScript::BeginTable(size_t index) {
  table_ = &outputs_.at(index);
  inTable_ = true;
  buffer_ += dialect_ == SqlDialect::Mysql ? "\nSTART TRANSACTION;\n" : "\nBEGIN;\n";
  if (dialect_ == SqlDialect::Postgres) {
    buffer_ += "COPY " + QuoteName(dialect_, table_->identifier) + " FROM stdin;\n";
  }
  statementRows_ = 0;
}

void SqlScript::WriteCells(int32_t, const std::vector<const CellSlot*>& cells) {
  if (dialect_ == SqlDialect::Postgres) {
    for (size_t i = 0; i < cells.size(); ++i) {
      if (i > 0) buffer_.push_back('\t');
      AppendCopyField(*table_->columns[i], *cells[i], buffer_);
    }
    buffer_.push_back('\n');
  } else {
    const size_t before = buffer_.size();
    buffer_ += statementRows_ == 0 ? "INSERT INTO " + QuoteName(dialect_, table_->identifier) + " VALUES\n(" : ",\n(";
    for (size_t i = 0; i < cells.size(); ++i) {
      if (i > 0) buffer_.push_back(',');
      AppendSqlLiteral(dialect_, *table_->columns[i], *cells[i], buffer_);
    }
    buffer_.push_back(')');
    ++statementRows_;
    statementBytes_ += buffer_.size() - before;
    if (statementRows_ == kRowsPerInsert || statementBytes_ >= kBytesPerInsert) EndStatement();
  }
  if (buffer_.size() >= kFlushSize) Flush();
}

void SqlScript::EndStatement() {
  if (statementRows_ == 0) return;
  buffer_ += ";\n";
  statementRows_ = 0;
  statementBytes_ = 0;
}

void SqlScript::EndTable() {
  EndStatement();
  if (dialect_ == SqlDialect::Postgres) buffer_ += "\\.\n";
  buffer_ += "COMMIT;\n";
  inTable_ = false;
  Flush();
}

void SqlScript::AbandonTable() {
  if (!inTable_ || !file_) return;
  inTable_ = false;
  EndStatement();
  if (dialect_ == SqlDialect::Postgres) buffer_ += "\\.\n";
  buffer_ += "ROLLBACK;\n";
  try {
    Flush();
  } catch (const TableFailure&) {
    // The table's failure is reported already.
  }
}

std::vector<std::string> SqlScript::Finish() {
  std::vector<std::string> notes(outputs_.size());
  if (!file_) return notes;
  try {
    Flush();
  } catch (const TableFailure& failure) {
    reportFailure_(failure.what());
  }
  std::string problem;
  if (std::fclose(file_) != 0)
    reportFailure_("Could not write " + path_ + ": " + std::strerror(errno));
  else if (writeFailed_)
    reportFailure_(path_ + " not written: bytes of it could not be written");
  else if (!staged_->Commit(problem))
    reportFailure_("Could not write " + path_ + ": " + problem);
  file_ = nullptr;
  return notes;
}
