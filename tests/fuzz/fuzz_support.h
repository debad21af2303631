// What the fuzz targets share: a session over bytes held in memory, with
// OLE files going to a scratch folder of the process's own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/dialogs.h"
#include "reader/table_def.h"

class RowDecoder;

namespace fuzz {

// Messages go nowhere: a fuzzer's output is its own findings.
class SilentDialogs : public platform::Dialogs {
 public:
  platform::MessageAnswer ShowMessage(const std::string&, const std::string&, platform::MessageButtons,
                                      platform::MessageIcon) override {
    return platform::MessageAnswer::Ok;
  }
};

// A path that reads as a regular file holding exactly the given bytes.
class MemoryFile {
 public:
  MemoryFile(const uint8_t* data, size_t size);
  ~MemoryFile();
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;
  const std::string& path() const { return path_; }

 private:
  int fd_ = -1;
  std::string path_;
};

// A folder for OLE files, made once per process and emptied on every call.
std::string OleFolder();

// Every row of every table of an analysed session, as the export reads them,
// and the deleted rows that still read.
void ReadEveryRow(RowDecoder& rows, TableList& tables);

}  // namespace fuzz
