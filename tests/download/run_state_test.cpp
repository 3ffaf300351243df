// RunState and the live slots: StopDownloadsAndWait waits for every running
// download and ends them all, a stop cuts a running download short, and waits
// end on events rather than after their periods.
#include <gtest/gtest.h>

#include <future>
#include <string>
#include <vector>

#include "download/download.h"
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

TEST_F(DownloadRunStateTest, StopDownloadsAndWaitEndsEveryLiveSlot) {
  EXPECT_EQ(TransferThreadCount.load(), -1);
  ASSERT_EQ(Fetch(server_.Url("/small"), 0).result, 0);
  ASSERT_EQ(Fetch(server_.Url("/small"), 1).result, 0);
  // Each slot stays live for the next download.
  EXPECT_EQ(TransferThreadCount.load(), 1);
  ASSERT_EQ(Fetch(server_.Url("/small"), 0).result, 0);
  EXPECT_EQ(TransferThreadCount.load(), 1);

  EXPECT_EQ(StopDownloadsAndWait(), 0);
  EXPECT_EQ(TransferThreadCount.load(), -1);
  EXPECT_EQ(RunState.load(), kRunStateRunning);

  // The next download makes its slot live again.
  Fetched fetched = Fetch(server_.Url("/small"), 0);
  EXPECT_EQ(fetched.result, 0);
  EXPECT_EQ(fetched.page, "small page");
  EXPECT_EQ(TransferThreadCount.load(), 0);
}

TEST_F(DownloadRunStateTest, StopDownloadsAndWaitLeavesAnotherStopInPlace) {
  // A slot that will not end (counted by hand) keeps it waiting until the
  // close request changes RunState; that value must stay.
  TransferThreadCount.fetch_add(1);
  auto stopping = std::async(std::launch::async, [] { return StopDownloadsAndWait(); });
  EXPECT_EQ(stopping.wait_for(100ms), std::future_status::timeout);
  RunState.store(kRunStateClosing);
  ASSERT_EQ(stopping.wait_for(1s), std::future_status::ready);
  EXPECT_EQ(stopping.get(), 0);
  EXPECT_EQ(RunState.load(), kRunStateClosing);
  TransferThreadCount.fetch_sub(1);
}

TEST_F(DownloadRunStateTest, DownloadTakesAsLongAsItsTransferNotAPeriodMore) {
  SetDownloadTimings(DownloadTimings{});              // the program's periods: 1000 ms, 200 ms
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
  EXPECT_EQ(TransferThreadCount.load(), kSlots - 1);
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
  timings.callerStepMs = 10000;  // only a wake-up can end the waits in time
  timings.threadStepMs = 10000;
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
  SetDownloadTimings(timings);
  auto fetching = std::async(std::launch::async, [&] { return Fetch(raw.Url("/silent")); });
  while (raw.connections() == 0) std::this_thread::sleep_for(1ms);
  EXPECT_EQ(TransferThreadCount.load(), 0) << "the busy slot is live";
  EXPECT_EQ(StopDownloadsAndWait(), 0);
  // The download logs its end before it gives its slot up.
  const std::vector<std::string> lines = log_.Lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "session Closed Aborting");
  EXPECT_EQ(TransferThreadCount.load(), -1);
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
