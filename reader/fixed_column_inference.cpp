#include "reader/fixed_column_inference.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <set>

namespace {

// Days since 1899-12-30 of 1900-01-01, of 1901-01-01 and of 2101-01-01.
constexpr double kFirstPlausibleDay = 2, kFirstDayOf1901 = 368, kPastLastPlausibleDay = 73416;
// Amounts above a hundred billion are not amounts.
constexpr int64_t kMostScaledAmount = 1'000'000'000'000'000;
constexpr int32_t kMostKey = 100'000'000;
constexpr int32_t kMostSmallInteger = 10'000;
constexpr size_t kOddValuesPer = 200;

// A reading of the bytes at one offset of every row, and what its fit is
// worth per byte: a strong reading beats two weak ones over the same bytes.
struct Reading {
  ColumnType type;
  int32_t length;
  double weight;
};
constexpr Reading kReadings[] = {
    {ColumnType::Date, 8, 1.0},   {ColumnType::Currency, 8, 0.9}, {ColumnType::Double, 8, 0.8},
    {ColumnType::Long, 4, 1.0},   {ColumnType::Single, 4, 0.7},   {ColumnType::Int, 2, 0.6},
};

template <typename T>
T Load(const RowSample& row, int32_t offset) {
  T value;
  std::memcpy(&value, row.fixed.data() + offset, sizeof value);
  return value;
}

bool AllZero(const RowSample& row, int32_t offset, int32_t length) {
  return std::all_of(row.fixed.begin() + offset, row.fixed.begin() + offset + length, [](uint8_t b) { return b == 0; });
}

// A number as people enter them, with no more decimals than places: the
// stored number is the one nearest that decimal. Zero, or far from the tiny
// numbers other bytes read as.
template <typename T>
bool RoundNumber(T value, double places, double least, double most) {
  if (value == 0) return true;
  if (!std::isfinite(value) || std::fabs(value) < least || std::fabs(value) >= most) return false;
  return static_cast<T>(std::round(static_cast<double>(value) * places) / places) == value;
}

// Whether one row's bytes read as the type: a date of 1900 to 2100 at a
// whole second (zero bytes: no date), an amount in whole cents, a key, a
// small integer, a number of few decimals.
bool RowFits(ColumnType type, const RowSample& row, int32_t offset) {
  switch (type) {
    case ColumnType::Date: {
      if (AllZero(row, offset, 8)) return true;
      double day = Load<double>(row, offset);
      if (!std::isfinite(day) || day < kFirstPlausibleDay || day >= kPastLastPlausibleDay) return false;
      double seconds = (day - std::floor(day)) * 86400;
      return std::fabs(seconds - std::round(seconds)) <= 1e-3;
    }
    case ColumnType::Currency: {
      int64_t scaled = Load<int64_t>(row, offset);
      return scaled % 100 == 0 && scaled <= kMostScaledAmount && scaled >= -kMostScaledAmount;
    }
    case ColumnType::Double: return RoundNumber(Load<double>(row, offset), 1e4, 1e-4, 1e12);
    case ColumnType::Single: return RoundNumber(Load<float>(row, offset), 1e2, 1e-2, 1e7);
    case ColumnType::Long: {
      int32_t value = Load<int32_t>(row, offset);
      return value >= 0 && value <= kMostKey;
    }
    default: {
      int16_t value = Load<int16_t>(row, offset);
      return value >= 0 && value <= kMostSmallInteger;
    }
  }
}

// What the values of the rows that hold one must do together. Dates all of
// 1900 are small numbers rather. Keys rise from row to row (a counter; nine
// steps in ten) or repeat (a reference: at most half as many values as
// rows, all below 65536, past which two small integers side by side read as
// one); small ones are a count or a quantity. Nothing is told by one row of
// small integers, nor by values all zero.
bool ValuesFit(ColumnType type, const std::vector<const RowSample*>& rows, int32_t offset) {
  switch (type) {
    case ColumnType::Date:
      return std::any_of(rows.begin(), rows.end(), [&](const RowSample* row) {
        return !AllZero(*row, offset, 8) && Load<double>(*row, offset) >= kFirstDayOf1901;
      });
    case ColumnType::Long: {
      std::set<int32_t> distinct;
      int64_t rises = 0;
      int32_t most = 0;
      for (size_t i = 0; i < rows.size(); ++i) {
        int32_t value = Load<int32_t>(*rows[i], offset);
        most = std::max(most, value);
        distinct.insert(value);
        if (i > 0 && value > Load<int32_t>(*rows[i - 1], offset)) ++rises;
      }
      const int64_t steps = static_cast<int64_t>(rows.size()) - 1;
      if (most == 0 || steps == 0) return false;
      return 10 * rises >= 9 * steps || (most < 65536 && 2 * distinct.size() <= rows.size()) ||
             most < kMostSmallInteger;
    }
    case ColumnType::Int:
      if (rows.size() < 2) return false;
      [[fallthrough]];
    default: {
      const int32_t length = type == ColumnType::Int ? 2 : type == ColumnType::Single ? 4 : 8;
      return std::any_of(rows.begin(), rows.end(), [&](const RowSample* row) { return !AllZero(*row, offset, length); });
    }
  }
}

// A bit clear in every misfit row: the column's absence, when a reading
// fails there (an absent value's bytes may hold anything). Of those, the bit
// clear in the fewest rows (clearRows, per bit), and set in some; -1 when none.
int32_t AbsenceBit(const std::vector<const RowSample*>& misfits, const std::vector<size_t>& clearRows,
                   size_t rowCount) {
  int32_t best = -1;
  for (int32_t bit = 0; bit < static_cast<int32_t>(clearRows.size()); ++bit) {
    const size_t cleared = clearRows[static_cast<size_t>(bit)];
    if (cleared >= rowCount || (best >= 0 && cleared >= clearRows[static_cast<size_t>(best)])) continue;
    if (std::all_of(misfits.begin(), misfits.end(),
                    [&](const RowSample* row) { return row->present[static_cast<size_t>(bit)] == 0; }))
      best = bit;
  }
  return best;
}

// Whether the reading fits the rows at offset: in every row bar one in
// kOddValuesPer, or in all but at most half of them, whose one bit says the
// column is absent there (*absence, else -1).
bool Fits(const Reading& reading, const std::vector<RowSample>& rows, const std::vector<size_t>& clearRows,
          int32_t offset, int32_t* absence) {
  std::vector<const RowSample*> fitting, misfits;
  for (const RowSample& row : rows) (RowFits(reading.type, row, offset) ? fitting : misfits).push_back(&row);
  *absence = -1;
  // A value in hundreds may be odd (entered with more places than most).
  if (!misfits.empty() && kOddValuesPer * misfits.size() > rows.size()) {
    if (2 * misfits.size() > rows.size()) return false;
    *absence = AbsenceBit(misfits, clearRows, rows.size());
    if (*absence < 0) return false;
    std::erase_if(fitting, [&](const RowSample* row) { return row->present[static_cast<size_t>(*absence)] == 0; });
  }
  return !fitting.empty() && ValuesFit(reading.type, fitting, offset);
}

// The split of the fixed area that explains the most bytes, strong readings
// first: best[p] is the worth of the best split of bytes p on.
std::vector<ColumnDef> SplitFixedArea(const std::vector<RowSample>& rows, int32_t length, int32_t columnCount) {
  std::vector<double> best(static_cast<size_t>(length) + 1, 0);
  std::vector<int> choice(static_cast<size_t>(length) + 1, -1);
  std::vector<int32_t> absence(static_cast<size_t>(length) + 1, -1);
  std::vector<size_t> clearRows(static_cast<size_t>(columnCount), 0);
  for (const RowSample& row : rows)
    for (size_t bit = 0; bit < clearRows.size(); ++bit) clearRows[bit] += row.present[bit] == 0;
  for (int32_t p = length - 1; p >= 0; --p) {
    best[p] = best[p + 1];
    for (int r = 0; r < static_cast<int>(std::size(kReadings)); ++r) {
      const Reading& reading = kReadings[r];
      if (p + reading.length > length) continue;
      double worth = reading.weight * reading.length + best[p + reading.length];
      int32_t bit = -1;
      if (worth > best[p] && Fits(reading, rows, clearRows, p, &bit)) {
        best[p] = worth;
        choice[p] = r;
        absence[p] = bit;
      }
    }
  }
  std::vector<ColumnDef> fields;
  for (int32_t p = 0; p < length;) {
    if (choice[p] < 0) {
      ++p;
      continue;
    }
    const Reading& reading = kReadings[choice[p]];
    ColumnDef field;
    field.type = reading.type;
    field.length = field.storedLength = reading.length;
    field.fixedOffset = p;
    field.isFixed = 1;
    field.inferred = true;
    field.maskBit = absence[p];
    fields.push_back(field);
    p += reading.length;
  }
  return fields;
}

// The bits that vary from row to row in a way no column's absence explains.
// A column explains a bit when its bytes are zero (fixed) or none (variable)
// in every row the bit is clear, and not in some row it is set.
std::vector<int32_t> BooleanBits(const std::vector<RowSample>& rows, const std::vector<ColumnDef>& fields,
                                 int32_t fixedLength, int32_t columnCount) {
  // The fixed fields and the runs of bytes between them.
  std::vector<std::pair<int32_t, int32_t>> unitsOf;
  int32_t at = 0;
  for (const ColumnDef& field : fields) {
    if (field.fixedOffset > at) unitsOf.emplace_back(at, field.fixedOffset - at);
    unitsOf.emplace_back(field.fixedOffset, field.length);
    at = field.fixedOffset + field.length;
  }
  if (fixedLength > at) unitsOf.emplace_back(at, fixedLength - at);
  size_t variables = rows.front().varEmpty.size();
  for (const RowSample& row : rows) variables = std::min(variables, row.varEmpty.size());

  std::vector<int32_t> bits;
  for (int32_t bit = 0; bit < columnCount; ++bit) {
    if (std::any_of(fields.begin(), fields.end(), [&](const ColumnDef& field) { return field.maskBit == bit; }))
      continue;
    // Per column: 1 seen while the bit is set, 2 seen while it is clear.
    std::vector<uint8_t> units(unitsOf.size(), 0), values(variables, 0);
    bool set = false, clear = false;
    for (const RowSample& row : rows) {
      const bool present = row.present[static_cast<size_t>(bit)] != 0;
      (present ? set : clear) = true;
      const uint8_t mark = present ? 1 : 2;
      for (size_t u = 0; u < unitsOf.size(); ++u)
        if (!AllZero(row, unitsOf[u].first, unitsOf[u].second)) units[u] |= mark;
      for (size_t v = 0; v < variables; ++v)
        if (!row.varEmpty[v]) values[v] |= mark;
    }
    auto explains = [](uint8_t seen) { return seen == 1; };
    if (set && clear && std::none_of(units.begin(), units.end(), explains) &&
        std::none_of(values.begin(), values.end(), explains))
      bits.push_back(bit);
  }
  return bits;
}

// What a column's properties say of its type: Access keeps a Format for
// dates, amounts and booleans, a zero-length switch for texts.
ColumnType TypeHinted(const PropertyMap& column) {
  if (column.Find("AllowZeroLength") || column.Find("UnicodeCompression")) return ColumnType::Text;
  if (const Property* display = column.Find("DisplayControl"); display && display->Integer() == 106)
    return ColumnType::Bit;
  const Property* format = column.Find("Format");
  if (!format) return ColumnType{-1};
  static const std::map<std::string, ColumnType> kFormats = {
      {"General Date", ColumnType::Date}, {"Long Date", ColumnType::Date},   {"Medium Date", ColumnType::Date},
      {"Short Date", ColumnType::Date},   {"Long Time", ColumnType::Date},   {"Medium Time", ColumnType::Date},
      {"Short Time", ColumnType::Date},   {"Currency", ColumnType::Currency}, {"Euro", ColumnType::Currency},
      {"Yes/No", ColumnType::Bit},        {"True/False", ColumnType::Bit},   {"On/Off", ColumnType::Bit}};
  auto it = kFormats.find(format->Text());
  return it == kFormats.end() ? ColumnType{-1} : it->second;
}

// Names the guessed columns the properties single out: the only column
// of a kind (date, amount, boolean, text) gets the name of the only column
// whose properties say it is of that kind. The properties' order is not the
// columns', so nothing else can be told apart.
void NameFromProperties(const ObjectProperties& properties, std::vector<ColumnDef*> columns) {
  std::map<ColumnType, std::vector<std::string>> names;
  for (const std::string& name : properties.columnNames)
    if (ColumnType type = TypeHinted(*properties.Column(name)); type != ColumnType{-1}) names[type].push_back(name);
  std::map<ColumnType, std::vector<ColumnDef*>> guessed;
  for (ColumnDef* column : columns) {
    const ColumnType kind = column->type == ColumnType::Memo ? ColumnType::Text : column->type;
    guessed[kind].push_back(column);
  }
  for (auto& [type, list] : guessed)
    if (list.size() == 1 && names[type].size() == 1) list.front()->name = names[type].front();
}

}  // namespace

FixedColumnGuess InferFixedColumns(const std::vector<RowSample>& rows) {
  FixedColumnGuess guess;
  // The rows of the table share one fixed length and column count; a row
  // that does not is damage, or another table's, and tells nothing.
  std::map<std::pair<size_t, size_t>, size_t> shapes;
  for (const RowSample& row : rows) ++shapes[{row.fixed.size(), row.present.size()}];
  if (shapes.empty()) return guess;
  auto shape = std::max_element(shapes.begin(), shapes.end(),
                                [](const auto& a, const auto& b) { return a.second < b.second; })->first;
  std::vector<RowSample> alike;
  for (const RowSample& row : rows)
    if (row.fixed.size() == shape.first && row.present.size() == shape.second) alike.push_back(row);
  guess.columnCount = static_cast<int32_t>(shape.second);
  guess.fields = SplitFixedArea(alike, static_cast<int32_t>(shape.first), guess.columnCount);
  guess.booleanBits = BooleanBits(alike, guess.fields, static_cast<int32_t>(shape.first), guess.columnCount);
  return guess;
}

void AddGuessedColumns(const FixedColumnGuess& guess, const ObjectProperties& properties,
                       std::vector<ColumnDef> variables, std::vector<ColumnDef>& columns) {
  const size_t first = columns.size();
  for (const ColumnDef& field : guess.fields) columns.push_back(field);
  for (int32_t bit : guess.booleanBits) {
    ColumnDef boolean;
    boolean.type = ColumnType::Bit;
    boolean.length = 1;
    boolean.isFixed = 1;
    boolean.fixedOffset = 0;
    boolean.inferred = true;
    boolean.maskBit = bit;
    columns.push_back(boolean);
  }
  for (ColumnDef& variable : variables) columns.push_back(std::move(variable));
  std::vector<ColumnDef*> named;
  for (size_t i = first; i < columns.size(); ++i) {
    ColumnDef& column = columns[i];
    if (column.inferred) column.name = "Column " + std::to_string(i);
    column.columnNumber = column.columnIndex = static_cast<int32_t>(i);
    // A variable value's type is read from its bytes, not guessed.
    if (column.inferred || column.type == ColumnType::Text || column.type == ColumnType::Memo)
      named.push_back(&column);
  }
  NameFromProperties(properties, named);
}
