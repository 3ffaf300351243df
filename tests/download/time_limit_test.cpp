// The page's time limit: servers that keep the stall watchdog content by
// trickling, a redirect chain too slow to end, and a wait for a host place
// all end at the limit with the watchdog's error page; a slow page that ends
// within it is still a page.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "download/address.h"
#include "download/admission.h"
#include "download/download.h"
#include "download_fixture.h"
#include "test_servers.h"

namespace kovalo::testing {
namespace {

using namespace std::chrono_literals;

constexpr int kLimitMs = 1500;
// Far below the stall watchdog's 700 ms: no stall is ever seen.
constexpr auto kTrickle = 100ms;

class DownloadTimeLimitTest : public DownloadTest {
 protected:
  void SetUp() override {
    DownloadTest::SetUp();
    DownloadTimings timings = FastTimings();
    timings.pageLimitMs = kLimitMs;
    SetDownloadTimings(timings);
    ASSERT_EQ(handle_.Prepare(0, 100000), 0);
  }
  CDlf handle_;
};

TEST_F(DownloadTimeLimitTest, AnswersThatNeverEndStopAtTheLimit) {
  const std::string page(1000, 't');
  struct Row {
    const char* what;
    std::function<void(RawConnection&)> answer;  // after the request
  };
  const Row rows[] = {
      // The watchdog counts whole header lines only.
      {"a head, one header line at a time",
       [](RawConnection& c) {
         c.Send("HTTP/1.1 200 OK\r\n");
         while (c.Pause(kTrickle) && c.Send("X-Slow: h\r\n") == 11) {
         }
       }},
      {"a page with its length, one byte at a time",
       [&](RawConnection& c) {
         c.Send("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n");
         c.Trickle(page, kTrickle);
       }},
      {"a page without a length, one byte at a time",
       [&](RawConnection& c) {
         c.Send("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n");
         c.Trickle(page, kTrickle);
       }},
      {"a page in chunks of one byte",
       [&](RawConnection& c) {
         c.Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n");
         while (c.Pause(kTrickle) && c.Send("1\r\nc\r\n") == 6) {
         }
       }},
      {"redirects, each answered after a while",
       [](RawConnection& c) {
         if (c.Pause(kTrickle * 2))
           c.Send("HTTP/1.1 302 Found\r\nLocation: /next\r\nContent-Length: 0\r\n\r\n");
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    RawServer raw([&](RawConnection& connection) {
      if (connection.ReadRequest()) row.answer(connection);
    });
    const auto start = std::chrono::steady_clock::now();
    Fetched fetched = Fetch(raw.Url("/slow"));
    const double seconds = SecondsSince(start);
    EXPECT_EQ(fetched.result, kDownloadTimedOut);
    EXPECT_EQ(fetched.resultText, "<html>Parse Download Error #99.</html>\n");
    EXPECT_EQ(fetched.length, static_cast<int>(fetched.resultText.size()));
    EXPECT_GE(seconds, kLimitMs / 1000.0);
    EXPECT_LT(seconds, kLimitMs / 1000.0 + 1.0);
    std::printf("[ figures  ] %s: ended after %.3f s (limit %.1f s)\n", row.what, seconds,
                kLimitMs / 1000.0);
  }
  ASSERT_FALSE(log_.Lines().empty());
  EXPECT_NE(log_.Lines().back().find("Page Time Limit Exceeded"), std::string::npos);
}

TEST_F(DownloadTimeLimitTest, WaitForAHostPlaceCountsTowardsTheLimit) {
  RawServer raw([](RawConnection& connection) {
    if (connection.ReadRequest()) connection.Send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
  });
  HostPlace held[kPlacesPerHost];
  for (HostPlace& place : held)
    ASSERT_EQ(HostAdmission::Take(HostKey(raw.Url("/page")), place), Admission::Admitted);
  const auto start = std::chrono::steady_clock::now();
  Fetched fetched = Fetch(raw.Url("/page"));
  const double seconds = SecondsSince(start);
  EXPECT_EQ(fetched.result, kDownloadTimedOut);
  EXPECT_EQ(fetched.resultText, "<html>Parse Download Error #99.</html>\n");
  EXPECT_GE(seconds, kLimitMs / 1000.0);
  EXPECT_LT(seconds, kLimitMs / 1000.0 + 1.0);
  EXPECT_EQ(raw.connections(), 0);
}

TEST_F(DownloadTimeLimitTest, SlowPagesThatEndWithinTheLimitArrive) {
  struct Row {
    const char* what;
    int redirects;    // answered each after kTrickle
    int pageTrickle;  // bytes of the page sent one at a time
  };
  const Row rows[] = {
      {"a page that trickles for half the limit", 0, 7},
      {"two slow redirects and then a page", 2, 2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    RawServer raw([&](RawConnection& connection) {
      if (!connection.ReadRequest()) return;
      const std::string& request = connection.request();
      const int hop = std::stoi(request.substr(request.find("/hop") + 4));
      if (hop < row.redirects) {
        if (connection.Pause(kTrickle))
          connection.Send("HTTP/1.1 302 Found\r\nLocation: /hop" + std::to_string(hop + 1) +
                          "\r\nContent-Length: 0\r\n\r\n");
        return;
      }
      connection.Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(row.pageTrickle) +
                      "\r\n\r\n");
      connection.Trickle(std::string(static_cast<std::size_t>(row.pageTrickle), 'p'), kTrickle);
    });
    const auto start = std::chrono::steady_clock::now();
    Fetched fetched = Fetch(raw.Url("/hop0"));
    EXPECT_EQ(fetched.result, 0) << fetched.resultText;
    EXPECT_EQ(fetched.page, std::string(static_cast<std::size_t>(row.pageTrickle), 'p'));
    EXPECT_LT(SecondsSince(start), kLimitMs / 1000.0);
  }
}

}  // namespace
}  // namespace kovalo::testing
