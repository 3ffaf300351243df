// One engine-wide event for the waits that are not tied to a slot: the wait
// of StopDownloadsAndWait for the live slots, and the wait for a free host
// place. It fires when a slot stops being live, a host place is given back in
// this process, or RunState is changed through SetRunState. Waiters
// note the generation before testing their condition, so no firing is lost.
#pragma once

#include <chrono>
#include <cstdint>

namespace kovalo::detail {

uint64_t EngineEventGeneration();
void NotifyEngineEvent();
// Returns when the generation differs from seen or the time-out has passed.
void WaitEngineEvent(uint64_t seen, std::chrono::milliseconds timeout);

// Wakes every slot's wait on the network so that it tests RunState at once,
// and lets idle slots stop being live once RunState is 0 or more. Lives with
// the slots.
void WakeSlotWaits();

}  // namespace kovalo::detail
