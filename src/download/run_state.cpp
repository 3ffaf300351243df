// RunState, the count of live slots, the engine-wide event and
// StopDownloadsAndWait.
#include "download/run_state.h"

#include <condition_variable>
#include <mutex>

#include "download/download.h"
#include "download/engine_event.h"

namespace kovalo {

std::atomic<int16_t> RunState{kRunStateRunning};
std::atomic<int> TransferThreadCount{-1};

namespace detail {

namespace {

struct EngineEvent {
  std::mutex mutex;
  std::condition_variable changed;
  uint64_t generation = 0;
};

EngineEvent& TheEvent() {
  static EngineEvent event;
  return event;
}

}  // namespace

uint64_t EngineEventGeneration() {
  EngineEvent& event = TheEvent();
  std::lock_guard lock(event.mutex);
  return event.generation;
}

void NotifyEngineEvent() {
  EngineEvent& event = TheEvent();
  {
    std::lock_guard lock(event.mutex);
    ++event.generation;
  }
  event.changed.notify_all();
}

void WaitEngineEvent(uint64_t seen, std::chrono::milliseconds timeout) {
  EngineEvent& event = TheEvent();
  std::unique_lock lock(event.mutex);
  event.changed.wait_for(lock, timeout, [&] { return event.generation != seen; });
}

}  // namespace detail

void SetRunState(int16_t value) {
  RunState.store(value);
  detail::WakeSlotWaits();
  detail::NotifyEngineEvent();
}

bool WaitWhileRunning(std::chrono::milliseconds duration) {
  const auto end = std::chrono::steady_clock::now() + duration;
  for (;;) {
    const uint64_t seen = detail::EngineEventGeneration();
    if (RunState.load() >= 0) return false;
    const auto now = std::chrono::steady_clock::now();
    if (now >= end) return true;
    detail::WaitEngineEvent(seen, std::chrono::ceil<std::chrono::milliseconds>(end - now));
  }
}

int StopDownloadsAndWait() {
  SetRunState(kRunStateStopping);
  const auto step = std::chrono::milliseconds(CurrentDownloadTimings().stopStepMs);
  for (;;) {
    uint64_t seen = detail::EngineEventGeneration();
    if (RunState.load() != kRunStateStopping) return 0;
    if (TransferThreadCount.load() < 0) break;
    detail::WaitEngineEvent(seen, step);
  }
  int16_t expected = kRunStateStopping;
  RunState.compare_exchange_strong(expected, kRunStateRunning);
  return 0;
}

}  // namespace kovalo
