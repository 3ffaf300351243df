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
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>

#include "download/download.h"
#include "download/engine_event.h"
#include "download/run_state.h"

namespace kovalo {

namespace {

std::mutex folderMutex;
std::string configuredFolder;

// The place files stay open once opened, so that taking and giving back a
// place costs one flock each rather than an open and a close besides.
struct HostFiles {
  PlaceFile files[kPlacesPerHost];
};
std::mutex poolMutex;
std::map<std::string, std::unique_ptr<HostFiles>> pool;  // by folder and stem
std::string verifiedFolder;                              // last found usable
constexpr std::size_t kPoolHosts = 32;                   // hosts kept open at most

// Makes folder and each missing folder above it, readable by their owner
// only.
bool MakeFolders(const std::string& folder) {
  for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string part = folder.substr(0, slash);
    struct stat info {};
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST &&
        (stat(part.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))) {
      return false;
    }
    if (slash == std::string::npos) return true;
  }
}

bool UsableOwnFolder(const std::string& folder) {
  if (folder.empty() || !MakeFolders(folder)) return false;
  struct stat info {};
  if (lstat(folder.c_str(), &info) != 0) return false;
  // Whoever may change the folder may take our places away: a folder made
  // first by someone else (in /tmp, say), or one that others may write, is
  // not used. The mode is read rather than asked of access(), which grants
  // everything to root.
  return S_ISDIR(info.st_mode) && info.st_uid == getuid() && (info.st_mode & S_IRWXU) == S_IRWXU &&
         (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// The home folder of the password database, for when HOME is not set.
std::string PasswordHome() {
  passwd entry{};
  passwd* found = nullptr;
  char buffer[4096];
  if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) != 0 || found == nullptr ||
      found->pw_dir == nullptr) {
    return std::string();
  }
  return found->pw_dir;
}

bool IsAbsolute(const char* value) { return value != nullptr && value[0] == '/'; }

void CloseFile(PlaceFile& file) {
  if (file.fd >= 0) close(file.fd);
  file.fd = -1;
}

// Closes the files of hosts none of whose places this process holds.
void TrimPool() {
  for (auto it = pool.begin(); it != pool.end();) {
    bool inUse = false;
    for (PlaceFile& file : it->second->files) inUse = inUse || file.taken;
    if (inUse) {
      ++it;
      continue;
    }
    for (PlaceFile& file : it->second->files) CloseFile(file);
    it = pool.erase(it);
  }
}

std::string FolderSetting() {
  {
    std::lock_guard lock(folderMutex);
    if (!configuredFolder.empty()) return configuredFolder;
  }
  // Nothing in the program changes its environment, so reading it from any thread is safe.
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");  // NOLINT(concurrency-mt-unsafe)
  const char* cache = std::getenv("XDG_CACHE_HOME");     // NOLINT(concurrency-mt-unsafe)
  const char* home = std::getenv("HOME");                // NOLINT(concurrency-mt-unsafe)
  std::string folder = RuntimeFolderFor(runtime, cache, home);
  if (folder.empty()) folder = RuntimeFolderFor(nullptr, nullptr, PasswordHome().c_str());
  return folder;
}

enum class TryResult { Taken, Busy, Failed };

TryResult TryTakePlace(const std::string& folder, const std::string& stem, PlaceFile*& taken) {
  std::lock_guard lock(poolMutex);
  if (verifiedFolder != folder) {
    if (!UsableOwnFolder(folder)) return TryResult::Failed;
    verifiedFolder = folder;
  }
  const std::string stemPath = folder + "/" + stem;
  std::unique_ptr<HostFiles>& host = pool[stemPath];
  if (host == nullptr) {
    if (pool.size() > kPoolHosts) {
      host = std::make_unique<HostFiles>();  // so that trimming keeps the entry
      host->files[0].taken = true;
      TrimPool();
      host->files[0].taken = false;
    } else {
      host = std::make_unique<HostFiles>();
    }
  }
  for (int i = 0; i < kPlacesPerHost; ++i) {
    PlaceFile& file = host->files[i];
    if (file.taken) continue;  // held by another download of this process
    struct stat info {};
    if (file.fd >= 0 && (fstat(file.fd, &info) != 0 || info.st_nlink == 0)) {
      CloseFile(file);  // the file was removed; another process would not see our lock
    }
    if (file.fd < 0) {
      std::string path = stemPath + "." + std::to_string(i);
      file.fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
      if (file.fd < 0) {
        verifiedFolder.clear();
        return TryResult::Failed;
      }
    }
    if (flock(file.fd, LOCK_EX | LOCK_NB) == 0) {
      file.taken = true;
      taken = &file;
      return TryResult::Taken;
    }
    if (errno != EWOULDBLOCK) {
      CloseFile(file);
      verifiedFolder.clear();
      return TryResult::Failed;
    }
  }
  return TryResult::Busy;
}

}  // namespace

void SetPlaceFolder(const std::string& folder) {
  std::lock_guard lock(folderMutex);
  configuredFolder = folder;
}

std::string RuntimeFolderFor(const char* runtimeDir, const char* cacheHome, const char* home) {
  if (IsAbsolute(runtimeDir)) return std::string(runtimeDir) + "/kovalo";
  if (IsAbsolute(cacheHome)) return std::string(cacheHome) + "/kovalo";
  if (IsAbsolute(home)) return std::string(home) + "/.cache/kovalo";
  return std::string();
}

std::string UsableRuntimeFolder() {
  const std::string folder = FolderSetting();
  return UsableOwnFolder(folder) ? folder : std::string();
}

std::string PlaceFileStem(const std::string& hostKey) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string stem = "semz-";
  for (unsigned char c : hostKey) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
        c == '-') {
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
  if (file_ == nullptr) return;
  {
    std::lock_guard lock(poolMutex);
    flock(file_->fd, LOCK_UN);
    file_->taken = false;
  }
  file_ = nullptr;
  detail::NotifyEngineEvent();  // a waiter of this process may take it now
}

Admission HostAdmission::Take(const std::string& hostKey, HostPlace& place,
                              std::chrono::steady_clock::time_point deadline) {
  place.Release();
  const std::string stem = PlaceFileStem(hostKey);
  for (;;) {
    const uint64_t seen = detail::EngineEventGeneration();
    if (RunState.load() >= 0) return Admission::Stopped;
    switch (TryTakePlace(FolderSetting(), stem, place.file_)) {
      case TryResult::Taken: return Admission::Admitted;
      case TryResult::Failed: return Admission::Unusable;
      case TryResult::Busy: break;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return Admission::TimedOut;
    auto wait = std::chrono::milliseconds(CurrentDownloadTimings().placePollMs);
    if (deadline - now < wait) wait = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
    detail::WaitEngineEvent(seen, wait);
  }
}

}  // namespace kovalo
