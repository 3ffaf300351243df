// Page latency of kovalo-sites: 1000 page requests in a row over loopback to
// a server started by this program, each for another address (so every page
// is built afresh), the time of each request from connecting to the last
// byte. Reported as p50, p99 and the slowest, in milliseconds, per site and
// for the four mixed; once with a new connection per request, as the
// program fetches, and once over one kept-alive connection.
//
//   build/bench/sites/kovalo_sites_service_bench
#include <benchmark/benchmark.h>
#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "site_requests.h"
#include "sites_server.h"

namespace {

using kovalo::sites::CivilDate;
using kovalo::sites::CivilFromDays;
using kovalo::sites::DaysFromCivil;

constexpr int kRequests = 1000;

int port = 0;

std::string Slash(const CivilDate& d) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d/%02d/%04d", d.day, d.month, d.year);
  return text;
}
std::string Dash(const CivilDate& d) {
  char text[32];
  std::snprintf(text, sizeof text, "%d-%d-%d", d.day, d.month, d.year);
  return text;
}
CivilDate Day(int i) { return CivilFromDays(DaysFromCivil({2020, 1, 1}) + i); }

// The address of request i of a site (0 main, 1 second, 2 level, 3 random,
// 4 the four in turn).
std::string Address(int site, int i) {
  if (site == 4) return Address(i % 4, i / 4);
  switch (site) {
    case 0:
      return "/main/DailySudoku.asp?" + std::string(i % 2 ? "solution=please&" : "") +
             "day=" + Slash(Day(i / 2));
    case 1: return "/second/DayFiles%5C" + Dash(Day(i)) + ".js";
    case 2: {
      const int level = i % 4 + 1;
      return "/level/sudoku/?&ws_level=" + std::to_string(level) + "&ws_seltime=" +
             std::to_string(kovalo::sites::LevelSelectionTimeFor(level, Day(i / 4)));
    }
    default: return "/random/solution.php?id=" + std::to_string(10 + i);
  }
}

void Report(benchmark::State& state, std::vector<double>& ms) {
  std::sort(ms.begin(), ms.end());
  state.counters["p50_ms"] = ms[ms.size() / 2];
  state.counters["p99_ms"] = ms[ms.size() * 99 / 100];
  state.counters["max_ms"] = ms.back();
}

void PageLatency(benchmark::State& state, bool keepAlive) {
  const int site = static_cast<int>(state.range(0));
  std::vector<double> ms;
  ms.reserve(kRequests);
  int offset = 0;
  for (auto _ : state) {
    ms.clear();
    httplib::Client shared("127.0.0.1", port);
    shared.set_keep_alive(true);
    for (int i = 0; i < kRequests; ++i) {
      const std::string address = Address(site, offset + i);
      const auto start = std::chrono::steady_clock::now();
      httplib::Client fresh("127.0.0.1", port);
      const httplib::Result result = (keepAlive ? shared : fresh).Get(address.c_str());
      const auto end = std::chrono::steady_clock::now();
      if (!result || result->status != 200 || result->body.size() < 500) {
        state.SkipWithError(("failed: " + address).c_str());
        return;
      }
      ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    offset += kRequests;  // a later iteration asks for other pages
  }
  Report(state, ms);
  state.SetItemsProcessed(state.iterations() * kRequests);
}

// The same pages built in this thread, without the network: the share of
// the latency that is the service's own work.
void PageBuilding(benchmark::State& state) {
  const int site = static_cast<int>(state.range(0));
  std::vector<double> ms;
  ms.reserve(kRequests);
  int offset = 0;
  for (auto _ : state) {
    ms.clear();
    for (int i = 0; i < kRequests; ++i) {
      const std::string address = Address(site, offset + i);
      const auto start = std::chrono::steady_clock::now();
      const kovalo::sites::SiteResponse response =
          kovalo::sites::AnswerRequest(address, CivilDate{2026, 12, 8});
      const auto end = std::chrono::steady_clock::now();
      if (response.status != 200) {
        state.SkipWithError(("failed: " + address).c_str());
        return;
      }
      benchmark::DoNotOptimize(response.body.data());
      ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    offset += kRequests;
  }
  Report(state, ms);
  state.SetItemsProcessed(state.iterations() * kRequests);
}

void NewConnectionPerPage(benchmark::State& state) { PageLatency(state, false); }
void KeptAliveConnection(benchmark::State& state) { PageLatency(state, true); }

void Sites(benchmark::internal::Benchmark* b) {
  b->ArgNames({"site"})->Arg(0)->Arg(1)->Arg(2)->Arg(3)->Arg(4);
  b->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
}
BENCHMARK(PageBuilding)->Apply(Sites);
BENCHMARK(NewConnectionPerPage)->Apply(Sites);
BENCHMARK(KeptAliveConnection)->Apply(Sites);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  kovalo::sites::SitesServer server;
  port = server.Bind("127.0.0.1", 0);
  if (port <= 0) return 1;
  std::thread thread([&] { server.Run(); });
  benchmark::AddCustomContext("sites", "0 main, 1 second, 2 level, 3 random, 4 all four in turn");
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  server.Stop();
  thread.join();
  return 0;
}
