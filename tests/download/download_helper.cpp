// A second program for the admission tests: another running copy of the
// engine, in a process of its own.
//
//   kovalo_download_helper fetch <place folder> <url> <count>
//     waits for a line on standard input, then runs count downloads of url at
//     once (slots 0 ...), prints each result and exits 0 when all succeeded;
//   kovalo_download_helper hold <place folder> <url>
//     takes all three places of the url's host, prints "held" and keeps them
//     until standard input ends or the process is killed.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "download/address.h"
#include "download/admission.h"
#include "download/download.h"
#include "download/run_state.h"

int main(int argc, char** argv) {
  using namespace kovalo;
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s fetch|hold <place folder> <url> [count]\n", argv[0]);
    return 2;
  }
  const std::string mode = argv[1];
  SetPlaceFolder(argv[2]);
  const std::string url = argv[3];
  setenv("no_proxy", "127.0.0.1,localhost", 1);
  std::string line;

  if (mode == "hold") {
    HostPlace places[kPlacesPerHost];
    for (HostPlace& place : places) {
      if (HostAdmission::Take(HostKey(url), place) != Admission::Admitted) return 1;
    }
    std::cout << "held" << std::endl;
    while (std::getline(std::cin, line)) {
    }
    return 0;
  }

  if (mode == "fetch" && argc == 5) {
    const int count = std::atoi(argv[4]);
    std::vector<CDlf> handles(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) handles[static_cast<std::size_t>(i)].Prepare(i, 100000);
    std::getline(std::cin, line);
    std::vector<int> results(static_cast<std::size_t>(count), -1);
    std::vector<std::thread> threads;
    for (int i = 0; i < count; ++i) {
      threads.emplace_back([&, i] {
        std::string address = url;
        const char* text = nullptr;
        int length = 0;
        results[static_cast<std::size_t>(i)] = DownloadUrl(text, i, address, length, 2);
      });
    }
    for (std::thread& thread : threads) thread.join();
    bool allFetched = true;
    for (int result : results) {
      std::cout << result << "\n";
      allFetched = allFetched && result == 0;
    }
    StopDownloadsAndWait();
    return allFetched ? 0 : 1;
  }
  return 2;
}
