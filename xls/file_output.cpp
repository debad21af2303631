#include "xls/file_output.h"

#include <system_error>

namespace xls {

FileOutput::FileOutput(const std::string& path, bool onThread) {
  out_.open(path, std::ios::binary | std::ios::trunc);
  open_ = static_cast<bool>(out_);
  if (!open_ || !onThread) return;
  try {
    thread_ = std::thread([this] { Run(); });
  } catch (const std::system_error&) {
    // Written as handed over, as without a thread.
  }
}

void FileOutput::Write(const std::vector<char>& bytes) {
  out_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

FileOutput::~FileOutput() { Close(); }

void FileOutput::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return hasPending_ || stopping_; });
    if (!hasPending_) return;
    // The caller touches pending_ only once it is no longer pending.
    lock.unlock();
    Write(pending_);
    const bool wrote = static_cast<bool>(out_);
    lock.lock();
    if (!wrote) failed_ = true;
    pending_.clear();
    hasPending_ = false;
    changed_.notify_all();
  }
}

void FileOutput::WaitIdle(std::unique_lock<std::mutex>& lock) {
  changed_.wait(lock, [this] { return !hasPending_; });
}

bool FileOutput::Append(std::vector<char>& bytes) {
  if (!open_) return false;
  if (!thread_.joinable()) {
    Write(bytes);
    bytes.clear();
    if (!out_) failed_ = true;
    return !failed_;
  }
  std::unique_lock<std::mutex> lock(mutex_);
  WaitIdle(lock);
  if (failed_) return false;
  pending_.swap(bytes);
  hasPending_ = true;
  changed_.notify_all();
  return true;
}

bool FileOutput::WriteAt(uint64_t offset, const void* data, size_t size) {
  if (!open_) return false;
  std::unique_lock<std::mutex> lock(mutex_);
  WaitIdle(lock);
  if (failed_) return false;
  out_.seekp(static_cast<std::streamoff>(offset));
  out_.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  out_.seekp(0, std::ios::end);
  if (!out_) failed_ = true;
  return !failed_;
}

bool FileOutput::Close() {
  if (thread_.joinable()) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }
  if (!open_) return false;
  open_ = false;
  out_.close();
  return !failed_ && static_cast<bool>(out_);
}

}  // namespace xls
