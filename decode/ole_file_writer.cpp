#include "decode/ole_file_writer.h"

#include "decode/long_value.h"
#include "platform/folders.h"
#include "platform/staged_file.h"

namespace {

// A packaged file's extension may be long; the name must still fit in the
// 255 bytes a file name may have.
constexpr size_t kMaxExtension = 64;

}  // namespace

std::string OleFileWriter::BrowserFolder() { return platform::UserCacheFolder() + "/TempOLeFiles"; }

std::string OleFileWriter::ExportFolder(const std::string& exportFolder) {
  return exportFolder + "/OLE Objects";
}

std::string OleFileWriter::Write(std::string& payload) {
  ++counter_;
  std::string extension;
  IdentifyOleObject(payload, extension);
  if (extension.empty()) extension = "ole";
  if (extension.size() > kMaxExtension) extension.resize(kMaxExtension);
  if (folder_.empty()) return {};
  std::string path = folder_ + "/Ole" + std::to_string(counter_) + "." + extension;

  std::string problem;
  platform::CreateFolders(folder_);
  if (!platform::WriteWholeFile(path, payload, problem) && failures_.count++ == 0) failures_.first = path + ": " + problem;
  return path;
}

OleFileWriter::Failures OleFileWriter::TakeFailures() {
  Failures taken = std::move(failures_);
  failures_ = Failures();
  return taken;
}
