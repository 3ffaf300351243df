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

struct InFlight {
  std::mutex mutex;
  std::condition_variable changed;
  int count = 0;
};

InFlight& TheInFlight() {
  static InFlight inFlight;
  return inFlight;
}

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

DownloadInFlight::DownloadInFlight() {
  InFlight& inFlight = TheInFlight();
  std::lock_guard lock(inFlight.mutex);
  ++inFlight.count;
}

DownloadInFlight::~DownloadInFlight() {
  InFlight& inFlight = TheInFlight();
  bool last;
  {
    std::lock_guard lock(inFlight.mutex);
    last = --inFlight.count == 0;
  }
  if (last) inFlight.changed.notify_all();
}

void NotifyInFlightWaiter() {
  InFlight& inFlight = TheInFlight();
  // Taking the lock orders the change before a waiter's next test of it.
  { std::lock_guard lock(inFlight.mutex); }
  inFlight.changed.notify_all();
}

}  // namespace detail

int DownloadsInFlight() {
  detail::InFlight& inFlight = detail::TheInFlight();
  std::lock_guard lock(inFlight.mutex);
  return inFlight.count;
}

void SetRunState(int16_t value) {
  RunState.store(value);
  detail::WakeSlotWaits();
  detail::NotifyEngineEvent();
  detail::NotifyInFlightWaiter();
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
    detail::InFlight& inFlight = detail::TheInFlight();
    std::unique_lock lock(inFlight.mutex);
    inFlight.changed.wait(lock, [&] {
      return inFlight.count == 0 || RunState.load() != kRunStateStopping;
    });
  }
  // A value that someone else stored meanwhile stays.
  int16_t expected = kRunStateStopping;
  RunState.compare_exchange_strong(expected, kRunStateRunning);
  return 0;
}

}  // namespace kovalo
