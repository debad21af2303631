#include "xls/cell_address.h"

#include <gtest/gtest.h>

namespace {

struct AddressCase {
  const char* address;
  int row;     // from 0; -1 when refused
  int column;  // from 0
};

void PrintTo(const AddressCase& c, std::ostream* os) { *os << '"' << c.address << '"'; }

class CellAddressTest : public testing::TestWithParam<AddressCase> {};

TEST_P(CellAddressTest, NamesTheCellOrNone) {
  const AddressCase& c = GetParam();
  auto cell = xls::ParseCellAddress(c.address);
  if (c.row < 0) {
    EXPECT_FALSE(cell.has_value()) << c.address;
    return;
  }
  ASSERT_TRUE(cell.has_value()) << c.address;
  EXPECT_EQ(cell->row, c.row);
  EXPECT_EQ(cell->column, c.column);
}

INSTANTIATE_TEST_SUITE_P(Accepted, CellAddressTest,
                         testing::Values(AddressCase{"A1", 0, 0}, AddressCase{"Z1", 0, 25},
                                         AddressCase{"AA1", 0, 26}, AddressCase{"AZ1", 0, 51},
                                         AddressCase{"BA1", 0, 52}, AddressCase{"IU1", 0, 254},
                                         AddressCase{"IV65536", 65535, 255}, AddressCase{"b7", 6, 1},
                                         AddressCase{"$C$12", 11, 2}, AddressCase{"C$12", 11, 2}));

INSTANTIATE_TEST_SUITE_P(Refused, CellAddressTest,
                         testing::Values(AddressCase{"", -1, 0}, AddressCase{"A", -1, 0}, AddressCase{"1", -1, 0},
                                         AddressCase{"A0", -1, 0}, AddressCase{"A65537", -1, 0},
                                         AddressCase{"IW1", -1, 0}, AddressCase{"AAA1", -1, 0},
                                         AddressCase{"A01", -1, 0}, AddressCase{"A1:B2", -1, 0},
                                         AddressCase{" A1", -1, 0}, AddressCase{"A1 ", -1, 0},
                                         AddressCase{"A-1", -1, 0}, AddressCase{"[1", -1, 0},
                                         AddressCase{"A9999999", -1, 0}));

}  // namespace
