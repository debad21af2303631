// Where the sheet writer puts the rows of a table: the current sheet of a
// workbook, or a CSV stream. The writer walks the rows and decides when a
// sheet is full; a target only lays out the cells of the row it is given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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
};
