#include "export/sql_names.h"

#include "format/utf8.h"

namespace {

std::string Folded(std::string name) {
  for (char& c : name)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return name;
}

}  // namespace

SqlNames::SqlNames(size_t limit, bool characters, Cleaner clean)
    : limit_(limit), characters_(characters), clean_(std::move(clean)) {}

std::string SqlNames::Cut(const std::string& name, size_t room) const {
  if (limit_ == 0) return name;
  return std::string(characters_ ? Utf8Prefix(name, room) : Utf8Prefix(name, std::string_view::npos, room));
}

std::string SqlNames::Add(const std::string& wanted) {
  const std::string clean = clean_ ? clean_(wanted) : wanted;
  std::string name = Cut(clean, limit_);
  for (int n = 2; taken_.count(Folded(name)); ++n) {
    const std::string suffix = "_" + std::to_string(n);
    name = Cut(clean, limit_ > suffix.size() ? limit_ - suffix.size() : 0) + suffix;
  }
  taken_.insert(Folded(name));
  return name;
}
