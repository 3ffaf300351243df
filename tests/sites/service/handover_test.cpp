// kovalo-sites as a process: a listening socket handed over as descriptor 3
// is served in place of --bind and --port, one passed to another process is
// not; and what it says on stderr about the address it is asked to listen
// on. Every socket here is on 127.0.0.1; the addresses beyond it are ones
// that this machine cannot listen on or that cannot resolve.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "service_processes.h"

namespace kovalo {
namespace {

using testing::FreeLoopbackPort;

struct Child {
  pid_t pid = -1;
  int errorPipe = -1;  // the child's stdout and stderr
};

enum class Handover { None, ToTheChild, ToAnotherProcess };

// Starts kovalo-sites with args; with a socket, as descriptor 3 and with
// LISTEN_FDS=1 and LISTEN_PID naming the child or, for the second case,
// this test's own process.
Child Start(const std::vector<std::string>& args, int socket, Handover handover) {
  std::vector<std::string> texts = {KOVALO_SITES_PROGRAM};
  texts.insert(texts.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& text : texts) argv.push_back(text.data());
  argv.push_back(nullptr);
  std::string fds = "LISTEN_FDS=1";
  std::string pid = "LISTEN_PID=" + std::to_string(getpid());
  std::vector<char*> envp;
  if (handover != Handover::None) {
    envp.push_back(fds.data());
    envp.push_back(pid.data());
  }
  envp.push_back(nullptr);
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) return {};
  char childPid[32] = "LISTEN_PID=";
  const pid_t child = fork();
  if (child == 0) {
    dup2(pipeFds[1], STDOUT_FILENO);
    dup2(pipeFds[1], STDERR_FILENO);
    if (socket == 3)
      fcntl(3, F_SETFD, 0);
    else if (socket >= 0)
      dup2(socket, 3);
    if (handover == Handover::ToTheChild) {
      snprintf(childPid + 11, sizeof childPid - 11, "%d", static_cast<int>(getpid()));
      envp[1] = childPid;
    }
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  close(pipeFds[1]);
  return {child, pipeFds[0]};
}

std::string ReadAll(int fd) {
  std::string text;
  char buffer[512];
  for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;)
    text.append(buffer, static_cast<size_t>(n));
  close(fd);
  return text;
}

int ListeningSocket(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int yes = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 8) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// Reads the child's output until its line that says it serves.
bool WaitUntilServing(const Child& child) {
  std::string text;
  char c = 0;
  while (read(child.errorPipe, &c, 1) == 1) {
    text += c;
    if (c == '\n' && text.find("serving") != std::string::npos) return true;
  }
  return false;
}

int PortOf(int fd) {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  return ntohs(address.sin_port);
}

bool Serves(int port) {
  httplib::Client client("127.0.0.1", port);
  client.set_connection_timeout(2);
  client.set_read_timeout(2);
  const auto page = client.Get("/random/solution.php?id=77");
  return page && page->status == 200 &&
         page->body.find("Solution to Sudoku Puzzle 77") != std::string::npos;
}

void End(Child& child) {
  kill(child.pid, SIGTERM);
  waitpid(child.pid, nullptr, 0);
  if (child.errorPipe >= 0) close(child.errorPipe);
}

TEST(HandoverTest, APassedSocketIsServedInPlaceOfTheNamedPort) {
  const int fd = ListeningSocket(0);
  ASSERT_GE(fd, 0);
  const int passedPort = PortOf(fd);
  const int namedPort = FreeLoopbackPort();
  ASSERT_NE(passedPort, namedPort);
  // Asked for before the service runs: the kernel holds the connection.
  Child child = Start({"--port", std::to_string(namedPort)}, fd, Handover::ToTheChild);
  close(fd);
  EXPECT_TRUE(Serves(passedPort));
  EXPECT_FALSE(Serves(namedPort)) << "it listened on --port as well";
  End(child);
  EXPECT_FALSE(Serves(passedPort)) << "the socket outlived the service";
}

TEST(HandoverTest, ASocketPassedToAnotherProcessIsLeftAlone) {
  const int fd = ListeningSocket(0);
  ASSERT_GE(fd, 0);
  const int namedPort = FreeLoopbackPort();
  Child child = Start({"--port", std::to_string(namedPort)}, fd, Handover::ToAnotherProcess);
  close(fd);
  ASSERT_TRUE(WaitUntilServing(child));
  EXPECT_TRUE(Serves(namedPort));
  End(child);
}

TEST(HandoverTest, WhatItSaysAboutTheAddress) {
  const int taken = ListeningSocket(0);
  ASSERT_GE(taken, 0);
  const int takenPort = PortOf(taken);
  const int freePort = FreeLoopbackPort();
  // A label over 63 characters cannot be put to a DNS server, so the
  // resolver gives up without leaving the machine.
  const std::string unresolvable = std::string(70, 'x') + ".invalid";
  struct Case {
    const char* name;
    std::string bind;
    int port;
    std::vector<std::string> said;     // each must be in stderr
    std::vector<std::string> notSaid;  // none may be
  };
  const std::string warning =
      "is not a loopback address: anyone who can reach it can use the service";
  const Case cases[] = {
      // 192.0.2.1 is a documentation address that this machine does not
      // have: the warning comes, and then the failure to listen there.
      {"another machine's address",
       "192.0.2.1",
       freePort,
       {"warning: 192.0.2.1 " + warning, "cannot listen on 192.0.2.1 port"},
       {"in use"}},
      {"loopback, port taken", "127.0.0.1", takenPort, {"the port is in use"}, {"warning"}},
      {"a name that does not resolve",
       unresolvable,
       freePort,
       {"cannot listen on " + unresolvable + ": the name does not resolve"},
       {"in use", "warning"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Child child = Start({"--bind", c.bind, "--port", std::to_string(c.port)}, -1, Handover::None);
    const std::string said = ReadAll(child.errorPipe);
    int status = 0;
    waitpid(child.pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << said;
    for (const std::string& text : c.said) EXPECT_NE(said.find(text), std::string::npos) << said;
    for (const std::string& text : c.notSaid) EXPECT_EQ(said.find(text), std::string::npos) << said;
  }
  close(taken);
}

}  // namespace
}  // namespace kovalo
