// Per-host admission: at most three downloads of one host key at a time, in
// this process and in every other running copy of the program. A place is an
// exclusive flock on one of three place files of the host in a folder of the
// user's; the kernel drops the lock when its holder exits or is killed, so a
// dead program never keeps a host blocked.
#pragma once

#include <functional>
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
  Admitted,    // the place is held
  Stopped,     // RunState became 0 or more while waiting
  Unadmitted,  // the place files could not be used; go on without a place
};

class HostAdmission {
 public:
  // Takes one of the places of hostKey, waiting while all are taken.
  // whileWaiting runs before each wait (the caller refreshes its activity
  // time so that the wait is not taken for a stall).
  static Admission Take(const std::string& hostKey, HostPlace& place,
                        const std::function<void()>& whileWaiting);
};

// The folder of this user's run-time files (place files, lock files):
// $XDG_RUNTIME_DIR/kovalo, else /tmp/kovalo-<uid>, or the one SetPlaceFolder
// chose; made when missing. Empty when it cannot be used (not a folder of
// this user's own).
std::string UsableRuntimeFolder();

// The host key as a file-name part: letters, digits, "." and "-" stay, every
// other byte becomes "_" and two hex digits; a long key is shortened and ends
// in a hash of the whole key, so different keys keep different names.
std::string PlaceFileStem(const std::string& hostKey);

}  // namespace kovalo
