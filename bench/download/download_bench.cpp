// The download engine beside a bare libcurl easy handle, both fetching from a
// loopback server started by this program: one page of 1 MB, and 200 small
// pages in a row. Both reuse their connection; the server keeps it open.
//
//   kovalo_download_bench --benchmark_repetitions=15 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <httplib.h>
#include <stdlib.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "download/download.h"
#include "download/run_state.h"

namespace {

constexpr int kBigPage = 1000000;
constexpr int kSmallPage = 2000;
constexpr int kSmallPages = 200;

std::string bigUrl;
std::string smallUrl;

void FetchThroughEngine(benchmark::State& state, const std::string& url, int pages, int expected) {
  kovalo::CDlf handle;
  handle.Prepare(0, kBigPage);
  for (auto _ : state) {
    for (int i = 0; i < pages; ++i) {
      std::string address = url;
      const char* text = nullptr;
      int length = 0;
      if (kovalo::DownloadUrl(text, 0, address, length, 2) != 0 || length != expected) {
        state.SkipWithError("engine download failed");
        return;
      }
      benchmark::DoNotOptimize(kovalo::SlotPageBuffer(0));
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * pages * expected);
}

// The bare client: the same bounded copy into one buffer.
struct Sink {
  std::string buffer = std::string(kBigPage + 10000, '\0');
  std::size_t used = 0;
};

size_t Collect(char* data, size_t, size_t n, void* user) {
  Sink& sink = *static_cast<Sink*>(user);
  std::size_t take = std::min(n, static_cast<std::size_t>(kBigPage) - sink.used);
  std::memcpy(sink.buffer.data() + sink.used, data, take);
  sink.used += take;
  return take;
}

void FetchThroughCurl(benchmark::State& state, const std::string& url, int pages, int expected,
                      long bufferSize = 0) {
  CURL* easy = curl_easy_init();
  Sink sink;
  if (bufferSize > 0) curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, bufferSize);
  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, Collect);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &sink);
  for (auto _ : state) {
    for (int i = 0; i < pages; ++i) {
      sink.used = 0;
      if (curl_easy_perform(easy) != CURLE_OK || sink.used != static_cast<std::size_t>(expected)) {
        state.SkipWithError("curl download failed");
        curl_easy_cleanup(easy);
        return;
      }
      benchmark::DoNotOptimize(sink.buffer.data());
    }
  }
  curl_easy_cleanup(easy);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * pages * expected);
}

void BM_Engine_1MBPage(benchmark::State& state) { FetchThroughEngine(state, bigUrl, 1, kBigPage); }
void BM_Curl_1MBPage(benchmark::State& state) { FetchThroughCurl(state, bigUrl, 1, kBigPage); }
// The bare client reading the connection in the engine's chunks of 10000 bytes.
void BM_Curl10000_1MBPage(benchmark::State& state) {
  FetchThroughCurl(state, bigUrl, 1, kBigPage, 10000);
}
void BM_Engine_200SmallPages(benchmark::State& state) {
  FetchThroughEngine(state, smallUrl, kSmallPages, kSmallPage);
}
void BM_Curl_200SmallPages(benchmark::State& state) {
  FetchThroughCurl(state, smallUrl, kSmallPages, kSmallPage);
}

// Real time: part of the work happens on the server's thread.
BENCHMARK(BM_Engine_1MBPage)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Curl_1MBPage)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Curl10000_1MBPage)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Engine_200SmallPages)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Curl_200SmallPages)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  setenv("no_proxy", "127.0.0.1,localhost", 1);

  char pattern[] = "/tmp/kovalo-dl-bench-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  kovalo::SetPlaceFolder(pattern);

  httplib::Server server;
  server.set_keep_alive_max_count(1000000);
  server.set_tcp_nodelay(true);
  const std::string big(kBigPage, 'b');
  const std::string small(kSmallPage, 's');
  server.Get("/big", [&](const httplib::Request&, httplib::Response& response) {
    response.set_content(big, "text/html");
  });
  server.Get("/small", [&](const httplib::Request&, httplib::Response& response) {
    response.set_content(small, "text/html");
  });
  int port = server.bind_to_any_port("127.0.0.1");
  std::thread serving([&] { server.listen_after_bind(); });
  while (!server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  bigUrl = "http://127.0.0.1:" + std::to_string(port) + "/big";
  smallUrl = "http://127.0.0.1:" + std::to_string(port) + "/small";

  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  kovalo::RunState.store(kovalo::kRunStateClosing);
  { kovalo::CDlf last; }  // the last handle while stopping closes the sessions
  kovalo::StopDownloadsAndWait();
  server.stop();
  serving.join();
  std::filesystem::remove_all(pattern);
  return 0;
}
