// A file written on a thread of its own: one buffer is filled while the one
// before is copied to the file, so that making a large file and handing its
// bytes to the system overlap.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

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
  void Run();
  void Write(const std::vector<char>& bytes);
  // With the lock held: waits for the append handed over to be written.
  void WaitIdle(std::unique_lock<std::mutex>& lock);

  std::ofstream out_;
  bool open_ = false;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<char> pending_;  // handed over, being written
  bool hasPending_ = false;
  bool stopping_ = false;
  bool failed_ = false;
  std::thread thread_;
};

}  // namespace xls
