// Decoding a row allocates nothing once its texts have room: values are
// rendered into the cells' own texts and the row text is reused.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "decode/row_reader.h"
#include "tests/decode/test_pages.h"

namespace {
std::atomic<bool> counting{false};
std::atomic<int> allocations{0};
}  // namespace

// The replacement pair hands out malloc'ed memory, so free is its match.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(size_t size) {
  if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }

namespace {

using decodetest::Bytes;
using decodetest::Column;
using decodetest::Concat;
using decodetest::Le16;
using decodetest::Le32;
using decodetest::Le64;

TEST(RowAllocationTest, DecodingARowAgainAllocatesNothing) {
  decodetest::TestSession session;
  TableDef table;
  table.maxColumns = 12;
  // Fixed: LONG, CURRENCY, DOUBLE, DATE, GUID, NUMERIC, INT, BYTE, BIT.
  // Variable: TEXT, BINARY, MEMO (inline).
  table.columns = {Column(4, 0, true, 0, 4),   Column(5, 1, true, 4, 8),   Column(7, 2, true, 12, 8),
                   Column(8, 3, true, 20, 8),  Column(15, 4, true, 28, 16), Column(16, 5, true, 44, 17),
                   Column(3, 6, true, 61, 2),  Column(2, 7, true, 63, 1),  Column(1, 8, true, 0, 1),
                   Column(10, 9, false, 0, 255, 0), Column(9, 10, false, 0, 255, 1), Column(12, 11, false, 0, 0, 2)};
  table.columns[5].precision = 18;
  table.columns[5].scale = 2;
  Bytes fixed = Concat({Le32(123456), Le64(1234567890123), Le64(0x400921FB54442D18), Le64(0x40E315A000000000),
                        Bytes(16, 0xAB), Bytes{0}, Bytes(12, 0), Le32(987654321), Le16(65535), Bytes{200}});
  Bytes memo = Concat({Le16(30), Le16(0x8000), Bytes(8, 0), decodetest::Ucs2("an inline memo")});
  Bytes row = decodetest::EncodeRow(
      {12, fixed, {decodetest::Ucs2("a text value of some length"), Bytes(40, 0x5A), memo}, std::vector<bool>(12, true)});
  Bytes page = decodetest::DataPage(2, {row});
  RowDecoder decoder(session.db, session.progress.stopRequested, session.oleFiles);
  std::copy(page.begin(), page.end(), decoder.page().begin());
  decoder.ResetCells(table);

  std::string text;
  ASSERT_EQ(decoder.ReadRow(table, 0, text), 1);
  ASSERT_NE(text.find("an inline memo"), std::string::npos) << text;
  allocations = 0;
  counting = true;
  int result = decoder.ReadRow(table, 0, text);
  counting = false;
  EXPECT_EQ(result, 1);
  EXPECT_EQ(allocations.load(), 0);
}

}  // namespace
