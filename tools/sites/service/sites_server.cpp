// The sites service on GNU libmicrohttpd. The daemon's threads answer
// requests; the thread in Run only waits for the end (Stop, or the idle
// time) and then stops the daemon.
#include "sites_server.h"

#include <microhttpd.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <memory>
#include <string_view>
#include <thread>

#include "answer_cache.h"
#include "listen_socket.h"

namespace kovalo::sites {

namespace {

int64_t SteadyMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Descriptors kept back from the connection limit for the listening
// socket, the daemon's own epoll and event descriptors and the standard
// streams.
constexpr unsigned kSpareDescriptors = 64;

// The connection limit that the descriptors of this process allow.
unsigned DescriptorBudget() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return 4096;
  return limit.rlim_cur > rlim_t{2} * kSpareDescriptors
             ? static_cast<unsigned>(std::min<rlim_t>(limit.rlim_cur - kSpareDescriptors, 65536))
             : kSpareDescriptors;
}

// Worker threads, twice the cores and 4 to 8, each with an epoll set of
// its own. Most pages take a fraction of a millisecond to build, but a hard
// puzzle can take ten; that holds up only the connections of one thread.
unsigned WorkerThreads() { return std::clamp(2 * std::thread::hardware_concurrency(), 4u, 8u); }

// What the daemon keeps per connection: the request target exactly as it
// arrived (the daemon's own copy of the path is already decoded, and the
// query is split into fields).
struct ConnectionState {
  std::string target;
  bool headersSeen = false;  // the daemon has called once for this request
};

// Whether the request says that a body follows its headers.
bool AnnouncesBody(MHD_Connection* connection) {
  const char* length =
      MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_LENGTH);
  if (length != nullptr && std::string_view(length) != "0") return true;
  return MHD_lookup_connection_value(connection, MHD_HEADER_KIND,
                                     MHD_HTTP_HEADER_TRANSFER_ENCODING) != nullptr;
}

}  // namespace

struct SitesServer::Callbacks {
  static void Connection(void* /*cls*/, MHD_Connection* /*connection*/, void** socketContext,
                         MHD_ConnectionNotificationCode code) {
    if (code == MHD_CONNECTION_NOTIFY_STARTED) {
      *socketContext = new ConnectionState();
    } else {
      delete static_cast<ConnectionState*>(*socketContext);
      *socketContext = nullptr;
    }
  }

  // Called as soon as the request line is read, with the target undecoded.
  static void* Target(void* /*cls*/, const char* uri, MHD_Connection* connection) {
    const MHD_ConnectionInfo* info =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
    auto* state = info != nullptr ? static_cast<ConnectionState*>(info->socket_context) : nullptr;
    if (state != nullptr) {
      state->target = uri != nullptr ? uri : "";
      state->headersSeen = false;
    }
    return state;
  }

  static MHD_Result Answer(void* cls, MHD_Connection* connection, const char* /*url*/,
                           const char* method, const char* /*version*/, const char* /*uploadData*/,
                           size_t* uploadDataSize, void** requestContext) {
    auto& server = *static_cast<SitesServer*>(cls);
    auto* state = static_cast<ConnectionState*>(*requestContext);
    const std::string_view verb = method != nullptr ? method : "";
    const bool page = verb == MHD_HTTP_METHOD_GET || verb == MHD_HTTP_METHOD_HEAD;
    // The first call comes with the headers. An answer given then makes the
    // daemon close the connection after it, which suits a request whose body
    // nobody wants; any other is answered in the call after the (empty)
    // body, so that the connection is kept alive and pipelined requests
    // behind it are read.
    if (state != nullptr && !state->headersSeen) {
      state->headersSeen = true;
      if (page && !AnnouncesBody(connection)) return MHD_YES;
    } else if (*uploadDataSize != 0) {
      *uploadDataSize = 0;  // not expected: no body was announced
      return MHD_YES;
    }
    ++server.requests_;
    server.lastRequest_ = SteadyMilliseconds();
    SiteResponse answer;
    if (state == nullptr) {
      answer.status = 500;
    } else if (page) {
      answer = server.Answer(state->target);
      const char* match =
          MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_IF_NONE_MATCH);
      if (answer.status == 200 && match != nullptr && EtagMatches(match, answer.etag)) {
        answer.status = 304;
        answer.body.clear();
      }
    } else {
      answer.status = 404;  // no page takes a body
    }
    MHD_Response* response = MHD_create_response_from_buffer(answer.body.size(), answer.body.data(),
                                                             MHD_RESPMEM_MUST_COPY);
    if (response == nullptr) return MHD_NO;
    if (!answer.contentType.empty() && answer.status != 304)
      MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, answer.contentType.c_str());
    if (!answer.etag.empty())
      MHD_add_response_header(response, MHD_HTTP_HEADER_ETAG, answer.etag.c_str());
    MHD_add_response_header(response, MHD_HTTP_HEADER_CACHE_CONTROL,
                            answer.cacheControl.empty() ? "no-store" : answer.cacheControl.c_str());
    const MHD_Result queued =
        MHD_queue_response(connection, static_cast<unsigned>(answer.status), response);
    MHD_destroy_response(response);
    return queued;
  }
};

CivilDate LocalToday() {
  const std::time_t now = std::time(nullptr);
  struct tm fields {};
  if (localtime_r(&now, &fields) == nullptr) return CivilDate{1970, 1, 1};
  return CivilDate{fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday};
}

SitesServer::SitesServer(ServerOptions options)
    : options_(std::move(options)), cache_(std::make_unique<AnswerCache>(options_.cachedPages)) {
  if (!options_.today) options_.today = LocalToday;
  lastRequest_ = SteadyMilliseconds();
}

SitesServer::~SitesServer() {
  Stop();
  if (listenFd_ >= 0) close(listenFd_);
}

SiteResponse SitesServer::Answer(const std::string& target) {
  const CivilDate today = options_.today();
  if (const auto kept = cache_->Find(target, today)) return *kept;
  SiteResponse answer = AnswerRequest(target, today);
  // Error answers cost nothing to build and are not worth a place.
  if (answer.status == 200) cache_->Keep(target, today, std::make_shared<SiteResponse>(answer));
  return answer;
}

int SitesServer::Bind(const std::string& host, int port) {
  const ListenResult listening = ListenOn(host, port);
  if (listening.fd < 0) return -1;
  Adopt(listening.fd);
  return listening.port;
}

void SitesServer::Adopt(int listeningFd) {
  if (listenFd_ >= 0) close(listenFd_);
  listenFd_ = listeningFd;
}

bool SitesServer::Run() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopped_ || listenFd_ < 0) return false;  // stopped before it ran, or nothing to serve
  }
  const unsigned threads = WorkerThreads();
  const unsigned total =
      options_.connectionLimit > 0 ? options_.connectionLimit : DescriptorBudget();
  // One address may take most of the places, as every client of a service on
  // loopback shares 127.0.0.1, but never all of them.
  const unsigned perAddress = options_.perAddressLimit > 0
                                  ? options_.perAddressLimit
                                  : std::max(1u, total - std::min(total / 4, 256u));
  const auto timeout =
      static_cast<unsigned>(std::max<int64_t>(1, (options_.readTimeout.count() + 999) / 1000));
  MHD_Daemon* daemon =
      MHD_start_daemon(MHD_USE_EPOLL_INTERNAL_THREAD | MHD_USE_TURBO, 0, nullptr, nullptr,
                       &Callbacks::Answer, this, MHD_OPTION_LISTEN_SOCKET,
                       static_cast<MHD_socket>(listenFd_),                                      //
                       MHD_OPTION_LISTEN_BACKLOG_SIZE, static_cast<unsigned>(ListenBacklog()),  //
                       MHD_OPTION_THREAD_POOL_SIZE, threads,                                    //
                       MHD_OPTION_CONNECTION_LIMIT, std::max(total, threads),                   //
                       MHD_OPTION_PER_IP_CONNECTION_LIMIT, perAddress,                          //
                       MHD_OPTION_CONNECTION_MEMORY_LIMIT, options_.connectionMemory,           //
                       MHD_OPTION_CONNECTION_TIMEOUT, timeout,                                  //
                       MHD_OPTION_NOTIFY_CONNECTION, &Callbacks::Connection, nullptr,           //
                       MHD_OPTION_URI_LOG_CALLBACK, &Callbacks::Target, nullptr,                //
                       MHD_OPTION_END);
  if (daemon == nullptr) return false;
  listenFd_ = -1;  // the daemon closes it when it stops

  {
    std::unique_lock<std::mutex> lock(mutex_);
    lastRequest_ = SteadyMilliseconds();
    const int64_t idle = options_.idleExit.count();
    while (!stopped_) {
      if (idle <= 0) {
        stopping_.wait(lock);
        continue;
      }
      const int64_t due = lastRequest_.load() + idle;
      const int64_t now = SteadyMilliseconds();
      if (now >= due) break;
      stopping_.wait_for(lock, std::chrono::milliseconds(due - now));
    }
    stopped_ = true;
  }
  MHD_stop_daemon(daemon);
  return true;
}

void SitesServer::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopped_ = true;
  }
  stopping_.notify_all();
}

}  // namespace kovalo::sites
