#include "decode/ole_file_writer.h"

#include <filesystem>

#include "decode/long_value.h"
#include "format/utf8.h"
#include "platform/folders.h"
#include "platform/staged_file.h"

namespace {

// A packaged file's extension may be long; the name must still fit in the
// 255 bytes a file name may have.
constexpr size_t kMaxExtension = 64;
constexpr size_t kMaxNameBytes = 200;

// A name from the file as one component of a path: no separator, no control
// character, not "." or "..", whole characters up to kMaxNameBytes.
std::string PathComponent(const std::string& name) {
  std::string safe(Utf8Prefix(name, kMaxNameBytes, kMaxNameBytes));
  for (char& c : safe)
    if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '_';
  if (safe.empty() || safe == "." || safe == "..") safe = "_" + safe;
  return safe;
}

// "name (n).ext" for the n-th file that would take the same name.
std::string Numbered(const std::string& name, int n) {
  const size_t dot = name.rfind('.');
  const size_t stem = dot == std::string::npos || dot == 0 ? name.size() : dot;
  return name.substr(0, stem) + " (" + std::to_string(n) + ")" + name.substr(stem);
}

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
  WriteFile(folder_, path, payload);
  return path;
}

std::string OleFileWriter::WriteAttachment(const std::string& table, const std::string& column, int32_t id,
                                           size_t index, const std::string& name, const std::string& data) {
  if (folder_.empty()) return {};
  std::string key = table + '\0' + column + '\0' + std::to_string(id) + '\0' + std::to_string(index);
  auto known = attachments_.find(key);
  std::string folder = std::filesystem::path(folder_).parent_path().string() + "/Attachments/" +
                       PathComponent(table) + "/" + std::to_string(id);
  std::string path;
  if (known != attachments_.end()) {
    path = known->second;
  } else {
    const std::string file = PathComponent(name);
    path = folder + "/" + file;
    for (int n = 2; attachmentPaths_.count(path) != 0; ++n) path = folder + "/" + Numbered(file, n);
    attachments_.emplace(std::move(key), path);
    attachmentPaths_.insert(path);
  }
  WriteFile(folder, path, data);
  return path;
}

void OleFileWriter::WriteFile(const std::string& folder, const std::string& path, const std::string& bytes) {
  std::string problem;
  platform::CreateFolders(folder);
  if (!platform::WriteWholeFile(path, bytes, problem) && failures_.count++ == 0) failures_.first = path + ": " + problem;
}

OleFileWriter::Failures OleFileWriter::TakeFailures() {
  Failures taken = std::move(failures_);
  failures_ = Failures();
  return taken;
}
