// A loopback web server that plays the four puzzle sites with the page
// fixtures of tests/data/sources, on a port of its own choosing.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sources/sites.h"

namespace httplib {
class Server;
}

namespace kovalo::testing {

class PuzzleSitesServer {
 public:
  // fixtureFolder holds main_weekly_puzzle.html, main_weekly_solution.html,
  // second_weekly.js, level.html and random_solution.html.
  explicit PuzzleSitesServer(std::string fixtureFolder, int port = 0);
  ~PuzzleSitesServer();

  int port() const { return port_; }
  // The four base addresses on this server.
  SiteAddresses Sites() const;

  // Replaces the page served for a path that starts with prefix (after the
  // site's folder, e.g. "/random/solution.php"); an empty page answers 404.
  void Override(const std::string& prefix, std::string page);
  void ClearOverride(const std::string& prefix);
  // Requests whose target starts with prefix wait this long (or until the
  // server stops) before they are answered with nothing.
  void Stall(const std::string& prefix, int milliseconds);
  // Every request target received, in order.
  std::vector<std::string> Requests() const;

 private:
  std::string Page(const std::string& path, const std::string& target, int& status) const;

  std::string folder_;
  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
  int port_ = 0;
  mutable std::mutex mutex_;
  std::map<std::string, std::string> overrides_;
  std::map<std::string, int> stalls_;
  std::condition_variable stopping_;
  bool stopped_ = false;
  std::vector<std::string> requests_;
};

}  // namespace kovalo::testing
