#include "reader/page_runs.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "reader/mdb_file.h"

namespace {

// A lane's window onto the file, and its buffer for the runs that cannot be
// mapped (a page cut short, moved or encrypted).
class Lane {
 public:
  Lane(const MdbFile& db, int64_t pages, int64_t runPages) : db_(db), pages_(pages), runPages_(runPages) {}

  // Maps or reads run k and works on it.
  void Work(int64_t k, const std::function<void(const PageRun&)>& work) {
    const int64_t first = k * runPages_;
    const int64_t count = std::min(runPages_, pages_ - first);
    if (db_.ViewPages(view_, first, count)) {
      work(PageRun{first, view_.Bytes()});
      return;
    }
    buffer_.resize(static_cast<size_t>(std::min(runPages_, pages_) * db_.PageSize()));
    db_.ReadPages(buffer_.data(), first, count);
    work(PageRun{first, ByteSpan(buffer_.data(), static_cast<size_t>(count * db_.PageSize()))});
  }

 private:
  const MdbFile& db_;
  const int64_t pages_, runPages_;
  platform::FileView view_;
  std::vector<uint8_t> buffer_;
};

}  // namespace

void ForEachPageRun(const MdbFile& db, int64_t pages, int64_t runPages, int lanes,
                    const std::function<void(const PageRun&)>& work,
                    const std::function<bool(int64_t firstPage, int64_t count)>& reached) {
  if (db.PageSize() <= 0 || pages <= 0) return;
  runPages = std::max<int64_t>(runPages, 1);
  const int64_t runs = (pages + runPages - 1) / runPages;
  auto reach = [&](int64_t k) { return reached(k * runPages, std::min(runPages, pages - k * runPages)); };
  Lane own(db, pages, runPages);
  if (lanes < 2 || runs < 2) {
    for (int64_t k = 0; k < runs; ++k) {
      own.Work(k, work);
      if (!reach(k)) return;
    }
    return;
  }

  // Each lane takes the next run nobody has taken, so that the caller's
  // lane, which also reaches every run, takes fewer. What work() leaves is
  // all the caller needs of a run: no lane waits for another's buffer.
  std::atomic<int64_t> next{0};
  std::atomic<bool> stopping{false};
  std::vector<uint8_t> done(static_cast<size_t>(runs), 0);  // under mutex
  std::exception_ptr failure;  // what the other lane's work threw, at failedRun; under mutex
  int64_t failedRun = -1;
  std::mutex mutex;
  std::condition_variable changed;
  // Stopped and joined however the caller's loop ends, a throw included.
  struct Joined {
    std::atomic<bool>& stopping;
    std::thread thread;
    ~Joined() {
      stopping = true;
      thread.join();
    }
  } other{stopping, std::thread([&] {
    Lane lane(db, pages, runPages);
    int64_t k = next++;
    try {
      for (; k < runs && !stopping.load(std::memory_order_relaxed); k = next++) {
        lane.Work(k, work);
        {
          std::lock_guard<std::mutex> lock(mutex);
          done[static_cast<size_t>(k)] = 1;
        }
        changed.notify_one();
      }
    } catch (...) {
      // Thrown to the caller when it reaches that run, as on one lane.
      {
        std::lock_guard<std::mutex> lock(mutex);
        failedRun = k;
        failure = std::current_exception();
      }
      changed.notify_one();
    }
  })};
  for (int64_t k = 0; k < runs;) {
    bool ready;
    {
      std::lock_guard<std::mutex> lock(mutex);
      ready = done[static_cast<size_t>(k)] != 0;
      if (!ready && failedRun == k) std::rethrow_exception(failure);
    }
    if (ready) {
      if (!reach(k++)) break;
      continue;
    }
    if (const int64_t mine = next++; mine < runs) {
      own.Work(mine, work);
      std::lock_guard<std::mutex> lock(mutex);
      done[static_cast<size_t>(mine)] = 1;
      continue;
    }
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [&] { return done[static_cast<size_t>(k)] != 0 || failedRun == k; });
  }
}
