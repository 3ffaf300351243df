// Servers on 127.0.0.1 for the download tests: a well-behaved HTTP server
// (cpp-httplib) and a raw socket server that runs a script per connection,
// for answers no proper server would give.
#pragma once

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace kovalo::testing {

class LoopbackServer {
 public:
  // By default every connection serves one request, so that a stopping
  // server never waits for a connection the engine keeps open.
  enum ConnectionUse { kOneRequest, kKeepAlive };
  explicit LoopbackServer(ConnectionUse use = kOneRequest);
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  // Register handlers here before Start().
  httplib::Server& server() { return server_; }
  void Start();

  int port() const { return port_; }
  std::string Url(const std::string& path) const;

 private:
  httplib::Server server_;
  std::thread thread_;
  int port_ = -1;
};

class RawServer;

// One accepted connection, as a script sees it.
class RawConnection {
 public:
  RawConnection(RawServer& server, int fd) : server_(server), fd_(fd) {}
  // Reads up to the end of the request head; false when the peer went away.
  bool ReadRequest();
  const std::string& request() const { return request_; }
  // Returns the bytes sent: fewer than given when the peer went away.
  std::size_t Send(std::string_view bytes);
  // Blocks until the test releases the server's scripts or ends.
  void WaitForRelease();
  // Waits for pause; false when the server was released or ended first.
  bool Pause(std::chrono::milliseconds pause);
  // Sends bytes one at a time, each after pause, until the peer goes away
  // or the server is released or ends. Returns the bytes sent.
  std::size_t Trickle(std::string_view bytes, std::chrono::milliseconds pause);

 private:
  RawServer& server_;
  int fd_;
  std::string request_;
};

class RawServer {
 public:
  using Script = std::function<void(RawConnection&)>;
  explicit RawServer(Script script);
  ~RawServer();
  RawServer(const RawServer&) = delete;
  RawServer& operator=(const RawServer&) = delete;

  std::string Url(const std::string& path) const;
  int connections() const { return connections_.load(); }
  // Lets every script waiting in WaitForRelease go on.
  void Release();

 private:
  friend class RawConnection;
  void AcceptLoop();

  Script script_;
  int listenFd_ = -1;
  int port_ = -1;
  std::atomic<bool> stopping_{false};
  std::atomic<int> connections_{0};
  std::mutex mutex_;
  std::condition_variable released_;
  bool isReleased_ = false;
  std::vector<int> openFds_;
  std::vector<std::thread> workers_;
  std::thread acceptor_;
};

// A port on 127.0.0.1 that nothing listens on.
int UnusedPort();

// Bytes 0..n-1 of a page of binary content (zero bytes included).
std::string PageBytes(std::size_t n);

}  // namespace kovalo::testing
