#include "decode/ole_file_writer.h"

#include <cstdio>

#include "decode/long_value.h"
#include "platform/folders.h"

std::string OleFileWriter::DefaultFolder() { return platform::ProgramFolder() + "TempOLeFiles"; }

std::string OleFileWriter::Write(std::string& payload) {
  ++counter_;
  platform::CreateFolder(folder_);
  std::string extension;
  IdentifyOleObject(payload, extension);
  if (extension.empty()) extension = "ole";
  std::string path = folder_ + "/Ole" + std::to_string(counter_) + "." + extension;
  if (FILE* file = std::fopen(path.c_str(), "wb+")) {
    std::fwrite(payload.data(), 1, payload.size(), file);
    std::fclose(file);
  }
  return path;
}
