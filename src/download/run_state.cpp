#include "download/run_state.h"

namespace kovalo {

std::atomic<int16_t> RunState{-1};

}  // namespace kovalo
