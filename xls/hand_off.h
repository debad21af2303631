// Work on pieces handed over one at a time, on a thread of its own: the
// caller fills the next piece while the thread works on the one before.
// Without the thread (one core, or none to be had) each piece is worked on
// as it is handed over. Here, at the lowest layer, for the workbook engine
// and the exports alike.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace xls {

template <class Piece>
class HandOff {
 public:
  explicit HandOff(std::function<void(Piece&)> work) : work_(std::move(work)) {}
  ~HandOff() { Stop(); }
  HandOff(const HandOff&) = delete;
  HandOff& operator=(const HandOff&) = delete;

  // Starts the thread unless it runs; without one, pieces are worked on as
  // they are handed over.
  void Start() {
    if (thread_.joinable()) return;
    stopping_ = false;
    try {
      thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
    }
  }
  // Takes the piece, leaving it empty with the capacity of an earlier one,
  // once the piece before is done with.
  void Give(Piece& piece) {
    if (!thread_.joinable()) {
      work_(piece);
      piece.clear();
      return;
    }
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [this] { return !busy_; });
      piece_.swap(piece);
      busy_ = true;
    }
    changed_.notify_all();
    piece.clear();
  }
  // Returns once every piece handed over is done with; what the work did is
  // then seen by the caller.
  void WaitIdle() {
    if (!thread_.joinable()) return;
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
  }
  // Works on what was handed over, then ends the thread.
  void Stop() {
    if (!thread_.joinable()) return;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }

 private:
  void Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      changed_.wait(lock, [this] { return busy_ || stopping_; });
      if (!busy_) return;
      // The caller touches the piece again only once it is no longer busy.
      lock.unlock();
      work_(piece_);
      lock.lock();
      piece_.clear();
      busy_ = false;
      changed_.notify_all();
    }
  }

  const std::function<void(Piece&)> work_;
  std::mutex mutex_;
  std::condition_variable changed_;
  Piece piece_;
  bool busy_ = false;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace xls
