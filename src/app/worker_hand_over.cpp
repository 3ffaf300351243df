// The worker's steps, run on the user-interface thread in the order they come.
#include "app/worker_hand_over.h"

#include <QThread>
#include <memory>

namespace kovalo {

namespace {

struct PendingStep {
  bool running = false;
  bool done = false;
};

}  // namespace

bool WorkerHandOver::RunAndWait(const std::function<void()>& step) {
  if (QThread::currentThread() == thread()) {
    step();
    return true;
  }
  auto pending = std::make_shared<PendingStep>();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_) return false;
  }
  // The step is the worker's and lives until the worker stops waiting, which
  // it does only once the step has run or will never run.
  QMetaObject::invokeMethod(
      this,
      [this, pending, &step] {
        {
          std::lock_guard<std::mutex> lock(mutex_);
          if (closed_) return;
          pending->running = true;
        }
        step();
        {
          std::lock_guard<std::mutex> lock(mutex_);
          pending->running = false;
          pending->done = true;
        }
        changed_.notify_all();
      },
      Qt::QueuedConnection);
  std::unique_lock<std::mutex> lock(mutex_);
  // A step that has begun is waited for even when the hand-over closes
  // meanwhile (a message box of the step may let the close request in): it
  // still uses what the worker handed it.
  changed_.wait(lock, [&] { return pending->done || (closed_ && !pending->running); });
  return pending->done;
}

void WorkerHandOver::Post(std::function<void()> call) {
  QMetaObject::invokeMethod(
      this,
      [this, call = std::move(call)] {
        {
          std::lock_guard<std::mutex> lock(mutex_);
          if (closed_) return;
        }
        call();
      },
      Qt::QueuedConnection);
}

void WorkerHandOver::Close() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
  }
  changed_.notify_all();
}

}  // namespace kovalo
