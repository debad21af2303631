// The statements that create an output's table in a dialect: its columns
// with their types, and what the dialect needs to keep every character of
// the rows (MySQL: utf8mb4, and text columns that fit its row size).
#pragma once

#include <string>

#include "export/database_target.h"

std::string CreateTableStatement(SqlDialect dialect, const TableOutput& output);
