#include "reader/query_sql.h"

#include <algorithm>
#include <array>
#include <memory>

namespace {

// Options (attribute 3) flags.
constexpr int32_t kAllFields = 0x01;
constexpr int32_t kDistinct = 0x02;  // union queries: UNION rather than UNION ALL
constexpr int32_t kOwnerAccess = 0x04;
constexpr int32_t kDistinctRow = 0x08;
constexpr int32_t kTop = 0x10;
constexpr int32_t kPercent = 0x20;

// Column (attribute 6) and group (9) flags.
constexpr int32_t kCrosstabPivot = 0x01;
constexpr int32_t kCrosstabRow = 0x02;
constexpr int32_t kAppendValue = 0x8000;

constexpr const char* kUnionSide[2] = {"X7YZ_____1", "X7YZ_____2"};

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

bool IsWordCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool Bracketed(const std::string& name) { return name.size() >= 2 && name.front() == '[' && name.back() == ']'; }

// Brackets a name part that needs them; one already bracketed stays.
std::string QuoteIfNeeded(const std::string& part) {
  if (Bracketed(part) || std::all_of(part.begin(), part.end(), IsWordCharacter)) return part;
  return "[" + part + "]";
}

// Each dotted part on its own: "Order Details.Qty" -> "[Order Details].Qty".
std::string QuoteParts(const std::string& name) {
  std::string out;
  size_t start = 0;
  while (true) {
    size_t dot = name.find('.', start);
    out += QuoteIfNeeded(name.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
    if (dot == std::string::npos) return out;
    out += '.';
    start = dot + 1;
  }
}

std::string Trim(const std::string& text) {
  size_t begin = 0, end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return text.substr(begin, end - begin);
}

std::string Newlines(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string Join(const std::vector<std::string>& items, const char* separator) {
  std::string out;
  for (size_t i = 0; i < items.size(); ++i) out += (i ? separator : "") + items[i];
  return out;
}

// A FROM entry: a table, or a join of two entries.
struct FromEntry {
  std::string text;    // a table: as written
  std::string lookup;  // a table: its alias or name, lower case
  int32_t joinType = 0;
  std::unique_ptr<FromEntry> left, right;
  std::vector<std::string> conditions;  // the latest first

  bool IsJoin() const { return left != nullptr; }
  bool Contains(const std::string& name) const {
    return IsJoin() ? left->Contains(name) || right->Contains(name) : lookup == name;
  }
  // The innermost join holding both names, or none.
  FromEntry* JoinOf(const std::string& a, const std::string& b) {
    if (!IsJoin() || !Contains(a) || !Contains(b)) return nullptr;
    if (FromEntry* inner = left->JoinOf(a, b)) return inner;
    if (FromEntry* inner = right->JoinOf(a, b)) return inner;
    return this;
  }
  std::string Render() const {
    if (!IsJoin()) return text;
    static constexpr std::array<const char*, 4> kTypes = {"", "INNER", "LEFT", "RIGHT"};
    auto side = [](const FromEntry& e) { return e.IsJoin() ? "(" + e.Render() + ")" : e.Render(); };
    std::string on = conditions.size() == 1 ? conditions.front() : "(" + Join(conditions, ") AND (") + ")";
    return side(*left) + " " + kTypes[static_cast<size_t>(joinType)] + " JOIN " + side(*right) + " ON " + on;
  }
};

struct Parts {
  std::vector<const QueryRow*> of[12];
  const QueryRow* options = nullptr;
  const QueryRow* kind = nullptr;
  std::vector<const QueryRow*>& operator[](QueryAttribute a) { return of[static_cast<int32_t>(a)]; }
};

class Builder {
 public:
  explicit Builder(Parts& parts) : parts_(parts) {}

  bool Build(QueryKind kind, std::string& sql, std::string& problem);

 private:
  int32_t Options() const { return parts_.options ? parts_.options->flag : 0; }
  bool Fail(std::string text) {
    problem_ = std::move(text);
    return false;
  }
  bool Parameters(std::string& out);
  bool From(std::string& out);
  std::string SelectList(int32_t crosstabFlag, bool crosstab);
  std::string Predicate();
  bool Select(std::string& out, const std::string& into, bool crosstab);
  std::string Expressions(QueryAttribute attribute, bool crosstab, int32_t crosstabFlag);

  Parts& parts_;
  std::string problem_;
};

bool Builder::Parameters(std::string& out) {
  static const std::array<const char*, 16> kTypes = {"Value", "Bit", "Byte", "Short", "Long", "Currency",
                                                     "IEEESingle", "IEEEDouble", "DateTime", "Binary", "Text",
                                                     "LongBinary", nullptr, nullptr, nullptr, "Guid"};
  std::vector<std::string> items;
  for (const QueryRow* row : parts_[QueryAttribute::Parameter]) {
    if (row->flag < 0 || row->flag >= static_cast<int32_t>(kTypes.size()) || !kTypes[static_cast<size_t>(row->flag)])
      return Fail("parameter " + row->name1 + " has unknown type " + std::to_string(row->flag));
    std::string type = kTypes[static_cast<size_t>(row->flag)];
    if (row->flag == 10 && row->extra > 0) type += "(" + std::to_string(row->extra) + ")";
    items.push_back(QuoteIfNeeded(row->name1) + " " + type);
  }
  if (!items.empty()) out += "PARAMETERS " + Join(items, ", ") + ";\n";
  return true;
}

bool Builder::From(std::string& out) {
  std::vector<std::unique_ptr<FromEntry>> entries;
  for (const QueryRow* row : parts_[QueryAttribute::Table]) {
    auto entry = std::make_unique<FromEntry>();
    if (!row->expression.empty()) entry->text = QuoteIfNeeded(row->expression) + ".";
    entry->text += QuoteParts(row->name1);
    if (!row->name2.empty()) entry->text += " AS " + QuoteIfNeeded(row->name2);
    entry->lookup = Lower(row->name2.empty() ? row->name1 : row->name2);
    entries.push_back(std::move(entry));
  }
  for (const QueryRow* row : parts_[QueryAttribute::Join]) {
    if (row->flag < 1 || row->flag > 3) return Fail("join of unknown type " + std::to_string(row->flag));
    const std::string from = Lower(row->name1), to = Lower(row->name2);
    auto holding = [&](const std::string& name) {
      return std::find_if(entries.begin(), entries.end(), [&](const auto& e) { return e->Contains(name); });
    };
    auto a = holding(from), b = holding(to);
    if (a == entries.end() || b == entries.end())
      return Fail("a join names " + (a == entries.end() ? row->name1 : row->name2) + ", which the query does not use");
    if (a == b) {
      FromEntry* join = (*a)->JoinOf(from, to);
      if (!join || join->joinType != row->flag)
        return Fail("joins of " + row->name1 + " and " + row->name2 + " contradict each other");
      join->conditions.insert(join->conditions.begin(), row->expression);
      continue;
    }
    auto joined = std::make_unique<FromEntry>();
    joined->joinType = row->flag;
    joined->left = std::move(*a);
    joined->right = std::move(*b);
    joined->conditions.push_back(row->expression);
    // The join takes the place of the first of its two tables.
    size_t at = static_cast<size_t>(std::min(a, b) - entries.begin());
    entries.erase(std::max(a, b));
    entries[at] = std::move(joined);
  }
  std::vector<std::string> texts;
  for (const auto& entry : entries) texts.push_back(entry->Render());
  out = Join(texts, ", ");
  if (!parts_[QueryAttribute::RemoteSource].empty()) {
    const QueryRow* remote = parts_[QueryAttribute::RemoteSource].front();
    out += " IN '" + remote->name1 + "'";
    if (!remote->expression.empty()) out += " [" + remote->expression + "]";
  }
  return true;
}

std::string Builder::Expressions(QueryAttribute attribute, bool crosstab, int32_t crosstabFlag) {
  std::vector<std::string> items;
  for (const QueryRow* row : parts_[attribute]) {
    if (crosstab && row->flag != crosstabFlag) continue;
    std::string item = row->expression;
    if (attribute == QueryAttribute::OrderBy && Lower(row->name1) == "d") item += " DESC";
    items.push_back(item);
  }
  return Join(items, ", ");
}

std::string Builder::SelectList(int32_t crosstabFlag, bool crosstab) {
  std::vector<std::string> items;
  for (const QueryRow* row : parts_[QueryAttribute::Column]) {
    if (crosstab && row->flag != crosstabFlag) continue;
    if (!crosstab && (row->flag & kAppendValue)) continue;
    items.push_back(row->expression + (row->name1.empty() ? "" : " AS " + QuoteIfNeeded(row->name1)));
  }
  if (Options() & kAllFields) items.push_back("*");
  return Join(items, ", ");
}

std::string Builder::Predicate() {
  std::string out;
  const int32_t options = Options();
  if (options & kDistinct) out += " DISTINCT";
  if (options & kDistinctRow) out += " DISTINCTROW";
  if (options & kTop) {
    out += " TOP " + (parts_.options ? parts_.options->name1 : std::string());
    if (options & kPercent) out += " PERCENT";
  }
  return out;
}

bool Builder::Select(std::string& out, const std::string& into, bool crosstab) {
  std::string list = SelectList(kCrosstabRow, crosstab);
  if (list.empty()) return Fail("it has no output column");
  std::string from;
  if (!From(from)) return false;
  out += "SELECT" + Predicate() + " " + list + into;
  if (!from.empty()) out += "\nFROM " + from;
  if (!parts_[QueryAttribute::Where].empty()) out += "\nWHERE " + Expressions(QueryAttribute::Where, false, 0);
  std::string groups = Expressions(QueryAttribute::GroupBy, crosstab, kCrosstabRow);
  if (!groups.empty()) out += "\nGROUP BY " + groups;
  if (!parts_[QueryAttribute::Having].empty()) out += "\nHAVING " + Expressions(QueryAttribute::Having, false, 0);
  if (!parts_[QueryAttribute::OrderBy].empty()) out += "\nORDER BY " + Expressions(QueryAttribute::OrderBy, false, 0);
  return true;
}

bool Builder::Build(QueryKind kind, std::string& sql, std::string& problem) {
  std::string out;
  bool built = Parameters(out);
  const std::string target = parts_.kind ? QuoteParts(parts_.kind->name1) : std::string();
  std::string targetDatabase;
  if (parts_.kind && !parts_.kind->name2.empty()) {
    targetDatabase = " IN '" + parts_.kind->name2 + "'";
    if (!parts_.kind->expression.empty()) targetDatabase += " [" + parts_.kind->expression + "]";
  }
  switch (kind) {
    case QueryKind::Select:
      built = built && Select(out, "", false);
      break;
    case QueryKind::MakeTable:
      built = built && (!target.empty() || Fail("it names no table to make")) &&
              Select(out, " INTO " + target + targetDatabase, false);
      break;
    case QueryKind::Append: {
      if (built && target.empty()) built = Fail("it names no table to append to");
      std::vector<std::string> targets, values;
      for (const QueryRow* row : parts_[QueryAttribute::Column]) {
        if (!row->name2.empty()) targets.push_back(row->name2);
        if (row->flag & kAppendValue) values.push_back(row->expression);
      }
      if (!built) break;
      out += "INSERT INTO " + target + targetDatabase;
      if (!targets.empty()) out += " (" + Join(targets, ", ") + ")";
      out += "\n";
      if (!values.empty())
        out += "VALUES (" + Join(values, ", ") + ")";
      else
        built = Select(out, "", false);
      break;
    }
    case QueryKind::Update: {
      std::string from;
      std::vector<std::string> sets;
      for (const QueryRow* row : parts_[QueryAttribute::Column]) sets.push_back(row->name2 + " = " + row->expression);
      built = built && (!sets.empty() || Fail("it sets no column")) && From(from);
      if (!built) break;
      out += "UPDATE " + from + "\nSET " + Join(sets, ", ");
      if (!parts_[QueryAttribute::Where].empty()) out += "\nWHERE " + Expressions(QueryAttribute::Where, false, 0);
      break;
    }
    case QueryKind::Delete: {
      std::string list = SelectList(0, false), from;
      built = built && From(from);
      if (!built) break;
      out += "DELETE" + (list.empty() ? "" : " " + list) + "\nFROM " + from;
      if (!parts_[QueryAttribute::Where].empty()) out += "\nWHERE " + Expressions(QueryAttribute::Where, false, 0);
      break;
    }
    case QueryKind::Crosstab: {
      const QueryRow* value = nullptr;
      const QueryRow* pivot = nullptr;
      for (const QueryRow* row : parts_[QueryAttribute::Column]) {
        if (row->flag == 0 && !value) value = row;
        if (row->flag == kCrosstabPivot && !pivot) pivot = row;
      }
      if (built && (!value || !pivot)) built = Fail("it has no value or no column heading");
      if (!built) break;
      out += "TRANSFORM " + value->expression + (value->name1.empty() ? "" : " AS " + QuoteIfNeeded(value->name1)) + "\n";
      built = Select(out, "", true);
      out += "\nPIVOT " + pivot->expression;
      break;
    }
    case QueryKind::Union: {
      const QueryRow* sides[2] = {nullptr, nullptr};
      for (const QueryRow* row : parts_[QueryAttribute::Table])
        for (int s = 0; s < 2; ++s)
          if (row->name2 == kUnionSide[s] && !sides[s]) sides[s] = row;
      if (built && (!sides[0] || !sides[1])) built = Fail("a side of the union is missing");
      if (!built) break;
      out += Trim(Newlines(sides[0]->expression)) + "\nUNION " + ((Options() & kDistinct) ? "" : "ALL ") +
             Trim(Newlines(sides[1]->expression));
      if (!parts_[QueryAttribute::OrderBy].empty()) out += "\nORDER BY " + Expressions(QueryAttribute::OrderBy, false, 0);
      break;
    }
    case QueryKind::DataDefinition:
    case QueryKind::PassThrough: {
      if (!parts_.kind) return problem = "its text is missing", false;
      std::string text = parts_.kind->expression;
      while (!text.empty() && text.back() == '\0') text.pop_back();
      if (text.empty()) return problem = "its text is missing", false;
      sql = text;
      return true;
    }
  }
  if (!built) {
    problem = problem_;
    return false;
  }
  if (Options() & kOwnerAccess) out += "\nWITH OWNERACCESS OPTION";
  sql = out + ";";
  return true;
}

std::optional<QueryKind> KindFromRow(int32_t flag) {
  if (flag < 1 || flag > 9) return std::nullopt;
  static constexpr std::array<QueryKind, 9> kKinds = {
      QueryKind::Select,         QueryKind::MakeTable,   QueryKind::Append,
      QueryKind::Update,         QueryKind::Delete,      QueryKind::Crosstab,
      QueryKind::DataDefinition, QueryKind::PassThrough, QueryKind::Union};
  return kKinds[static_cast<size_t>(flag - 1)];
}

}  // namespace

std::optional<QueryKind> QueryKindFromCatalogFlags(int32_t flags) {
  static constexpr std::array<QueryKind, 9> kKinds = {
      QueryKind::Select, QueryKind::Crosstab,       QueryKind::Delete,      QueryKind::Update, QueryKind::Append,
      QueryKind::MakeTable, QueryKind::DataDefinition, QueryKind::PassThrough, QueryKind::Union};
  const uint32_t code = (static_cast<uint32_t>(flags) & 0xF0) >> 4;
  if (code >= kKinds.size()) return std::nullopt;
  return kKinds[code];
}

RebuiltQuery RebuildQuerySql(std::vector<QueryRow> rows, int32_t catalogFlags) {
  RebuiltQuery result;
  // Rows come in table order, which need not be the query's: each kind of
  // part keeps its own order counter.
  std::stable_sort(rows.begin(), rows.end(), [](const QueryRow& a, const QueryRow& b) {
    return a.attribute != b.attribute ? a.attribute < b.attribute : a.order < b.order;
  });
  Parts parts;
  for (const QueryRow& row : rows) {
    const int32_t a = row.attribute;
    if (a == static_cast<int32_t>(QueryAttribute::Start) || a == static_cast<int32_t>(QueryAttribute::End)) continue;
    if (a < 1 || a > static_cast<int32_t>(QueryAttribute::OrderBy)) {
      result.problem = "a part of unknown kind " + std::to_string(a);
      return result;
    }
    if (a == static_cast<int32_t>(QueryAttribute::Kind)) {
      if (!parts.kind) parts.kind = &row;
    } else if (a == static_cast<int32_t>(QueryAttribute::Options)) {
      if (!parts.options) parts.options = &row;
    } else {
      parts.of[a].push_back(&row);
    }
  }

  std::optional<QueryKind> kind = QueryKindFromCatalogFlags(catalogFlags);
  std::optional<QueryKind> stored = parts.kind ? KindFromRow(parts.kind->flag) : std::nullopt;
  if (!kind || (*kind == QueryKind::Select && stored)) kind = stored;
  if (!kind || (parts.kind && !stored)) {
    result.problem = "its kind is unknown";
    return result;
  }
  result.kind = *kind;
  Builder(parts).Build(*kind, result.sql, result.problem);
  return result;
}
