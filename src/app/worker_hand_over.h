// The hand-over of the download worker's steps to the user-interface
// thread: each step is a queued call into this object, and the worker waits
// until it has run. Closing refuses every step and call still to come.
#pragma once

#include <QObject>
#include <condition_variable>
#include <functional>
#include <mutex>

#include "session/ui_thread.h"

namespace kovalo {

class WorkerHandOver : public QObject, public UiThread {
  Q_OBJECT
 public:
  using QObject::QObject;

  bool RunAndWait(const std::function<void()>& step) override;
  void Post(std::function<void()> call) override;
  void Close() override;

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool closed_ = false;
};

}  // namespace kovalo
