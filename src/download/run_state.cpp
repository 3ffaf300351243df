// RunState, the count of downloads under way, the engine-wide event and
// StopDownloadsAndWait.
#include "download/run_state.h"

#include <condition_variable>
#include <mutex>

#include "download/engine_event.h"

namespace kovalo {

std::atomic<int16_t> RunState{kRunStateRunning};

namespace detail {

namespace {

// The engine-wide event and the count of downloads under way share one
// lock and one condition: each waiter tests its own part of the state.
struct EngineWaits {
  std::mutex mutex;
  std::condition_variable changed;
  uint64_t generation = 0;
  int inFlight = 0;
};

EngineWaits& TheWaits() {
  static EngineWaits waits;
  return waits;
}

}  // namespace

uint64_t EngineEventGeneration() {
  EngineWaits& waits = TheWaits();
  std::lock_guard lock(waits.mutex);
  return waits.generation;
}

void NotifyEngineEvent() {
  EngineWaits& waits = TheWaits();
  {
    std::lock_guard lock(waits.mutex);
    ++waits.generation;
  }
  waits.changed.notify_all();
}

void WaitEngineEvent(uint64_t seen, std::chrono::milliseconds timeout) {
  EngineWaits& waits = TheWaits();
  std::unique_lock lock(waits.mutex);
  waits.changed.wait_for(lock, timeout, [&] { return waits.generation != seen; });
}

DownloadInFlight::DownloadInFlight() {
  EngineWaits& waits = TheWaits();
  std::lock_guard lock(waits.mutex);
  ++waits.inFlight;
}

DownloadInFlight::~DownloadInFlight() {
  EngineWaits& waits = TheWaits();
  bool last;
  {
    std::lock_guard lock(waits.mutex);
    last = --waits.inFlight == 0;
  }
  if (last) waits.changed.notify_all();
}

}  // namespace detail

int DownloadsInFlight() {
  detail::EngineWaits& waits = detail::TheWaits();
  std::lock_guard lock(waits.mutex);
  return waits.inFlight;
}

void SetRunState(int16_t value) {
  RunState.store(value);
  detail::WakeSlotWaits();
  // Also wakes StopDownloadsAndWait to test RunState again.
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
  {
    detail::EngineWaits& waits = detail::TheWaits();
    std::unique_lock lock(waits.mutex);
    waits.changed.wait(lock,
                       [&] { return waits.inFlight == 0 || RunState.load() != kRunStateStopping; });
  }
  // A value that someone else stored meanwhile stays.
  int16_t expected = kRunStateStopping;
  RunState.compare_exchange_strong(expected, kRunStateRunning);
  return 0;
}

}  // namespace kovalo
