// The fixture every engine test uses: short periods, a private folder for the
// host places, a log sink and a program-error sink that record, and the
// engine stopped after the test.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "download/download.h"
#include "download/run_state.h"

namespace kovalo::testing {

// What the engine handed to a sink, readable from the test thread.
class Recorded {
 public:
  void Add(const std::string& line) {
    std::lock_guard lock(mutex_);
    lines_.push_back(line);
  }
  std::vector<std::string> Lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
};

inline DownloadTimings FastTimings() {
  DownloadTimings timings;
  timings.transferTimeoutMs = 700;
  timings.pollStepMs = 20;
  timings.placePollMs = 10;
  return timings;
}

class DownloadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The tests' servers are on this machine; a proxy from the environment
    // must not come between.
    setenv("no_proxy", "127.0.0.1,localhost", 1);
    RunState.store(kRunStateRunning);
    SetDownloadTimings(FastTimings());
    char pattern[] = "/tmp/kovalo-dl-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
    SetPlaceFolder(folder_ + "/places");
    SetDownloadLogSink([this](const std::string& line) { log_.Add(line); });
    SetProgramErrorSink([this](const std::string& text) { errors_.Add(text); });
  }

  void TearDown() override {
    StopDownloadsAndWait();
    EXPECT_EQ(DownloadsInFlight(), 0);
    RunState.store(kRunStateRunning);
    SetDownloadLogSink(nullptr);
    SetProgramErrorSink(nullptr);
    SetPlaceFolder("");
    SetDownloadTimings(DownloadTimings{});
    std::filesystem::remove_all(folder_);
  }

  // One download into slot, as the program makes it.
  struct Fetched {
    int result;
    std::string url;  // after redirects
    int length;
    std::string resultText;
    std::string page;  // length bytes of the page buffer on success
  };
  Fetched Fetch(std::string url, int slot = 0) {
    const char* text = nullptr;
    int length = -1;
    int result = DownloadUrl(text, slot, url, length, 2);
    Fetched fetched{result, url, length, text != nullptr ? std::string(text) : std::string(), {}};
    if (result == 0 && SlotPageBuffer(slot) != nullptr)
      fetched.page.assign(SlotPageBuffer(slot), length);
    return fetched;
  }

  static double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }

  std::string folder_;
  Recorded log_;
  Recorded errors_;
};

}  // namespace kovalo::testing
