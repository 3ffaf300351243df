// Listening sockets of kovalo-sites: bound here, or handed over as fd 3.
#include "listen_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>

namespace kovalo::sites {

namespace {

constexpr int kPassedFd = 3;  // SD_LISTEN_FDS_START

std::string NumericHost(const sockaddr* address, socklen_t length) {
  char host[NI_MAXHOST] = "";
  if (getnameinfo(address, length, host, sizeof host, nullptr, 0, NI_NUMERICHOST) != 0) return {};
  return host;
}

bool MakeNonBlocking(int fd) {
  const int flags = fcntl(fd, F_GETFL);
  return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0 &&
         fcntl(fd, F_SETFD, FD_CLOEXEC) == 0;
}

// Options that the accepted connections inherit. TCP_NODELAY sends the body
// that follows the headers at once instead of after the client's delayed
// ACK. A small receive buffer suits requests of a few hundred bytes and
// keeps a client that pushes megabytes of request from having the kernel
// take them in for a service that reads no more than a connection's memory.
void SetConnectionOptions(int fd) {
  int yes = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
  int receiveBuffer = 64 * 1024;
  setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
}

bool ParsePositive(const char* text, long& value) {
  if (text == nullptr || *text == '\0') return false;
  char* end = nullptr;
  errno = 0;
  value = std::strtol(text, &end, 10);
  return errno == 0 && *end == '\0' && value > 0;
}

}  // namespace

int ListenBacklog() {
  int backlog = SOMAXCONN;
  std::ifstream in("/proc/sys/net/core/somaxconn");
  int system = 0;
  if (in >> system) backlog = std::max(backlog, system);
  return backlog;
}

ListenResult ListenOn(const std::string& host, int port) {
  ListenResult result;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  const int code = getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
  if (code != 0 || found == nullptr) {
    result.error = code == EAI_SYSTEM ? ListenError::Other : ListenError::NoSuchName;
    result.systemError = code == EAI_SYSTEM ? errno : code;
    return result;
  }
  const addrinfo& first = *found;
  result.boundHost = NumericHost(first.ai_addr, first.ai_addrlen);
  const int fd = socket(first.ai_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) {
    result.error = ListenError::Other;
    result.systemError = errno;
    freeaddrinfo(found);
    return result;
  }
  int yes = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  if (first.ai_family == AF_INET6) setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &yes, sizeof yes);
  SetConnectionOptions(fd);
  // With SO_REUSEADDR two sockets may both bind the port; the second listen
  // then fails with EADDRINUSE, so either step can find the port taken.
  const bool listening =
      bind(fd, first.ai_addr, first.ai_addrlen) == 0 && listen(fd, ListenBacklog()) == 0;
  freeaddrinfo(found);
  if (!listening) {
    result.systemError = errno;
    result.error = errno == EADDRINUSE ? ListenError::InUse : ListenError::Other;
    close(fd);
    return result;
  }
  sockaddr_storage bound{};
  socklen_t length = sizeof bound;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length) == 0)
    result.port =
        ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                                          : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
  result.fd = fd;
  return result;
}

PassedSocket TakePassedSocket() {
  // Read once at start-up, before any thread of the service runs.
  const char* pidText = std::getenv("LISTEN_PID");  // NOLINT(concurrency-mt-unsafe)
  const char* fdsText = std::getenv("LISTEN_FDS");  // NOLINT(concurrency-mt-unsafe)
  long pid = 0, fds = 0;
  const bool named = ParsePositive(pidText, pid) && ParsePositive(fdsText, fds) && pid == getpid();
  unsetenv("LISTEN_PID");      // NOLINT(concurrency-mt-unsafe)
  unsetenv("LISTEN_FDS");      // NOLINT(concurrency-mt-unsafe)
  unsetenv("LISTEN_FDNAMES");  // NOLINT(concurrency-mt-unsafe)
  PassedSocket passed;
  if (!named) return passed;
  passed.passed = true;
  if (fds != 1) {
    passed.problem = "expected one passed socket, got " + std::to_string(fds);
    return passed;
  }
  struct stat info {};
  int accepting = 0, type = 0;
  socklen_t size = sizeof accepting;
  socklen_t typeSize = sizeof type;
  if (fstat(kPassedFd, &info) != 0 || !S_ISSOCK(info.st_mode) ||
      getsockopt(kPassedFd, SOL_SOCKET, SO_ACCEPTCONN, &accepting, &size) != 0 || accepting == 0 ||
      getsockopt(kPassedFd, SOL_SOCKET, SO_TYPE, &type, &typeSize) != 0 || type != SOCK_STREAM) {
    passed.problem = "descriptor 3 is not a listening stream socket";
    return passed;
  }
  // Listening again only raises the queue's length to the service's own.
  if (!MakeNonBlocking(kPassedFd) || listen(kPassedFd, ListenBacklog()) != 0) {
    passed.problem = "descriptor 3 cannot be used";
    return passed;
  }
  SetConnectionOptions(kPassedFd);
  passed.fd = kPassedFd;
  return passed;
}

bool ListensOnLoopbackOnly(int fd) {
  sockaddr_storage bound{};
  socklen_t length = sizeof bound;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length) != 0) return false;
  if (bound.ss_family == AF_UNIX) return true;
  return IsLoopbackText(NumericHost(reinterpret_cast<sockaddr*>(&bound), length));
}

bool IsLoopbackText(const std::string& numericHost) {
  in_addr ip4{};
  in6_addr ip6{};
  if (inet_pton(AF_INET, numericHost.c_str(), &ip4) == 1) return (ntohl(ip4.s_addr) >> 24) == 127;
  if (inet_pton(AF_INET6, numericHost.c_str(), &ip6) == 1)
    return IN6_IS_ADDR_LOOPBACK(&ip6) || (IN6_IS_ADDR_V4MAPPED(&ip6) && ip6.s6_addr[12] == 127);
  return false;
}

std::string ListeningAddress(int fd) {
  sockaddr_storage bound{};
  socklen_t length = sizeof bound;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length) != 0) return {};
  return NumericHost(reinterpret_cast<sockaddr*>(&bound), length);
}

std::string ExposureWarning(const std::string& address) {
  return "kovalo-sites: warning: " + address +
         " is not a loopback address: anyone who can reach it can use the service\n";
}

}  // namespace kovalo::sites
