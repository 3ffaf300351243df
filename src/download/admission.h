// Per-host admission: at most three downloads of one host key at a time, in
// this process and in every other running copy of the program. A place is an
// exclusive flock on one of three place files of the host in a folder of the
// user's; the kernel drops the lock when its holder exits or is killed, so a
// dead program never keeps a host blocked.
#pragma once

#include <chrono>
#include <string>

namespace kovalo {

// One place file, open for the rest of the run once used.
struct PlaceFile {
  int fd = -1;
  bool taken = false;  // by a download of this process
};

// A held place; gives it back when destroyed.
class HostPlace {
 public:
  HostPlace() = default;
  ~HostPlace();
  HostPlace(const HostPlace&) = delete;
  HostPlace& operator=(const HostPlace&) = delete;

  bool held() const { return file_ != nullptr; }
  void Release();

 private:
  friend class HostAdmission;
  PlaceFile* file_ = nullptr;
};

enum class Admission {
  Admitted,  // the place is held
  Stopped,   // RunState became 0 or more while waiting
  TimedOut,  // the deadline passed while waiting
  Unusable,  // the place files cannot be used (see UsableRuntimeFolder)
};

class HostAdmission {
 public:
  // Takes one of the places of hostKey, waiting while all are taken, but not
  // beyond deadline. Place files that cannot be made or locked end the
  // attempt at once: waiting would not mend them.
  static Admission Take(const std::string& hostKey, HostPlace& place,
                        std::chrono::steady_clock::time_point deadline =
                            std::chrono::steady_clock::time_point::max());
};

// The folder of this user's run-time files (place files, lock files), as
// SetPlaceFolder chose it or else RuntimeFolderFor the environment; made
// (0700) when missing. Empty when it cannot be used: not a folder, not this
// user's own, or writable by others, or not readable, writable and
// searchable by its owner.
std::string UsableRuntimeFolder();

// The run-time folder for these environment values: "<runtimeDir>/kovalo";
// else, in a folder of this user's rather than one in /tmp that anyone may
// have made first, "<cacheHome>/kovalo", else "<home>/.cache/kovalo". A
// value that is null, empty or relative counts as unset; empty when all are.
std::string RuntimeFolderFor(const char* runtimeDir, const char* cacheHome, const char* home);

// The host key as a file-name part: letters, digits, "." and "-" stay, every
// other byte becomes "_" and two hex digits; a long key is shortened and ends
// in a hash of the whole key, so different keys keep different names.
std::string PlaceFileStem(const std::string& hostKey);

}  // namespace kovalo
