// Helpers of the tests that run kovalo-sites as a process of its own: a free
// loopback port, and the processes serving one (to end them by their ids).
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace kovalo::testing {

// A port on 127.0.0.1 that nothing listens on just now.
int FreeLoopbackPort();

// The ids of the processes of program that were started with "--port port".
std::vector<pid_t> ServicesOnPort(const std::string& program, int port);

}  // namespace kovalo::testing
