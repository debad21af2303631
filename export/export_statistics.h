// The record counts of an export, table by table: shown by the front end at
// the end of the job and written to "Export Statistics.log" in the export's
// own folder, closed by the job's closing message, so that a stopped or
// abandoned export says so. Lines end in CR LF.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct StatisticsRow {
  std::string name;
  int32_t rows = 0;
  // What sets the table apart from one written whole ("stopped", "44
  // columns left out", ...); empty for most.
  std::string note;
};

// text with spaces before it up to width characters; longer texts whole.
std::string RightAligned(const std::string& text, size_t width);

// "            Table name             :          No of Records", the colon
// in column 36 like the colons of the rows below it.
std::string StatisticsHeading();

// The name right-aligned in 35 characters (longer names whole, whatever
// bytes they hold), a colon, the count right-aligned in 20; the note, if
// any, after it in parentheses.
std::string StatisticsLine(const StatisticsRow& row);

// The whole file: "Database Path : ", an empty line, the heading, the rows,
// then, when given, an empty line and the closing message.
std::string StatisticsText(const std::string& databasePath, const std::vector<StatisticsRow>& rows,
                           const std::string& closing = std::string());

// What of the schema a database export left out, one line a note under a
// heading, ending in an empty line; empty without notes. Goes before the
// closing message.
std::string SchemaNotesText(const std::vector<std::string>& notes);

// Replaces the file at path; false when it cannot be written.
bool WriteStatisticsFile(const std::string& path, const std::string& databasePath,
                         const std::vector<StatisticsRow>& rows, const std::string& closing = std::string());
