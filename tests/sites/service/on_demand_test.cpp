// Starting kovalo-sites on demand: which addresses may start it, a start
// and a second call that finds it running, two starts at once ending with
// one service and no lock file, what the started program receives, one that
// does not take its socket not started twice, and other hosts starting
// nothing. The services run on free
// loopback ports of the tests' own and are ended by their process ids.
#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "download/download.h"
#include "service_processes.h"
#include "sources/site_service.h"

namespace kovalo {
namespace {

using testing::FreeLoopbackPort;
using testing::ServicesOnPort;

using std::chrono::milliseconds;

TEST(LoopbackServiceTest, OnlyPlainHttpToALoopbackHostWithAPort) {
  struct Case {
    const char* address;
    std::optional<LoopbackService> expected;
  };
  const Case cases[] = {
      {"http://127.0.0.1:8642/main/DailySudoku.asp?day=07/12/2026",
       LoopbackService{"127.0.0.1", 8642}},
      {"http://127.0.0.1:8642", LoopbackService{"127.0.0.1", 8642}},
      {"HTTP://127.0.0.1:8642/", LoopbackService{"127.0.0.1", 8642}},
      {"http://127.12.0.3:9000/level/", LoopbackService{"127.12.0.3", 9000}},
      {"http://localhost:8642/random/", LoopbackService{"127.0.0.1", 8642}},
      {"http://LocalHost:8642/random/", LoopbackService{"127.0.0.1", 8642}},
      {"http://[::1]:8642/second/DayFiles\\7-12-2026.js", LoopbackService{"::1", 8642}},
      {"http://127.0.0.1/main/", LoopbackService{"127.0.0.1", 80}},
      {"http://user@127.0.0.1:81/", LoopbackService{"127.0.0.1", 81}},
      {"http://127.0.0.1:8642?x=1", LoopbackService{"127.0.0.1", 8642}},
      // Other hosts, schemes and broken ports.
      {"http://example.com:8642/main/", std::nullopt},
      {"http://10.0.0.1:8642/main/", std::nullopt},
      {"http://128.0.0.1:8642/", std::nullopt},
      {"http://0.0.0.0:8642/", std::nullopt},
      {"http://127.0.0.1.example.com:8642/", std::nullopt},
      {"http://localhost.example.com:8642/", std::nullopt},
      {"http://127.1:8642/", std::nullopt},
      {"http://[::2]:8642/", std::nullopt},
      {"http://[::1/", std::nullopt},
      {"http://127.0.0.1@example.com:8642/", std::nullopt},
      {"https://127.0.0.1:8642/main/", std::nullopt},
      {"ftp://127.0.0.1:8642/", std::nullopt},
      {"http://127.0.0.1:0/", std::nullopt},
      {"http://127.0.0.1:65536/", std::nullopt},
      {"http://127.0.0.1:86x2/", std::nullopt},
      {"127.0.0.1:8642/main/", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(LoopbackServiceOf(c.address), c.expected) << c.address;
}

class OnDemandTest : public ::testing::Test {
 protected:
  OnDemandTest() {
    folder_ =
        std::filesystem::temp_directory_path() / ("kovalo-on-demand-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder_);
    SetPlaceFolder(folder_.string());
    port = FreeLoopbackPort();
    options.program = KOVALO_SITES_PROGRAM;
    options.idleExitSeconds = 60;  // in case a test ends before it kills its service
  }
  ~OnDemandTest() override {
    for (pid_t pid : ServicesOnPort(KOVALO_SITES_PROGRAM, port)) kill(pid, SIGTERM);
    SetPlaceFolder("");
    std::filesystem::remove_all(folder_);
  }
  std::string Address() const {
    return "http://127.0.0.1:" + std::to_string(port) + "/random/solution.php?id=321";
  }
  // The single service of the port, once the losers of a race have ended.
  size_t ServiceCount() const {
    size_t count = 0;
    for (int i = 0; i < 50; ++i) {
      count = ServicesOnPort(KOVALO_SITES_PROGRAM, port).size();
      if (count <= 1) break;
      std::this_thread::sleep_for(milliseconds(40));
    }
    return count;
  }

  const std::filesystem::path& folder() const { return folder_; }

  int port = 0;
  SiteServiceOptions options;

 private:
  std::filesystem::path folder_;
};

TEST_F(OnDemandTest, StartsTheServiceOnceAndFindsItRunningAfterwards) {
  ASSERT_EQ(ServicesOnPort(KOVALO_SITES_PROGRAM, port).size(), 0u);
  EXPECT_EQ(EnsureSiteService(Address(), options), SiteServiceStart::Started);
  EXPECT_EQ(ServicesOnPort(KOVALO_SITES_PROGRAM, port).size(), 1u);
  httplib::Client client("127.0.0.1", port);
  const auto page = client.Get("/random/solution.php?id=321");
  ASSERT_TRUE(page);
  EXPECT_NE(page->body.find("Solution to Sudoku Puzzle 321"), std::string::npos);

  EXPECT_EQ(EnsureSiteService(Address(), options), SiteServiceStart::Running);
  EXPECT_EQ(EnsureSiteService("http://localhost:" + std::to_string(port) + "/main/", options),
            SiteServiceStart::Running);
  EXPECT_EQ(ServiceCount(), 1u);
}

TEST_F(OnDemandTest, TwoStartsAtOnceEndWithOneService) {
  auto first =
      std::async(std::launch::async, [&] { return EnsureSiteService(Address(), options); });
  auto second =
      std::async(std::launch::async, [&] { return EnsureSiteService(Address(), options); });
  const SiteServiceStart a = first.get(), b = second.get();
  EXPECT_TRUE(a == SiteServiceStart::Started || b == SiteServiceStart::Started);
  EXPECT_TRUE(a == SiteServiceStart::Running || b == SiteServiceStart::Running)
      << "both started a service";
  EXPECT_EQ(ServiceCount(), 1u);
}

TEST_F(OnDemandTest, TwoStartsAtOnceMakeNoLockFile) {
  // The bind is the lock: the run-time folder stays as it was.
  auto first =
      std::async(std::launch::async, [&] { return EnsureSiteService(Address(), options); });
  auto second =
      std::async(std::launch::async, [&] { return EnsureSiteService(Address(), options); });
  const SiteServiceStart a = first.get(), b = second.get();
  EXPECT_NE(a, SiteServiceStart::NoAnswer);
  EXPECT_NE(b, SiteServiceStart::NoAnswer);
  EXPECT_EQ(ServiceCount(), 1u);
  EXPECT_TRUE(std::filesystem::is_empty(folder())) << "something was written there";
}

TEST_F(OnDemandTest, AProgramThatDidNotTakeItsSocketIsNotStartedAgain) {
  // A program that notes each start and ends without serving.
  const auto program = folder() / "not-a-service";
  const auto starts = folder() / "starts";
  std::ofstream(program) << "#!/bin/sh\necho started >> '" << starts.string() << "'\n";
  std::filesystem::permissions(program, std::filesystem::perms::owner_all);
  options.program = program.string();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(EnsureSiteService(Address(), options), SiteServiceStart::NoAnswer);
  // The socket's last copy closed with the program, so the wait ended then.
  EXPECT_LT(std::chrono::steady_clock::now() - start, milliseconds(2000));
  EXPECT_EQ(EnsureSiteService(Address(), options), SiteServiceStart::GivenUp);
  std::ifstream in(starts);
  std::stringstream lines;
  lines << in.rdbuf();
  EXPECT_EQ(lines.str(), "started\n");
  // The port was given back each time.
  EXPECT_GT(testing::FreeLoopbackPort(), 0);
  options.program = KOVALO_SITES_PROGRAM;
  EXPECT_EQ(EnsureSiteService(Address(), options), SiteServiceStart::Started);
}

TEST_F(OnDemandTest, TheServiceReceivesItsSocketAndNoActivationVariablesOfItsOwn) {
  // A program that writes what it was given and ends: descriptor 3, the
  // variables, and that LISTEN_PID names it.
  const auto program = folder() / "show-socket";
  const auto shown = folder() / "shown";
  std::ofstream(program) << "#!/bin/sh\n"
                            "{ [ -S /proc/self/fd/3 ] && echo socket\n"
                            "  echo \"$LISTEN_FDS $LISTEN_FDNAMES\"\n"
                            "  [ \"$LISTEN_PID\" = \"$$\" ] && echo pid\n"
                            "  [ -e /proc/self/fd/4 ] || echo no-more\n"
                            "} > '"
                         << shown.string() << "'\n";
  std::filesystem::permissions(program, std::filesystem::perms::owner_all);
  options.program = program.string();
  setenv("LISTEN_FDS", "7", 1);
  setenv("LISTEN_FDNAMES", "theirs", 1);
  EXPECT_EQ(EnsureSiteService(Address(), options), SiteServiceStart::NoAnswer);
  unsetenv("LISTEN_FDS");
  unsetenv("LISTEN_FDNAMES");
  std::ifstream in(shown);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "socket\n1 \npid\nno-more\n");
}

TEST_F(OnDemandTest, OtherHostsAndSchemesStartNothing) {
  const std::string port_ = std::to_string(port);
  for (const std::string& address :
       {"http://192.0.2.1:" + port_ + "/main/", "http://example.invalid:" + port_ + "/main/",
        "https://127.0.0.1:" + port_ + "/main/"}) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(EnsureSiteService(address, options), SiteServiceStart::NotLoopback) << address;
    EXPECT_LT(std::chrono::steady_clock::now() - start, milliseconds(1000)) << "it waited";
  }
  std::this_thread::sleep_for(milliseconds(200));
  EXPECT_EQ(ServicesOnPort(KOVALO_SITES_PROGRAM, port).size(), 0u);
}

TEST_F(OnDemandTest, AProgramThatNeverAnswersIsGivenUpAfterTheWait) {
  options.program = "/bin/true";
  options.answerWait = milliseconds(300);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(EnsureSiteService(Address(), options), SiteServiceStart::NoAnswer);
  EXPECT_LT(std::chrono::steady_clock::now() - start, milliseconds(2000));
}

TEST(FindSitesProgramTest, TheProgramsFolderFirstThenPath) {
  // The test program's folder holds no kovalo-sites, so PATH decides.
  const auto folder =
      std::filesystem::temp_directory_path() / ("kovalo-path-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", ("/nonexistent:" + folder.string()).c_str(), 1);
  EXPECT_EQ(FindSitesProgram(), "");
  const auto program = folder / "kovalo-sites";
  std::ofstream(program) << "#!/bin/sh\n";
  EXPECT_EQ(FindSitesProgram(), "") << "not executable yet";
  std::filesystem::permissions(program, std::filesystem::perms::owner_all);
  EXPECT_EQ(FindSitesProgram(), program.string());
  // From the folder itself, a relative or empty entry does not count.
  const auto oldFolder = std::filesystem::current_path();
  std::filesystem::current_path(folder);
  for (const char* path : {".", "", "::", "./", "kovalo-path"}) {
    setenv("PATH", path, 1);
    EXPECT_EQ(FindSitesProgram(), "") << "PATH=" << path;
  }
  std::filesystem::current_path(oldFolder);
  setenv("PATH", oldPath.c_str(), 1);
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace kovalo
