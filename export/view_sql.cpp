#include "export/view_sql.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "export/ddl_writer.h"

std::string LowerName(std::string name) {
  for (char& c : name)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return name;
}

namespace {

enum class Tok { Word, Name, Number, String, Date, Symbol, End };

struct Token {
  Tok kind = Tok::End;
  std::string text;  // a name, string or date without its delimiters
  bool Is(const char* word) const { return (kind == Tok::Word || kind == Tok::Symbol) && LowerName(text) == word; }
};

bool IsWordStart(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80; }
bool IsWordPart(unsigned char c) { return IsWordStart(c) || (c >= '0' && c <= '9'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool Tokenize(const std::string& sql, std::vector<Token>& tokens, std::string& problem) {
  for (size_t i = 0; i < sql.size();) {
    const char c = sql[i];
    if (static_cast<unsigned char>(c) <= ' ') {
      ++i;
    } else if (c == '[' || c == '#') {
      const char close = c == '[' ? ']' : '#';
      size_t end = sql.find(close, i + 1);
      if (end == std::string::npos) return problem = std::string("a ") + c + " is not closed", false;
      tokens.push_back({c == '[' ? Tok::Name : Tok::Date, sql.substr(i + 1, end - i - 1)});
      i = end + 1;
    } else if (c == '"' || c == '\'') {
      std::string text;
      size_t j = i + 1;
      for (;; ++j) {
        if (j >= sql.size()) return problem = "a string is not closed", false;
        if (sql[j] == c) {
          if (j + 1 < sql.size() && sql[j + 1] == c) {
            text += c;
            ++j;
            continue;
          }
          break;
        }
        text += sql[j];
      }
      tokens.push_back({Tok::String, text});
      i = j + 1;
    } else if (IsDigit(c) || (c == '.' && i + 1 < sql.size() && IsDigit(sql[i + 1]))) {
      size_t j = i;
      while (j < sql.size() && IsDigit(sql[j])) ++j;
      if (j < sql.size() && sql[j] == '.') ++j;
      while (j < sql.size() && IsDigit(sql[j])) ++j;
      if (j < sql.size() && (sql[j] == 'e' || sql[j] == 'E')) {
        size_t k = j + 1;
        if (k < sql.size() && (sql[k] == '+' || sql[k] == '-')) ++k;
        if (k < sql.size() && IsDigit(sql[k])) {
          j = k;
          while (j < sql.size() && IsDigit(sql[j])) ++j;
        }
      }
      if (j < sql.size() && IsWordPart(static_cast<unsigned char>(sql[j])))
        return problem = "it holds a number of Access's own form", false;
      tokens.push_back({Tok::Number, sql.substr(i, j - i)});
      i = j;
    } else if (IsWordStart(static_cast<unsigned char>(c))) {
      size_t j = i;
      while (j < sql.size() && IsWordPart(static_cast<unsigned char>(sql[j]))) ++j;
      tokens.push_back({Tok::Word, sql.substr(i, j - i)});
      i = j;
    } else {
      std::string symbol(1, c);
      if (i + 1 < sql.size() && ((c == '<' && (sql[i + 1] == '>' || sql[i + 1] == '=')) || (c == '>' && sql[i + 1] == '=')))
        symbol += sql[++i];
      tokens.push_back({Tok::Symbol, symbol});
      ++i;
    }
  }
  tokens.push_back({Tok::End, ""});
  return true;
}

// "#m/d/yyyy [h:mm[:ss] [AM|PM]]#" or "#yyyy-mm-dd ...#" as "YYYY-MM-DD HH:MM:SS".
bool DateText(const std::string& text, std::string& iso) {
  int a = 0, b = 0, c = 0, h = 0, m = 0, s = 0, used = 0;
  char sep = 0, more = 0;
  if (std::sscanf(text.c_str(), "%d%c%d%*c%d%n", &a, &sep, &b, &c, &used) < 4 || (sep != '/' && sep != '-'))
    return false;
  int year = a, month = b, day = c;
  if (sep == '/') {
    year = c, month = a, day = b;
    if (used > 0 && text.find('/') != std::string::npos && c < 100) year = c < 30 ? 2000 + c : 1900 + c;
  }
  std::string rest = text.substr(static_cast<size_t>(used));
  if (rest.find_first_not_of(' ') != std::string::npos) {
    int fields = std::sscanf(rest.c_str(), " %d:%d%c%d", &h, &m, &more, &s);
    if (fields < 2) return false;
    if (fields < 4) s = 0;
    std::string lower = LowerName(rest);
    if (lower.find("pm") != std::string::npos && h < 12) h += 12;
    if (lower.find("am") != std::string::npos && h == 12) h = 0;
  }
  if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31 || h > 23 || m > 59 || s > 59)
    return false;
  char out[64];
  std::snprintf(out, sizeof out, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, h, m, s);
  iso = out;
  return true;
}

// A piece of translated SQL, with what the checks after need of it.
enum class Piece { Other, BooleanColumn, TextColumn, Number, Minus, Compare, Plus, Function, Open, Close, Comma, Dot };

struct Source {
  std::string lookup;     // lower-case alias or name
  std::string reference;  // quoted, what its columns are prefixed with
  const ViewSource* source = nullptr;
};

class Translator {
 public:
  Translator(const std::vector<Token>& tokens, const ViewSources& sources, const DdlWriter& writer)
      : t_(tokens), known_(sources), writer_(writer) {}

  bool Statement(ViewSql& view);
  const std::string& problem() const { return problem_; }
  const std::string& missing() const { return missing_; }

 private:
  struct Core {
    std::vector<Source> sources;
    std::vector<ViewColumn> outputs;
    std::vector<std::string> items;  // the select list's expressions as translated
    bool distinct = false;
    bool first = true;  // of a union: its columns name the view's
  };

  bool Fail(const std::string& why) {
    if (problem_.empty()) problem_ = why;
    return false;
  }
  const Token& At(size_t i) const { return t_[std::min(i, t_.size() - 1)]; }
  // The first token at depth 0 from `from` that is one of the words, or the
  // end (a ')' closing the level or the last token).
  size_t Find(size_t from, std::initializer_list<const char*> words) const;
  bool SelectCore(Core& core, std::string& sql);
  bool FromList(size_t begin, size_t end, Core& core, std::string& out);
  // A join's condition: its tokens, and where its text goes in the FROM text.
  struct On {
    size_t begin, end, at;
  };
  bool FromItem(size_t& pos, size_t end, Core& core, std::string& out, std::vector<On>& ons);
  bool SelectList(size_t begin, size_t end, Core& core, std::string& out);
  bool Expression(size_t begin, size_t end, const Core& core, bool outputs, std::string& out);
  bool OrderBy(size_t begin, size_t end, const Core& core, bool outputsOnly, std::string& out);
  bool Name(size_t& pos, size_t end, const Core& core, bool outputs, std::vector<std::pair<std::string, Piece>>& out);

  const std::vector<Token>& t_;
  const ViewSources& known_;
  const DdlWriter& writer_;
  size_t pos_ = 0;
  std::string problem_, missing_;
};

size_t Translator::Find(size_t from, std::initializer_list<const char*> words) const {
  int depth = 0;
  for (size_t i = from; i < t_.size(); ++i) {
    const Token& token = t_[i];
    if (token.kind == Tok::End) return i;
    if (token.kind == Tok::Symbol && token.text == "(") ++depth;
    if (token.kind == Tok::Symbol && token.text == ")" && --depth < 0) return i;
    if (depth == 0)
      for (const char* word : words)
        if (token.Is(word)) return i;
  }
  return t_.size() - 1;
}

bool Translator::Name(size_t& pos, size_t end, const Core& core, bool outputs,
                      std::vector<std::pair<std::string, Piece>>& out) {
  std::vector<std::string> parts{At(pos).text};
  while (pos + 2 < end && At(pos + 1).kind == Tok::Symbol && At(pos + 1).text == "." &&
         (At(pos + 2).kind == Tok::Word || At(pos + 2).kind == Tok::Name)) {
    parts.push_back(At(pos + 2).text);
    pos += 2;
  }
  ++pos;
  auto put = [&](const std::string& reference, const ViewColumn& column) {
    Piece kind = column.valueClass == ValueClass::Boolean ? Piece::BooleanColumn
                 : column.valueClass == ValueClass::Text  ? Piece::TextColumn
                                                          : Piece::Other;
    out.push_back({reference + "." + column.sql, kind});
    return true;
  };
  auto column = [](const ViewSource& source, const std::string& name) -> const ViewColumn* {
    for (const ViewColumn& c : source.columns)
      if (LowerName(c.name) == LowerName(name)) return &c;
    return nullptr;
  };
  if (parts.size() > 2) return Fail("it reads " + parts.front() + "." + parts[1] + "." + parts[2] + ", a name of three parts");
  if (parts.size() == 2) {
    for (const Source& source : core.sources)
      if (source.lookup == LowerName(parts[0])) {
        if (const ViewColumn* c = column(*source.source, parts[1])) return put(source.reference, *c);
        return Fail("it reads " + parts[0] + "." + parts[1] + ", which is not a column there");
      }
    return Fail("it reads " + parts[0] + "." + parts[1] + ", but " + parts[0] + " is not among its tables");
  }
  const Source* found = nullptr;
  const ViewColumn* foundColumn = nullptr;
  for (const Source& source : core.sources)
    if (const ViewColumn* c = column(*source.source, parts[0])) {
      if (found) return Fail("the column " + parts[0] + " is in two of its tables");
      found = &source;
      foundColumn = c;
    }
  if (found) return put(found->reference, *foundColumn);
  if (outputs)
    for (const ViewColumn& output : core.outputs)
      if (LowerName(output.name) == LowerName(parts[0])) {
        out.push_back({output.sql, Piece::Other});
        return true;
      }
  return Fail("it reads " + parts[0] + ", which is not a column of its tables (a parameter?)");
}

bool Translator::Expression(size_t begin, size_t end, const Core& core, bool outputs, std::string& out) {
  static const std::set<std::string> kKeywords = {"and", "or", "not", "is", "null", "in", "between"};
  static const std::set<std::string> kAggregates = {"count", "sum", "avg", "min", "max"};
  static const std::set<std::string> kOperators = {"=", "<>", "<", ">", "<=", ">=", "+", "-", "*", "/", "(", ")", ","};
  if (begin >= end) return Fail("an expression is empty");
  std::vector<std::pair<std::string, Piece>> pieces;
  for (size_t i = begin; i < end;) {
    const Token& token = At(i);
    const std::string lower = LowerName(token.text);
    if (token.kind == Tok::Word && kKeywords.count(lower)) {
      std::string upper = token.text;
      for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      pieces.push_back({upper, Piece::Other});
      ++i;
    } else if (token.kind == Tok::Word && (lower == "true" || lower == "yes" || lower == "false" || lower == "no")) {
      pieces.push_back({writer_.BooleanLiteral(lower == "true" || lower == "yes"), Piece::Other});
      ++i;
    } else if (token.kind == Tok::Word && lower == "mod") {
      pieces.push_back({"%", Piece::Other});
      ++i;
    } else if (token.kind == Tok::Word && lower == "like") {
      const Token& pattern = At(i + 1);
      if (pattern.kind != Tok::String) return Fail("it matches a pattern that is not a plain string");
      std::string translated;
      for (char c : pattern.text) {
        if (c == '%' || c == '_' || c == '[' || c == '#') return Fail("it matches a pattern of Access's own");
        translated += c == '*' ? '%' : c == '?' ? '_' : c;
      }
      pieces.push_back({writer_.LikeOperator(), Piece::Other});
      pieces.push_back({writer_.Literal(translated), Piece::Other});
      i += 2;
    } else if (token.kind == Tok::Word && At(i + 1).Is("(")) {
      if (!kAggregates.count(lower)) return Fail("it calls " + token.text + ", a function of Access");
      if (At(i + 2).Is("select")) return Fail("it holds a subquery");
      std::string upper = lower;
      for (char& c : upper) c = static_cast<char>(c - 'a' + 'A');
      pieces.push_back({upper, Piece::Function});
      ++i;
    } else if (token.kind == Tok::Word || token.kind == Tok::Name) {
      if (!Name(i, end, core, outputs, pieces)) return false;
    } else if (token.kind == Tok::Number) {
      pieces.push_back({token.text, Piece::Number});
      ++i;
    } else if (token.kind == Tok::String) {
      pieces.push_back({writer_.Literal(token.text), Piece::Other});
      ++i;
    } else if (token.kind == Tok::Date) {
      std::string iso;
      if (!DateText(token.text, iso)) return Fail("it holds the date #" + token.text + "#, which does not read");
      pieces.push_back({writer_.TimestampLiteral(iso), Piece::Other});
      ++i;
    } else if (token.kind == Tok::Symbol && kOperators.count(token.text)) {
      Piece kind = token.text == "-"   ? Piece::Minus
                   : token.text == "+" ? Piece::Plus
                   : token.text == "(" ? Piece::Open
                   : token.text == ")" ? Piece::Close
                   : token.text == "," ? Piece::Comma
                   : token.text == "*" || token.text == "/" ? Piece::Other
                                                            : Piece::Compare;
      if (token.text == "(" && At(i + 1).Is("select")) return Fail("it holds a subquery");
      pieces.push_back({token.text, kind});
      ++i;
    } else {
      return Fail("it uses " + token.text + ", an operator of Access");
    }
  }

  // Access's true is -1: a yes/no column compared with a number compares
  // with true or false; a text compared or added to a number has no
  // meaning every engine shares.
  auto number = [&](size_t k, size_t& width) {
    width = 0;
    if (k < pieces.size() && pieces[k].second == Piece::Number) width = 1;
    else if (k + 1 < pieces.size() && pieces[k].second == Piece::Minus && pieces[k + 1].second == Piece::Number)
      width = 2;
    return width > 0;
  };
  for (size_t k = 0; k + 1 < pieces.size(); ++k) {
    const Piece a = pieces[k].second, op = pieces[k + 1].second;
    if (op != Piece::Compare && op != Piece::Plus) continue;
    size_t width = 0;
    const bool numberAfter = number(k + 2, width);
    const bool numberBefore = pieces[k].second == Piece::Number;
    const Piece other = k + 2 < pieces.size() ? pieces[k + 2].second : Piece::Other;
    if ((a == Piece::TextColumn && (numberAfter || op == Piece::Plus)) ||
        (other == Piece::TextColumn && (numberBefore || op == Piece::Plus)))
      return Fail("it compares or adds a text and a number");
    if (op != Piece::Compare) continue;
    if (a == Piece::BooleanColumn && numberAfter) {
      const bool value = std::stod(pieces[k + 1 + width].first) != 0;
      pieces.erase(pieces.begin() + static_cast<std::ptrdiff_t>(k + 2),
                   pieces.begin() + static_cast<std::ptrdiff_t>(k + 2 + width));
      pieces.insert(pieces.begin() + static_cast<std::ptrdiff_t>(k + 2), {writer_.BooleanLiteral(value), Piece::Other});
    } else if (other == Piece::BooleanColumn && numberBefore) {
      const bool negative = k > 0 && pieces[k - 1].second == Piece::Minus;
      const bool value = std::stod(pieces[k].first) != 0;
      pieces[k] = {writer_.BooleanLiteral(value), Piece::Other};
      if (negative) pieces.erase(pieces.begin() + static_cast<std::ptrdiff_t>(k - 1));
    }
  }

  std::string text;
  Piece previous = Piece::Open;
  for (const auto& [piece, kind] : pieces) {
    const bool tight = previous == Piece::Open || previous == Piece::Function || kind == Piece::Close ||
                       kind == Piece::Comma || text.empty();
    if (!tight) text += ' ';
    text += piece;
    previous = kind;
  }
  out += text;
  return true;
}

bool Translator::FromItem(size_t& pos, size_t end, Core& core, std::string& out, std::vector<On>& ons) {
  auto primary = [&](std::string& text) -> bool {
    if (At(pos).Is("(")) {
      ++pos;
      size_t close = Find(pos, {});
      text += "(";
      if (!FromItem(pos, close, core, text, ons)) return false;
      if (pos != close) return Fail("its FROM clause does not read");
      text += ")";
      ++pos;
      return true;
    }
    const Token& name = At(pos);
    if (name.kind != Tok::Word && name.kind != Tok::Name) return Fail("its FROM clause does not read");
    if (At(pos + 1).Is(".")) return Fail("it reads " + name.text + " of another database");
    auto known = known_.find(LowerName(name.text));
    if (known == known_.end()) {
      missing_ = name.text;
      return Fail("it reads " + name.text + ", which is not a table or view here");
    }
    ++pos;
    Source source{LowerName(name.text), known->second.sql, &known->second};
    text += known->second.sql;
    if (At(pos).Is("as")) ++pos;
    if (pos < end && (At(pos).kind == Tok::Name || (At(pos).kind == Tok::Word && !At(pos).Is("inner") &&
                                                    !At(pos).Is("left") && !At(pos).Is("right") &&
                                                    !At(pos).Is("on") && !At(pos).Is("in")))) {
      source.lookup = LowerName(At(pos).text);
      source.reference = writer_.Quote(At(pos).text);
      text += " AS " + source.reference;
      ++pos;
    }
    if (At(pos).Is("in")) return Fail("it reads a table of another database");
    for (const Source& other : core.sources)
      if (other.lookup == source.lookup) return Fail("it names two tables " + At(pos - 1).text);
    core.sources.push_back(source);
    return true;
  };
  if (!primary(out)) return false;
  while (pos < end && (At(pos).Is("inner") || At(pos).Is("left") || At(pos).Is("right"))) {
    std::string type = At(pos).Is("inner") ? "INNER" : At(pos).Is("left") ? "LEFT" : "RIGHT";
    ++pos;
    if (At(pos).Is("outer")) ++pos;
    if (!At(pos).Is("join")) return Fail("its FROM clause does not read");
    ++pos;
    out += " " + type + " JOIN ";
    if (!primary(out)) return false;
    if (!At(pos).Is("on")) return Fail("a join has no ON");
    ++pos;
    size_t onEnd = std::min(Find(pos, {"inner", "left", "right", ","}), end);
    // The condition is translated once every table is known.
    out += " ON ";
    ons.push_back({pos, onEnd, out.size()});
    pos = onEnd;
  }
  return true;
}

bool Translator::FromList(size_t begin, size_t end, Core& core, std::string& out) {
  std::vector<On> ons;
  std::string text;
  for (size_t pos = begin; pos < end;) {
    if (!FromItem(pos, end, core, text, ons)) return false;
    if (pos < end) {
      if (!At(pos).Is(",")) return Fail("its FROM clause does not read");
      text += ", ";
      ++pos;
    }
  }
  if (core.sources.empty()) return Fail("it reads no table");
  // From the last, so that the places of the others stay.
  for (size_t k = ons.size(); k-- > 0;) {
    std::string condition;
    if (!Expression(ons[k].begin, ons[k].end, core, false, condition)) return false;
    text.insert(ons[k].at, condition);
  }
  out = text;
  return true;
}

bool Translator::SelectList(size_t begin, size_t end, Core& core, std::string& out) {
  int unnamed = 0;
  std::vector<std::string> items;
  for (size_t pos = begin; pos < end;) {
    size_t itemEnd = Find(pos, {","});
    if (itemEnd > end) itemEnd = end;
    if (itemEnd == pos) return Fail("its select list does not read");
    if (itemEnd == pos + 1 && At(pos).Is("*")) {
      for (const Source& source : core.sources)
        for (const ViewColumn& column : source.source->columns)
          core.outputs.push_back({column.name, column.sql, column.valueClass});
      items.push_back("*");
    } else if (itemEnd == pos + 3 && At(pos + 1).Is(".") && At(pos + 2).Is("*")) {
      const Source* found = nullptr;
      for (const Source& source : core.sources)
        if (source.lookup == LowerName(At(pos).text)) found = &source;
      if (!found) return Fail("it reads " + At(pos).text + ".*, but " + At(pos).text + " is not among its tables");
      for (const ViewColumn& column : found->source->columns)
        core.outputs.push_back({column.name, column.sql, column.valueClass});
      items.push_back(found->reference + ".*");
    } else {
      size_t exprEnd = itemEnd;
      std::string alias;
      if (itemEnd >= pos + 3 && At(itemEnd - 2).Is("as") &&
          (At(itemEnd - 1).kind == Tok::Name || At(itemEnd - 1).kind == Tok::Word)) {
        alias = At(itemEnd - 1).text;
        exprEnd = itemEnd - 2;
      }
      std::string expression;
      if (!Expression(pos, exprEnd, core, false, expression)) return false;
      core.items.push_back(expression);
      // A lone column keeps its name; another expression gets Access's.
      ViewColumn output;
      if (alias.empty())
        for (const Source& source : core.sources)
          for (const ViewColumn& column : source.source->columns)
            if (expression == source.reference + "." + column.sql) output = column;
      if (output.sql.empty() && (core.first || !alias.empty())) {
        if (alias.empty()) alias = "Expr" + std::to_string(1000 + unnamed++);
        output.name = alias;
        output.sql = writer_.Quote(alias);
        expression += " AS " + output.sql;
      }
      core.outputs.push_back(output);
      items.push_back(expression);
    }
    pos = itemEnd < end ? itemEnd + 1 : itemEnd;
  }
  std::set<std::string> names;
  for (const ViewColumn& output : core.outputs)
    if (core.first && !names.insert(LowerName(output.name)).second)
      return Fail("two of its columns are named " + output.name);
  out.clear();
  for (size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + items[i];
  return true;
}

bool Translator::OrderBy(size_t begin, size_t end, const Core& core, bool outputsOnly, std::string& out) {
  Core scope;
  if (!outputsOnly) scope.sources = core.sources;
  scope.outputs = core.outputs;
  std::vector<std::string> items;
  for (size_t pos = begin; pos < end;) {
    size_t itemEnd = Find(pos, {","});
    if (itemEnd > end) itemEnd = end;
    std::string direction;
    size_t exprEnd = itemEnd;
    if (exprEnd > pos && (At(exprEnd - 1).Is("desc") || At(exprEnd - 1).Is("asc"))) {
      direction = At(exprEnd - 1).Is("desc") ? " DESC" : "";
      --exprEnd;
    }
    std::string expression;
    if (!Expression(pos, exprEnd, scope, true, expression)) return false;
    if (core.distinct) {
      bool listed = false;
      for (const std::string& item : core.items) listed = listed || item == expression;
      for (const ViewColumn& output : core.outputs) listed = listed || output.sql == expression;
      if (!listed) return Fail("it sorts its distinct rows by what it does not select");
    }
    items.push_back(expression + direction);
    pos = itemEnd < end ? itemEnd + 1 : itemEnd;
  }
  for (size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + items[i];
  return true;
}

bool Translator::SelectCore(Core& core, std::string& sql) {
  if (!At(pos_).Is("select")) return Fail("it is not a SELECT");
  ++pos_;
  bool distinctRow = false;
  if (At(pos_).Is("distinct")) core.distinct = true, ++pos_;
  else if (At(pos_).Is("distinctrow")) distinctRow = true, ++pos_;
  else if (At(pos_).Is("all")) ++pos_;
  if (At(pos_).Is("top")) return Fail("it takes the TOP rows");
  const size_t listBegin = pos_;
  const size_t from = Find(pos_, {"from"});
  if (!At(from).Is("from")) return Fail("it has no FROM");
  const size_t fromEnd = Find(from + 1, {"where", "group", "having", "order", "union", ";"});
  std::string fromSql, list;
  if (!FromList(from + 1, fromEnd, core, fromSql)) return false;
  // DISTINCTROW on one table is every row, as without it.
  if (distinctRow && (core.sources.size() != 1 || fromSql.find(" JOIN ") != std::string::npos))
    return Fail("it takes DISTINCTROW of several tables");
  if (!SelectList(listBegin, from, core, list)) return false;
  sql = std::string("SELECT ") + (core.distinct ? "DISTINCT " : "") + list + "\nFROM " + fromSql;
  pos_ = fromEnd;
  struct Clause {
    const char* word;
    const char* second;
    std::initializer_list<const char*> ends;
  };
  const Clause clauses[] = {{"where", nullptr, {"group", "having", "order", "union", ";"}},
                            {"group", "by", {"having", "order", "union", ";"}},
                            {"having", nullptr, {"order", "union", ";"}}};
  for (const Clause& clause : clauses) {
    if (!At(pos_).Is(clause.word)) continue;
    size_t begin = pos_ + 1;
    if (clause.second) {
      if (!At(begin).Is(clause.second)) return Fail(std::string("its ") + clause.word + " does not read");
      ++begin;
    }
    size_t end = Find(begin, clause.ends);
    std::string expression;
    if (!Expression(begin, end, core, false, expression)) return false;
    std::string keyword = clause.second ? "GROUP BY" : LowerName(clause.word) == "where" ? "WHERE" : "HAVING";
    sql += "\n" + keyword + " " + expression;
    pos_ = end;
  }
  return true;
}

bool Translator::Statement(ViewSql& view) {
  std::vector<Core> cores(1);
  std::string sql, side;
  if (!SelectCore(cores[0], sql)) return false;
  while (At(pos_).Is("union")) {
    ++pos_;
    bool all = At(pos_).Is("all");
    if (all) ++pos_;
    cores.emplace_back();
    cores.back().first = false;
    if (!SelectCore(cores.back(), side)) return false;
    if (cores.back().outputs.size() != cores[0].outputs.size())
      return Fail("the sides of its union have different numbers of columns");
    sql += std::string("\nUNION ") + (all ? "ALL " : "") + side;
  }
  if (At(pos_).Is("order")) {
    if (!At(pos_ + 1).Is("by")) return Fail("its ORDER BY does not read");
    size_t end = Find(pos_ + 2, {";"});
    std::string order;
    if (!OrderBy(pos_ + 2, end, cores[0], cores.size() > 1, order)) return false;
    sql += "\nORDER BY " + order;
    pos_ = end;
  }
  if (At(pos_).Is(";")) ++pos_;
  if (At(pos_).kind != Tok::End) return Fail("it goes on past its end with " + At(pos_).text);
  view.sql = sql;
  view.columns = cores[0].outputs;
  return true;
}

}  // namespace

ViewSql TranslateView(const std::string& accessSql, const ViewSources& sources, const DdlWriter& writer) {
  ViewSql view;
  std::vector<Token> tokens;
  if (!Tokenize(accessSql, tokens, view.problem)) return view;
  if (!tokens.empty() && tokens.front().Is("parameters")) {
    view.problem = "it asks for parameters";
    return view;
  }
  Translator translator(tokens, sources, writer);
  if (!translator.Statement(view)) {
    view.problem = translator.problem();
    view.missingSource = translator.missing();
    view.sql.clear();
  }
  return view;
}
