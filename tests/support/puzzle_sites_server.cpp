#include "support/puzzle_sites_server.h"

#include <httplib.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace kovalo::testing {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("missing fixture " + path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.rfind(prefix, 0) == 0;
}

}  // namespace

PuzzleSitesServer::PuzzleSitesServer(std::string fixtureFolder, int port)
    : folder_(std::move(fixtureFolder)), server_(std::make_unique<httplib::Server>()) {
  // A short keep-alive, so that stopping does not wait for idle connections.
  server_->set_keep_alive_timeout(0);
  server_->Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
    std::string target = request.target;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      requests_.push_back(target);
    }
    {
      std::unique_lock<std::mutex> lock(mutex_);
      for (const auto& [prefix, ms] : stalls_)
        if (StartsWith(target, prefix)) {
          stopping_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopped_; });
          return;
        }
    }
    int status = 200;
    const std::string page = Page(request.path, target, status);
    response.status = status;
    response.set_content(page,
                         StartsWith(request.path, "/second/") ? "text/javascript" : "text/html");
  });
  port_ = port ? (server_->bind_to_port("127.0.0.1", port) ? port : -1)
               : server_->bind_to_any_port("127.0.0.1");
  if (port_ <= 0) throw std::runtime_error("cannot bind the puzzle sites server");
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  // Requests wait in the listen queue until the loop runs; no need to wait.
}

PuzzleSitesServer::~PuzzleSitesServer() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopped_ = true;
  }
  stopping_.notify_all();
  server_->stop();
  if (thread_.joinable()) thread_.join();
}

SiteAddresses PuzzleSitesServer::Sites() const {
  const std::string base = "http://127.0.0.1:" + std::to_string(port_);
  return {base + "/main/", base + "/second/", base + "/level/", base + "/random/"};
}

void PuzzleSitesServer::Override(const std::string& prefix, std::string page) {
  std::lock_guard<std::mutex> lock(mutex_);
  overrides_[prefix] = std::move(page);
}

void PuzzleSitesServer::ClearOverride(const std::string& prefix) {
  std::lock_guard<std::mutex> lock(mutex_);
  overrides_.erase(prefix);
}

void PuzzleSitesServer::Stall(const std::string& prefix, int milliseconds) {
  std::lock_guard<std::mutex> lock(mutex_);
  stalls_[prefix] = milliseconds;
}

std::vector<std::string> PuzzleSitesServer::Requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

std::string PuzzleSitesServer::Page(const std::string& path, const std::string& target,
                                    int& status) const {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& [prefix, page] : overrides_)
      if (StartsWith(target, prefix)) {
        if (page.empty()) status = 404;
        return page;
      }
  }
  std::string file;
  if (StartsWith(path, "/main/DailySudoku.asp"))
    file = target.find("solution=please") != std::string::npos ? "main_weekly_solution.html"
                                                               : "main_weekly_puzzle.html";
  else if (StartsWith(path, "/second/DayFiles"))
    file = "second_weekly.js";
  else if (StartsWith(path, "/level/sudoku/"))
    file = "level.html";
  else if (StartsWith(path, "/random/solution.php"))
    file = "random_solution.html";
  if (file.empty()) {
    status = 404;
    return "<html><h1>Error</h1>Not Found</html>";
  }
  return ReadFile(folder_ + "/" + file);
}

}  // namespace kovalo::testing
