// The program closed in the middle of a download of each site, against a
// server that stalls before its answer or in the middle of the page: it
// must end, cleanly, within a second of the close. The program runs as a
// process of its own (window_helper.cpp), so that the time is that of the
// whole end: the window, the worker, the engine and the process's exit.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <thread>

#include "download/test_servers.h"

extern char** environ;

namespace kovalo {
namespace {

using namespace std::chrono_literals;
using testing::RawConnection;
using testing::RawServer;

// The program with its standard input piped from the test.
class ProgramProcess {
 public:
  ProgramProcess(const std::string& folder, const std::string& site,
                 std::vector<std::string> environment) {
    int in[2];
    if (pipe2(in, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    std::vector<std::string> arguments = {KOVALO_WINDOW_HELPER, folder, site};
    std::vector<char*> argv, envp;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    for (std::string& variable : environment) envp.push_back(variable.data());
    envp.push_back(nullptr);
    const int started = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    toProgram_ = in[1];
    if (started != 0) throw std::runtime_error("cannot start the program");
  }
  ~ProgramProcess() {
    close(toProgram_);
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  void Close() { ASSERT_EQ(write(toProgram_, "close\n", 6), 6); }
  // The wait status once the program has ended, or -1 when it is still
  // running after timeout.
  int WaitForEnd(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    int status = 0;
    while (waitpid(pid_, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > deadline) return -1;
      std::this_thread::sleep_for(1ms);
    }
    pid_ = -1;
    return status;
  }

 private:
  pid_t pid_ = -1;
  int toProgram_ = -1;
};

// This process's environment with the four sites on base.
std::vector<std::string> EnvironmentWithSites(const std::string& base) {
  std::vector<std::string> environment;
  for (char** variable = environ; *variable != nullptr; ++variable) {
    if (std::string(*variable).rfind("KOVALO_", 0) != 0) environment.push_back(*variable);
  }
  environment.push_back("KOVALO_MAIN_WEEKLY_URL=" + base + "/main/");
  environment.push_back("KOVALO_SECOND_WEEKLY_URL=" + base + "/second/");
  environment.push_back("KOVALO_LEVEL_URL=" + base + "/level/");
  environment.push_back("KOVALO_RANDOM_URL=" + base + "/random/");
  environment.push_back("QT_QPA_PLATFORM=offscreen");
  environment.push_back("no_proxy=127.0.0.1,localhost");
  return environment;
}

TEST(ProgramCloseTest, ClosedDuringADownloadOfEachSiteItEndsWithinASecond) {
  struct Stall {
    const char* what;
    std::string answer;  // sent before the silence
  };
  const Stall stalls[] = {
      {"before the answer", ""},
      {"in mid-page",
       "HTTP/1.1 200 OK\r\nContent-Length: 90000\r\n\r\n<html><body>" + std::string(5000, ' ')},
  };
  char pattern[] = "/tmp/kovalo-close-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string folder = pattern;
  for (const char* site : {"main", "second", "level", "random"}) {
    for (const Stall& stall : stalls) {
      SCOPED_TRACE(std::string(site) + ", stalled " + stall.what);
      std::mutex mutex;
      std::string firstRequest;
      std::atomic<bool> requested{false};
      RawServer server([&](RawConnection& connection) {
        if (!connection.ReadRequest()) return;
        {
          std::lock_guard lock(mutex);
          if (firstRequest.empty())
            firstRequest = connection.request().substr(0, connection.request().find("\r\n"));
        }
        connection.Send(stall.answer);
        requested = true;
        connection.WaitForRelease();
      });
      ProgramProcess program(folder, site, EnvironmentWithSites(server.Url("")));
      const auto deadline = std::chrono::steady_clock::now() + 20s;
      while (!requested && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
      ASSERT_TRUE(requested) << "no download began";
      {
        std::lock_guard lock(mutex);
        EXPECT_EQ(firstRequest.rfind(std::string("GET /") + site + "/", 0), 0u) << firstRequest;
      }
      const auto closed = std::chrono::steady_clock::now();
      program.Close();
      const int status = program.WaitForEnd(10s);
      const double seconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - closed).count();
      ASSERT_NE(status, -1) << "still running 10 s after the close";
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "wait status " << status;
      EXPECT_LT(seconds, 1.0);
      std::printf("[ figures  ] %s site, stalled %s: ended %.3f s after the close\n", site,
                  stall.what, seconds);
    }
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace kovalo
