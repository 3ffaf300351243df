// Starting the bundled puzzle sites on demand. When a site's address is a
// loopback address on which nothing listens, the program starts its own
// kovalo-sites there before fetching: detached, so that it outlives the
// program, and ending by itself after a while without requests. Addresses
// of other hosts are left alone: nothing is started and nothing is sent.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace kovalo {

// Where a loopback site address is served: the host to listen on and the
// port.
struct LoopbackService {
  std::string bindHost;  // "127.0.0.1", "127.0.0.2", "::1"; "localhost" listens on 127.0.0.1
  int port = 0;
  bool operator==(const LoopbackService&) const = default;
};

// The loopback host and port of an address such as
// "http://127.0.0.1:8642/main/DailySudoku.asp?day=...", or nothing when it
// is not plain http, names another host, or carries no valid port.
std::optional<LoopbackService> LoopbackServiceOf(std::string_view address);

// Whether something accepts connections there.
bool ServiceAnswers(const LoopbackService& service);

// kovalo-sites next to the running program, else the first on PATH; empty
// when there is none.
std::string FindSitesProgram();

enum class SiteServiceStart {
  NotLoopback,  // another host: nothing done
  Running,      // something already listens there
  Started,      // started, and it answers
  NotFound,     // no kovalo-sites to start, or it could not be started
  NoAnswer,     // started, but it did not answer in time
};

struct SiteServiceOptions {
  std::string program;  // empty: FindSitesProgram()
  int idleExitSeconds = 900;
  std::chrono::milliseconds answerWait{3000};
};

// Makes sure that the site of address answers when it is a loopback one.
// The check and the start run under a lock file in the user's run-time
// folder, so that two copies of the program starting at once end with one
// service; without that folder, a second service simply fails to listen on
// the port that the first holds, and ends.
SiteServiceStart EnsureSiteService(const std::string& address,
                                   const SiteServiceOptions& options = {});

}  // namespace kovalo
