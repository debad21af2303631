// A file written on a thread of its own: one buffer is filled while the one
// before is copied to the file, so that making a large file and handing its
// bytes to the system overlap.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "xls/hand_off.h"

namespace xls {

class FileOutput {
 public:
  // Creates or empties the file; IsOpen tells whether that worked. Without
  // `onThread`, or when no thread can be started, bytes are written as they
  // are handed over.
  FileOutput(const std::string& path, bool onThread);
  ~FileOutput();
  FileOutput(const FileOutput&) = delete;
  FileOutput& operator=(const FileOutput&) = delete;

  bool IsOpen() const { return open_; }
  // Appends `bytes` to the file, later; gives back an empty buffer with the
  // capacity of one handed over before. False once a write has failed.
  bool Append(std::vector<char>& bytes);
  // Writes bytes in place once every append is done. False once a write has
  // failed.
  bool WriteAt(uint64_t offset, const void* data, size_t size);
  // Ends the writing and closes the file; false when any write failed.
  bool Close();

 private:
  void Write(const std::vector<char>& bytes);

  std::ofstream out_;
  bool open_ = false;
  bool failed_ = false;  // set by the writing; read once it is idle
  HandOff<std::vector<char>> writing_{[this](std::vector<char>& bytes) { Write(bytes); }};
};

}  // namespace xls
