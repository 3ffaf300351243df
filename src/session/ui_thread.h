// The thread that owns the board and the window, as the download worker
// reaches it. The window implements it with the toolkit's queued calls;
// tests run the calls on their own thread.
#pragma once

#include <functional>

namespace kovalo {

class UiThread {
 public:
  virtual ~UiThread() = default;
  // Runs step on the owning thread and waits for it; at once when called
  // there. Returns false, without running it, once closed.
  virtual bool RunAndWait(const std::function<void()>& step) = 0;
  // Runs call on the owning thread after the present event; returns at once.
  // Nothing runs once closed.
  virtual void Post(std::function<void()> call) = 0;
  // No step or call runs after this, and waits in RunAndWait end at once; a
  // step that has begun is still waited for.
  virtual void Close() = 0;
};

}  // namespace kovalo
