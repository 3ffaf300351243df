// RunState and the downloads under way: StopDownloadsAndWait waits for every
// running download and ends them all, a stop cuts a running download short,
// and waits end on events rather than after their periods.
#include <gtest/gtest.h>

#include <future>
#include <optional>
#include <string>
#include <vector>

#include "download/download.h"
#include "download/engine_event.h"
#include "download/run_state.h"
#include "download_fixture.h"
#include "test_servers.h"

namespace kovalo::testing {
namespace {

using namespace std::chrono_literals;

class DownloadRunStateTest : public DownloadTest {
 protected:
  void SetUp() override {
    DownloadTest::SetUp();
    server_.server().Get("/small", [](const httplib::Request&, httplib::Response& response) {
      response.set_content("small page", "text/html");
    });
    server_.server().Get(R"(/numbered/(\d+))",
                         [](const httplib::Request& request, httplib::Response& response) {
                           response.set_content("page " + request.matches[1].str(), "text/html");
                         });
    server_.Start();
    for (int slot = 0; slot < 2; ++slot) ASSERT_EQ(handle_.Prepare(slot, 100000), 0);
  }
  LoopbackServer server_;
  CDlf handle_;
};

TEST_F(DownloadRunStateTest, InFlightCountIsTheDownloadsUnderWay) {
  EXPECT_EQ(DownloadsInFlight(), 0);
  ASSERT_EQ(Fetch(server_.Url("/small"), 0).result, 0);
  ASSERT_EQ(Fetch(server_.Url("/small"), 1).result, 0);
  EXPECT_EQ(DownloadsInFlight(), 0) << "a slot that has downloaded counts no more";

  RawServer raw([](RawConnection& connection) {
    connection.ReadRequest();
    connection.WaitForRelease();
  });
  auto first = std::async(std::launch::async, [&] { return Fetch(raw.Url("/a"), 0); });
  auto second = std::async(std::launch::async, [&] { return Fetch(raw.Url("/b"), 1); });
  while (raw.connections() < 2) std::this_thread::sleep_for(1ms);
  EXPECT_EQ(DownloadsInFlight(), 2);

  EXPECT_EQ(StopDownloadsAndWait(), 0);
  EXPECT_EQ(DownloadsInFlight(), 0);
  EXPECT_EQ(RunState.load(), kRunStateRunning);
  ASSERT_EQ(first.wait_for(1s), std::future_status::ready);
  ASSERT_EQ(second.wait_for(1s), std::future_status::ready);
  EXPECT_EQ(first.get().result, kDownloadAborted);
  EXPECT_EQ(second.get().result, kDownloadAborted);

  // Downloads start again afterwards.
  Fetched fetched = Fetch(server_.Url("/small"), 0);
  EXPECT_EQ(fetched.result, 0);
  EXPECT_EQ(fetched.page, "small page");
  EXPECT_EQ(DownloadsInFlight(), 0);
}

TEST_F(DownloadRunStateTest, StopDownloadsAndWaitLeavesAnotherStopInPlace) {
  std::optional<detail::DownloadInFlight> endless;  // a download that will not end
  endless.emplace();
  auto stopping = std::async(std::launch::async, [] { return StopDownloadsAndWait(); });
  EXPECT_EQ(stopping.wait_for(100ms), std::future_status::timeout);
  SetRunState(kRunStateClosing);  // as the close request does it
  ASSERT_EQ(stopping.wait_for(1s), std::future_status::ready);
  EXPECT_EQ(stopping.get(), 0);
  EXPECT_EQ(RunState.load(), kRunStateClosing);
  endless.reset();
}

TEST_F(DownloadRunStateTest, StopDownloadsAndWaitWithNothingUnderWayReturnsAtOnce) {
  SetDownloadTimings(DownloadTimings{});
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(StopDownloadsAndWait(), 0);
  EXPECT_LT(SecondsSince(start), 0.05);
  EXPECT_EQ(RunState.load(), kRunStateRunning);
}

TEST_F(DownloadRunStateTest, DownloadTakesAsLongAsItsTransferNotAPeriodMore) {
  SetDownloadTimings(DownloadTimings{});              // the program's periods
  ASSERT_EQ(Fetch(server_.Url("/small")).result, 0);  // session and connection up
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 5; ++i) ASSERT_EQ(Fetch(server_.Url("/small")).result, 0);
  EXPECT_LT(SecondsSince(start), 0.5) << "five small pages";
}

TEST_F(DownloadRunStateTest, BackToBackDownloadsOnSeveralSlotsEachGetTheirOwnPage) {
  // Callers download on their own slots at once and in quick succession; a
  // caller that got an earlier or another slot's result shows here as a wrong
  // page.
  constexpr int kSlots = 3;
  constexpr int kPagesEach = 40;
  ASSERT_EQ(handle_.Prepare(2, 100000), 0);
  std::vector<std::future<std::string>> callers;
  for (int slot = 0; slot < kSlots; ++slot) {
    callers.push_back(std::async(std::launch::async, [this, slot] {
      for (int i = 0; i < kPagesEach; ++i) {
        const std::string number = std::to_string(slot * 1000 + i);
        Fetched fetched = Fetch(server_.Url("/numbered/" + number), slot);
        if (fetched.result != 0 || fetched.page != "page " + number ||
            fetched.resultText != fetched.page) {
          return "slot " + std::to_string(slot) + " download " + std::to_string(i) + ": result " +
                 std::to_string(fetched.result) + ", page '" + fetched.page + "', text '" +
                 fetched.resultText + "'";
        }
      }
      return std::string();
    }));
  }
  for (auto& caller : callers) EXPECT_EQ(caller.get(), "");
  EXPECT_EQ(DownloadsInFlight(), 0);
}

TEST_F(DownloadRunStateTest, RunStateSetInMidDownloadCutsItShort) {
  std::promise<void> headSent;
  RawServer raw([&](RawConnection& connection) {
    if (!connection.ReadRequest()) return;
    connection.Send("HTTP/1.1 200 OK\r\nContent-Length: 50000\r\n\r\n" + std::string(3000, 'x'));
    headSent.set_value();
    connection.WaitForRelease();
  });
  DownloadTimings timings = FastTimings();
  timings.transferTimeoutMs = 20000;  // no stall seen in this test
  SetDownloadTimings(timings);
  auto fetching = std::async(std::launch::async, [&] { return Fetch(raw.Url("/slow")); });
  headSent.get_future().wait();
  auto start = std::chrono::steady_clock::now();
  RunState.store(kRunStateClosing);  // as the close request does it
  ASSERT_EQ(fetching.wait_for(2s), std::future_status::ready);
  EXPECT_LT(SecondsSince(start), 0.5);
  Fetched fetched = fetching.get();
  EXPECT_EQ(fetched.result, kDownloadAborted);
  EXPECT_EQ(fetched.resultText,
            "<html>Parse Download Error #0. 'session Closed Aborting'</html>\n");
  EXPECT_EQ(fetched.length, static_cast<int>(fetched.resultText.size()));
  ASSERT_FALSE(log_.Lines().empty());
  EXPECT_EQ(log_.Lines().back(), "session Closed Aborting");
}

TEST_F(DownloadRunStateTest, StopWakesAWaitingDownloadAtOnce) {
  RawServer raw([](RawConnection& connection) {
    connection.ReadRequest();
    connection.WaitForRelease();
  });
  DownloadTimings timings = FastTimings();
  timings.transferTimeoutMs = 20000;
  timings.pollStepMs = 10000;  // only a wake-up can end the waits in time
  SetDownloadTimings(timings);
  auto fetching = std::async(std::launch::async, [&] { return Fetch(raw.Url("/silent")); });
  while (raw.connections() == 0) std::this_thread::sleep_for(1ms);
  auto start = std::chrono::steady_clock::now();
  SetRunState(kRunStateClosing);
  ASSERT_EQ(fetching.wait_for(3s), std::future_status::ready);
  EXPECT_LT(SecondsSince(start), 0.5);
  EXPECT_EQ(fetching.get().result, kDownloadAborted);
}

TEST_F(DownloadRunStateTest, StopDownloadsAndWaitReturnsOnlyAfterTheRunningDownload) {
  RawServer raw([](RawConnection& connection) {
    connection.ReadRequest();
    connection.WaitForRelease();
  });
  DownloadTimings timings = FastTimings();
  timings.transferTimeoutMs = 20000;
  timings.pollStepMs = 10000;  // woken, not polled
  SetDownloadTimings(timings);
  auto fetching = std::async(std::launch::async, [&] { return Fetch(raw.Url("/silent")); });
  while (raw.connections() == 0) std::this_thread::sleep_for(1ms);
  EXPECT_EQ(DownloadsInFlight(), 1);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(StopDownloadsAndWait(), 0);
  EXPECT_LT(SecondsSince(start), 0.5);
  // The download logs its end before it gives its slot up.
  const std::vector<std::string> lines = log_.Lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "session Closed Aborting");
  EXPECT_EQ(DownloadsInFlight(), 0);
  EXPECT_EQ(RunState.load(), kRunStateRunning);
  ASSERT_EQ(fetching.wait_for(1s), std::future_status::ready);
  EXPECT_EQ(fetching.get().result, kDownloadAborted);
}

TEST_F(DownloadRunStateTest, NoDownloadStartsOnceRunStateIsSet) {
  RunState.store(kRunStateClosing);
  Fetched fetched = Fetch(server_.Url("/small"));
  EXPECT_EQ(fetched.result, kDownloadAborted);
  EXPECT_EQ(fetched.resultText,
            "<html>Parse Download Error #0. 'session Closed Aborting'</html>\n");
}

}  // namespace
}  // namespace kovalo::testing
