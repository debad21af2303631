// The file read front to back in runs of pages. With a second core the next
// runs are read (and decoded) ahead on a thread of their own, so that the
// reading overlaps whatever the caller does with the run in hand.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "format/field_readers.h"

class MdbFile;

struct PageRun {
  int64_t firstPage = 0;
  // Whole pages; a short last page is zero-filled. Empty at the end.
  ByteSpan bytes;
};

class PageRunReader {
 public:
  // Runs of runPages pages of the session's layout, from page 0 on; ahead
  // chooses the reading thread.
  PageRunReader(const MdbFile& db, int64_t runPages, bool ahead);
  ~PageRunReader();
  PageRunReader(const PageRunReader&) = delete;
  PageRunReader& operator=(const PageRunReader&) = delete;

  // The next run; its bytes stay valid until the next call.
  PageRun Next();

 private:
  struct Buffer {
    std::vector<uint8_t> bytes;
    int64_t got = 0;
    bool full = false;
  };
  void ReadAhead();

  const MdbFile& db_;
  const int64_t runPages_;
  const int64_t pageSize_;
  std::vector<Buffer> buffers_;
  int64_t nextRun_ = 0;
  bool ended_ = false;

  std::mutex mutex_;
  std::condition_variable changed_;
  bool stopping_ = false;
  std::thread thread_;
};
