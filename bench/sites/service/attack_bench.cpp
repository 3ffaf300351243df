// kovalo-sites under attack, all over loopback: a service started by this
// program as a process of its own, and a well-behaved client that fetches
// 1000 different pages one after another (a new connection for each, as
// the program fetches) while each attack runs:
//   - 1000 silent connections;
//   - 200 connections that each send part of a request line and stop;
//   - 64 connections that each trickle one byte every 4 s;
//   - four clients that send requests with 32 MB of headers, over and over;
// and a load of 200 parallel clients, each opening a new connection per
// request, once for pages that no one asked for before (every one built
// afresh) and once for the pages of a week's downloads, which many users
// ask for alike. Reported: p50, p99 and the slowest request in milliseconds,
// time-outs (no answer within 1 s), refused and reset connections, and the
// service's resident memory (VmRSS) before, at most during, and 1.5 s after
// each attack, and the processor time that the service spent on it. Every
// phase is bounded in count and in time.
//
//   build/bench/sites/kovalo_sites_attack_bench [--program PATH]
//
// --program measures another build of kovalo-sites (one that takes --port).
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "site_requests.h"

namespace {

using Clock = std::chrono::steady_clock;
using kovalo::sites::CivilDate;
using std::chrono::milliseconds;

constexpr int kPages = 1000;
constexpr milliseconds kRequestTimeout{1000};
constexpr milliseconds kPhaseBudget{30000};  // the client gives up on a phase after this
constexpr int kLoadClients = 200;
constexpr int kLoadRequestsEach = 25;

// The address of page i: the four sites in turn, each page another one.
std::string PageAddress(int i) {
  const CivilDate day =
      kovalo::sites::CivilFromDays(kovalo::sites::DaysFromCivil({2015, 1, 1}) + i / 4 % 3000);
  char text[128];
  switch (i % 4) {
    case 0:
      std::snprintf(text, sizeof text, "/main/DailySudoku.asp?day=%02d/%02d/%04d", day.day,
                    day.month, day.year);
      break;
    case 1:
      std::snprintf(text, sizeof text, "/second/DayFiles%%5C%d-%d-%d.js", day.day, day.month,
                    day.year);
      break;
    case 2: {
      const int level = i / 4 % 4 + 1;
      std::snprintf(text, sizeof text, "/level/sudoku/?&ws_level=%d&ws_seltime=%d", level,
                    kovalo::sites::LevelSelectionTimeFor(level, day));
      break;
    }
    default: std::snprintf(text, sizeof text, "/random/solution.php?id=%d", 10 + (i / 4) % 32768);
  }
  return text;
}

int Connect(int port, bool wait) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | (wait ? 0 : SOCK_NONBLOCK), 0);
  if (fd < 0) return -1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (wait) {
    timeval limit{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
  }
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 &&
      errno != EINPROGRESS) {
    const int error = errno;
    close(fd);
    errno = error;
    return -1;
  }
  return fd;
}

enum class Outcome { Ok, TimedOut, Refused, Reset };

// One GET on a new connection, read to its end (Connection: close).
Outcome Fetch(int port, const std::string& path, double& millisecondsTaken) {
  const auto start = Clock::now();
  const auto deadline = start + kRequestTimeout;
  const int fd = Connect(port, true);
  if (fd < 0) {
    const Outcome outcome = errno == ECONNREFUSED ? Outcome::Refused : Outcome::TimedOut;
    millisecondsTaken = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    return outcome;
  }
  const std::string request =
      "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
  Outcome outcome = Outcome::Reset;
  if (send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
      static_cast<ssize_t>(request.size())) {
    std::string reply;
    char buffer[16384];
    for (;;) {
      const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
      pollfd ready{fd, POLLIN, 0};
      if (left <= 0 || poll(&ready, 1, static_cast<int>(left)) <= 0) {
        outcome = Outcome::TimedOut;
        break;
      }
      const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
      if (n < 0) break;  // reset
      if (n == 0) {
        outcome = reply.rfind("HTTP/1.1 200", 0) == 0 ? Outcome::Ok : Outcome::Reset;
        break;
      }
      reply.append(buffer, static_cast<size_t>(n));
    }
  }
  close(fd);
  millisecondsTaken = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  return outcome;
}

struct Figures {
  std::vector<double> times;
  int ok = 0, timedOut = 0, refused = 0, reset = 0, asked = 0;
  void Add(Outcome outcome, double ms) {
    ++asked;
    if (outcome == Outcome::Ok) ++ok;
    // A time-out counts with the time it took, so that p99 shows it.
    if (outcome == Outcome::Ok || outcome == Outcome::TimedOut) times.push_back(ms);
    if (outcome == Outcome::TimedOut) ++timedOut;
    if (outcome == Outcome::Refused) ++refused;
    if (outcome == Outcome::Reset) ++reset;
  }
  double Percentile(double p) {
    if (times.empty()) return 0;
    std::sort(times.begin(), times.end());
    return times[std::min(times.size() - 1, static_cast<size_t>(p * times.size()))];
  }
};

// The service as a child process, its stdout read until it serves.
struct Service {
  pid_t pid = -1;
  int port = 0;
};

int FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

Service StartService(const std::string& program) {
  Service service;
  service.port = FreePort();
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) return service;
  const std::string port = std::to_string(service.port);
  service.pid = fork();
  if (service.pid == 0) {
    dup2(out[1], STDOUT_FILENO);
    execl(program.c_str(), program.c_str(), "--bind", "127.0.0.1", "--port", port.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  char c = 0;
  while (read(out[0], &c, 1) == 1 && c != '\n') {
  }
  close(out[0]);
  return service;
}

// The service's processor time so far (user and system), in seconds.
double ProcessorSeconds(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t close = text.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream fields(text.substr(close + 2));
  std::string field;
  unsigned long long user = 0, system = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14) user = std::stoull(field);
    if (i == 15) system = std::stoull(field);
  }
  return static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

long ResidentKilobytes(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(in, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  return 0;
}

// Reads the service's resident memory every 20 ms and keeps the highest.
class MemoryWatch {
 public:
  explicit MemoryWatch(pid_t pid) : pid_(pid), thread_([this] { Run(); }) {}
  ~MemoryWatch() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }
  long highest() const { return highest_.load(); }

 private:
  void Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!done_) {
      highest_ = std::max(highest_.load(), ResidentKilobytes(pid_));
      wake_.wait_for(lock, milliseconds(20));
    }
  }
  pid_t pid_;
  std::atomic<long> highest_{0};
  std::mutex mutex_;
  std::condition_variable wake_;
  bool done_ = false;
  std::thread thread_;
};

// Something that runs beside the client until told to stop.
class Background {
 public:
  Background() = default;
  ~Background() { Stop(); }
  void Add(std::function<void(Background&)> work) {
    threads_.emplace_back([this, work = std::move(work)] { work(*this); });
  }
  // Waits up to wait, or until Stop; true once stopped.
  bool WaitFor(milliseconds wait) {
    std::unique_lock<std::mutex> lock(mutex_);
    return wake_.wait_for(lock, wait, [this] { return stopped_; });
  }
  bool stopped() {
    std::lock_guard<std::mutex> lock(mutex_);
    return stopped_;
  }
  void Stop() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopped_ = true;
    }
    wake_.notify_all();
    for (std::thread& thread : threads_)
      if (thread.joinable()) thread.join();
    threads_.clear();
  }

 private:
  std::vector<std::thread> threads_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopped_ = false;
};

void CloseAll(std::vector<int>& fds) {
  for (int fd : fds)
    if (fd >= 0) close(fd);
  fds.clear();
}

struct Phase {
  const char* name;
  // Sets up the attack: connections kept in fds, threads in background.
  std::function<void(int port, std::vector<int>& fds, Background& background)> attack;
};

void SendRequestsWithHugeHeaders(int port, Background& background) {
  const std::string head = "GET /main/ HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Filler: ";
  const std::string filler(size_t{32} << 20, 'h');
  for (int round = 0; round < 50 && !background.stopped(); ++round) {
    const int fd = Connect(port, true);
    if (fd < 0) continue;
    timeval limit{2, 0};
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    bool sent = send(fd, head.data(), head.size(), MSG_NOSIGNAL) > 0;
    for (size_t at = 0; sent && at < filler.size() && !background.stopped();) {
      const ssize_t n = send(fd, filler.data() + at, filler.size() - at, MSG_NOSIGNAL);
      sent = n > 0;
      at += sent ? static_cast<size_t>(n) : 0;
    }
    if (sent) send(fd, "\r\n\r\n", 4, MSG_NOSIGNAL);
    char buffer[4096];
    while (recv(fd, buffer, sizeof buffer, 0) > 0) {
    }
    close(fd);
  }
}

void PrintRow(const char* name, Figures& figures, long before, long during, long after,
              double processor) {
  std::printf("%-22s %5d/%-5d %8.2f %8.2f %8.2f %9d %7d %7d %8.1f %8.1f %8.1f %7.2f\n", name,
              figures.ok, figures.asked, figures.Percentile(0.5), figures.Percentile(0.99),
              figures.Percentile(1.0), figures.timedOut, figures.refused, figures.reset,
              before / 1024.0, during / 1024.0, after / 1024.0, processor);
  std::fflush(stdout);
}

void RunPhase(const Service& service, const Phase& phase, int firstPage) {
  const long before = ResidentKilobytes(service.pid);
  const double processor = ProcessorSeconds(service.pid);
  Figures figures;
  long during = 0;
  std::vector<int> fds;
  {
    Background background;
    MemoryWatch watch(service.pid);
    if (phase.attack) phase.attack(service.port, fds, background);
    background.WaitFor(milliseconds(200));  // let the attack settle in
    const auto start = Clock::now();
    for (int i = 0; i < kPages && Clock::now() - start < kPhaseBudget; ++i) {
      double ms = 0;
      const Outcome outcome = Fetch(service.port, PageAddress(firstPage + i), ms);
      figures.Add(outcome, ms);
    }
    background.Stop();
    CloseAll(fds);
    during = watch.highest();
  }
  // The attack's connections are closed; give the service a moment to see it.
  std::this_thread::sleep_for(milliseconds(1500));
  PrintRow(phase.name, figures, before, during, ResidentKilobytes(service.pid),
           ProcessorSeconds(service.pid) - processor);
}

// The pages that a week of downloads asks for, 56 in all: seven days of
// the main site and its solutions, the second site and the level site at
// its four levels, and seven random puzzles.
std::string WeekPageAddress(int i) {
  const int kind = i % 8;
  const CivilDate day =
      kovalo::sites::CivilFromDays(kovalo::sites::DaysFromCivil({2026, 11, 30}) + i / 8 % 7);
  char text[128];
  if (kind < 2) {
    std::snprintf(text, sizeof text, "/main/DailySudoku.asp?%sday=%02d/%02d/%04d",
                  kind == 1 ? "solution=please&" : "", day.day, day.month, day.year);
  } else if (kind == 2) {
    std::snprintf(text, sizeof text, "/second/DayFiles%%5C%d-%d-%d.js", day.day, day.month,
                  day.year);
  } else if (kind < 7) {
    std::snprintf(text, sizeof text, "/level/sudoku/?&ws_level=%d&ws_seltime=%d", kind - 2,
                  kovalo::sites::LevelSelectionTimeFor(kind - 2, day));
  } else {
    std::snprintf(text, sizeof text, "/random/solution.php?id=%d", 1000 + i / 8 % 7);
  }
  return text;
}

void RunLoad(const Service& service, const char* name,
             const std::function<std::string(int client, int request)>& address) {
  const long before = ResidentKilobytes(service.pid);
  const double processor = ProcessorSeconds(service.pid);
  std::vector<Figures> each(kLoadClients);
  long during = 0;
  {
    MemoryWatch watch(service.pid);
    std::vector<std::thread> clients;
    for (int c = 0; c < kLoadClients; ++c)
      clients.emplace_back([&, c] {
        for (int i = 0; i < kLoadRequestsEach; ++i) {
          double ms = 0;
          const Outcome outcome = Fetch(service.port, address(c, i), ms);
          each[c].Add(outcome, ms);
        }
      });
    for (std::thread& client : clients) client.join();
    during = watch.highest();
  }
  Figures all;
  for (Figures& figures : each) {
    all.times.insert(all.times.end(), figures.times.begin(), figures.times.end());
    all.asked += figures.asked;
    all.ok += figures.ok;
    all.timedOut += figures.timedOut;
    all.refused += figures.refused;
    all.reset += figures.reset;
  }
  std::this_thread::sleep_for(milliseconds(1500));
  PrintRow(name, all, before, during, ResidentKilobytes(service.pid),
           ProcessorSeconds(service.pid) - processor);
}

}  // namespace

int main(int argc, char** argv) {
  std::string program = KOVALO_SITES_PROGRAM;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::string(argv[i]) == "--program") program = argv[i + 1];
  signal(SIGPIPE, SIG_IGN);
  rlimit files{};
  if (getrlimit(RLIMIT_NOFILE, &files) == 0) {
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);
  }
  const Service service = StartService(program);
  if (service.pid <= 0) {
    std::fprintf(stderr, "cannot start %s\n", program.c_str());
    return 1;
  }
  std::printf("%s on 127.0.0.1:%d; %d pages per phase, time-out %lld ms\n", program.c_str(),
              service.port, kPages, static_cast<long long>(kRequestTimeout.count()));
  std::printf("%-22s %11s %8s %8s %8s %9s %7s %7s %8s %8s %8s %7s\n", "attack", "got/asked",
              "p50 ms", "p99 ms", "max ms", "time-outs", "refused", "reset", "RSS MB", "max MB",
              "after MB", "CPU s");
  const Phase phases[] = {
      {"none", nullptr},
      {"1000 silent",
       [](int port, std::vector<int>& fds, Background&) {
         for (int i = 0; i < 1000; ++i) fds.push_back(Connect(port, false));
       }},
      {"200 partial lines",
       [](int port, std::vector<int>& fds, Background&) {
         for (int i = 0; i < 200; ++i) {
           const int fd = Connect(port, true);
           const char part[] = "GET /main/DailySudoku.asp?da";
           if (fd >= 0) send(fd, part, sizeof part - 1, MSG_NOSIGNAL);
           fds.push_back(fd);
         }
       }},
      {"64 tricklers",
       [](int port, std::vector<int>& fds, Background& background) {
         for (int i = 0; i < 64; ++i) fds.push_back(Connect(port, true));
         background.Add([&fds](Background& self) {
           const std::string request = "GET /main/ HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
           for (size_t at = 0; !self.stopped(); at = (at + 1) % request.size()) {
             for (int fd : fds)
               if (fd >= 0) send(fd, &request[at], 1, MSG_NOSIGNAL | MSG_DONTWAIT);
             if (self.WaitFor(milliseconds(4000))) break;
           }
         });
       }},
      {"32 MB headers",
       [](int port, std::vector<int>&, Background& background) {
         for (int i = 0; i < 4; ++i)
           background.Add([port](Background& self) { SendRequestsWithHugeHeaders(port, self); });
       }},
  };
  int firstPage = 0;
  for (const Phase& phase : phases) {
    RunPhase(service, phase, firstPage);
    firstPage += kPages;
  }
  // Each request another page, built afresh: the service's throughput.
  RunLoad(service, "load: 200, new pages",
          [](int client, int i) { return PageAddress(50000 + client * kLoadRequestsEach + i); });
  // The pages of the week, which many users fetch alike.
  RunLoad(service, "load: 200, week pages",
          [](int client, int i) { return WeekPageAddress(client * 13 + i); });
  kill(service.pid, SIGTERM);
  waitpid(service.pid, nullptr, 0);
  return 0;
}
