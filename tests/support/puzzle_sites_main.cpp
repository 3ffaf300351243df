// Serves the four puzzle sites from the test fixtures on 127.0.0.1 until
// killed, for trying the download buttons by hand:
//   kovalo_test_sites [port]      (default 8642, the program's default)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "support/puzzle_sites_server.h"

int main(int argc, char** argv) {
  const int port = argc > 1 ? std::atoi(argv[1]) : 8642;
  kovalo::testing::PuzzleSitesServer server(KOVALO_TEST_DATA "/sources", port);
  std::printf("serving the puzzle sites on http://127.0.0.1:%d/\n", server.port());
  std::fflush(stdout);
  for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}
