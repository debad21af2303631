// Sheet and workbook file names made from table names, which may hold any
// characters. A sheet name must be one Excel takes: 1 to 31 characters,
// none of : \ / ? * [ ], no apostrophe at either end, not "History", unique
// in its workbook ignoring case. A file name must stay inside the export
// folder and must not replace a workbook the same export wrote before.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

class NameSet {
 public:
  enum class Kind { Sheet, File };

  explicit NameSet(Kind kind);

  // The name for base followed by suffix (a continuation's "_1", kept whole
  // when the name is cut), made valid and different from every name handed
  // out before, with a further "_n" when needed. File names come without
  // their extension, which is allowed for in their length.
  std::string Add(const std::string& base, const std::string& suffix = std::string());
  // A name in use already (a sheet of the workbook), taken as it is.
  void Reserve(const std::string& name);

 private:
  std::string Valid(const std::string& base, const std::string& tail) const;
  bool IsUsed(const std::string& name) const;

  Kind kind_;
  size_t maxLength_;
  std::vector<std::string> used_;
};
