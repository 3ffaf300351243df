#include "sources/site_service.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "download/admission.h"

namespace kovalo {

namespace {

constexpr const char* kProgramName = "kovalo-sites";
constexpr auto kPollStep = std::chrono::milliseconds(20);

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

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

// An exclusive flock, given back when destroyed. Holds nothing when the
// run-time folder cannot be used.
class LockFile {
 public:
  explicit LockFile(const LoopbackService& service) {
    const std::string folder = UsableRuntimeFolder();
    if (folder.empty()) return;
    const std::string path = folder + "/sites-" +
                             PlaceFileStem(service.bindHost + ":" + std::to_string(service.port)) +
                             ".lock";
    fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0) return;
    while (flock(fd_, LOCK_EX) != 0) {
      if (errno != EINTR) {
        close(fd_);
        fd_ = -1;
        return;
      }
    }
  }
  ~LockFile() {
    if (fd_ >= 0) close(fd_);  // closing gives the lock back
  }
  LockFile(const LockFile&) = delete;
  LockFile& operator=(const LockFile&) = delete;

 private:
  int fd_ = -1;
};

// Starts program with args as a process of its own: in a session of its
// own, with no terminal, standard streams on /dev/null and no other open
// files, so that it lives on when the program ends. Everything the child
// needs is prepared before the fork; between fork and exec it only makes
// calls that are safe in a copy of a threaded process.
bool StartDetached(const std::string& program, const std::vector<std::string>& args) {
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  sigset_t none;
  sigemptyset(&none);

  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    setsid();
    const pid_t grandchild = fork();
    if (grandchild != 0) _exit(grandchild < 0 ? 1 : 0);
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
      dup2(null, STDIN_FILENO);
      dup2(null, STDOUT_FILENO);
      dup2(null, STDERR_FILENO);
    }
    close_range(3, UINT_MAX, 0);
    pthread_sigmask(SIG_SETMASK, &none, nullptr);
    signal(SIGPIPE, SIG_DFL);
    if (chdir("/") != 0) _exit(126);  // so that no folder is kept busy
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0)
    if (errno != EINTR) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

std::optional<LoopbackService> LoopbackServiceOf(std::string_view address) {
  constexpr std::string_view kScheme = "http://";
  if (address.size() < kScheme.size() ||
      !EqualsIgnoringCase(address.substr(0, kScheme.size()), kScheme))
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
    if (EqualsIgnoringCase(host, "localhost")) {
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

bool ServiceAnswers(const LoopbackService& service) {
  sockaddr_storage storage{};
  socklen_t length = 0;
  const bool ip6 = service.bindHost.find(':') != std::string::npos;
  if (ip6) {
    auto* address = reinterpret_cast<sockaddr_in6*>(&storage);
    address->sin6_family = AF_INET6;
    address->sin6_port = htons(static_cast<uint16_t>(service.port));
    if (inet_pton(AF_INET6, service.bindHost.c_str(), &address->sin6_addr) != 1) return false;
    length = sizeof *address;
  } else {
    auto* address = reinterpret_cast<sockaddr_in*>(&storage);
    address->sin_family = AF_INET;
    address->sin_port = htons(static_cast<uint16_t>(service.port));
    if (inet_pton(AF_INET, service.bindHost.c_str(), &address->sin_addr) != 1) return false;
    length = sizeof *address;
  }
  const int fd = socket(ip6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return false;
  bool connected = connect(fd, reinterpret_cast<sockaddr*>(&storage), length) == 0;
  if (!connected && errno == EINPROGRESS) {
    pollfd wait{fd, POLLOUT, 0};
    int error = 0;
    socklen_t size = sizeof error;
    connected = poll(&wait, 1, 1000) == 1 &&
                getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
  }
  close(fd);
  return connected;
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
    std::string folder(rest.substr(0, colon));
    rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    if (folder.empty()) folder = ".";
    std::string candidate = folder + "/" + kProgramName;
    if (IsExecutableFile(candidate)) return candidate;
  }
  return {};
}

SiteServiceStart EnsureSiteService(const std::string& address, const SiteServiceOptions& options) {
  const std::optional<LoopbackService> service = LoopbackServiceOf(address);
  if (!service) return SiteServiceStart::NotLoopback;
  if (ServiceAnswers(*service)) return SiteServiceStart::Running;

  LockFile lock(*service);
  if (ServiceAnswers(*service)) return SiteServiceStart::Running;  // another copy started it
  const std::string program = options.program.empty() ? FindSitesProgram() : options.program;
  if (program.empty()) return SiteServiceStart::NotFound;
  if (!StartDetached(program,
                     {program, "--bind", service->bindHost, "--port", std::to_string(service->port),
                      "--idle-exit", std::to_string(options.idleExitSeconds)}))
    return SiteServiceStart::NotFound;
  // The service tells nobody when it listens; ask until it answers.
  const auto deadline = std::chrono::steady_clock::now() + options.answerWait;
  while (std::chrono::steady_clock::now() < deadline) {
    if (ServiceAnswers(*service)) return SiteServiceStart::Started;
    std::this_thread::sleep_for(kPollStep);
  }
  return ServiceAnswers(*service) ? SiteServiceStart::Started : SiteServiceStart::NoAnswer;
}

}  // namespace kovalo
