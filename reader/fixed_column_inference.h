// The fixed columns of a table whose definition is lost, worked out from its
// rows. The fixed area has one length in every row; what its bytes do across
// all rows splits it into fields: 8 bytes that read as dates of 1900 to 2100,
// amounts with four implied decimals (whole cents) or numbers of few
// decimals, 4-byte integers that rise or repeat as keys do, small 2-byte
// integers. A reading must fit every row, bar rows where one null-mask bit
// says the column is absent (its bytes then hold anything); bytes no reading
// fits stay unexplained. Booleans take no bytes: they are null-mask bits
// that vary in a way no column's absence explains.
//
// Every type found this way is a guess (ColumnDef::inferred), shown as one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "reader/property_blob.h"
#include "reader/table_def.h"

// What one row gives for the inference.
struct RowSample {
  std::vector<uint8_t> fixed;     // its fixed area
  std::vector<uint8_t> present;   // its null-mask bits, one per column number (0 or 1)
  std::vector<uint8_t> varEmpty;  // per variable value: 1 when it holds no bytes
};

struct FixedColumnGuess {
  // The fixed fields in offset order: type, fixedOffset and length set, and
  // maskBit the bit that tells the column absent (-1: none known).
  std::vector<ColumnDef> fields;
  // The null-mask bits that are booleans, in bit order.
  std::vector<int32_t> booleanBits;
  // The rows' column count, for matching names to columns.
  int32_t columnCount = 0;
};

// The guess from the rows; nothing for no rows.
FixedColumnGuess InferFixedColumns(const std::vector<RowSample>& rows);

// The guessed columns as table columns: the fixed fields, then the booleans,
// then the table's variable values (already in `variables`, "Value N"),
// after column 0 ("Fixed data"). A guessed column is "Column N", N its
// position in the list, unless the lost table's properties single it out:
// the only date, amount, boolean or text among the guesses takes the name
// of the only column their Format (or text switches) give that kind.
void AddGuessedColumns(const FixedColumnGuess& guess, const ObjectProperties& properties,
                       std::vector<ColumnDef> variables, std::vector<ColumnDef>& columns);
