// Writes the OLE objects the decoder gathers as numbered files ("Ole1.bmp",
// "Ole2.ole", ...) into one folder: an export's own "OLE Objects", or the
// record browser's folder in the per-user cache. The numbers go on for the
// writer's life, so that one writer never reuses a file's name.
#pragma once

#include <cstdint>
#include <string>

class OleFileWriter {
 public:
  // "TempOLeFiles" in the per-user cache folder.
  static std::string BrowserFolder();
  // "OLE Objects" inside an export's folder.
  static std::string ExportFolder(const std::string& exportFolder);

  // Without a folder (an export into a server, whose tables keep the
  // objects) no file is written and the path is empty.
  explicit OleFileWriter(std::string folder) : folder_(std::move(folder)) {}

  // Cuts a known object down to its own bytes (IdentifyOleObject) and writes
  // it as the next file, making the folder first when it is missing. The
  // path, which the cell shows; a file that could not be written is counted
  // as a failure (TakeFailures).
  std::string Write(std::string& payload);

  // The files not written since the last call: how many, and the first as
  // "path: reason". The count starts again from 0.
  struct Failures {
    int32_t count = 0;
    std::string first;
  };
  Failures TakeFailures();

  int32_t filesWritten() const { return counter_; }

 private:
  std::string folder_;
  int32_t counter_ = 0;
  Failures failures_;
};
