// A worker thread of the windows (analysis job, watchers, record fetch,
// export job) and the one way such a thread changes a window: the window's
// thread runs the change while the worker waits, the counterpart of sending
// a message to a control.
#pragma once

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QThread>

#include <atomic>
#include <functional>
#include <thread>
#include <utility>

// A blocking cross-thread call made from the window's own thread would
// deadlock, so there the work runs directly.
template <typename Work>
void RunOnGuiThread(QObject* window, Work&& work) {
  if (QThread::currentThread() == window->thread()) {
    work();
    return;
  }
  QMetaObject::invokeMethod(window, std::forward<Work>(work), Qt::BlockingQueuedConnection);
}

class WorkerThread {
 public:
  WorkerThread() = default;
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;
  ~WorkerThread() { Join(); }

  // The previous run must have been joined.
  void Start(std::function<void()> body) {
    ended_.store(false);
    thread_ = std::thread([this, body = std::move(body)] {
      body();
      ended_.store(true);
    });
  }

  bool Running() const { return thread_.joinable() && !ended_.load(); }

  // Never join a worker that may be blocked sending to a window of this
  // thread: keep handling events until its last message has arrived. User
  // input waits meanwhile, so no command starts half-way through.
  void Join() {
    if (!thread_.joinable()) return;
    while (!ended_.load()) {
      QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
      if (!ended_.load()) QThread::msleep(1);
    }
    // An event handled meanwhile may have joined it already.
    if (thread_.joinable()) thread_.join();
  }

 private:
  std::thread thread_;
  std::atomic<bool> ended_{true};
};
