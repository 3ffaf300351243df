// The INI store: parsing, the per-path cache and the atomic file replace.
#include "saves/ini_store.h"
#include "text/ascii_case.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <time.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <mutex>
#include <string_view>
#include <system_error>
#include <unordered_map>

namespace kovalo {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Names are compared after folding ASCII letters only, whatever the locale.
std::string Fold(std::string_view s) { return AsciiLowerCopy(s); }

FileStamp StampOf(const struct stat& st) {
  FileStamp stamp;
  stamp.device = st.st_dev;
  stamp.inode = st.st_ino;
  stamp.size = st.st_size;
  stamp.modifiedNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  stamp.changedNs = static_cast<int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
  return stamp;
}

FileState StateOfError(int error) {
  return (error == ENOENT || error == ENOTDIR) ? FileState::Missing : FileState::Unreadable;
}

bool WriteAll(int fd, const std::string& contents) {
  const char* p = contents.data();
  std::size_t left = contents.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

bool IsIniName(const std::string& name, bool isSection) {
  if (name.empty() || IsBlank(name.front()) || IsBlank(name.back())) return false;
  if (name.find_first_of(isSection ? "\r\n]" : "\r\n=") != std::string::npos) return false;
  if (!isSection && (name.front() == ';' || name.front() == '[')) return false;
  return true;
}

// ---------------------------------------------------------------- disk access

namespace {

// The signal that ends a wait for a file's lock: a real-time signal that
// nothing else in the program uses.
int LockWaitSignal() { return SIGRTMIN + 5; }

void OnLockWaitSignal(int /*signal*/) {}

// Takes fd's exclusive lock, waiting until deadline at most; false with
// errno EWOULDBLOCK when someone else holds it that long. flock has no timed
// form, and a poll with LOCK_NB loses against a program that takes the lock
// again the moment it lets go. So the wait is a blocking flock, which the
// kernel wakes when the lock is let go, interrupted by a timer of this
// thread whose signal asks for no restart. The timer fires again every 10 ms
// after the deadline, in case its first signal came just before flock began
// to wait.
bool LockUntil(int fd, std::chrono::steady_clock::time_point deadline) {
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
  if (errno != EWOULDBLOCK && errno != EINTR) return false;
  static std::once_flag handlerInstalled;
  std::call_once(handlerInstalled, [] {
    struct sigaction action {};
    action.sa_handler = OnLockWaitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: flock returns EINTR
    ::sigaction(LockWaitSignal(), &action, nullptr);
  });
  sigset_t wanted, before;
  sigemptyset(&wanted);
  sigaddset(&wanted, LockWaitSignal());
  ::pthread_sigmask(SIG_UNBLOCK, &wanted, &before);

  struct sigevent event {};
  event.sigev_notify = SIGEV_THREAD_ID;
  event.sigev_signo = LockWaitSignal();
  event._sigev_un._tid = ::gettid();
  timer_t timer;
  int error = 0;
  bool locked = false;
  if (::timer_create(CLOCK_MONOTONIC, &event, &timer) != 0) {
    error = errno;
  } else {
    const auto left =
        std::max<std::chrono::nanoseconds>(deadline - std::chrono::steady_clock::now(),
                                           std::chrono::nanoseconds(1));
    struct itimerspec when {};
    when.it_value.tv_sec = static_cast<time_t>(left.count() / 1000000000);
    when.it_value.tv_nsec = static_cast<long>(left.count() % 1000000000);
    when.it_interval.tv_nsec = 10000000;
    ::timer_settime(timer, 0, &when, nullptr);
    for (;;) {
      if (::flock(fd, LOCK_EX) == 0) {
        locked = true;
        break;
      }
      if (errno != EINTR) {
        error = errno;
        break;
      }
      if (std::chrono::steady_clock::now() >= deadline) {
        error = EWOULDBLOCK;
        break;
      }
    }
    ::timer_delete(timer);
  }
  ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
  errno = error;
  return locked;
}

}  // namespace

DiskFile IniDisk::Look(const std::string& path) {
  DiskFile file;
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) {
    file.state = StateOfError(errno);
  } else if (!S_ISREG(st.st_mode)) {
    file.state = FileState::Unreadable;
  } else {
    file.state = FileState::Present;
    file.stamp = StampOf(st);
  }
  return file;
}

DiskFile IniDisk::Read(const std::string& path) {
  DiskFile file;
  // O_NONBLOCK: opening a FIFO must not wait for a writer.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    file.state = StateOfError(errno);
    return file;
  }
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    file.state = FileState::Unreadable;
    return file;
  }
  // The stamp comes from the descriptor the contents are read through, so
  // the two always belong to the same file.
  file.stamp = StampOf(st);
  file.state = FileState::Present;
  if (st.st_size > 0) file.contents.reserve(static_cast<std::size_t>(st.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      file.state = FileState::Unreadable;
      file.contents.clear();
      break;
    }
    file.contents.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return file;
}

bool IniDisk::Replace(const std::string& path, const std::string& contents) {
  return ReplaceFileAtomically(path, contents);
}

int IniDisk::Lock(const std::string& path) {
  const std::string lockPath = LockFilePath(path);
  int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0600);
  if (fd < 0) {
    // flock needs no write permission: a lock file made by someone else will
    // do. Without one, the reason is the first open's.
    const int error = errno;
    fd = ::open(lockPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
      errno = error;
      return -1;
    }
  }
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    errno = EACCES;
    return -1;
  }
  // A lock file of ours that others could open (made by an older version)
  // becomes ours alone.
  if (st.st_uid == ::geteuid() && (st.st_mode & 077) != 0) ::fchmod(fd, 0600);

  if (!LockUntil(fd, std::chrono::steady_clock::now() + lockWait)) {
    const int error = errno;
    ::close(fd);
    errno = error;
    return -1;
  }
  return fd;
}

void IniDisk::Unlock(int lock) {
  if (lock < 0) return;
  ::flock(lock, LOCK_UN);
  ::close(lock);
}

std::string LockFilePath(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return "." + path + ".lock";
  return path.substr(0, slash + 1) + "." + path.substr(slash + 1) + ".lock";
}

namespace {

// Whether this user may change the file that st describes, from its mode
// bits: a file its owner made read-only stays so, for root as well, who
// would otherwise replace it and take it over.
bool ModeLetsUsWrite(const struct stat& st) {
  if (st.st_uid == ::geteuid()) return (st.st_mode & S_IWUSR) != 0;
  if (st.st_gid == ::getegid()) return (st.st_mode & S_IWGRP) != 0;
  gid_t groups[256];
  const int count = ::getgroups(256, groups);
  for (int i = 0; i < count; ++i)
    if (groups[i] == st.st_gid) return (st.st_mode & S_IWGRP) != 0;
  return (st.st_mode & S_IWOTH) != 0;
}

}  // namespace

std::string TemporaryFilePath(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return "." + path + ".tmp";
  return path.substr(0, slash + 1) + "." + path.substr(slash + 1) + ".tmp";
}

bool ReplaceFileAtomically(const std::string& path, const std::string& contents) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.empty()) {
    errno = EINVAL;
    return false;
  }

  struct stat old;
  const bool hadFile = ::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode);
  // The rename would replace a file that its owner made read-only, and give
  // it to us: such a file is left alone (EPERM). access() covers what the
  // mode bits do not show, such as access lists, except for root.
  if (hadFile && !ModeLetsUsWrite(old)) {
    errno = EPERM;
    return false;
  }
  if (hadFile && ::geteuid() != 0 && ::access(path.c_str(), W_OK) != 0) return false;

  // The writer holds the file's lock, so one temporary name per file is
  // enough; whatever a writer killed in mid-write left there is truncated.
  // O_NOFOLLOW: a link put in its place is not followed.
  const std::string temporary = TemporaryFilePath(path);
  const int fd =
      ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (fd < 0) return false;

  bool ok = !hadFile || ::fchmod(fd, old.st_mode & 07777) == 0;
  ok = ok && WriteAll(fd, contents) && ::fsync(fd) == 0;
  int error = ok ? 0 : errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (ok && ::rename(temporary.c_str(), path.c_str()) != 0) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    ::unlink(temporary.c_str());
    errno = error;
    return false;
  }
  // Makes the rename itself durable. Some file systems refuse to fsync a
  // folder; the new file is in place all the same.
  const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folderFd >= 0) {
    ::fsync(folderFd);
    ::close(folderFd);
  }
  return true;
}

// ---------------------------------------------------------------- parsed file

namespace {

// One line of the file as it stands, without its line end; the name fields
// tell what the store understood of it.
struct Line {
  enum Kind { Other, Section, Key };
  std::string text;
  bool crlf = false;  // ended in CR LF; the CR is not part of text
  Kind kind = Other;
  std::string name;         // folded section or key name
  std::size_t valueAt = 0;  // for a key: where the value starts in text
};

// What a line is, read from its text without its line end: a section
// header (name: the section's name), a key line (name: the key's name,
// valueAt: where its value starts) or anything else. Names are trimmed but
// not folded.
struct LineShape {
  Line::Kind kind = Line::Other;
  std::string_view name;
  std::size_t valueAt = 0;
};

LineShape ShapeOf(std::string_view line) {
  LineShape shape;
  const std::string_view text = Trim(line);
  if (text.empty() || text.front() == ';') return shape;
  if (text.front() == '[') {
    // A header without its ']' is junk, not a section: what follows stays
    // in the section before it.
    const std::size_t close = text.find(']');
    if (close == std::string_view::npos) return shape;
    shape.kind = Line::Section;
    shape.name = Trim(text.substr(1, close - 1));
    return shape;
  }
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return shape;
  const std::string_view key = Trim(line.substr(0, equals));
  if (key.empty()) return shape;
  shape.kind = Line::Key;
  shape.name = key;
  shape.valueAt = equals + 1;
  return shape;
}

void Classify(Line& line) {
  const LineShape shape = ShapeOf(line.text);
  line.kind = shape.kind;
  line.name = shape.kind == Line::Other ? std::string() : Fold(shape.name);
  line.valueAt = shape.valueAt;
}

// Folded section and key in one string: a section name holds no ']', so
// the separator cannot occur in it.
std::string IndexName(std::string_view foldedSection, std::string_view foldedKey) {
  std::string name;
  name.reserve(foldedSection.size() + 1 + foldedKey.size());
  name += foldedSection;
  name += ']';
  name += foldedKey;
  return name;
}

int LeadingInt(std::string_view value) {
  while (!value.empty() && IsBlank(value.front())) value.remove_prefix(1);
  bool negative = false;
  if (!value.empty() && (value.front() == '-' || value.front() == '+')) {
    negative = value.front() == '-';
    value.remove_prefix(1);
  }
  // Accumulated as a negative number, whose range reaches INT_MIN.
  long long number = 0;
  for (char c : value) {
    if (c < '0' || c > '9') break;
    number = number * 10 - (c - '0');
    if (number < static_cast<long long>(INT_MIN)) {
      number = static_cast<long long>(INT_MIN) - 1;
      break;
    }
  }
  if (negative) return number < INT_MIN ? INT_MIN : static_cast<int>(number);
  return -number > INT_MAX ? INT_MAX : static_cast<int>(-number);
}

}  // namespace

struct IniFileImage {
  bool loaded = false;  // lines hold the file as state and stamp say
  FileState state = FileState::Missing;
  FileStamp stamp;
  // The file as the store last saw it on disk, whether it kept the lines or
  // not: a file that differs from it has been changed by someone else.
  bool seen = false;
  FileState seenState = FileState::Missing;
  FileStamp seenStamp;
  std::vector<Line> lines;
  bool finalLineEnd = true;  // whether the last line ends with a line end
  bool crlfStyle = false;    // the file's first line ends in CR LF: new lines do so too
  // IndexName(section, key) -> the line of the first such key; built on the
  // first look-up after the lines have changed.
  std::unordered_map<std::string, std::size_t> keys;
  bool indexStale = false;
  uint64_t generation = 0;  // counts the changes made by others

  // Counts a change made by someone else when file differs from the one
  // last seen.
  void See(const DiskFile& file) {
    if (!seen || file.state != seenState ||
        (file.state == FileState::Present && file.stamp != seenStamp))
      ++generation;
    seen = true;
    seenState = file.state;
    seenStamp = file.stamp;
  }

  // Lets go of the lines, keeping what was seen.
  void Drop() {
    loaded = false;
    std::vector<Line>().swap(lines);
    std::unordered_map<std::string, std::size_t>().swap(keys);
    std::vector<PendingLine>().swap(pending);
    pendingKeys.clear();
    insertPoints.clear();
  }

  // New keys of sections the file has wait here until Merge puts them in
  // place, all at once: inserting each among the lines at once would cost a
  // pass over the whole file per key.
  struct PendingLine {
    std::size_t before;  // the line it goes in front of
    Line line;
    std::string indexName;
  };
  std::vector<PendingLine> pending;
  std::unordered_map<std::string, std::size_t> pendingKeys;   // IndexName -> pending
  std::unordered_map<std::string, std::size_t> insertPoints;  // folded section -> line

  void Parse(const std::string& contents) {
    lines.clear();
    pending.clear();
    pendingKeys.clear();
    insertPoints.clear();
    std::size_t start = 0;
    while (start < contents.size()) {
      std::size_t end = contents.find('\n', start);
      finalLineEnd = end != std::string::npos;
      if (!finalLineEnd) end = contents.size();
      Line line;
      line.text.assign(contents, start, end - start);
      // A CR that ends the file counts as a line end as well: kept in the
      // value, it would be lost the moment a line is put after it.
      if (!line.text.empty() && line.text.back() == '\r') {
        line.text.pop_back();
        line.crlf = true;
      }
      lines.push_back(std::move(line));
      start = end + 1;
    }
    if (contents.empty()) finalLineEnd = true;
    crlfStyle = !lines.empty() && lines.front().crlf;
    for (Line& line : lines) Classify(line);
    // Built on the first look-up: a caller that walks the keys needs none.
    keys.clear();
    indexStale = true;
  }

  // Keys before the first section belong to none and are never found.
  void Index() {
    keys.clear();
    keys.reserve(lines.size());
    const std::string* section = nullptr;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].kind == Line::Section)
        section = &lines[i].name;
      else if (lines[i].kind == Line::Key && section)
        keys.emplace(IndexName(*section, lines[i].name), i);
    }
    indexStale = false;
  }

  const std::unordered_map<std::string, std::size_t>& Keys() {
    if (indexStale) Index();
    return keys;
  }

  Line* Find(const std::string& section, const std::string& key) {
    if (!IsIniName(section, true) || !IsIniName(key, false)) return nullptr;
    return FindIndexed(IndexName(Fold(section), Fold(key)));
  }

  Line* FindIndexed(const std::string& indexName) {
    const auto& index = Keys();
    if (const auto it = index.find(indexName); it != index.end()) return &lines[it->second];
    if (const auto it = pendingKeys.find(indexName); it != pendingKeys.end())
      return &pending[it->second].line;
    return nullptr;
  }

  std::string Serialise() const {
    std::size_t size = 0;
    for (const Line& line : lines) size += line.text.size() + 2;
    std::string out;
    out.reserve(size);
    for (std::size_t i = 0; i < lines.size(); ++i) {
      out += lines[i].text;
      if (i + 1 < lines.size() || finalLineEnd)
        out += lines[i].crlf ? "\r\n" : "\n";
      else if (lines[i].crlf)
        out += '\r';  // the file ended in a CR without its LF
    }
    return out;
  }

  // Sets key to value: the first such key changed in place, or a new line
  // after the section's last key, or a new section at the end.
  void Set(const std::string& section, const std::string& key, const std::string& value) {
    const std::string wanted = Fold(section);
    const std::string indexName = IndexName(wanted, Fold(key));
    if (Line* line = FindIndexed(indexName)) {
      line->text.resize(line->valueAt);
      line->text += value;
      return;
    }
    Line added;
    added.text = key + "=" + value;
    added.crlf = crlfStyle;
    added.kind = Line::Key;
    added.name = Fold(key);
    added.valueAt = key.size() + 1;

    const std::size_t before = InsertPoint(wanted);
    if (before != std::string::npos) {
      pendingKeys.emplace(indexName, pending.size());
      pending.push_back({before, std::move(added), indexName});
      return;
    }
    // A new section goes at the end, its key after it.
    Merge();
    Line header;
    header.text = "[" + section + "]";
    header.crlf = crlfStyle;
    header.kind = Line::Section;
    header.name = wanted;
    lines.push_back(std::move(header));
    lines.push_back(std::move(added));
    finalLineEnd = true;
    if (!indexStale) keys.emplace(indexName, lines.size() - 1);
    insertPoints.clear();
  }

  // The line in front of which a new key of the section goes: after the
  // last key of the first section of that name, or right after its header
  // when it has none; npos when there is no such section.
  std::size_t InsertPoint(const std::string& foldedSection) {
    if (const auto it = insertPoints.find(foldedSection); it != insertPoints.end())
      return it->second;
    std::size_t at = 0;
    while (at < lines.size() &&
           !(lines[at].kind == Line::Section && lines[at].name == foldedSection))
      ++at;
    std::size_t point = std::string::npos;
    if (at < lines.size()) {
      point = at + 1;
      for (std::size_t i = at + 1; i < lines.size() && lines[i].kind != Line::Section; ++i)
        if (lines[i].kind == Line::Key) point = i + 1;
    }
    insertPoints.emplace(foldedSection, point);
    return point;
  }

  // Puts the pending lines in place, in one pass over the file.
  void Merge() {
    if (pending.empty()) return;
    std::stable_sort(pending.begin(), pending.end(),
                     [](const PendingLine& a, const PendingLine& b) {
                       return a.before < b.before;
                     });
    if (pending.front().before == lines.size()) {
      // All at the end, as in a file of one section: every line keeps its
      // place and the index stays good.
      for (PendingLine& p : pending) {
        lines.push_back(std::move(p.line));
        if (!indexStale) keys.emplace(std::move(p.indexName), lines.size() - 1);
      }
      finalLineEnd = true;
      pending.clear();
      pendingKeys.clear();
      insertPoints.clear();
      return;
    }
    std::vector<Line> merged;
    merged.reserve(lines.size() + pending.size());
    std::size_t next = 0;
    for (std::size_t i = 0; i <= lines.size(); ++i) {
      for (; next < pending.size() && pending[next].before == i; ++next)
        merged.push_back(std::move(pending[next].line));
      if (i < lines.size()) merged.push_back(std::move(lines[i]));
    }
    if (pending.back().before == lines.size()) finalLineEnd = true;
    lines = std::move(merged);
    pending.clear();
    pendingKeys.clear();
    insertPoints.clear();
    indexStale = true;
  }
};

int IniIntOfValue(std::string_view value) { return LeadingInt(value); }

bool IniNamesEqual(std::string_view a, std::string_view b) { return EqualsIgnoringAsciiCase(a, b); }

// ---------------------------------------------------------------- edits

std::optional<std::string_view> IniEdit::Value(const std::string& section,
                                               const std::string& key) const {
  const Line* line = file_.Find(section, key);
  if (!line) return std::nullopt;
  return std::string_view(line->text).substr(line->valueAt);
}

int IniEdit::ReadInt(const std::string& section, const std::string& key, int defaultValue) const {
  const std::optional<std::string_view> value = Value(section, key);
  if (!value || value->empty()) return defaultValue;
  return LeadingInt(*value);
}

std::string IniEdit::ReadString(const std::string& section, const std::string& key,
                                const std::string& defaultValue) const {
  const std::optional<std::string_view> value = Value(section, key);
  return std::string(
      (value ? *value : std::string_view(defaultValue)).substr(0, kIniValueCapacity - 1));
}

void IniEdit::ForEachKey(
    const std::string& section,
    const std::function<void(std::string_view key, std::string_view value)>& visit) const {
  if (!IsIniName(section, true)) return;
  file_.Merge();
  const std::string wanted = Fold(section);
  bool inSection = false;
  for (const Line& line : file_.lines) {
    if (line.kind == Line::Section) {
      inSection = line.name == wanted;
    } else if (line.kind == Line::Key && inSection) {
      const std::string_view text(line.text);
      visit(Trim(text.substr(0, line.valueAt - 1)), text.substr(line.valueAt));
    }
  }
}

bool IniEdit::Write(const std::string& section, const std::string& key, const std::string& value) {
  if (!IsIniName(section, true) || !IsIniName(key, false)) return false;
  std::string safeValue = value;
  for (char& c : safeValue)
    if (c == '\r' || c == '\n') c = ' ';
  file_.Set(section, key, safeValue);
  changed_ = true;
  return true;
}

uint64_t IniEdit::Generation() const { return file_.generation; }

// ---------------------------------------------------------------- the store

IniStore::IniStore() : IniStore(std::make_unique<IniDisk>()) {}
IniStore::IniStore(std::unique_ptr<IniDisk> disk) : disk_(std::move(disk)) {}
IniStore::~IniStore() = default;

IniFileImage& IniStore::Load(const std::string& path) {
  std::unique_ptr<IniFileImage>& slot = files_[path];
  if (!slot) slot = std::make_unique<IniFileImage>();
  IniFileImage& file = *slot;
  const DiskFile now = disk_->Look(path);
  if (file.loaded && now.state == file.state &&
      (now.state != FileState::Present || now.stamp == file.stamp))
    return file;
  DiskFile read = now.state == FileState::Present ? disk_->Read(path) : now;
  file.See(read);
  file.loaded = true;
  file.state = read.state;
  file.stamp = read.stamp;
  file.Parse(read.state == FileState::Present ? read.contents : std::string());
  return file;
}

int IniStore::ReadInt(const std::string& path, const std::string& section, const std::string& key,
                      int defaultValue) {
  std::lock_guard lock(mutex_);
  return IniEdit(Load(path)).ReadInt(section, key, defaultValue);
}

std::string IniStore::ReadString(const std::string& path, const std::string& section,
                                 const std::string& key, const std::string& defaultValue) {
  std::lock_guard lock(mutex_);
  return IniEdit(Load(path)).ReadString(section, key, defaultValue);
}

bool IniStore::WriteString(const std::string& path, const std::string& section,
                           const std::string& key, const std::string& value) {
  if (!IsIniName(section, true) || !IsIniName(key, false)) return false;
  return Transact(path, [&](IniEdit& edit) { return edit.Write(section, key, value); });
}

bool IniStore::Transact(const std::string& path, const std::function<bool(IniEdit&)>& edit,
                        StoreFailure* failure) {
  std::lock_guard lock(mutex_);
  auto fail = [&](StoreProblem problem, int error) {
    if (failure) *failure = {problem, path, error};
    return false;
  };
  errno = 0;
  const int fileLock = disk_->Lock(path);
  if (fileLock < 0) {
    const int error = errno;
    return fail(error == EWOULDBLOCK ? StoreProblem::Busy : ProblemOfError(error), error);
  }
  // Inside the lock nobody else changes the file: as read now, it stays
  // until the replace below.
  IniFileImage& file = Load(path);
  bool ok = file.state != FileState::Unreadable;
  if (!ok) fail(StoreProblem::Unreadable, 0);
  if (ok) {
    IniEdit editing(file);
    ok = edit(editing);
    if (!ok) fail(StoreProblem::None, 0);
    if (ok && editing.changed_) {
      file.Merge();
      errno = 0;
      ok = disk_->Replace(path, file.Serialise());
      if (!ok) {
        const int error = errno;
        fail(ProblemOfError(error), error);
      } else {
        const DiskFile now = disk_->Look(path);
        file.state = now.state;
        file.stamp = now.stamp;
        // Our own change: not one made by someone else.
        file.seenState = now.state;
        file.seenStamp = now.stamp;
        // Should the new file already be gone or replaced, read it afresh
        // next time.
        file.loaded = now.state == FileState::Present;
      }
    }
    // The lines in memory hold writes that did not reach the disk.
    if (!ok && editing.changed_) file.Drop();
  }
  disk_->Unlock(fileLock);
  return ok;
}

bool IniStore::LockIsFree(const std::string& path, StoreFailure* failure) {
  std::lock_guard lock(mutex_);
  errno = 0;
  const int fileLock = disk_->Lock(path);
  if (fileLock < 0) {
    const int error = errno;
    if (failure)
      *failure = {error == EWOULDBLOCK ? StoreProblem::Busy : ProblemOfError(error), path, error};
    return false;
  }
  disk_->Unlock(fileLock);
  return true;
}

IniScan IniStore::ScanSection(
    const std::string& path, const std::string& section, std::string& text,
    const std::function<void(std::string_view key, std::string_view value)>& visit) {
  std::lock_guard lock(mutex_);
  std::unique_ptr<IniFileImage>& slot = files_[path];
  if (!slot) slot = std::make_unique<IniFileImage>();
  IniFileImage& file = *slot;
  DiskFile read = disk_->Read(path);
  file.See(read);
  if (file.loaded && (read.state != file.state || read.stamp != file.stamp)) file.Drop();

  IniScan scan;
  scan.state = read.state;
  scan.generation = file.generation;
  text.clear();
  if (read.state != FileState::Present) return scan;
  text = std::move(read.contents);
  if (!IsIniName(section, true)) return scan;
  const std::string wanted = Fold(section);
  const std::string_view all(text);
  bool inSection = false;
  for (std::size_t start = 0; start < all.size();) {
    std::size_t end = all.find('\n', start);
    if (end == std::string_view::npos) end = all.size();
    std::string_view line = all.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    start = end + 1;
    const LineShape shape = ShapeOf(line);
    if (shape.kind == Line::Section)
      inSection = Fold(shape.name) == wanted;
    else if (shape.kind == Line::Key && inSection)
      visit(shape.name, line.substr(shape.valueAt));
  }
  return scan;
}

std::optional<std::string> IniStore::FindValue(const std::string& path, const std::string& section,
                                               const std::string& key) {
  if (!IsIniName(section, true) || !IsIniName(key, false)) return std::nullopt;
  // Not through the disk: a stream of lines is all this needs. O_NONBLOCK:
  // opening a FIFO must not wait for a writer.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return std::nullopt;
  }
  const std::string wanted = Fold(section);
  bool inSection = false;
  std::optional<std::string> found;
  // Takes one line without its line end; true when it was the key.
  auto take = [&](std::string& line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const LineShape shape = ShapeOf(line);
    if (shape.kind == Line::Section) {
      inSection = Fold(shape.name) == wanted;
    } else if (shape.kind == Line::Key && inSection && IniNamesEqual(shape.name, key)) {
      found = line.substr(shape.valueAt);
      return true;
    }
    return false;
  };
  std::string line;
  char buffer[65536];
  bool done = false;
  while (!done) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0 && !line.empty()) take(line);
      break;
    }
    std::string_view chunk(buffer, static_cast<std::size_t>(n));
    for (std::size_t end; !done && (end = chunk.find('\n')) != std::string_view::npos;) {
      line.append(chunk.substr(0, end));
      chunk.remove_prefix(end + 1);
      done = take(line);
      line.clear();
    }
    if (!done) line.append(chunk);
  }
  ::close(fd);
  return found;
}

void IniStore::Forget(const std::string& path) {
  std::lock_guard lock(mutex_);
  const auto it = files_.find(path);
  if (it == files_.end()) return;
  it->second->Drop();
#ifdef __GLIBC__
  // The lines were many small blocks: give their pages back at once, or
  // they stay counted against the program until reused.
  ::malloc_trim(0);
#endif
}

StoreProblem ProblemOfError(int error) {
  switch (error) {
    case EWOULDBLOCK: return StoreProblem::Busy;
    case ENOSPC:
    case EDQUOT: return StoreProblem::DiskFull;
    case EACCES: return StoreProblem::NotAllowed;
    case EPERM: return StoreProblem::ReadOnlyFile;
    case EROFS: return StoreProblem::ReadOnlyDisk;
    default: return StoreProblem::Other;
  }
}

std::string StoreFailureText(const StoreFailure& failure) {
  const std::string file = "\"" + failure.path + "\"";
  switch (failure.problem) {
    case StoreProblem::None: return {};
    case StoreProblem::Busy: return "Another program is using the file " + file + ".";
    case StoreProblem::Unreadable: return "The file " + file + " could not be read.";
    case StoreProblem::DiskFull:
      return "The file " + file + " could not be written: the disk is full.";
    case StoreProblem::NotAllowed:
      return "The file " + file + " could not be written: not allowed.";
    case StoreProblem::ReadOnlyFile:
      return "The file " + file + " could not be written: it is a read-only file.";
    case StoreProblem::ReadOnlyDisk:
      return "The file " + file + " could not be written: the disk is read-only.";
    case StoreProblem::Other: break;
  }
  if (failure.error == 0) return "The file " + file + " could not be written.";
  return "The file " + file + " could not be written: " +
         std::error_code(failure.error, std::generic_category()).message() + ".";
}

void IniStore::View(const std::string& path, const std::function<void(const IniEdit&)>& read) {
  std::lock_guard lock(mutex_);
  read(IniEdit(Load(path)));
}

}  // namespace kovalo
