// The engine against servers that misbehave on purpose, grouped by what they
// break: a flood of bytes, silence at any point of an answer, redirects that
// never end and status lines that are not status lines. Each case must end
// in bounded time with the page or an error page, never more than the
// maximum page in memory; the figures are printed.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <optional>

#include "download/download.h"
#include "download_fixture.h"
#include "test_servers.h"

namespace kovalo::testing {
namespace {

constexpr int kMaxPage = 100000;
constexpr std::size_t kFloodBytes = std::size_t{100} << 20;

// Resident memory in kB from /proc/self/status ("VmRSS", "VmHWM").
long StatusKb(const std::string& key) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(key + ":", 0) == 0) return std::stol(line.substr(key.size() + 1));
  }
  return -1;
}

// The highest resident memory above the level at construction.
class PeakMemory {
 public:
  PeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";  // the peak starts again from now
    start_ = StatusKb("VmRSS");
  }
  long GrowthKb() const { return StatusKb("VmHWM") - start_; }

 private:
  long start_;
};

class DownloadFaultTest : public DownloadTest {
 protected:
  void SetUp() override {
    DownloadTest::SetUp();
    // Servers under a sanitizer on a busy machine may be slow to answer;
    // only the silence test wants the short watchdog.
    DownloadTimings timings = FastTimings();
    timings.transferTimeoutMs = 5000;
    SetDownloadTimings(timings);
    ASSERT_EQ(handle_.Prepare(0, kMaxPage), 0);
  }
  // A fetch with its duration.
  Fetched TimedFetch(const std::string& url, double& seconds) {
    auto start = std::chrono::steady_clock::now();
    Fetched fetched = Fetch(url);
    seconds = SecondsSince(start);
    return fetched;
  }
  CDlf handle_;
};

bool IsErrorPage(const std::string& text) {
  return text.rfind("<html>Parse Download Error", 0) == 0;
}

// ---- floods --------------------------------------------------------------------

TEST_F(DownloadFaultTest, PageOf100MegabytesStopsAtTheMaximumWithoutHoldingTheRest) {
  struct Row {
    const char* what;
    const char* head;
    bool chunked;
  };
  const Row rows[] = {
      {"with its length", "HTTP/1.1 200 OK\r\nContent-Length: 104857600\r\n\r\n", false},
      {"in chunks", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n", true},
      {"until the connection closes", "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n", false},
  };
  const std::string first = PageBytes(kMaxPage);
  const std::string block(std::size_t{1} << 16, 'f');
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    std::atomic<std::size_t> sent{0};
    std::optional<RawServer> raw;
    raw.emplace([&](RawConnection& connection) {
      if (!connection.ReadRequest()) return;
      connection.Send(row.head);
      std::size_t offered = 0;
      auto piece = [&](std::string_view bytes) {
        char size[32];
        std::snprintf(size, sizeof size, "%zx\r\n", bytes.size());
        std::string framed = row.chunked ? size + std::string(bytes) + "\r\n" : std::string(bytes);
        std::size_t n = connection.Send(framed);
        sent += n;
        offered += bytes.size();
        return n == framed.size();
      };
      if (!piece(first)) return;
      while (offered < kFloodBytes &&
             piece(std::string_view(block).substr(0, kFloodBytes - offered))) {
      }
      if (row.chunked) connection.Send("0\r\n\r\n");
    });
    PeakMemory peak;
    double seconds = 0;
    Fetched fetched = TimedFetch(raw->Url("/flood"), seconds);
    const long growthKb = peak.GrowthKb();
    raw.reset();  // a server still sending is cut off here
    EXPECT_EQ(fetched.result, 0);
    EXPECT_EQ(fetched.length, kMaxPage);
    EXPECT_TRUE(fetched.page == first) << "page bytes differ";
    EXPECT_LT(seconds, 5.0);
    EXPECT_LT(growthKb, 20 * 1024) << "the engine held far more than its page";
    EXPECT_LT(sent.load(), kFloodBytes / 4) << "the engine read on after its page was full";
    std::printf(
        "[ figures  ] flood %s: %.3f s, server sent %zu bytes of %zu, peak memory growth %ld kB\n",
        row.what, seconds, sent.load(), kFloodBytes, growthKb);
  }
}

TEST_F(DownloadFaultTest, HeadOf30MegabytesIsNotHeld) {
  constexpr std::size_t kHeadBytes = std::size_t{30} << 20;
  std::atomic<std::size_t> sent{0};
  std::optional<RawServer> raw;
  raw.emplace([&](RawConnection& connection) {
    if (!connection.ReadRequest()) return;
    std::size_t n = connection.Send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n");
    const std::string line = "X-Flood: " + std::string(990, 'h') + "\r\n";
    while (n < kHeadBytes) {
      std::size_t part = connection.Send(line);
      n += part;
      if (part < line.size()) break;
    }
    sent = n;
    connection.Send("\r\nok");
  });
  PeakMemory peak;
  double seconds = 0;
  Fetched fetched = TimedFetch(raw->Url("/head"), seconds);
  const long growthKb = peak.GrowthKb();
  raw.reset();
  // Either the page behind the head, or an error page: never a half-read head
  // taken for a page.
  if (fetched.result == 0) {
    EXPECT_EQ(fetched.page, "ok");
  } else {
    EXPECT_TRUE(IsErrorPage(fetched.resultText)) << fetched.resultText;
  }
  EXPECT_LT(seconds, 10.0);
  EXPECT_LT(growthKb, 20 * 1024);
  std::printf(
      "[ figures  ] head flood: result %d, %.3f s, server sent %zu bytes, peak memory growth %ld "
      "kB\n",
      fetched.result, seconds, sent.load(), growthKb);
}

// ---- silence -------------------------------------------------------------------
// Silence before the status and in the middle of a page with its length are
// in download_test.cpp; these are the other places an answer can stop.

TEST_F(DownloadFaultTest, SilenceAnywhereInTheAnswerEndsWithinTheWatchdog) {
  struct Row {
    const char* what;
    std::string answer;  // sent before the silence
    int result;
    std::string text;  // the page for result 0, else the result text
  };
  const Row rows[] = {
      {"inside the status line", "HTTP/1.1 20", kDownloadNoHandle,
       "<html>Parse Download Error #99.</html>\n"},
      {"inside the head", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n", kDownloadQueryFailed,
       "<html>Parse Download Error - Query Error.</html>\n"},
      {"inside a chunk",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n400\r\n" + std::string(300, 'c'), 0,
       std::string(300, 'c')},
      {"between chunks", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nfirst\r\n", 0,
       "first"},
      {"in a page without a length", "HTTP/1.1 200 OK\r\n\r\n" + std::string(700, 'n'), 0,
       std::string(700, 'n')},
  };
  SetDownloadTimings(FastTimings());
  const double timeout = FastTimings().transferTimeoutMs / 1000.0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    RawServer raw([&](RawConnection& connection) {
      if (!connection.ReadRequest()) return;
      connection.Send(row.answer);
      connection.WaitForRelease();
    });
    double seconds = 0;
    Fetched fetched = TimedFetch(raw.Url("/stall"), seconds);
    EXPECT_EQ(fetched.result, row.result);
    EXPECT_EQ(row.result == 0 ? fetched.page : fetched.resultText, row.text);
    EXPECT_GE(seconds, timeout);
    EXPECT_LT(seconds, timeout + 1.5);
    std::printf("[ figures  ] silence %s: %.3f s (watchdog %.1f s)\n", row.what, seconds, timeout);
  }
}

// ---- redirects -----------------------------------------------------------------

TEST_F(DownloadFaultTest, RedirectsThatNeverEndStopAfterTwenty) {
  std::atomic<int> hits{0};
  LoopbackServer first, second;
  auto hop = [&](LoopbackServer& next) {
    return [&](const httplib::Request& request, httplib::Response& response) {
      ++hits;
      response.status = 302;
      if (request.path == "/across") {
        response.set_header("Location", next.Url("/across"));
      } else {
        response.set_header("Location", "/new/" + std::to_string(hits.load()));
      }
    };
  };
  first.server().Get(R"(/(across|new/\d+))", hop(second));
  second.server().Get(R"(/(across|new/\d+))", hop(first));
  first.Start();
  second.Start();
  for (const char* path : {"/new/0", "/across"}) {
    SCOPED_TRACE(path);
    hits = 0;
    double seconds = 0;
    Fetched fetched = TimedFetch(first.Url(path), seconds);
    EXPECT_EQ(fetched.result, kDownloadRedirectRefused);
    EXPECT_EQ(fetched.resultText,
              "<html>Parse Download Error #302 - URL redirected not allowed.</html>\n");
    EXPECT_EQ(hits.load(), 1 + kMaxRedirects);
    EXPECT_LT(seconds, 5.0);
    std::printf("[ figures  ] redirects %s: %d requests, %.3f s\n", path, hits.load(), seconds);
  }
}

// ---- status lines --------------------------------------------------------------

TEST_F(DownloadFaultTest, GarbageStatusLinesEndInAnErrorPage) {
  const std::string statusZero = "<html>Parse Download Error #0 - URL Query Error 0</html>\n";
  struct Row {
    const char* what;
    std::string answer;  // then the connection closes
    int result;
    std::string resultText;
  };
  const Row rows[] = {
      {"no number", "HTTP/1.1 OK\r\nContent-Length: 2\r\n\r\nok", kDownloadBadStatus, statusZero},
      {"a negative number", "HTTP/1.1 -200 OK\r\nContent-Length: 2\r\n\r\nok", kDownloadBadStatus,
       statusZero},
      {"letters for digits", "HTTP/1.1 2OO OK\r\nContent-Length: 2\r\n\r\nok", kDownloadBadStatus,
       statusZero},
      {"an empty line first", "\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok",
       kDownloadBadStatus, statusZero},
      {"binary noise", PageBytes(5000), kDownloadBadStatus, statusZero},
      // Never a whole status line: as if nothing had been answered.
      {"a status line of 1 MB", "HTTP/1.1 200" + std::string(1 << 20, ' '), kDownloadNoHandle,
       "<html>Parse Download Error #99.</html>\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    RawServer raw([&](RawConnection& connection) {
      if (connection.ReadRequest()) connection.Send(row.answer);
    });
    double seconds = 0;
    Fetched fetched = TimedFetch(raw.Url("/odd"), seconds);
    EXPECT_EQ(fetched.result, row.result);
    EXPECT_EQ(fetched.resultText, row.resultText);
    EXPECT_LT(seconds, 5.0);
  }
}

}  // namespace
}  // namespace kovalo::testing
