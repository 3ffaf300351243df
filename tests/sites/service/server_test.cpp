// kovalo-sites over a real socket: a server started by each test on
// 127.0.0.1 on a free port. Bad and hostile requests get an error or are
// dropped, and the server goes on answering others; the status of each
// abusive request; pipelined requests answered in order; the limit per
// client address; ETags over HTTP; the idle exit; one listener per port.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "answer_cache.h"
#include "sites_server.h"

namespace kovalo::sites {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

class RunningServer {
 public:
  explicit RunningServer(ServerOptions options = Options()) : server_(std::move(options)) {
    port_ = server_.Bind("127.0.0.1", 0);
    EXPECT_GT(port_, 0);
    thread_ = std::thread([this] { ran_ = server_.Run(); });
  }
  ~RunningServer() {
    server_.Stop();
    thread_.join();
  }
  static ServerOptions Options() {
    ServerOptions options;
    options.readTimeout = milliseconds(700);
    options.today = [] { return CivilDate{2026, 12, 8}; };
    return options;
  }
  int port() const { return port_; }
  SitesServer& server() { return server_; }

 private:
  SitesServer server_;
  int port_ = -1;
  bool ran_ = false;
  std::thread thread_;
};

int Connect(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

struct Exchange {
  std::string reply;
  bool closed = false;  // the server closed the connection
};

// Sends bytes and reads until the server closes or wait has passed.
Exchange SendRaw(int port, const std::string& bytes, milliseconds wait) {
  Exchange result;
  const int fd = Connect(port);
  if (fd < 0) return result;
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) break;  // the server may close early on an oversized request
    sent += static_cast<size_t>(n);
  }
  const auto deadline = Clock::now() + wait;
  char buffer[4096];
  while (Clock::now() < deadline) {
    pollfd ready{fd, POLLIN, 0};
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
    if (poll(&ready, 1, static_cast<int>(std::max<int64_t>(left, 1))) <= 0) continue;
    const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) {
      result.closed = true;
      break;
    }
    result.reply.append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  return result;
}

int StatusOf(const Exchange& exchange) {
  if (exchange.reply.rfind("HTTP/1.1 ", 0) != 0) return 0;
  return std::atoi(exchange.reply.c_str() + 9);
}

void ExpectStillServing(int port) {
  httplib::Client client("127.0.0.1", port);
  client.set_connection_timeout(2);
  client.set_read_timeout(2);
  const auto result = client.Get("/random/solution.php?id=100");
  ASSERT_TRUE(result) << "no answer";
  EXPECT_EQ(result->status, 200);
  EXPECT_NE(result->body.find("Solution to Sudoku Puzzle 100"), std::string::npos);
}

TEST(SitesServerTest, BadRequestsGetAnErrorOrAreDroppedAndOthersAreStillServed) {
  RunningServer running;
  const std::string host = " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
  struct Case {
    const char* name;
    std::string bytes;
    std::vector<int> statuses;  // 0: dropped without an answer
  };
  const Case cases[] = {
      {"unknown path", "GET /nowhere/at/all" + host, {404}},
      {"impossible day", "GET /main/DailySudoku.asp?day=99/99/9999" + host, {400}},
      {"level 7", "GET /level/sudoku/?&ws_level=7&ws_seltime=1145378516" + host, {400}},
      {"id -5", "GET /random/solution.php?id=-5" + host, {404}},
      {"100 KB query",
       "GET /random/solution.php?id=12&q=" + std::string(100 * 1024, 'q') + host,
       {400, 414, 0}},
      {"100 KB header",
       "GET /main/ HTTP/1.1\r\nX-Big: " + std::string(100 * 1024, 'h') + "\r\n\r\n",
       {400, 431, 0}},
      {"garbage request line", "this is not http at all\r\n\r\n", {400, 0}},
      {"binary bytes",
       std::string("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03\xff\xfe", 13),
       {400, 0}},
      {"a body far too long",
       "POST /main/ HTTP/1.1\r\nContent-Length: 100000000\r\n\r\n" + std::string(1000, 'b'),
       {400, 404, 405, 413, 0}},
      // The backslash of the second site's day files, sent as it is.
      {"raw backslash", "GET /second/DayFiles\\7-12-2026.js" + host, {200}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Exchange exchange = SendRaw(running.port(), c.bytes, milliseconds(3000));
    EXPECT_TRUE(exchange.closed) << "the connection stayed open";
    const int status = StatusOf(exchange);
    EXPECT_NE(std::find(c.statuses.begin(), c.statuses.end(), status), c.statuses.end())
        << "status " << status << ": " << exchange.reply.substr(0, 200);
    ExpectStillServing(running.port());
  }
}

TEST(SitesServerTest, EachAbusiveRequestGetsItsStatus) {
  RunningServer running;
  const std::string end = " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
  std::string manyHeaders = "GET /main/ HTTP/1.1\r\n";
  for (int i = 0; i < 5000; ++i) manyHeaders += "X-" + std::to_string(i) + ": aaaaaaaaaa\r\n";
  manyHeaders += "\r\n";
  struct Case {
    const char* name;
    std::string bytes;
    int status;  // 0: closed without an answer
  };
  const Case cases[] = {
      // Beyond the connection's memory: the daemon's own answers.
      {"1 MB request line", "GET /main/?q=" + std::string(1 << 20, 'q') + end, 414},
      {"32 MB header", "GET /main/ HTTP/1.1\r\nX-Big: " + std::string(32 << 20, 'h') + "\r\n\r\n",
       431},
      {"5000 headers", manyHeaders, 431},
      // Within it, but longer than any address of the sites.
      {"3 KB target", "GET /random/solution.php?id=12&q=" + std::string(3000, 'q') + end, 414},
      {"not a request line", "this is not http at all\r\n\r\n", 400},
      {"HTTP/2.0 on a plain connection", "GET /main/ HTTP/2.0\r\nHost: x\r\n\r\n", 505},
      {"broken escape", "GET /main/%zz" + end, 400},
      {"escaped zero byte", "GET /main/DailySudoku.asp?day=1%00/12/2026" + end, 400},
      {"POST of 100 MB",
       "POST /main/ HTTP/1.1\r\nContent-Length: 100000000\r\n\r\n" + std::string(1000, 'b'), 404},
      {"GET with a body", "GET /main/ HTTP/1.1\r\nContent-Length: 100000000\r\n\r\nbbbb", 200},
      {"HEAD", "HEAD /main/" + end, 200},
      {"HTTP/1.0 without Host", "GET /random/puzzle.php?id=10 HTTP/1.0\r\n\r\n", 200},
      {"request line cut off", "GET /main/Daily", 0},
      {"bytes without a line end", std::string("\x16\x03\x01\x02\x00\x01", 6), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Exchange exchange = SendRaw(running.port(), c.bytes, milliseconds(4000));
    EXPECT_TRUE(exchange.closed) << "the connection stayed open";
    EXPECT_EQ(StatusOf(exchange), c.status) << exchange.reply.substr(0, 200);
    ExpectStillServing(running.port());
  }
}

TEST(SitesServerTest, PipelinedRequestsAreAnsweredInOrderOnOneConnection) {
  RunningServer running;
  std::string requests;
  for (int id = 100; id < 400; ++id)
    requests += "GET /random/puzzle.php?id=" + std::to_string(id) + " HTTP/1.1\r\nHost: x\r\n\r\n";
  requests += "GET /nowhere HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
  const Exchange exchange = SendRaw(running.port(), requests, milliseconds(10000));
  EXPECT_TRUE(exchange.closed);
  std::vector<int> ids;
  for (size_t at = exchange.reply.find("<title>Random Sudoku "); at != std::string::npos;
       at = exchange.reply.find("<title>Random Sudoku ", at + 1))
    ids.push_back(std::atoi(exchange.reply.c_str() + at + 21));
  ASSERT_EQ(ids.size(), 300u);
  for (size_t i = 0; i < ids.size(); ++i) ASSERT_EQ(ids[i], 100 + static_cast<int>(i));
  EXPECT_NE(exchange.reply.find("HTTP/1.1 404"), std::string::npos) << "the last one went missing";
}

TEST(SitesServerTest, ConnectionsBeyondTheLimitOfOneAddressAreClosedAtOnce) {
  ServerOptions options = RunningServer::Options();
  options.readTimeout = milliseconds(5000);
  options.perAddressLimit = 3;
  RunningServer running(std::move(options));
  std::vector<int> held;
  for (int i = 0; i < 3; ++i) {
    held.push_back(Connect(running.port()));
    // An answer on it shows that the server has taken and counted it; the
    // connection is kept alive and so keeps its place.
    const std::string request = "GET / HTTP/1.1\r\nHost: a\r\n\r\n";
    ASSERT_EQ(write(held.back(), request.data(), request.size()),
              static_cast<ssize_t>(request.size()));
    pollfd answered{held.back(), POLLIN, 0};
    ASSERT_EQ(poll(&answered, 1, 3000), 1);
  }
  // Sent on a connection of its own, the fourth is closed without an answer
  // long before the read time.
  const auto start = Clock::now();
  const Exchange fourth = SendRaw(running.port(), "GET / HTTP/1.1\r\n\r\n", milliseconds(3000));
  EXPECT_TRUE(fourth.closed);
  EXPECT_EQ(StatusOf(fourth), 0);
  EXPECT_LT(Clock::now() - start, milliseconds(2000));
  for (int fd : held) close(fd);
  // Places given back are taken again (the daemon counts a closed one once
  // it has seen the close).
  Exchange again;
  for (int attempt = 0; attempt < 20 && StatusOf(again) != 200; ++attempt)
    again = SendRaw(running.port(), "GET /level/ HTTP/1.1\r\nConnection: close\r\n\r\n",
                    milliseconds(2000));
  EXPECT_EQ(StatusOf(again), 200);
}

TEST(SitesServerTest, SilentClientsAreDroppedAfterTheReadTimeWhileOthersAreServed) {
  // A read time long enough that the others must be answered while the
  // silent ones are still held, however busy the machine is.
  ServerOptions options = RunningServer::Options();
  options.readTimeout = milliseconds(3000);
  RunningServer running(std::move(options));
  std::vector<int> silent;
  for (int i = 0; i < 20; ++i) silent.push_back(Connect(running.port()));
  ExpectStillServing(running.port());
  int stillHeld = 0;
  for (int fd : silent) {
    pollfd ready{fd, POLLIN, 0};
    if (fd >= 0 && poll(&ready, 1, 0) == 0) ++stillHeld;
  }
  EXPECT_GT(stillHeld, 0) << "the others were served only after the silent ones were dropped";
  for (int fd : silent) {
    ASSERT_GE(fd, 0);
    pollfd ready{fd, POLLIN, 0};
    ASSERT_EQ(poll(&ready, 1, 5000), 1) << "a silent client was never dropped";
    char byte;
    EXPECT_EQ(recv(fd, &byte, 1, 0), 0);  // closed without a word
    close(fd);
  }
}

TEST(AnswerCacheTest, KeepsTheMostRecentlyUsedPagesByAddressAndDay) {
  AnswerCache cache(2);
  const CivilDate day{2026, 12, 8}, next{2026, 12, 9};
  auto page = [](const char* body) {
    auto answer = std::make_shared<SiteResponse>();
    answer->body = body;
    return answer;
  };
  cache.Keep("/a", day, page("a"));
  cache.Keep("/b", day, page("b"));
  ASSERT_NE(cache.Find("/a", day), nullptr);  // /a is now the more recent
  cache.Keep("/c", day, page("c"));           // so /b goes
  struct Case {
    const char* target;
    CivilDate day;
    const char* body;  // nullptr: not kept
  };
  const Case cases[] = {
      {"/a", day, "a"},
      {"/b", day, nullptr},
      {"/c", day, "c"},
      {"/a", next, nullptr},
      // A target that holds the key's own separator is still its own key.
      {"\n/a", day, nullptr},
  };
  for (const Case& c : cases) {
    const auto found = cache.Find(c.target, c.day);
    if (c.body == nullptr)
      EXPECT_EQ(found, nullptr) << c.target;
    else
      EXPECT_TRUE(found && found->body == c.body) << c.target;
  }
  EXPECT_EQ(cache.size(), 2u);
}

TEST(SitesServerTest, EtagAndCacheHeadersOverHttp) {
  RunningServer running;
  httplib::Client client("127.0.0.1", running.port());
  const auto first = client.Get("/main/DailySudoku.asp?day=13/12/2026");
  ASSERT_TRUE(first);
  EXPECT_EQ(first->status, 200);
  const std::string etag = first->get_header_value("ETag");
  EXPECT_EQ(etag, EtagOf(first->body));
  EXPECT_EQ(first->get_header_value("Cache-Control"), "public, max-age=31536000, immutable");

  const auto again = client.Get("/main/DailySudoku.asp?day=13/12/2026", {{"If-None-Match", etag}});
  ASSERT_TRUE(again);
  EXPECT_EQ(again->status, 304);
  EXPECT_TRUE(again->body.empty());
  EXPECT_EQ(again->get_header_value("ETag"), etag);

  const auto other = client.Get("/main/DailySudoku.asp?day=12/12/2026", {{"If-None-Match", etag}});
  ASSERT_TRUE(other);
  EXPECT_EQ(other->status, 200);

  const auto missing = client.Get("/main/nothing.asp");
  ASSERT_TRUE(missing);
  EXPECT_EQ(missing->status, 404);
  EXPECT_EQ(missing->get_header_value("Cache-Control"), "no-store");
  EXPECT_FALSE(missing->has_header("ETag"));
}

TEST(SitesServerTest, EndsByItselfAfterTheIdleTimeOnlyWhenNothingIsAsked) {
  ServerOptions options = RunningServer::Options();
  options.idleExit = milliseconds(1500);
  SitesServer server(options);
  const int port = server.Bind("127.0.0.1", 0);
  ASSERT_GT(port, 0);
  const auto start = Clock::now();
  auto run = std::async(std::launch::async, [&] { return server.Run(); });
  // Requests every 300 ms keep it alive well past the idle time.
  for (int i = 0; i < 6; ++i) {
    std::this_thread::sleep_for(milliseconds(300));
    ASSERT_EQ(run.wait_for(milliseconds(0)), std::future_status::timeout) << "ended while in use";
    ExpectStillServing(port);
  }
  ASSERT_EQ(run.wait_for(milliseconds(5000)), std::future_status::ready) << "never ended";
  EXPECT_TRUE(run.get());
  EXPECT_GT(Clock::now() - start, milliseconds(1800 + 1500));
  EXPECT_LT(Connect(port), 0) << "still listening";
}

TEST(SitesServerTest, ASecondServerCannotListenOnTheSamePort) {
  RunningServer running;
  SitesServer second(RunningServer::Options());
  EXPECT_EQ(second.Bind("127.0.0.1", running.port()), -1);
  ExpectStillServing(running.port());
}

}  // namespace
}  // namespace kovalo::sites
