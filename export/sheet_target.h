// Where the sheet writer puts the rows of a table: the current sheet of a
// workbook, a CSV stream, or a table of a database. The writer walks the
// rows and decides when a sheet is full; a target only lays out the cells
// of the row it is given: their texts, or their values for the typed
// outputs (.xlsx, SQLite, SQL scripts, PostgreSQL).
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

struct CellSlot;

// What a target throws when the table can go no further (a full disk, a
// lost connection, a load the database refused): the table ends there,
// unlike a single refused row. Not a std::runtime_error, so that no
// row-by-row handler takes it for one.
class TableFailure : public std::exception {
 public:
  explicit TableFailure(std::string what) : what_(std::move(what)) {}
  const char* what() const noexcept override { return what_.c_str(); }

 private:
  std::string what_;
};

class SheetTarget {
 public:
  virtual ~SheetTarget() = default;

  // Data rows a sheet takes below its header; the next row starts a
  // continuation sheet.
  virtual int32_t RowsPerSheet() const = 0;
  // Columns a sheet takes; the columns beyond are left out.
  virtual size_t MaxColumns() const { return SIZE_MAX; }
  // Row 1: the column names. `centred` is false for the continuation
  // sheets of an .xls written per table, which the Excel design left unset.
  virtual void WriteHeader(const std::vector<std::string>& names, bool centred) = 0;
  // A data row at rowNumber (from 2), one value per column. A target that
  // refuses it throws std::runtime_error: the row is left out.
  virtual void WriteRow(int32_t rowNumber, const std::vector<std::string_view>& values) = 0;

  // A target that takes each cell's value rather than its text says so;
  // the writer then calls WriteCells in place of WriteRow.
  virtual bool TakesValues() const { return false; }
  // A data row at rowNumber (from 2): the cell (value and text) of each
  // column the header named, in its order. Refused as WriteRow.
  virtual void WriteCells(int32_t /*rowNumber*/, const std::vector<const CellSlot*>& /*cells*/) {}
};
