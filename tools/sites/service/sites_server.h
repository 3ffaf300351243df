// The HTTP side of the bundled puzzle sites: a cpp-httplib server that hands
// every request to AnswerRequest, with limits that keep a misbehaving client
// from holding it up, and an optional exit after a time without requests.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "site_requests.h"

namespace httplib {
class Server;
}

namespace kovalo::sites {

struct ServerOptions {
  // How long a connection may take to send its request (and, kept alive,
  // the next one) before it is dropped.
  std::chrono::milliseconds readTimeout{5000};
  // Ends Run by itself after this long without a request; zero: never.
  std::chrono::milliseconds idleExit{0};
  // The date of "today" for the addresses that name none; the service's
  // local date by default.
  std::function<CivilDate()> today;
};

class SitesServer {
 public:
  explicit SitesServer(ServerOptions options = {});
  ~SitesServer();
  SitesServer(const SitesServer&) = delete;
  SitesServer& operator=(const SitesServer&) = delete;

  // Binds to host and port (0: a free port of the system's choosing).
  // Another listener on the same port makes this fail: the socket is not
  // shared. Returns the port, or -1.
  int Bind(const std::string& host, int port);
  // Serves until Stop, or until the idle time has passed. Returns false when
  // the server could not run.
  bool Run();
  // Ends Run from any thread.
  void Stop();

  int requestCount() const { return requests_.load(); }

 private:
  void WatchIdle();

  ServerOptions options_;
  std::unique_ptr<httplib::Server> server_;
  std::atomic<int> requests_{0};
  std::atomic<int> runState_{0};         // 0 before Run, 1 in it, 2 after it
  std::atomic<int64_t> lastRequest_{0};  // steady-clock milliseconds
  std::mutex mutex_;
  std::condition_variable stopping_;
  bool stopped_ = false;
};

// The local date of now.
CivilDate LocalToday();

}  // namespace kovalo::sites
