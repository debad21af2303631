#include "reader/page_runs.h"

#include <algorithm>

#include "reader/mdb_file.h"

namespace {

// Enough for the reader to stay a run ahead while the caller holds one.
constexpr size_t kAheadBuffers = 3;

}  // namespace

PageRunReader::PageRunReader(const MdbFile& db, int64_t runPages, bool ahead)
    : db_(db), runPages_(std::max<int64_t>(runPages, 1)), pageSize_(db.PageSize()) {
  if (pageSize_ <= 0) {
    ended_ = true;
    return;
  }
  buffers_.resize(ahead ? kAheadBuffers : 1);
  for (Buffer& buffer : buffers_) buffer.bytes.resize(static_cast<size_t>(runPages_ * pageSize_));
  if (ahead) thread_ = std::thread([this] { ReadAhead(); });
}

PageRunReader::~PageRunReader() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void PageRunReader::ReadAhead() {
  const int64_t runBytes = runPages_ * pageSize_;
  for (int64_t run = 0;; ++run) {
    Buffer& buffer = buffers_[static_cast<size_t>(run) % buffers_.size()];
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [&] { return stopping_ || !buffer.full; });
      if (stopping_) return;
    }
    int64_t got = db_.ReadPages(buffer.bytes.data(), run * runPages_, runPages_);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      buffer.got = got;
      buffer.full = true;
    }
    changed_.notify_all();
    if (got < runBytes) return;
  }
}

PageRun PageRunReader::Next() {
  if (ended_) return {};
  const int64_t run = nextRun_++;
  Buffer& buffer = buffers_[static_cast<size_t>(run) % buffers_.size()];
  if (!thread_.joinable()) {
    buffer.got = db_.ReadPages(buffer.bytes.data(), run * runPages_, runPages_);
  } else {
    std::unique_lock<std::mutex> lock(mutex_);
    // The run handed out last is done with.
    if (run > 0) buffers_[static_cast<size_t>(run - 1) % buffers_.size()].full = false;
    changed_.notify_all();
    changed_.wait(lock, [&] { return buffer.full; });
  }
  if (buffer.got < runPages_ * pageSize_) ended_ = true;
  const int64_t pages = (buffer.got + pageSize_ - 1) / pageSize_;
  return {run * runPages_, ByteSpan(buffer.bytes.data(), static_cast<size_t>(pages * pageSize_))};
}
