// Starting the bundled puzzle sites on demand. When a site's address is a
// loopback address, the program binds that port itself: the bind is the
// lock, and a port that is taken means something already serves there.
// Otherwise it hands the listening socket to a new kovalo-sites as
// descriptor 3 (LISTEN_FDS=1, LISTEN_PID, as systemd's socket activation
// does), detached so that it outlives the program and ending by itself
// after a while without requests. The kernel queues the first connections
// until the service accepts them, so the fetch can follow at once. Addresses
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

// kovalo-sites next to the running program, else the first in an absolute
// folder of PATH (relative and empty entries are skipped, so that the
// current folder never decides); empty when there is none.
std::string FindSitesProgram();

enum class SiteServiceStart {
  NotLoopback,  // another host: nothing done
  Running,      // the port is taken: something already listens there
  Started,      // started on the program's socket, and it answers
  NotFound,     // no kovalo-sites to start, or it could not be started
  NoAnswer,     // started, but it did not take its socket or answer in time
  GivenUp,      // that program gave no answer earlier in this run: not started again
};

struct SiteServiceOptions {
  std::string program;  // empty: FindSitesProgram()
  int idleExitSeconds = 900;
  // How long the first answer of a service just started may take.
  std::chrono::milliseconds answerWait{3000};
};

// Makes sure that the site of address is served when it is a loopback one.
// Two copies of the program starting at once end with one service, as only
// one of them can listen on the port. A service that is started is asked
// once for its first page, which the kernel holds until it accepts; a
// program that gives no answer is not started again in this run.
SiteServiceStart EnsureSiteService(const std::string& address,
                                   const SiteServiceOptions& options = {});

}  // namespace kovalo
