#include "sites_server.h"

#include <httplib.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <ctime>
#include <thread>

namespace kovalo::sites {

namespace {

int64_t SteadyMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Silent or slow clients each hold a worker until their read time-out; a
// pool of this size keeps answering others meanwhile.
constexpr size_t kWorkers = 32;
constexpr size_t kMaxBody = size_t{16} * 1024;

}  // namespace

CivilDate LocalToday() {
  const std::time_t now = std::time(nullptr);
  struct tm fields {};
  if (localtime_r(&now, &fields) == nullptr) return CivilDate{1970, 1, 1};
  return CivilDate{fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday};
}

SitesServer::SitesServer(ServerOptions options)
    : options_(std::move(options)), server_(std::make_unique<httplib::Server>()) {
  if (!options_.today) options_.today = LocalToday;
  // Only SO_REUSEADDR: the library's default also sets SO_REUSEPORT, which
  // would let a second copy listen on the same port beside the first.
  // TCP_NODELAY, inherited by the accepted connections, sends the body that
  // follows the headers at once instead of after the client's delayed ACK.
  server_->set_socket_options([](socket_t sock) {
    int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
  });
  server_->new_task_queue = [] { return new httplib::ThreadPool(kWorkers); };
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(options_.readTimeout);
  const auto micros =
      std::chrono::duration_cast<std::chrono::microseconds>(options_.readTimeout - seconds);
  server_->set_read_timeout(seconds.count(), micros.count());
  server_->set_write_timeout(seconds.count(), micros.count());
  server_->set_keep_alive_timeout(std::max<time_t>(1, seconds.count()));
  server_->set_keep_alive_max_count(100);
  server_->set_payload_max_length(kMaxBody);
  lastRequest_ = SteadyMilliseconds();

  server_->Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
    ++requests_;
    lastRequest_ = SteadyMilliseconds();
    const SiteResponse answer =
        AnswerRequest(request.target, options_.today(), request.get_header_value("If-None-Match"));
    response.status = answer.status;
    if (!answer.etag.empty()) response.set_header("ETag", answer.etag);
    if (!answer.cacheControl.empty())
      response.set_header("Cache-Control", answer.cacheControl);
    else
      response.set_header("Cache-Control", "no-store");
    if (answer.status != 304) response.set_content(answer.body, answer.contentType.c_str());
  });
}

SitesServer::~SitesServer() { Stop(); }

int SitesServer::Bind(const std::string& host, int port) {
  if (port == 0) return server_->bind_to_any_port(host.c_str());
  return server_->bind_to_port(host.c_str(), port) ? port : -1;
}

bool SitesServer::Run() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopped_) return false;  // stopped before it ran
    runState_ = 1;
  }
  lastRequest_ = SteadyMilliseconds();
  std::thread watcher;
  if (options_.idleExit.count() > 0) watcher = std::thread([this] { WatchIdle(); });
  const bool ran = server_->listen_after_bind();
  runState_ = 2;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopped_ = true;
  }
  stopping_.notify_all();
  if (watcher.joinable()) watcher.join();
  return ran;
}

void SitesServer::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopped_ = true;
    if (runState_.load() == 0) return;  // Run will not start now
  }
  stopping_.notify_all();
  // The library only stops a loop that has begun; one that Run is about to
  // enter is waited for.
  while (runState_.load() == 1 && !server_->is_running()) std::this_thread::yield();
  server_->stop();
}

void SitesServer::WatchIdle() {
  std::unique_lock<std::mutex> lock(mutex_);
  const int64_t idle = options_.idleExit.count();
  for (;;) {
    const int64_t due = lastRequest_.load() + idle;
    const int64_t now = SteadyMilliseconds();
    if (now >= due) break;
    if (stopping_.wait_for(lock, std::chrono::milliseconds(due - now), [this] { return stopped_; }))
      return;
  }
  lock.unlock();
  server_->stop();
}

}  // namespace kovalo::sites
