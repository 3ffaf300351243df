// Per-host admission: never more than three downloads of one host at a time,
// in one process or across two; places come back when their holder ends or
// is killed; waiting costs no processor time and ends with RunState.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <map>
#include <optional>
#include <thread>

#include "download/address.h"
#include "download/admission.h"
#include "download/download.h"
#include "download/run_state.h"
#include "download_fixture.h"
#include "test_servers.h"

extern char** environ;

namespace kovalo::testing {
namespace {

using namespace std::chrono_literals;

// A second copy of the engine in a process of its own (see
// download_helper.cpp), with its standard input and output piped to us.
class Helper {
 public:
  explicit Helper(const std::vector<std::string>& arguments) {
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    std::vector<std::string> all = {KOVALO_DOWNLOAD_HELPER};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : all) argv.push_back(argument.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
      throw std::runtime_error("cannot start the helper");
    }
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    toHelper_ = in[1];
    fromHelper_ = out[0];
  }
  ~Helper() {
    if (toHelper_ >= 0) close(toHelper_);
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      Wait();
    }
    close(fromHelper_);
  }

  void Say(const std::string& line) {
    std::string text = line + "\n";
    ASSERT_EQ(write(toHelper_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }
  // One line of the helper's output; empty at its end.
  std::string ReadLine() {
    std::string line;
    char c;
    while (read(fromHelper_, &c, 1) == 1 && c != '\n') line += c;
    return line;
  }
  void Kill() { kill(pid_, SIGKILL); }
  // The exit status, or -1 when killed.
  int Wait() {
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = -1;
  int toHelper_ = -1;
  int fromHelper_ = -1;
};

// A server whose every answer takes a while, and which notes how many
// requests it was serving at once.
class CountingServer {
 public:
  explicit CountingServer(std::chrono::milliseconds hold) {
    server_.server().Get("/held",
                         [this, hold](const httplib::Request&, httplib::Response& response) {
                           {
                             std::lock_guard lock(mutex_);
                             ++served_;
                             ++active_;
                             most_ = std::max(most_, active_);
                           }
                           changed_.notify_all();
                           {
                             std::unique_lock lock(mutex_);
                             changed_.wait_for(lock, hold, [] { return false; });
                             --active_;
                           }
                           response.set_content("held page", "text/html");
                         });
    server_.Start();
  }
  std::string Url() const { return server_.Url("/held"); }
  int most() {
    std::lock_guard lock(mutex_);
    return most_;
  }
  int served() {
    std::lock_guard lock(mutex_);
    return served_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int active_ = 0;
  int most_ = 0;
  int served_ = 0;
  LoopbackServer server_;
};

class DownloadAdmissionTest : public DownloadTest {
 protected:
  void SetUp() override {
    DownloadTest::SetUp();
    // The counting server's slow answers are no stall.
    DownloadTimings timings = FastTimings();
    timings.transferTimeoutMs = 5000;
    SetDownloadTimings(timings);
  }

  std::string places() const { return folder_ + "/places"; }

  // Runs DownloadUrl on slots first... at once, each on a thread of its own.
  std::vector<int> FetchAtOnce(const std::string& url, int first, int count) {
    std::vector<std::future<int>> running;
    for (int slot = first; slot < first + count; ++slot) {
      running.push_back(
          std::async(std::launch::async, [this, url, slot] { return Fetch(url, slot).result; }));
    }
    std::vector<int> results;
    for (auto& result : running) results.push_back(result.get());
    return results;
  }
};

TEST_F(DownloadAdmissionTest, FourthTakerWaitsUntilAPlaceIsGivenBack) {
  HostPlace held[3];
  for (HostPlace& place : held)
    ASSERT_EQ(HostAdmission::Take("host/a", place), Admission::Admitted);

  HostPlace elsewhere;
  EXPECT_EQ(HostAdmission::Take("host/b", elsewhere), Admission::Admitted)
      << "another host waits too";

  HostPlace fourth;
  auto taking =
      std::async(std::launch::async, [&] { return HostAdmission::Take("host/a", fourth); });
  EXPECT_EQ(taking.wait_for(300ms), std::future_status::timeout);
  held[1].Release();
  ASSERT_EQ(taking.wait_for(2s), std::future_status::ready);
  EXPECT_EQ(taking.get(), Admission::Admitted);
}

TEST_F(DownloadAdmissionTest, WaitingForAPlaceCostsNoProcessorTime) {
  DownloadTimings timings = CurrentDownloadTimings();
  timings.placePollMs = 50;  // the program's period
  SetDownloadTimings(timings);
  HostPlace held[3];
  for (HostPlace& place : held) ASSERT_EQ(HostAdmission::Take("busy", place), Admission::Admitted);
  auto taking = std::async(std::launch::async, [&] {
    timespec start{}, end{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &start);
    HostPlace fourth;
    Admission admission = HostAdmission::Take("busy", fourth);
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &end);
    double cpu =
        static_cast<double>(end.tv_sec - start.tv_sec) + (end.tv_nsec - start.tv_nsec) / 1e9;
    return std::make_pair(admission, cpu);
  });
  EXPECT_EQ(taking.wait_for(800ms), std::future_status::timeout);
  held[0].Release();
  auto [admission, cpuSeconds] = taking.get();
  EXPECT_EQ(admission, Admission::Admitted);
  EXPECT_LT(cpuSeconds, 0.1) << "processor time used while waiting about 0.8 s";
}

TEST_F(DownloadAdmissionTest, WaitEndsWhenRunStateTurns) {
  HostPlace held[3];
  for (HostPlace& place : held) ASSERT_EQ(HostAdmission::Take("host", place), Admission::Admitted);
  for (bool wake : {true, false}) {
    SCOPED_TRACE(wake ? "SetRunState" : "plain store");
    RunState.store(kRunStateRunning);
    HostPlace fourth;
    auto taking =
        std::async(std::launch::async, [&] { return HostAdmission::Take("host", fourth); });
    EXPECT_EQ(taking.wait_for(100ms), std::future_status::timeout);
    if (wake) {
      SetRunState(kRunStateClosing);
    } else {
      RunState.store(kRunStateClosing);
    }
    ASSERT_EQ(taking.wait_for(1s), std::future_status::ready);
    EXPECT_EQ(taking.get(), Admission::Stopped);
  }
}

TEST_F(DownloadAdmissionTest, DownloadWaitingForAPlaceStopsWithRunState) {
  CountingServer server(0ms);
  CDlf handle;
  ASSERT_EQ(handle.Prepare(0, 1000), 0);
  HostPlace held[3];
  for (HostPlace& place : held) {
    ASSERT_EQ(HostAdmission::Take(HostKey(server.Url()), place), Admission::Admitted);
  }
  auto fetching = std::async(std::launch::async, [&] { return Fetch(server.Url()); });
  EXPECT_EQ(fetching.wait_for(200ms), std::future_status::timeout);
  SetRunState(kRunStateClosing);
  ASSERT_EQ(fetching.wait_for(1s), std::future_status::ready);
  Fetched fetched = fetching.get();
  EXPECT_EQ(fetched.result, kDownloadAborted);
  EXPECT_EQ(fetched.resultText,
            "<html>Parse Download Error #0. 'session Closed Aborting'</html>\n");
  EXPECT_EQ(server.served(), 0);
}

TEST_F(DownloadAdmissionTest, WaitForAPlaceEndsAtTheDeadline) {
  HostPlace held[3];
  for (HostPlace& place : held) ASSERT_EQ(HostAdmission::Take("full", place), Admission::Admitted);
  HostPlace fourth;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(HostAdmission::Take("full", fourth, start + 300ms), Admission::TimedOut);
  EXPECT_GE(SecondsSince(start), 0.3);
  EXPECT_LT(SecondsSince(start), 0.8);
  EXPECT_FALSE(fourth.held());
  EXPECT_EQ(HostAdmission::Take("other", fourth, start), Admission::Admitted)
      << "a free place is taken even past the deadline";
}

// Place files that cannot be used end the download at once with its error
// page: waiting would not mend them, and running without a place would let a
// folder that someone else controls decide over the program's downloads.
TEST_F(DownloadAdmissionTest, UnusablePlaceFolderFailsTheDownloadAtOnce) {
  struct Row {
    const char* what;
    std::function<std::string()> makeFolder;  // empty when the row cannot be made here
  };
  const std::string base = folder_ + "/unusable";
  std::filesystem::create_directory(base);
  auto ownFolder = [&](const char* name, std::filesystem::perms perms) {
    const std::string folder = base + "/" + name;
    std::filesystem::create_directory(folder);
    std::filesystem::permissions(folder, perms);
    return folder;
  };
  using std::filesystem::perms;
  const Row rows[] = {
      {"below a file", [] { return std::string("/dev/null/places"); }},
      {"a file in the place of the folder",
       [&] {
         std::ofstream(base + "/file") << "x";
         return base + "/file";
       }},
      {"a folder of another user",
       [&]() -> std::string {
         const std::string folder = ownFolder("foreign", perms::owner_all);
         return chown(folder.c_str(), getuid() + 1, getgid()) == 0 ? folder : std::string();
       }},
      {"a folder that others may write",
       [&] { return ownFolder("open", perms::owner_all | perms::others_all); }},
      {"a folder that its group may write",
       [&] { return ownFolder("group", perms::owner_all | perms::group_all); }},
      {"a folder that we may not write",
       [&] { return ownFolder("read-only", perms::owner_read | perms::owner_exec); }},
      {"a link to a folder of ours",
       [&] {
         const std::string target = ownFolder("target", perms::owner_all);
         std::filesystem::create_directory_symlink(target, base + "/link");
         return base + "/link";
       }},
  };
  CountingServer server(0ms);
  CDlf handle;
  ASSERT_EQ(handle.Prepare(0, 1000), 0);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const std::string folder = row.makeFolder();
    if (folder.empty()) {
      std::printf("[ skipped  ] %s: cannot be made by this user\n", row.what);
      continue;
    }
    SetPlaceFolder(folder);
    EXPECT_EQ(UsableRuntimeFolder(), "");
    HostPlace place;
    EXPECT_EQ(HostAdmission::Take("host", place), Admission::Unusable);
    EXPECT_FALSE(place.held());

    const auto start = std::chrono::steady_clock::now();
    Fetched fetched = Fetch(server.Url());
    EXPECT_LT(SecondsSince(start), 0.5);
    EXPECT_EQ(fetched.result, kDownloadNoHostPlace);
    EXPECT_EQ(fetched.resultText, "<html>Parse Download Error - Host Places Unusable.</html>\n");
    EXPECT_EQ(fetched.length, static_cast<int>(fetched.resultText.size()));
  }
  EXPECT_EQ(server.served(), 0);
  EXPECT_TRUE(errors_.Lines().empty()) << "no message box for it";

  // A usable folder again: the next download goes through.
  SetPlaceFolder(places());
  EXPECT_EQ(Fetch(server.Url()).page, "held page");
}

TEST(RuntimeFolder, ComesFromTheEnvironmentAndNeverFromTmp) {
  struct Row {
    const char* runtimeDir;
    const char* cacheHome;
    const char* home;
    std::string folder;
  };
  const Row rows[] = {
      {"/run/user/7", "/c", "/h", "/run/user/7/kovalo"},
      {nullptr, "/c", "/h", "/c/kovalo"},
      {"", "/c", "/h", "/c/kovalo"},
      {"run", "/c", "/h", "/c/kovalo"},  // relative: as if unset
      {nullptr, nullptr, "/h", "/h/.cache/kovalo"},
      {nullptr, "", "/h", "/h/.cache/kovalo"},
      {nullptr, "cache", "/h", "/h/.cache/kovalo"},
      {nullptr, nullptr, "h", ""},
      {nullptr, nullptr, nullptr, ""},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(RuntimeFolderFor(row.runtimeDir, row.cacheHome, row.home), row.folder)
        << (row.runtimeDir ? row.runtimeDir : "(unset)") << " "
        << (row.cacheHome ? row.cacheHome : "(unset)") << " " << (row.home ? row.home : "(unset)");
  }
}

// Sets environment variables for a test and puts the old values back.
class ScopedEnvironment {
 public:
  void Set(const char* name, const char* value) {
    if (!saved_.contains(name)) {
      const char* old = std::getenv(name);
      saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  ~ScopedEnvironment() {
    for (const auto& [name, value] : saved_) Set(name.c_str(), value ? value->c_str() : nullptr);
  }

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};

TEST_F(DownloadAdmissionTest, WithoutARuntimeFolderThePlacesGoToTheUsersCache) {
  struct Row {
    const char* what;
    std::string cacheHome;  // empty: unset
    std::string home;
    std::string folder;  // expected, below folder_
  };
  const Row rows[] = {
      {"XDG_CACHE_HOME, made with its parents", folder_ + "/cache/deeper", folder_ + "/unused",
       folder_ + "/cache/deeper/kovalo"},
      {"~/.cache", "", folder_ + "/home", folder_ + "/home/.cache/kovalo"},
  };
  CountingServer server(0ms);
  CDlf handle;
  ASSERT_EQ(handle.Prepare(0, 1000), 0);
  SetPlaceFolder("");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    {
      ScopedEnvironment environment;
      environment.Set("XDG_RUNTIME_DIR", nullptr);
      environment.Set("XDG_CACHE_HOME", row.cacheHome.empty() ? nullptr : row.cacheHome.c_str());
      environment.Set("HOME", row.home.c_str());
      std::filesystem::create_directory(row.home);
      EXPECT_EQ(UsableRuntimeFolder(), row.folder);
      EXPECT_EQ(Fetch(server.Url()).page, "held page");
    }
    struct stat info {};
    ASSERT_EQ(lstat(row.folder.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_uid, getuid());
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    ASSERT_EQ(lstat(std::filesystem::path(row.folder).parent_path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0077, 0u) << "the cache folder was made for this user only";
    bool placeFile = false;
    for (const auto& entry : std::filesystem::directory_iterator(row.folder))
      placeFile = placeFile || entry.path().filename().string().rfind("semz-", 0) == 0;
    EXPECT_TRUE(placeFile) << "the download took its place there";
  }
  SetPlaceFolder(places());
}

TEST_F(DownloadAdmissionTest, FourDownloadsOfOneHostRunAtMostThreeAtOnce) {
  CountingServer server(400ms);
  CDlf handle;
  for (int slot = 0; slot < 4; ++slot) ASSERT_EQ(handle.Prepare(slot, 1000), 0);
  EXPECT_EQ(FetchAtOnce(server.Url(), 0, 4), (std::vector<int>{0, 0, 0, 0}));
  EXPECT_EQ(server.served(), 4);
  EXPECT_EQ(server.most(), 3);
}

TEST_F(DownloadAdmissionTest, TwoProcessesShareTheThreePlacesOfAHost) {
  CountingServer server(1200ms);
  Helper helper({"fetch", places(), server.Url(), "2"});
  CDlf handle;
  for (int slot = 0; slot < 2; ++slot) ASSERT_EQ(handle.Prepare(slot, 1000), 0);
  helper.Say("go");
  EXPECT_EQ(FetchAtOnce(server.Url(), 0, 2), (std::vector<int>{0, 0}));
  EXPECT_EQ(helper.ReadLine(), "0");
  EXPECT_EQ(helper.ReadLine(), "0");
  EXPECT_EQ(helper.Wait(), 0);
  EXPECT_EQ(server.served(), 4);
  EXPECT_EQ(server.most(), 3);
}

TEST_F(DownloadAdmissionTest, KilledHolderGivesItsPlacesBack) {
  CountingServer server(0ms);
  CDlf handle;
  ASSERT_EQ(handle.Prepare(0, 1000), 0);
  Helper holder({"hold", places(), server.Url()});
  ASSERT_EQ(holder.ReadLine(), "held");

  auto fetching = std::async(std::launch::async, [&] { return Fetch(server.Url()); });
  EXPECT_EQ(fetching.wait_for(300ms), std::future_status::timeout);
  EXPECT_EQ(server.served(), 0);
  holder.Kill();
  EXPECT_EQ(holder.Wait(), -1);
  ASSERT_EQ(fetching.wait_for(3s), std::future_status::ready);
  EXPECT_EQ(fetching.get().result, 0);
  EXPECT_EQ(server.served(), 1);
}

// Two copies download from one host at once; the one holding every place,
// each in the middle of a page, is killed. The other's downloads, waiting
// for a place meanwhile, go on at once and get their pages whole.
TEST_F(DownloadAdmissionTest, CopyKilledInMidDownloadLetsTheOtherGoOn) {
  const std::string page = PageBytes(30000);
  std::atomic<int> heldAnswers{0};
  RawServer raw([&](RawConnection& connection) {
    if (!connection.ReadRequest()) return;
    if (connection.request().rfind("GET /held", 0) == 0) {
      connection.Send("HTTP/1.1 200 OK\r\nContent-Length: 50000\r\n\r\n" + PageBytes(1000));
      ++heldAnswers;
      connection.WaitForRelease();
      return;
    }
    connection.Send("HTTP/1.1 200 OK\r\nContent-Length: 30000\r\n\r\n" + page);
  });
  Helper killed({"fetch", places(), raw.Url("/held"), "3"});
  killed.Say("go");
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  while (heldAnswers.load() < 3 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(5ms);
  ASSERT_EQ(heldAnswers.load(), 3) << "the other copy's downloads did not start";

  CDlf handle;
  for (int slot = 0; slot < 3; ++slot) ASSERT_EQ(handle.Prepare(slot, 100000), 0);
  std::vector<std::future<Fetched>> waiting;
  for (int slot = 0; slot < 3; ++slot) {
    waiting.push_back(
        std::async(std::launch::async, [&, slot] { return Fetch(raw.Url("/page"), slot); }));
  }
  EXPECT_EQ(waiting[0].wait_for(400ms), std::future_status::timeout);
  EXPECT_EQ(raw.connections(), 3) << "a fourth download of the host ran";
  const auto killedAt = std::chrono::steady_clock::now();
  killed.Kill();
  EXPECT_EQ(killed.Wait(), -1);
  for (auto& download : waiting) {
    ASSERT_EQ(download.wait_for(3s), std::future_status::ready);
    Fetched fetched = download.get();
    EXPECT_EQ(fetched.result, 0);
    EXPECT_TRUE(fetched.page == page) << "page bytes differ";
  }
  const double seconds = SecondsSince(killedAt);
  EXPECT_LT(seconds, 2.0);
  EXPECT_EQ(raw.connections(), 6);
  std::printf(
      "[ figures  ] copy killed holding 3 places: the other's 3 downloads done %.3f s after the "
      "kill\n",
      seconds);
}

TEST_F(DownloadAdmissionTest, PlacesStayExclusiveWhenTheirFilesAreRemovedAndMadeAgain) {
  {
    HostPlace place;  // opens this process's place files of the host
    ASSERT_EQ(HostAdmission::Take("h", place), Admission::Admitted);
  }
  std::filesystem::remove_all(places());
  Helper holder({"hold", places(), "http://h/page"});
  ASSERT_EQ(holder.ReadLine(), "held");
  HostPlace fourth;
  auto taking = std::async(std::launch::async, [&] { return HostAdmission::Take("h", fourth); });
  EXPECT_EQ(taking.wait_for(300ms), std::future_status::timeout)
      << "a lock on a removed file counts for nothing";
  holder.Kill();
  ASSERT_EQ(taking.wait_for(2s), std::future_status::ready);
  EXPECT_EQ(taking.get(), Admission::Admitted);
}

TEST_F(DownloadAdmissionTest, FilesOfManyHostsAreNotAllKeptOpen) {
  auto openFiles = [] {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                         std::filesystem::directory_iterator{});
  };
  const auto before = openFiles();
  for (int host = 0; host < 200; ++host) {
    HostPlace place;
    ASSERT_EQ(HostAdmission::Take("host-" + std::to_string(host), place), Admission::Admitted);
  }
  EXPECT_LT(openFiles() - before, 120);
}

}  // namespace
}  // namespace kovalo::testing
