// The HTTP side of the bundled puzzle sites: a GNU libmicrohttpd daemon that
// hands every request to AnswerRequest. It is built for hostile clients: a
// few event-driven threads (epoll) instead of one per connection, limits on
// connections in all and per client address, a small memory pool per
// connection that bounds the request line (414) and the headers (431), and
// an idle time-out. Recently built pages are kept for the next to ask. It
// can end by itself after a time without requests.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "site_requests.h"

struct MHD_Daemon;

namespace kovalo::sites {

struct ServerOptions {
  // How long a connection may stay silent (before its request, in the middle
  // of one, or kept alive between two) before it is closed. Counted in
  // whole seconds, rounded up.
  std::chrono::milliseconds readTimeout{5000};
  // Ends Run by itself after this long without a request; zero: never.
  std::chrono::milliseconds idleExit{0};
  // The date of "today" for the addresses that name none; the service's
  // local date by default.
  std::function<CivilDate()> today;
  // Connections held at once, in all and from one client address. Beyond
  // the first, new connections wait in the kernel's queue; beyond the
  // second, they are closed at once. Zero: from the descriptors this process
  // may open.
  unsigned connectionLimit = 0;
  unsigned perAddressLimit = 0;
  // The memory of one connection: its request line and headers must fit in
  // it, with room left for the answer's headers.
  size_t connectionMemory = size_t{64} * 1024;
  // Pages kept after they are built (about 8 KB each); zero: none.
  size_t cachedPages = 512;
};

class AnswerCache;

class SitesServer {
 public:
  explicit SitesServer(ServerOptions options = {});
  ~SitesServer();
  SitesServer(const SitesServer&) = delete;
  SitesServer& operator=(const SitesServer&) = delete;

  // Listens on host and port (0: a free port of the system's choosing).
  // Another listener on the same port makes this fail: the socket is not
  // shared. Returns the port, or -1.
  int Bind(const std::string& host, int port);
  // Serves on a socket that already listens, from ListenOn or handed over
  // by whoever started the service. The server owns it from now on.
  void Adopt(int listeningFd);
  // Serves until Stop, or until the idle time has passed. Returns false when
  // the server could not run.
  bool Run();
  // Ends Run from any thread.
  void Stop();

  int requestCount() const { return requests_.load(); }

  // The daemon's entry points; public only for the callbacks of the C
  // library, which have no other way in.
  struct Callbacks;

 private:
  // The answer to a GET of target, from the cache when it holds one.
  SiteResponse Answer(const std::string& target);

  ServerOptions options_;
  std::unique_ptr<AnswerCache> cache_;
  int listenFd_ = -1;
  std::atomic<int> requests_{0};
  std::atomic<int64_t> lastRequest_{0};  // steady-clock milliseconds
  std::mutex mutex_;
  std::condition_variable stopping_;
  bool stopped_ = false;
};

// The local date of now.
CivilDate LocalToday();

}  // namespace kovalo::sites
