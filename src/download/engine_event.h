// The engine's waits that are not tied to a slot. One engine-wide event
// serves the wait for a free host place and WaitWhileRunning: it fires when
// a host place is given back in this process or RunState is changed through
// SetRunState; waiters note the generation before testing their condition,
// so no firing is lost. The count of downloads under way shares its lock
// and condition; StopDownloadsAndWait waits on it for zero.
#pragma once

#include <chrono>
#include <cstdint>

namespace kovalo::detail {

uint64_t EngineEventGeneration();
void NotifyEngineEvent();
// Returns when the generation differs from seen or the time-out has passed.
void WaitEngineEvent(uint64_t seen, std::chrono::milliseconds timeout);

// Wakes every slot's wait on the network so that it tests RunState at once.
// Lives with the slots.
void WakeSlotWaits();

// One download under way for as long as it lives (DownloadUrl holds one);
// the last to go wakes StopDownloadsAndWait.
class DownloadInFlight {
 public:
  DownloadInFlight();
  ~DownloadInFlight();
  DownloadInFlight(const DownloadInFlight&) = delete;
  DownloadInFlight& operator=(const DownloadInFlight&) = delete;
};

}  // namespace kovalo::detail
