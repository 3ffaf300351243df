// The engine against real servers on 127.0.0.1: pages, statuses, redirects,
// the 404 check, stalls and broken connections, address length, local files,
// the request it sends, and the reuse of its sessions.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <optional>
#include <regex>
#include <set>

#include "download/download.h"
#include "download/run_state.h"
#include "download_fixture.h"
#include "test_servers.h"

namespace kovalo::testing {
namespace {

using ::testing::HasSubstr;

constexpr int kMaxPage = 100000;

class DownloadPagesTest : public DownloadTest {
 protected:
  void SetUp() override {
    DownloadTest::SetUp();
    server_.server().Get(R"(/size/(\d+))", [](const httplib::Request& request,
                                              httplib::Response& response) {
      response.set_content(PageBytes(std::stoul(request.matches[1].str())), "text/html");
    });
    server_.Start();
    handle_.emplace();
    ASSERT_EQ(handle_->Prepare(0, kMaxPage), 0);
  }
  LoopbackServer server_;
  std::optional<CDlf> handle_;
};

TEST_F(DownloadPagesTest, PageOfEverySizeArrivesWholeUpToTheMaximum) {
  for (std::size_t size :
       {0, 1, 9999, 10000, 10001, 65536, kMaxPage - 1, kMaxPage, kMaxPage + 1, 3 * kMaxPage}) {
    SCOPED_TRACE("page of " + std::to_string(size) + " bytes");
    Fetched fetched = Fetch(server_.Url("/size/" + std::to_string(size)));
    std::size_t expected = std::min<std::size_t>(size, kMaxPage);
    ASSERT_EQ(fetched.result, 0);
    ASSERT_EQ(fetched.length, static_cast<int>(expected));
    EXPECT_TRUE(fetched.page == PageBytes(expected)) << "page bytes differ";
    // The result text holds the first 10000 bytes, zero-terminated.
    std::size_t head = std::min<std::size_t>(expected, kChunkSize);
    const char* resultText = SlotResultText(0);
    EXPECT_EQ(std::string(resultText, head), PageBytes(head));
    EXPECT_EQ(resultText[head], '\0');
    EXPECT_EQ(SlotPageBuffer(0)[expected], '\0');
  }
  EXPECT_TRUE(log_.Lines().empty());
}

TEST_F(DownloadPagesTest, BufferOnlyGrowsAndASmallerMaximumStillLimitsThePage) {
  char* buffer = SlotPageBuffer(0);
  EXPECT_EQ(SlotPageBufferSize(0), static_cast<std::size_t>(kMaxPage + 10000));
  ASSERT_EQ(handle_->Prepare(0, 5000), 0);
  EXPECT_EQ(SlotPageBuffer(0), buffer);
  EXPECT_EQ(SlotPageBufferSize(0), static_cast<std::size_t>(kMaxPage + 10000));
  EXPECT_EQ(Fetch(server_.Url("/size/8000")).length, 5000);
  ASSERT_EQ(handle_->Prepare(0, 2 * kMaxPage), 0);
  EXPECT_EQ(SlotPageBufferSize(0), static_cast<std::size_t>(2 * kMaxPage + 10000));
  EXPECT_EQ(Fetch(server_.Url("/size/150000")).length, 150000);
}

TEST_F(DownloadPagesTest, RequestCarriesAcceptAndAThreeLetterAgentAndAsksForNoCache) {
  std::mutex mutex;
  httplib::Headers seen;
  server_.server().Get("/headers",
                       [&](const httplib::Request& request, httplib::Response& response) {
                         std::lock_guard lock(mutex);
                         seen = request.headers;
                         response.set_content("ok", "text/plain");
                       });
  ASSERT_EQ(Fetch(server_.Url("/headers")).result, 0);
  std::lock_guard lock(mutex);
  auto value = [&](const char* name) {
    auto it = seen.find(name);
    return it == seen.end() ? std::string("(none)") : it->second;
  };
  EXPECT_EQ(value("Accept"), "*/*");
  EXPECT_TRUE(std::regex_match(value("User-Agent"), std::regex("[A-Z]{3}"))) << value("User-Agent");
  EXPECT_EQ(value("Cache-Control"), "no-cache");
  EXPECT_EQ(value("Pragma"), "no-cache");
  EXPECT_EQ(value("Accept-Encoding"), "(none)");
}

TEST_F(DownloadPagesTest, SessionIsReusedUntilTheLastHandleGoesWhileStopping) {
  std::mutex mutex;
  std::vector<int> ports;
  LoopbackServer server(LoopbackServer::kKeepAlive);
  server.server().Get("/port", [&](const httplib::Request& request, httplib::Response& response) {
    std::lock_guard lock(mutex);
    ports.push_back(request.remote_port);
    response.set_content("ok", "text/plain");
  });
  server.Start();
  ASSERT_EQ(Fetch(server.Url("/port")).result, 0);
  ASSERT_EQ(Fetch(server.Url("/port")).result, 0);
  {
    // A job that ends while the program runs keeps the sessions open.
    CDlf another;
    ASSERT_EQ(another.Prepare(1, 1000), 0);
  }
  ASSERT_EQ(Fetch(server.Url("/port")).result, 0);
  {
    std::lock_guard lock(mutex);
    ASSERT_EQ(ports.size(), 3u);
    EXPECT_EQ(ports[1], ports[0]);
    EXPECT_EQ(ports[2], ports[0]);
  }
  // The last handle to go after the program began to stop closes them.
  RunState.store(kRunStateClosing);
  handle_.reset();
  RunState.store(kRunStateRunning);
  handle_.emplace();
  ASSERT_EQ(handle_->Prepare(0, kMaxPage), 0);
  ASSERT_EQ(Fetch(server.Url("/port")).result, 0);
  {
    std::lock_guard lock(mutex);
    ASSERT_EQ(ports.size(), 4u);
    EXPECT_NE(ports[3], ports[0]);
  }
  // Close the session again, so that the server need not wait for it.
  RunState.store(kRunStateClosing);
  handle_.reset();
}

// ---- statuses ------------------------------------------------------------------

class DownloadStatusTest : public DownloadPagesTest {};

TEST_F(DownloadStatusTest, EveryRefusedStatusGivesItsErrorPage) {
  struct Row {
    int status;
    int result;
    const char* page;
    const char* logTail;
  };
  const Row rows[] = {
      {401, kDownloadPasswordProtected,
       "<html>Parse Download Error #401 - Password Protected.</html>\n", "' HTTP_STATUS_DENIED"},
      {403, kDownloadForbidden, "<html>Parse Download Error #403 - URL File Forbidden.</html>\n",
       "' File Forbidden"},
      {404, kDownloadNotFound, "<html>Parse Download Error #404 - URL File Not Found.</html>\n",
       "' File Not Found"},
      {307, kDownloadBadStatus, "<html>Parse Download Error #307 - URL Query Error 307</html>\n",
       "' Query Error #307"},
      {500, kDownloadBadStatus, "<html>Parse Download Error #500 - URL Query Error 500</html>\n",
       "' Query Error #500"},
      {204, kDownloadBadStatus, "<html>Parse Download Error #204 - URL Query Error 204</html>\n",
       "' Query Error #204"},
  };
  server_.server().Get(R"(/status/(\d+))", [](const httplib::Request& request,
                                              httplib::Response& response) {
    response.status = std::stoi(request.matches[1].str());
    response.set_header("Location", "/size/10");  // must not be followed for 307
    if (response.status != 204)
      response.set_content("<html>body of the refusal</html>", "text/html");
  });
  for (const Row& row : rows) {
    SCOPED_TRACE("status " + std::to_string(row.status));
    std::string url = server_.Url("/status/" + std::to_string(row.status));
    Fetched fetched = Fetch(url);
    EXPECT_EQ(fetched.result, row.result);
    EXPECT_EQ(fetched.resultText, row.page);
    EXPECT_EQ(fetched.length, static_cast<int>(std::strlen(row.page)));
    EXPECT_EQ(fetched.url, url);
    ASSERT_FALSE(log_.Lines().empty());
    EXPECT_EQ(log_.Lines().back(), "URL '" + url + row.logTail);
  }
}

TEST_F(DownloadStatusTest, AddressWithoutASchemeIsJudgedAsAnHttpAddress) {
  server_.server().Get(R"(/status/(\d+))",
                       [](const httplib::Request& request, httplib::Response& response) {
                         response.status = std::stoi(request.matches[1].str());
                         response.set_header("Location", "/size/10");
                         response.set_content("<html>body of the answer</html>", "text/html");
                       });
  const std::string host = server_.Url("").substr(std::strlen("http://"));
  struct Row {
    const char* path;
    int result;
    std::string text;  // the page on success, else the result text
    const char* finalPath;
  };
  const Row rows[] = {
      {"/size/10", 0, PageBytes(10), "/size/10"},
      {"/status/302", 0, PageBytes(10), "/size/10"},
      {"/status/404", kDownloadNotFound,
       "<html>Parse Download Error #404 - URL File Not Found.</html>\n", "/status/404"},
      {"/status/500", kDownloadBadStatus,
       "<html>Parse Download Error #500 - URL Query Error 500</html>\n", "/status/500"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    Fetched fetched = Fetch(host + row.path);
    EXPECT_EQ(fetched.result, row.result);
    EXPECT_EQ(row.result == 0 ? fetched.page : fetched.resultText, row.text);
    EXPECT_EQ(fetched.url, host + row.finalPath);
  }
}

TEST_F(DownloadStatusTest, AnswerWithoutAUsableStatusCountsAsStatusZero) {
  // curl refuses status lines below 100 without telling the code, and
  // answers that are not HTTP at all.
  for (const char* answer :
       {"HTTP/1.1 000 Zero\r\nContent-Length: 2\r\n\r\nok",
        "HTTP/1.1 099 Odd\r\nContent-Length: 2\r\n\r\nok", "garbage\r\n\r\n"}) {
    SCOPED_TRACE(answer);
    RawServer raw([answer](RawConnection& connection) {
      if (connection.ReadRequest()) connection.Send(answer);
    });
    std::string url = raw.Url("/odd");
    Fetched fetched = Fetch(url);
    EXPECT_EQ(fetched.result, kDownloadBadStatus);
    EXPECT_EQ(fetched.resultText, "<html>Parse Download Error #0 - URL Query Error 0</html>\n");
    EXPECT_EQ(log_.Lines().back(), "URL '" + url + "' Query Error #0");
  }
}

// ---- redirects -----------------------------------------------------------------

class DownloadRedirectTest : public DownloadPagesTest {
 protected:
  void SetUp() override {
    DownloadPagesTest::SetUp();
    server_.server().Get(R"(/go/(\d+))",
                         [this](const httplib::Request& request, httplib::Response& response) {
                           response.status = std::stoi(request.matches[1].str());
                           response.set_header("Location", location_);
                           response.set_content("moved", "text/html");
                         });
    server_.server().Get("/dir/go", [this](const httplib::Request&, httplib::Response& response) {
      response.status = 302;
      response.set_header("Location", location_);
    });
    server_.server().Get("/next.asp", [this](const httplib::Request&, httplib::Response& response) {
      ++nextHits_;
      response.set_content("the next page", "text/html");
    });
    server_.server().Get("/loop", [this](const httplib::Request&, httplib::Response& response) {
      ++loopHits_;
      response.status = 302;
      response.set_header("Location", "/loop");
    });
  }
  std::string location_;
  std::atomic<int> nextHits_{0};
  std::atomic<int> loopHits_{0};
};

TEST_F(DownloadRedirectTest, AbsoluteRootedAndBareLocationsAreFollowed) {
  for (int status : {301, 302, 303}) {
    for (std::string location :
         {server_.Url("/next.asp"), std::string("/next.asp"), std::string("next.asp")}) {
      SCOPED_TRACE(std::to_string(status) + " to " + location);
      location_ = location;
      Fetched fetched = Fetch(server_.Url("/go/" + std::to_string(status)));
      EXPECT_EQ(fetched.result, 0);
      EXPECT_EQ(fetched.page, "the next page");
      EXPECT_EQ(fetched.url, server_.Url("/next.asp"));
    }
  }
  EXPECT_EQ(nextHits_.load(), 9);
}

TEST_F(DownloadRedirectTest, BareLocationIsTakenFromTheHostRootNotTheFolder) {
  location_ = "next.asp";
  Fetched fetched = Fetch(server_.Url("/dir/go"));
  EXPECT_EQ(fetched.result, 0);
  EXPECT_EQ(fetched.url, server_.Url("/next.asp"));
}

TEST_F(DownloadRedirectTest, RefusedRedirectsGiveTheNotAllowedPage) {
  struct Row {
    const char* what;
    std::string location;
  };
  const Row rows[] = {
      {"no Location", ""},
      {"a local file", "file:///etc/hostname"},
      {"an address of 4000 characters", "/" + std::string(4000 - server_.Url("/").size(), 'x')},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    location_ = row.location;
    std::string url = server_.Url("/go/303");
    Fetched fetched = Fetch(url);
    EXPECT_EQ(fetched.result, kDownloadRedirectRefused);
    EXPECT_EQ(fetched.resultText,
              "<html>Parse Download Error #303 - URL redirected not allowed.</html>\n");
    EXPECT_EQ(log_.Lines().back(), "URL '" + url + "' HTTP_STATUS_REDIRECTED");
  }
}

TEST_F(DownloadRedirectTest, LoopEndsAfterTwentyRedirects) {
  Fetched fetched = Fetch(server_.Url("/loop"));
  EXPECT_EQ(fetched.result, kDownloadRedirectRefused);
  EXPECT_EQ(fetched.resultText,
            "<html>Parse Download Error #302 - URL redirected not allowed.</html>\n");
  EXPECT_EQ(loopHits_.load(), 1 + kMaxRedirects);
}

// ---- the 404 check of the first 10000 bytes --------------------------------------

TEST_F(DownloadPagesTest, PageWithBothNotFoundMarkersInItsHeadIsAnErrorPage) {
  struct Row {
    const char* what;
    std::string body;
    bool refused;
  };
  const std::string filler(20000, 'x');
  const Row rows[] = {
      {"both, upper case", "<H1>ERROR</H1> page NOT FOUND", true},
      {"both, mixed case", "<h1>Error</h1><p>The page was not Found</p>", true},
      {"both at the end of the first 10000 bytes",
       filler.substr(0, 10000 - 23) + "<h1>error</h1>not found" + filler, true},
      {"only not found", "<html>Not Found</html>", false},
      {"only the heading", "<h1>Error</h1> something else", false},
      {"second marker after byte 10000", "<h1>Error</h1>" + filler + "not found", false},
  };
  server_.server().Get("/marked", [&](const httplib::Request& request,
                                      httplib::Response& response) {
    response.set_content(rows[std::stoi(request.get_param_value("row"))].body, "text/html");
  });
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(rows[i].what);
    Fetched fetched = Fetch(server_.Url("/marked?row=" + std::to_string(i)));
    if (rows[i].refused) {
      EXPECT_EQ(fetched.result, kDownloadErrorPage);
      EXPECT_EQ(fetched.resultText,
                "<html>HTML page contained some kind of 404 error message</html>\n");
      EXPECT_EQ(fetched.length, 64);
    } else {
      EXPECT_EQ(fetched.result, 0);
      EXPECT_EQ(fetched.length,
                static_cast<int>(std::min<std::size_t>(rows[i].body.size(), kMaxPage)));
    }
  }
}

// ---- misbehaving servers ---------------------------------------------------------

class DownloadBrokenServerTest : public DownloadTest {
 protected:
  void SetUp() override {
    DownloadTest::SetUp();
    ASSERT_EQ(handle_.Prepare(0, kMaxPage), 0);
  }
  CDlf handle_;
};

TEST_F(DownloadBrokenServerTest, SilenceBeforeTheStatusEndsWithAnErrorPageAfterTheTimeOut) {
  RawServer raw([](RawConnection& connection) {
    connection.ReadRequest();
    connection.WaitForRelease();
  });
  auto start = std::chrono::steady_clock::now();
  Fetched fetched = Fetch(raw.Url("/silent"));
  double seconds = SecondsSince(start);
  EXPECT_EQ(fetched.result, kDownloadNoHandle);
  EXPECT_EQ(fetched.resultText, "<html>Parse Download Error #99.</html>\n");
  EXPECT_GE(seconds, FastTimings().transferTimeoutMs / 1000.0);
  EXPECT_LT(seconds, FastTimings().transferTimeoutMs / 1000.0 + 1.5);
}

TEST_F(DownloadBrokenServerTest, SilenceInMidPageDeliversThePartReceived) {
  const std::string part = PageBytes(25000);
  RawServer raw([&](RawConnection& connection) {
    if (!connection.ReadRequest()) return;
    connection.Send("HTTP/1.1 200 OK\r\nContent-Length: 90000\r\n\r\n" + part);
    connection.WaitForRelease();
  });
  auto start = std::chrono::steady_clock::now();
  Fetched fetched = Fetch(raw.Url("/half"));
  EXPECT_EQ(fetched.result, 0);
  EXPECT_EQ(fetched.length, 25000);
  EXPECT_TRUE(fetched.page == part);
  EXPECT_LT(SecondsSince(start), FastTimings().transferTimeoutMs / 1000.0 + 1.5);
}

TEST_F(DownloadBrokenServerTest, BrokenConnectionsEndAsThePartTellsWhereTheyBroke) {
  struct Row {
    const char* what;
    std::string answer;  // sent after the request, then the connection closes
    int result;
    std::string resultText;
  };
  const Row rows[] = {
      {"closed before answering", "", kDownloadNoHandle,
       "<html>Parse Download Error #99.</html>\n"},
      {"closed inside the head", "HTTP/1.1 200 OK\r\nContent-Le", kDownloadQueryFailed,
       "<html>Parse Download Error - Query Error.</html>\n"},
      {"closed in mid-page",
       "HTTP/1.1 200 OK\r\nContent-Length: 500\r\n\r\n" + std::string(120, 'p'), 0,
       std::string(120, 'p')},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    RawServer raw([&](RawConnection& connection) {
      if (connection.ReadRequest()) connection.Send(row.answer);
    });
    Fetched fetched = Fetch(raw.Url("/broken"));
    EXPECT_EQ(fetched.result, row.result);
    EXPECT_EQ(fetched.resultText, row.resultText);
    EXPECT_EQ(fetched.length, static_cast<int>(row.resultText.size()));
  }
}

TEST_F(DownloadBrokenServerTest, RefusedConnectionGivesTheOpenErrorPage) {
  std::string url = "http://127.0.0.1:" + std::to_string(UnusedPort()) + "/x";
  Fetched fetched = Fetch(url);
  EXPECT_EQ(fetched.result, kDownloadNoHandle);
  EXPECT_EQ(fetched.resultText, "<html>Parse Download Error #99.</html>\n");
  EXPECT_EQ(fetched.length, 39);
  ASSERT_EQ(log_.Lines().size(), 1u);
  EXPECT_EQ(log_.Lines()[0],
            "URL '" + url + "' (OpenURL() return NULL file handle) Unable to download URL");
}

// ---- addresses ------------------------------------------------------------------

TEST_F(DownloadPagesTest, AddressOf4000CharactersIsRefusedAnd3999Accepted) {
  server_.server().Get(R"(/pad/x+)", [](const httplib::Request&, httplib::Response& response) {
    response.set_content("padded", "text/plain");
  });
  std::string base = server_.Url("/pad/");
  std::string longest = base + std::string(3999 - base.size(), 'x');
  Fetched fetched = Fetch(longest);
  EXPECT_EQ(fetched.result, 0);
  EXPECT_EQ(fetched.page, "padded");

  Fetched refused = Fetch(longest + "x");
  EXPECT_EQ(refused.result, kDownloadUrlTooLong);
  EXPECT_EQ(refused.resultText, "<html>Parse Download Error - URL too long</html>\n");
  EXPECT_EQ(refused.length, 49);
}

TEST_F(DownloadPagesTest, LocalFilesAreReadAndEscapedNamesTriedOnceMore) {
  std::filesystem::create_directories(folder_ + "/site dir");
  const std::string path = folder_ + "/site dir/a b^c.html";
  std::ofstream(path, std::ios::binary) << "local page";
  std::ofstream(folder_ + "/missing.html.404", std::ios::binary) << "<h1>Error</h1>Not found";

  struct Row {
    const char* what;
    std::string url;
    int result;
    std::string text;
  };
  const Row rows[] = {
      {"plain name", "file://" + path, 0, "local page"},
      {"escaped name", "file://" + folder_ + "/site%20dir/a%20b%5Ec.html", 0, "local page"},
      {"localhost and upper-case scheme", "FILE://localhost" + path, 0, "local page"},
      {"missing file", "file://" + folder_ + "/nothing.html", kDownloadNoHandle,
       "<html>Parse Download Error #99.</html>\n"},
      {"a folder", "file://" + folder_, kDownloadNoHandle,
       "<html>Parse Download Error #99.</html>\n"},
      {"file that is a 404 message", "file://" + folder_ + "/missing.html.404", kDownloadErrorPage,
       "<html>HTML page contained some kind of 404 error message</html>\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Fetched fetched = Fetch(row.url);
    EXPECT_EQ(fetched.result, row.result);
    EXPECT_EQ(fetched.resultText, row.text);
  }
  EXPECT_THAT(log_.Lines(),
              ::testing::Contains("URL 'file://" + folder_ +
                                  "/nothing.html' (OpenURL() return bad file handle) Unable to "
                                  "download URL"));
}

TEST_F(DownloadBrokenServerTest, ProxyOfTheEnvironmentIsUsed) {
  std::mutex mutex;
  std::string requestLine;
  RawServer proxy([&](RawConnection& connection) {
    if (!connection.ReadRequest()) return;
    {
      std::lock_guard lock(mutex);
      requestLine = connection.request().substr(0, connection.request().find("\r\n"));
    }
    connection.Send("HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nvia proxy");
  });
  std::string proxyUrl = proxy.Url("");
  setenv("http_proxy", proxyUrl.c_str(), 1);
  Fetched fetched = Fetch("http://puzzles.invalid/daily.asp?d=1");
  unsetenv("http_proxy");
  EXPECT_EQ(fetched.result, 0);
  EXPECT_EQ(fetched.page, "via proxy");
  std::lock_guard lock(mutex);
  EXPECT_EQ(requestLine, "GET http://puzzles.invalid/daily.asp?d=1 HTTP/1.1");
}

// ---- slots and buffers ---------------------------------------------------------------

TEST_F(DownloadTest, SlotWithoutBufferOrOutOfRangeFails) {
  std::string url = "http://127.0.0.1:1/";
  const char* text = nullptr;
  int length = 0;
  EXPECT_EQ(DownloadUrl(text, 7, url, length, 2), kDownloadNoPageBuffer);
  EXPECT_STREQ(text, "<html>Parse Download Error - No Page Buffer.</html>\n");
  EXPECT_EQ(DownloadUrl(text, kSlotCount, url, length, 2), kDownloadBadSlot);
  EXPECT_THAT(text, HasSubstr("Parse Download Error"));
  EXPECT_EQ(length, static_cast<int>(std::strlen(text)));
  CDlf handle;
  EXPECT_NE(handle.Prepare(-1, 1000), 0);
  EXPECT_NE(handle.Prepare(kSlotCount, 1000), 0);
}

TEST_F(DownloadTest, BufferThatCannotBeHadShowsGlobalAllocError) {
#if defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "the sanitizer's allocator ends the program on such a request";
#endif
  CDlf handle;
  EXPECT_NE(handle.Prepare(3, int64_t{1} << 52), 0);
  EXPECT_EQ(errors_.Lines(), std::vector<std::string>{"Global Alloc Error"});
  EXPECT_EQ(SlotPageBuffer(3), nullptr);
  std::string url = "http://127.0.0.1:1/";
  EXPECT_EQ(Fetch(url, 3).result, kDownloadNoPageBuffer);
}

TEST_F(DownloadTest, DestroyingTheHandleFreesItsBuffers) {
  {
    CDlf handle;
    ASSERT_EQ(handle.Prepare(4, 1000), 0);
    ASSERT_EQ(handle.Prepare(5, 1000), 0);
    EXPECT_NE(SlotPageBuffer(4), nullptr);
  }
  EXPECT_EQ(SlotPageBuffer(4), nullptr);
  EXPECT_EQ(SlotPageBuffer(5), nullptr);
}

}  // namespace
}  // namespace kovalo::testing
