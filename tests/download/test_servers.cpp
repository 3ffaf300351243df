// Loopback servers for the download tests.
#include "test_servers.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>

namespace kovalo::testing {

namespace {

int ListenOnLoopback(int& port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error("socket");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 64) != 0) {
    close(fd);
    throw std::runtime_error("bind/listen");
  }
  socklen_t size = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
  port = ntohs(address.sin_port);
  return fd;
}

}  // namespace

LoopbackServer::LoopbackServer(ConnectionUse use) {
  // Enough workers that connections kept alive never hold up a new one.
  server_.new_task_queue = [] { return new httplib::ThreadPool(32); };
  if (use == kOneRequest) server_.set_keep_alive_max_count(1);
}

void LoopbackServer::Start() {
  port_ = server_.bind_to_any_port("127.0.0.1");
  if (port_ <= 0) throw std::runtime_error("cannot bind the loopback server");
  thread_ = std::thread([this] { server_.listen_after_bind(); });
  // stop() is only heard once the server runs.
  while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

LoopbackServer::~LoopbackServer() {
  if (thread_.joinable()) {
    server_.stop();
    thread_.join();
  }
}

std::string LoopbackServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

bool RawConnection::ReadRequest() {
  char buffer[4096];
  while (request_.find("\r\n\r\n") == std::string::npos) {
    ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
    if (n <= 0) return false;
    request_.append(buffer, static_cast<std::size_t>(n));
  }
  return true;
}

std::size_t RawConnection::Send(std::string_view bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    ssize_t n = send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) break;
    sent += static_cast<std::size_t>(n);
  }
  return sent;
}

void RawConnection::WaitForRelease() {
  std::unique_lock lock(server_.mutex_);
  server_.released_.wait(lock, [this] { return server_.isReleased_; });
}

bool RawConnection::Pause(std::chrono::milliseconds pause) {
  std::unique_lock lock(server_.mutex_);
  return !server_.released_.wait_for(lock, pause, [this] { return server_.isReleased_; });
}

std::size_t RawConnection::Trickle(std::string_view bytes, std::chrono::milliseconds pause) {
  std::size_t sent = 0;
  while (sent < bytes.size() && Pause(pause) && Send(bytes.substr(sent, 1)) == 1) ++sent;
  return sent;
}

RawServer::RawServer(Script script) : script_(std::move(script)) {
  listenFd_ = ListenOnLoopback(port_);
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

RawServer::~RawServer() {
  stopping_.store(true);
  Release();
  shutdown(listenFd_, SHUT_RDWR);  // wakes accept()
  acceptor_.join();
  std::vector<std::thread> workers;
  {
    std::lock_guard lock(mutex_);
    workers.swap(workers_);
    for (int fd : openFds_) shutdown(fd, SHUT_RDWR);  // wakes a script in recv()
  }
  for (std::thread& worker : workers) worker.join();
  close(listenFd_);
}

void RawServer::Release() {
  {
    std::lock_guard lock(mutex_);
    isReleased_ = true;
  }
  released_.notify_all();
}

void RawServer::AcceptLoop() {
  for (;;) {
    int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
      if (stopping_.load()) return;
      continue;
    }
    if (stopping_.load()) {
      close(fd);
      return;
    }
    connections_.fetch_add(1);
    std::lock_guard lock(mutex_);
    openFds_.push_back(fd);
    workers_.emplace_back([this, fd] {
      RawConnection connection(*this, fd);
      script_(connection);
      std::lock_guard lock(mutex_);
      std::erase(openFds_, fd);
      shutdown(fd, SHUT_RDWR);
      close(fd);
    });
  }
}

std::string RawServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

int UnusedPort() {
  int port = 0;
  int fd = ListenOnLoopback(port);
  close(fd);
  return port;
}

std::string PageBytes(std::size_t n) {
  std::string page(n, '\0');
  for (std::size_t i = 0; i < n; ++i) page[i] = static_cast<char>((i * 7 + i / 251) % 256);
  return page;
}

}  // namespace kovalo::testing
