// Per-host admission through flock on place files.
//
// Why a non-blocking flock tried every placePollMs rather than a blocking one:
// a waiter wants whichever of the three places comes free first, and a
// blocking lock can only wait for one file; it also could not be woken when
// RunState changes, short of signals. Places freed in this process wake the
// waiters at once through the engine event; places freed by another process
// are seen at the next poll. Fifty milliseconds between tries costs nothing
// measurable, so a waiting download does not keep a core busy.
//
// flock (not fcntl) locks belong to the open file, not to the process, so
// two threads of one process that open the same place file exclude each other
// just like two processes do.
#include "download/admission.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "download/download.h"
#include "download/engine_event.h"
#include "download/engine_sinks.h"
#include "download/run_state.h"

namespace kovalo {

namespace {

std::mutex folderMutex;
std::string configuredFolder;

// Failures to use the place files, over the whole run.
std::atomic<int> placeFailureCount{0};
// Only one thread at a time shows the failure message.
std::mutex tooManyFailuresLock;

bool UsableOwnFolder(const std::string& folder) {
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat info {};
  if (lstat(folder.c_str(), &info) != 0) return false;
  // A folder in /tmp could have been made by someone else to catch our files.
  return S_ISDIR(info.st_mode) && info.st_uid == getuid();
}

enum class TryResult { Taken, Busy, Failed };

TryResult TryTakePlace(const std::string& stemPath, int& fd) {
  for (int i = 0; i < kPlacesPerHost; ++i) {
    std::string path = stemPath + "." + std::to_string(i);
    int file = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (file < 0) return TryResult::Failed;
    if (flock(file, LOCK_EX | LOCK_NB) == 0) {
      fd = file;
      return TryResult::Taken;
    }
    int error = errno;
    close(file);
    if (error != EWOULDBLOCK) return TryResult::Failed;
  }
  return TryResult::Busy;
}

}  // namespace

void SetPlaceFolder(const std::string& folder) {
  std::lock_guard lock(folderMutex);
  configuredFolder = folder;
}

std::string PlaceFolderInUse() {
  std::string folder;
  {
    std::lock_guard lock(folderMutex);
    folder = configuredFolder;
  }
  if (folder.empty()) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') {
      folder = std::string(runtime) + "/kovalo";
    } else {
      folder = "/tmp/kovalo-" + std::to_string(getuid());
    }
  }
  return UsableOwnFolder(folder) ? folder : std::string();
}

std::string PlaceFileStem(const std::string& hostKey) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string stem = "semz-";
  for (unsigned char c : hostKey) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-') {
      stem += static_cast<char>(c);
    } else {
      stem += '_';
      stem += kHex[c >> 4];
      stem += kHex[c & 15];
    }
  }
  constexpr std::size_t kKeep = 160;  // well under the 255 bytes of a file name
  if (stem.size() > kKeep + 20) {
    uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (unsigned char c : hostKey) {
      hash = (hash ^ c) * 1099511628211ull;
    }
    char tail[20];
    std::snprintf(tail, sizeof tail, "~%016llx", static_cast<unsigned long long>(hash));
    stem = stem.substr(0, kKeep) + tail;
  }
  return stem;
}

HostPlace::~HostPlace() { Release(); }

void HostPlace::Release() {
  if (fd_ < 0) return;
  flock(fd_, LOCK_UN);
  close(fd_);
  fd_ = -1;
  detail::NotifyEngineEvent();  // a waiter of this process may take it now
}

Admission HostAdmission::Take(const std::string& hostKey, HostPlace& place,
                              const std::function<void()>& whileWaiting) {
  place.Release();
  const std::string stem = PlaceFileStem(hostKey);
  for (;;) {
    const DownloadTimings timings = CurrentDownloadTimings();
    uint64_t seen = detail::EngineEventGeneration();
    if (RunState.load() >= 0) return Admission::Stopped;
    std::string folder = PlaceFolderInUse();
    TryResult result = folder.empty() ? TryResult::Failed : TryTakePlace(folder + "/" + stem, place.fd_);
    if (result == TryResult::Taken) return Admission::Admitted;
    if (whileWaiting) whileWaiting();
    if (result == TryResult::Failed) {
      if (placeFailureCount.fetch_add(1) + 1 >= timings.placeFailureLimit) {
        {
          std::lock_guard lock(tooManyFailuresLock);
          detail::ShowProgramError("Crash Count>=10000");
        }
        // Waiting on would keep the download, and with it the program's
        // download controls, blocked for good: go on without a place.
        placeFailureCount.store(0);
        return Admission::Unadmitted;
      }
      detail::WaitEngineEvent(seen, std::chrono::milliseconds(timings.placeRetryMs));
    } else {
      detail::WaitEngineEvent(seen, std::chrono::milliseconds(timings.placePollMs));
    }
  }
}

}  // namespace kovalo
