#include "sources/site_service.h"
#include "text/ascii_case.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <vector>

namespace kovalo {

namespace {

constexpr const char* kProgramName = "kovalo-sites";
constexpr int kPassedFd = 3;  // where socket activation puts the first socket

std::optional<int> PortOf(std::string_view text) {
  if (text.empty()) return 80;
  if (text.size() > 5) return std::nullopt;
  int port = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    port = port * 10 + (c - '0');
  }
  if (port < 1 || port > 65535) return std::nullopt;
  return port;
}

bool IsExecutableFile(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

// The socket address of a loopback service; false for a host that is not a
// numeric address.
bool AddressOf(const LoopbackService& service, sockaddr_storage& storage, socklen_t& length) {
  storage = {};
  if (service.bindHost.find(':') != std::string::npos) {
    auto* address = reinterpret_cast<sockaddr_in6*>(&storage);
    address->sin6_family = AF_INET6;
    address->sin6_port = htons(static_cast<uint16_t>(service.port));
    length = sizeof *address;
    return inet_pton(AF_INET6, service.bindHost.c_str(), &address->sin6_addr) == 1;
  }
  auto* address = reinterpret_cast<sockaddr_in*>(&storage);
  address->sin_family = AF_INET;
  address->sin_port = htons(static_cast<uint16_t>(service.port));
  length = sizeof *address;
  return inet_pton(AF_INET, service.bindHost.c_str(), &address->sin_addr) == 1;
}

struct Listening {
  int fd = -1;
  bool taken = false;  // the port is in use
};

// Binds and listens on the service's port. SO_REUSEADDR lets the port be
// bound again while connections of an ended service linger in TIME_WAIT;
// two sockets may then both bind, but only one can listen, and the other's
// listen fails with EADDRINUSE.
Listening ListenOnPort(const LoopbackService& service) {
  Listening result;
  sockaddr_storage storage{};
  socklen_t length = 0;
  if (!AddressOf(service, storage, length)) return result;
  const int fd = socket(storage.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return result;
  int yes = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  if (storage.ss_family == AF_INET6) setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &yes, sizeof yes);
  if (bind(fd, reinterpret_cast<sockaddr*>(&storage), length) != 0 || listen(fd, SOMAXCONN) != 0) {
    result.taken = errno == EADDRINUSE;
    close(fd);
    return result;
  }
  result.fd = fd;
  return result;
}

// Writes the decimal digits of value into text, which has room for them,
// and ends it. Safe between fork and exec, where nothing may allocate.
void FormatPid(pid_t value, char* text) {
  char digits[24];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value > 0 && n < 23);
  while (n > 0) *text++ = digits[--n];
  *text = '\0';
}

// Starts program with args as a process of its own, with the listening
// socket as descriptor 3 and LISTEN_FDS=1 and LISTEN_PID set to its id: in
// a session of its own, with no terminal, standard streams on /dev/null and
// no other open files, so that it lives on when the program ends.
// Everything the child needs is prepared before the fork; between fork and
// exec it only makes calls that are safe in a copy of a threaded process.
bool StartWithSocket(const std::string& program, const std::vector<std::string>& args, int socket) {
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  // The environment without any socket-activation variables of the
  // program's own, and with the service's.
  static constexpr std::string_view kPidName = "LISTEN_PID=";
  char listenFds[] = "LISTEN_FDS=1";
  char listenPid[kPidName.size() + 24] = {};
  std::memcpy(listenPid, kPidName.data(), kPidName.size());
  std::vector<char*> envp;
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    const std::string_view text = *entry;
    if (text.starts_with("LISTEN_PID=") || text.starts_with("LISTEN_FDS=") ||
        text.starts_with("LISTEN_FDNAMES="))
      continue;
    envp.push_back(*entry);
  }
  envp.push_back(listenFds);
  envp.push_back(listenPid);
  envp.push_back(nullptr);
  sigset_t none;
  sigemptyset(&none);

  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    setsid();
    const pid_t grandchild = fork();
    if (grandchild != 0) _exit(grandchild < 0 ? 1 : 0);
    // The socket goes to descriptor 3 first, in case it is one of the
    // standard ones. dup2 leaves the copy open across exec; a socket that is
    // descriptor 3 already only loses its close-on-exec flag.
    if (socket == kPassedFd ? fcntl(kPassedFd, F_SETFD, 0) != 0 : dup2(socket, kPassedFd) < 0)
      _exit(126);
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
      dup2(null, STDIN_FILENO);
      dup2(null, STDOUT_FILENO);
      dup2(null, STDERR_FILENO);
    }
    close_range(kPassedFd + 1, UINT_MAX, 0);
    FormatPid(getpid(), listenPid + kPidName.size());
    pthread_sigmask(SIG_SETMASK, &none, nullptr);
    signal(SIGPIPE, SIG_DFL);
    if (chdir("/") != 0) _exit(126);  // so that no folder is kept busy
    execve(program.c_str(), argv.data(), envp.data());
    _exit(127);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0)
    if (errno != EINTR) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Asks the service for the head of its index page and waits, at most wait,
// for the first bytes of an answer. The connection is queued by the kernel
// until the service accepts it; when the last copy of the listening socket
// is closed first (the program ended without taking it), the queued
// connection is reset and the wait ends at once.
bool FirstAnswerWithin(const LoopbackService& service, std::chrono::milliseconds wait) {
  sockaddr_storage storage{};
  socklen_t length = 0;
  if (!AddressOf(service, storage, length)) return false;
  const int fd = socket(storage.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  timeval limit{};
  limit.tv_sec = static_cast<time_t>(wait.count() / 1000);
  limit.tv_usec = static_cast<suseconds_t>((wait.count() % 1000) * 1000);
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  const std::string host = service.bindHost.find(':') != std::string::npos
                               ? "[" + service.bindHost + "]"
                               : service.bindHost;
  const std::string request = "HEAD / HTTP/1.1\r\nHost: " + host + "\r\nConnection: close\r\n\r\n";
  bool answered = false;
  if (connect(fd, reinterpret_cast<sockaddr*>(&storage), length) == 0 &&
      send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
          static_cast<ssize_t>(request.size())) {
    char head[5];
    const ssize_t n = recv(fd, head, sizeof head, MSG_WAITALL);
    answered = n == static_cast<ssize_t>(sizeof head) && std::memcmp(head, "HTTP/", 5) == 0;
  }
  close(fd);
  return answered;
}

// The programs that were started in this run and gave no answer.
std::mutex givenUpMutex;
std::set<std::string>& GivenUpPrograms() {
  static std::set<std::string> programs;
  return programs;
}

}  // namespace

std::optional<LoopbackService> LoopbackServiceOf(std::string_view address) {
  constexpr std::string_view kScheme = "http://";
  if (address.size() < kScheme.size() ||
      !EqualsIgnoringAsciiCase(address.substr(0, kScheme.size()), kScheme))
    return std::nullopt;
  address.remove_prefix(kScheme.size());
  std::string_view authority = address.substr(0, address.find_first_of("/?#"));
  if (const size_t at = authority.rfind('@'); at != std::string_view::npos)
    authority.remove_prefix(at + 1);

  LoopbackService service;
  std::string_view portText;
  if (!authority.empty() && authority[0] == '[') {
    const size_t close = authority.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    const std::string host(authority.substr(1, close - 1));
    in6_addr ip6{};
    if (inet_pton(AF_INET6, host.c_str(), &ip6) != 1 || !IN6_IS_ADDR_LOOPBACK(&ip6))
      return std::nullopt;
    service.bindHost = "::1";
    const std::string_view after = authority.substr(close + 1);
    if (!after.empty() && after[0] != ':') return std::nullopt;
    portText = after.empty() ? after : after.substr(1);
  } else {
    const size_t colon = authority.find(':');
    const std::string host(authority.substr(0, colon));
    portText = colon == std::string_view::npos ? std::string_view() : authority.substr(colon + 1);
    in_addr ip4{};
    if (EqualsIgnoringAsciiCase(host, "localhost")) {
      service.bindHost = "127.0.0.1";
    } else if (inet_pton(AF_INET, host.c_str(), &ip4) == 1 && (ntohl(ip4.s_addr) >> 24) == 127) {
      service.bindHost = host;
    } else {
      return std::nullopt;
    }
  }
  const std::optional<int> port = PortOf(portText);
  if (!port) return std::nullopt;
  service.port = *port;
  return service;
}

std::string FindSitesProgram() {
  char self[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n > 0) {
    std::string folder(self, static_cast<size_t>(n));
    folder.erase(folder.rfind('/') + 1);
    if (IsExecutableFile(folder + kProgramName)) return folder + kProgramName;
  }
  // Nothing in the program changes its environment, so reading it from any thread is safe.
  const char* path = std::getenv("PATH");  // NOLINT(concurrency-mt-unsafe)
  std::string_view rest = path != nullptr ? path : "";
  while (!rest.empty()) {
    const size_t colon = rest.find(':');
    const std::string folder(rest.substr(0, colon));
    rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    // An empty or relative entry would make the current folder decide
    // which program runs.
    if (folder.empty() || folder[0] != '/') continue;
    std::string candidate = folder + "/" + kProgramName;
    if (IsExecutableFile(candidate)) return candidate;
  }
  return {};
}

SiteServiceStart EnsureSiteService(const std::string& address, const SiteServiceOptions& options) {
  const std::optional<LoopbackService> service = LoopbackServiceOf(address);
  if (!service) return SiteServiceStart::NotLoopback;
  const Listening listening = ListenOnPort(*service);
  if (listening.taken) return SiteServiceStart::Running;
  if (listening.fd < 0) return SiteServiceStart::NotFound;
  const std::string program = options.program.empty() ? FindSitesProgram() : options.program;
  bool givenUp = false;
  {
    std::lock_guard<std::mutex> lock(givenUpMutex);
    givenUp = GivenUpPrograms().count(program) != 0;
  }
  bool started = false;
  if (!program.empty() && !givenUp)
    started = StartWithSocket(program,
                              {program, "--bind", service->bindHost, "--port",
                               std::to_string(service->port), "--idle-exit",
                               std::to_string(options.idleExitSeconds)},
                              listening.fd);
  // From here on only the service holds the socket: should it end, the port
  // is free again and queued connections are reset rather than left waiting.
  close(listening.fd);
  if (givenUp) return SiteServiceStart::GivenUp;
  if (!started) return SiteServiceStart::NotFound;
  if (FirstAnswerWithin(*service, options.answerWait)) return SiteServiceStart::Started;
  std::lock_guard<std::mutex> lock(givenUpMutex);
  GivenUpPrograms().insert(program);
  return SiteServiceStart::NoAnswer;
}

}  // namespace kovalo
