// The program-wide stop word and the count of downloads under way, shared
// by the user-interface thread, the download worker and the download engine.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

namespace kovalo {

// -1 while the program runs; 1 once the main window has been asked to close;
// 12345 while StopDownloadsAndWait lets the engine's downloads end. The
// engine goes on only while it is negative. A plain store is seen by every
// engine loop at its next period; SetRunState also wakes them at once.
extern std::atomic<int16_t> RunState;

constexpr int16_t kRunStateRunning = -1;
constexpr int16_t kRunStateClosing = 1;
constexpr int16_t kRunStateStopping = 12345;

// The number of DownloadUrl calls under way, in all slots together.
int DownloadsInFlight();

// Stores value in RunState and wakes every waiting loop of the engine, so a
// stop takes effect without waiting for the loops' periods.
void SetRunState(int16_t value);

// Waits for duration unless RunState turns 0 or more first (SetRunState ends
// the wait at once). True when the whole time passed with RunState negative.
bool WaitWhileRunning(std::chrono::milliseconds duration);

// Stops the engine and waits until no download is under way any more (woken
// when the last one returns). Returns early when someone else (the close
// request) changes RunState through SetRunState meanwhile; otherwise puts
// RunState back to -1 so that downloads can start again. Returns 0.
int StopDownloadsAndWait();

}  // namespace kovalo
