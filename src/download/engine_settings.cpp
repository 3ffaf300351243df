// The engine's settable periods and its two sinks. Each is read under a lock
// and used from a copy, so a test may change them while threads run.
#include <mutex>

#include "download/download.h"
#include "download/engine_sinks.h"

namespace kovalo {

namespace {

struct Settings {
  std::mutex mutex;
  DownloadTimings timings;
  std::function<void(const std::string&)> programErrorSink;
  std::function<void(const std::string&)> logSink;
};

Settings& TheSettings() {
  static Settings settings;
  return settings;
}

}  // namespace

void SetDownloadTimings(const DownloadTimings& timings) {
  Settings& settings = TheSettings();
  std::lock_guard lock(settings.mutex);
  settings.timings = timings;
}

DownloadTimings CurrentDownloadTimings() {
  Settings& settings = TheSettings();
  std::lock_guard lock(settings.mutex);
  return settings.timings;
}

void SetProgramErrorSink(std::function<void(const std::string&)> sink) {
  Settings& settings = TheSettings();
  std::lock_guard lock(settings.mutex);
  settings.programErrorSink = std::move(sink);
}

void SetDownloadLogSink(std::function<void(const std::string&)> sink) {
  Settings& settings = TheSettings();
  std::lock_guard lock(settings.mutex);
  settings.logSink = std::move(sink);
}

namespace detail {

void ShowProgramError(const std::string& text) {
  std::function<void(const std::string&)> sink;
  {
    Settings& settings = TheSettings();
    std::lock_guard lock(settings.mutex);
    sink = settings.programErrorSink;
  }
  if (sink) sink(text);
}

void LogDownloadFailure(const std::string& line) {
  std::function<void(const std::string&)> sink;
  {
    Settings& settings = TheSettings();
    std::lock_guard lock(settings.mutex);
    sink = settings.logSink;
  }
  if (sink) sink(line.substr(0, 1000));
}

}  // namespace detail

}  // namespace kovalo
