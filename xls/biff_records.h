// Record types and fixed values of the BIFF8 workbook stream that the file
// writer and reader share.
#pragma once

#include <cstddef>
#include <cstdint>

namespace xls::biff {

constexpr uint16_t kBof = 0x0809;
constexpr uint16_t kEof = 0x000A;
constexpr uint16_t kCodePage = 0x0042;
constexpr uint16_t kWindow1 = 0x003D;
constexpr uint16_t kFont = 0x0031;
constexpr uint16_t kXf = 0x00E0;
constexpr uint16_t kStyle = 0x0293;
constexpr uint16_t kBoundSheet = 0x0085;
constexpr uint16_t kSst = 0x00FC;
constexpr uint16_t kContinue = 0x003C;
constexpr uint16_t kExtSst = 0x00FF;
constexpr uint16_t kIndex = 0x020B;
constexpr uint16_t kDefColWidth = 0x0055;
constexpr uint16_t kDimensions = 0x0200;
constexpr uint16_t kRow = 0x0208;
constexpr uint16_t kLabelSst = 0x00FD;
constexpr uint16_t kBlank = 0x0201;
constexpr uint16_t kMulBlank = 0x00BE;
constexpr uint16_t kDbCell = 0x00D7;
constexpr uint16_t kWindow2 = 0x023E;

// Cell records that hold values this engine does not keep.
constexpr uint16_t kNumber = 0x0203;
constexpr uint16_t kRk = 0x027E;
constexpr uint16_t kMulRk = 0x00BD;
constexpr uint16_t kLabel = 0x0204;
constexpr uint16_t kBoolErr = 0x0205;
constexpr uint16_t kFormula = 0x0006;
constexpr uint16_t kRString = 0x00D6;

constexpr uint16_t kBiff8 = 0x0600;
constexpr uint16_t kGlobalsKind = 0x0005;
constexpr uint16_t kWorksheetKind = 0x0010;

constexpr size_t kMaxPayload = 8224;
// Sixteen built-in XF records come first; cells use 15 and up.
constexpr uint16_t kFirstCellXf = 15;
// There is no font 4: the fifth FONT record is font 5.
constexpr uint16_t kBoldFont = 5;
constexpr int kRowsPerBlock = 32;

}  // namespace xls::biff
