// Folders and paths, in place of the Windows calls the program was designed
// around. Paths use '/' as separator.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// The folder of the running executable, ending in '/'.
std::string ProgramFolder();

// Like CreateDirectory: true only when the folder was made now; false when it
// exists already or cannot be made. The parent must exist.
bool CreateFolder(const std::string& path);

bool IsFolder(const std::string& path);
bool FileExists(const std::string& path);

// Makes the folder and every missing folder above it; true when it is a
// folder afterwards.
bool CreateFolders(const std::string& path);

// Why the folder cannot take new files ("does not exist", "is not a
// folder", the system's reason), or an empty text when it can.
std::string FolderProblem(const std::string& path);

// The per-user folders of the XDG base directories, "brevantis" inside
// $XDG_STATE_HOME (default ~/.local/state) and $XDG_CACHE_HOME (default
// ~/.cache). Neither ends in '/'; neither is made here.
std::string UserStateFolder();
std::string UserCacheFolder();

// The current working folder, or an empty text.
std::string CurrentFolder();

// Available physical memory in bytes (MemAvailable), 0 when unknown.
uint64_t AvailablePhysicalMemory();

}  // namespace platform
