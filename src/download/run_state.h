// RunState: the program's one stop signal, read by the download engine's
// loops and the download worker. -1 while the program runs, 1 once the main
// window is closing, 12345 while StopDownloadsAndWait ends the transfer
// threads.
#pragma once

#include <atomic>
#include <cstdint>

namespace kovalo {

extern std::atomic<int16_t> RunState;

}  // namespace kovalo
