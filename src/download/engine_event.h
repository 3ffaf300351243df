// One engine-wide event for the waits that are not tied to a slot: the wait
// of StopDownloadsAndWait for the transfer threads, and the wait for a free
// host place. It fires when a transfer thread ends, a host place is given
// back in this process, or RunState is changed through SetRunState. Waiters
// note the generation before testing their condition, so no firing is lost.
#pragma once

#include <chrono>
#include <cstdint>

namespace kovalo::detail {

uint64_t EngineEventGeneration();
void NotifyEngineEvent();
// Returns when the generation differs from seen or the time-out has passed.
void WaitEngineEvent(uint64_t seen, std::chrono::milliseconds timeout);

// Wakes the waits of every slot (callers and transfer threads) so that they
// test RunState at once. Lives with the slots.
void WakeSlotWaits();

}  // namespace kovalo::detail
