// Names for the objects of an SQL schema. Access allows names a database
// engine may not: too long for it, holding characters it refuses, or equal
// to another name once cut or compared without case. A set hands out each
// wanted name made acceptable and unique within the set, so that the DDL
// and the rows loaded after it use the same names.
#pragma once

#include <cstddef>
#include <functional>
#include <set>
#include <string>

class SqlNames {
 public:
  // Turns a wanted name into one the engine accepts, before it is cut.
  using Cleaner = std::function<std::string(std::string)>;

  // Names of at most `limit` bytes (or characters, when `characters`); 0:
  // no limit.
  SqlNames(size_t limit, bool characters, Cleaner clean);

  // `wanted` made acceptable, cut to the limit and, when the set holds it
  // already (without regard to ASCII case), given a suffix "_2", "_3", ...
  std::string Add(const std::string& wanted);

 private:
  std::string Cut(const std::string& name, size_t room) const;

  size_t limit_;
  bool characters_;
  Cleaner clean_;
  std::set<std::string> taken_;  // lower case
};
