// Writes the OLE objects the decoder gathers as numbered files ("Ole1.bmp",
// "Ole2.ole", ...) into one folder. The numbers go on for the writer's life,
// so that one writer per program run never reuses a file's name.
#pragma once

#include <cstdint>
#include <string>

class OleFileWriter {
 public:
  // "TempOLeFiles" in the program's folder.
  static std::string DefaultFolder();

  explicit OleFileWriter(std::string folder = DefaultFolder()) : folder_(std::move(folder)) {}

  // Cuts a known object down to its own bytes (IdentifyOleObject) and writes
  // it as the next file, making the folder first when it is missing. The
  // path, which the cell shows whether the file could be written or not.
  std::string Write(std::string& payload);

  int32_t filesWritten() const { return counter_; }

 private:
  std::string folder_;
  int32_t counter_ = 0;
};
