// The listening socket of kovalo-sites: one bound here to an address and a
// port, or one handed over by whoever started the service (systemd's socket
// activation, or the kovalo program doing the same), and whether other
// machines can reach it.
#pragma once

#include <string>

namespace kovalo::sites {

enum class ListenError {
  None,
  NoSuchName,  // the host name does not resolve
  InUse,       // something else listens on that port
  Other,       // see systemError
};

struct ListenResult {
  int fd = -1;  // listening, non-blocking, closed on exec; -1 on failure
  int port = 0;
  ListenError error = ListenError::None;
  int systemError = 0;    // errno, or getaddrinfo's code for NoSuchName
  std::string boundHost;  // the numeric address listened on
};

// The backlog of every listening socket: the system's limit, and never less
// than SOMAXCONN, so that a burst of new connections waits in the kernel's
// queue instead of being refused.
int ListenBacklog();

// Resolves host (a numeric address or a name) and listens on the first
// address that it gives, at port (0: a free port of the system's choosing).
// Only SO_REUSEADDR is set, never SO_REUSEPORT: a second listener on the
// same port fails with InUse.
ListenResult ListenOn(const std::string& host, int port);

struct PassedSocket {
  bool passed = false;  // LISTEN_FDS and LISTEN_PID named this process
  int fd = -1;          // the socket, ready to accept; -1 when not usable
  std::string problem;  // why a passed socket is not used
};

// Takes the socket passed as descriptor 3 with LISTEN_FDS=1 and LISTEN_PID
// set to this process's id, as systemd's socket activation passes it. The
// variables are removed either way so that no child sees them. The socket
// gets the backlog of ListenBacklog().
PassedSocket TakePassedSocket();

// Whether a listening socket's address is a loopback one (127.0.0.0/8,
// ::1, or an IPv4 loopback address mapped into IPv6).
bool ListensOnLoopbackOnly(int fd);

// Whether a numeric address is a loopback one; false for anything else.
bool IsLoopbackText(const std::string& numericHost);

// The numeric address a socket listens on, "" when it cannot be told.
std::string ListeningAddress(int fd);

// The warning for a service that listens beyond this machine.
std::string ExposureWarning(const std::string& address);

}  // namespace kovalo::sites
