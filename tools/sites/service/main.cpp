// kovalo-sites: serves the four bundled puzzle sites, or prints new puzzles.
//
//   kovalo-sites [--bind ADDR] [--port N] [--idle-exit SECONDS]
//   kovalo-sites --generate N --level easy|medium|hard|evil [--seed S]
//
// A listening socket passed as descriptor 3 (LISTEN_FDS=1, LISTEN_PID), as
// systemd's socket activation and the kovalo program pass it, is served in
// place of --bind and --port.
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <string_view>

#include <netdb.h>
#include <sys/resource.h>

#include "listen_socket.h"
#include "sites_server.h"

namespace {

constexpr const char* kUsage =
    "Usage: kovalo-sites [--bind ADDR] [--port N] [--idle-exit SECONDS]\n"
    "       kovalo-sites --generate N --level easy|medium|hard|evil [--seed S]\n"
    "\n"
    "Serves the bundled puzzle sites of Kovalo over HTTP: the main weekly site\n"
    "under /main/, the second weekly site under /second/, the level site under\n"
    "/level/ and the random site under /random/.\n"
    "\n"
    "  --bind ADDR          address to listen on (default 127.0.0.1); any other than\n"
    "                       a loopback address lets every machine that can reach\n"
    "                       it use the service\n"
    "  --port N             port to listen on (default 8642)\n"
    "  --idle-exit SECONDS  end after that long without a request (default: never)\n"
    "  --generate N         print N new puzzles of --level, one 81-character line\n"
    "                       each ('.' for a blank), and end\n"
    "  --seed S             first seed for --generate (default: from the clock)\n"
    "  --help               show this text\n"
    "\n"
    "A listening socket passed as descriptor 3 with LISTEN_FDS=1 and LISTEN_PID\n"
    "(systemd's socket activation) is served in place of --bind and --port.\n";

std::optional<long long> Number(const char* text, long long low, long long high) {
  if (text == nullptr || *text == '\0') return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const long long value = std::strtoll(text, &end, 10);
  if (errno != 0 || *end != '\0' || value < low || value > high) return std::nullopt;
  return value;
}

int Fail(const char* message, const char* value) {
  std::fprintf(stderr, "kovalo-sites: %s%s%s\n%s", message, value ? ": " : "", value ? value : "",
               "Try kovalo-sites --help\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string bind = "127.0.0.1";
  long long port = 8642, idleExit = 0, generate = -1;
  std::optional<std::uint64_t> seed;
  std::optional<kovalo::sites::Level> level;
  for (int i = 1; i < argc; ++i) {
    const std::string_view option = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (option == "--help" || option == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (value == nullptr) return Fail("missing value after", argv[i]);
    ++i;
    if (option == "--bind") {
      bind = value;
    } else if (option == "--port") {
      const auto n = Number(value, 1, 65535);
      if (!n) return Fail("not a port", value);
      port = *n;
    } else if (option == "--idle-exit") {
      const auto n = Number(value, 0, 365LL * 24 * 3600);
      if (!n) return Fail("not a number of seconds", value);
      idleExit = *n;
    } else if (option == "--generate") {
      const auto n = Number(value, 0, 100000000);
      if (!n) return Fail("not a count", value);
      generate = *n;
    } else if (option == "--level") {
      level = kovalo::sites::ParseLevel(value);
      if (!level) return Fail("not a level (easy, medium, hard or evil)", value);
    } else if (option == "--seed") {
      const auto n = Number(value, 0, std::numeric_limits<long long>::max());
      if (!n) return Fail("not a seed", value);
      seed = static_cast<std::uint64_t>(*n);
    } else {
      return Fail("unknown option", argv[i - 1]);
    }
  }

  if (generate >= 0) {
    if (!level) return Fail("--generate needs --level", nullptr);
    std::uint64_t next = seed ? *seed
                              : static_cast<std::uint64_t>(
                                    std::chrono::system_clock::now().time_since_epoch().count()) ^
                                    std::random_device{}();
    std::string lines;
    for (long long n = 0; n < generate; ++n) {
      lines += kovalo::sites::GeneratePuzzle(*level, next++).givens;
      lines += '\n';
      if (lines.size() > std::size_t{64} * 1024) {
        std::fputs(lines.c_str(), stdout);
        lines.clear();
      }
    }
    std::fputs(lines.c_str(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }

  // Every connection takes a descriptor; allow as many as the system lets
  // this process have, so that the connection limit rather than accept()
  // failing decides how many are held.
  rlimit files{};
  if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);
  }

  kovalo::sites::ServerOptions options;
  options.idleExit = std::chrono::seconds(idleExit);
  kovalo::sites::SitesServer server(options);
  const kovalo::sites::PassedSocket passed = kovalo::sites::TakePassedSocket();
  std::string shown = bind.find(':') != std::string::npos ? "[" + bind + "]" : bind;
  if (passed.passed) {
    if (passed.fd < 0) {
      std::fprintf(stderr, "kovalo-sites: cannot use the passed socket: %s\n",
                   passed.problem.c_str());
      return 1;
    }
    if (!kovalo::sites::ListensOnLoopbackOnly(passed.fd))
      std::fputs(kovalo::sites::ExposureWarning(kovalo::sites::ListeningAddress(passed.fd)).c_str(),
                 stderr);
    server.Adopt(passed.fd);
    std::printf("kovalo-sites: serving the puzzle sites on the passed socket\n");
  } else {
    const kovalo::sites::ListenResult listening =
        kovalo::sites::ListenOn(bind, static_cast<int>(port));
    using kovalo::sites::ListenError;
    if (listening.error == ListenError::NoSuchName) {
      std::fprintf(stderr, "kovalo-sites: cannot listen on %s: the name does not resolve (%s)\n",
                   bind.c_str(), gai_strerror(listening.systemError));
      return 1;
    }
    // Said before any failure to listen there, so that the address is named
    // even when it is not one of this machine's.
    if (listening.fd < 0 ? !kovalo::sites::IsLoopbackText(listening.boundHost)
                         : !kovalo::sites::ListensOnLoopbackOnly(listening.fd))
      std::fputs(kovalo::sites::ExposureWarning(bind).c_str(), stderr);
    if (listening.error == ListenError::InUse) {
      std::fprintf(stderr, "kovalo-sites: cannot listen on %s port %lld: the port is in use\n",
                   bind.c_str(), port);
      return 1;
    }
    if (listening.fd < 0) {
      std::fprintf(stderr, "kovalo-sites: cannot listen on %s port %lld: %s\n", bind.c_str(), port,
                   // Before any thread of the service runs.
                   std::strerror(listening.systemError));  // NOLINT(concurrency-mt-unsafe)
      return 1;
    }
    server.Adopt(listening.fd);
    std::printf("kovalo-sites: serving the puzzle sites on http://%s:%lld/\n", shown.c_str(), port);
  }
  std::fflush(stdout);
  return server.Run() ? 0 : 1;
}
