// What the analysis threads do to the main window. Every call is made on the
// window's thread: the threads get there through RunOnGuiThread.
#pragma once

#include <string>
#include <cstdint>

struct DatabaseSchema;
struct TableDef;

class AnalysisHost {
 public:
  virtual ~AnalysisHost() = default;
  // A table the schema read has published; it goes into the tree.
  virtual void AddTableNode(TableDef& table) = 0;
  // After the analysis: a table has `rows` readable deleted rows.
  virtual void AddDeletedRowsNode(TableDef& table, int32_t rows) = 0;
  // After the analysis: the tables' keys, indexes and relationships.
  virtual void AddSchemaNodes(const DatabaseSchema& schema) = 0;
  // The analysis is over for this thread: analysisRunning cleared; Browse,
  // Recover and, when a table was read, Export usable again, with their
  // menu items.
  virtual void EndAnalysisState() = 0;
  // The current progress window shows the end: "Close", 100 percent.
  virtual void ShowAnalysisFinished() = 0;
  // The analysis refused the file after publishing its tables: they leave
  // the tree, as a refused file has none.
  virtual void DropTables() = 0;
  // The file could not be opened: the current progress window shows why
  // and ends at once ("Close"), its bar where it was.
  virtual void ShowAnalysisNotOpened(const std::string& message) = 0;
};
