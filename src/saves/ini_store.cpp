// The INI store: parsing, the per-path cache and the atomic file replace.
#include "saves/ini_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <string_view>

namespace kovalo {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Names are compared after folding ASCII letters only, whatever the locale.
std::string Fold(std::string_view s) {
  std::string folded(s);
  for (char& c : folded)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return folded;
}

FileStamp StampOf(const struct stat& st) {
  FileStamp stamp;
  stamp.device = st.st_dev;
  stamp.inode = st.st_ino;
  stamp.size = st.st_size;
  stamp.modifiedNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
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

// Distinguishes the temporary files of concurrent writers within a process;
// the process id in the name separates processes.
std::atomic<unsigned> temporaryCounter{0};

}  // namespace

bool IsIniName(const std::string& name, bool isSection) {
  if (name.empty() || IsBlank(name.front()) || IsBlank(name.back())) return false;
  if (name.find_first_of(isSection ? "\r\n]" : "\r\n=") != std::string::npos) return false;
  if (!isSection && (name.front() == ';' || name.front() == '[')) return false;
  return true;
}

// ---------------------------------------------------------------- disk access

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

bool ReplaceFileAtomically(const std::string& path, const std::string& contents) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.empty()) return false;

  std::string temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temporary = folder + (slash == std::string::npos ? "/." : ".") + name + "." +
                std::to_string(::getpid()) + "." + std::to_string(temporaryCounter++) + ".tmp";
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;

  bool ok = true;
  struct stat old;
  if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode))
    ok = ::fchmod(fd, old.st_mode & 07777) == 0;
  ok = ok && WriteAll(fd, contents) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  ok = ok && ::rename(temporary.c_str(), path.c_str()) == 0;
  if (!ok) {
    ::unlink(temporary.c_str());
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

// One line of the file as it stands, without its line end; the name fields
// tell what the store understood of it.
struct IniStore::Line {
  enum Kind { Other, Section, Key };
  std::string text;
  bool crlf = false;       // ended in CR LF; the CR is not part of text
  Kind kind = Other;
  std::string name;        // folded section or key name
  std::size_t valueAt = 0; // for a key: where the value starts in text
};

struct IniStore::File {
  bool loaded = false;
  FileState state = FileState::Missing;
  FileStamp stamp;
  std::vector<Line> lines;
  bool finalLineEnd = true;  // whether the last line ends with a line end
  bool crlfStyle = false;    // the file's first line ends in CR LF: new lines do so too
  // (folded section, folded key) -> the line of the first such key
  std::map<std::pair<std::string, std::string>, std::size_t> keys;

  void Parse(const std::string& contents) {
    lines.clear();
    std::size_t start = 0;
    while (start < contents.size()) {
      std::size_t end = contents.find('\n', start);
      finalLineEnd = end != std::string::npos;
      if (!finalLineEnd) end = contents.size();
      Line line;
      line.text.assign(contents, start, end - start);
      if (finalLineEnd && !line.text.empty() && line.text.back() == '\r') {
        line.text.pop_back();
        line.crlf = true;
      }
      lines.push_back(std::move(line));
      start = end + 1;
    }
    if (contents.empty()) finalLineEnd = true;
    crlfStyle = !lines.empty() && lines.front().crlf;
    for (Line& line : lines) Classify(line);
    Index();
  }

  static void Classify(Line& line) {
    const std::string_view text = Trim(line.text);
    line.kind = Line::Other;
    if (text.empty() || text.front() == ';') return;
    if (text.front() == '[') {
      // A header without its ']' is junk, not a section: what follows stays
      // in the section before it.
      const std::size_t close = text.find(']');
      if (close == std::string_view::npos) return;
      line.kind = Line::Section;
      line.name = Fold(Trim(text.substr(1, close - 1)));
      return;
    }
    const std::size_t equals = line.text.find('=');
    if (equals == std::string::npos) return;
    const std::string_view key = Trim(std::string_view(line.text).substr(0, equals));
    if (key.empty()) return;
    line.kind = Line::Key;
    line.name = Fold(key);
    line.valueAt = equals + 1;
  }

  // Keys before the first section belong to none and are never found.
  void Index() {
    keys.clear();
    const std::string* section = nullptr;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].kind == Line::Section)
        section = &lines[i].name;
      else if (lines[i].kind == Line::Key && section)
        keys.emplace(std::make_pair(*section, lines[i].name), i);
    }
  }

  const Line* Find(const std::string& section, const std::string& key) const {
    if (!IsIniName(section, true) || !IsIniName(key, false)) return nullptr;
    const auto it = keys.find({Fold(section), Fold(key)});
    return it == keys.end() ? nullptr : &lines[it->second];
  }

  std::string Serialise() const {
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      out += lines[i].text;
      if (i + 1 < lines.size() || finalLineEnd) out += lines[i].crlf ? "\r\n" : "\n";
    }
    return out;
  }

  // The lines with key set to value: the first such key changed in place, or
  // a new line after the section's last key, or a new section at the end.
  std::vector<Line> With(const std::string& section, const std::string& key,
                         const std::string& value, bool& newFinalLineEnd) const {
    std::vector<Line> result = lines;
    newFinalLineEnd = finalLineEnd;
    const auto found = keys.find({Fold(section), Fold(key)});
    if (found != keys.end()) {
      Line& line = result[found->second];
      line.text.resize(line.valueAt);
      line.text += value;
      return result;
    }
    Line added;
    added.text = key + "=" + value;
    added.crlf = crlfStyle;
    added.kind = Line::Key;
    added.name = Fold(key);
    added.valueAt = key.size() + 1;

    // After the last key of the first section of that name, or right after
    // its header when it has none.
    const std::string wanted = Fold(section);
    std::size_t at = 0;
    while (at < result.size() && !(result[at].kind == Line::Section && result[at].name == wanted))
      ++at;
    if (at < result.size()) {
      std::size_t insertAt = at + 1;
      for (std::size_t i = at + 1; i < result.size() && result[i].kind != Line::Section; ++i)
        if (result[i].kind == Line::Key) insertAt = i + 1;
      if (insertAt == result.size()) newFinalLineEnd = true;
      result.insert(result.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(added));
      return result;
    }
    Line header;
    header.text = "[" + section + "]";
    header.crlf = crlfStyle;
    header.kind = Line::Section;
    header.name = wanted;
    result.push_back(std::move(header));
    result.push_back(std::move(added));
    newFinalLineEnd = true;
    return result;
  }
};

// ---------------------------------------------------------------- the store

IniStore::IniStore() : IniStore(std::make_unique<IniDisk>()) {}
IniStore::IniStore(std::unique_ptr<IniDisk> disk) : disk_(std::move(disk)) {}
IniStore::~IniStore() = default;

IniStore::File& IniStore::Load(const std::string& path) {
  std::unique_ptr<File>& slot = files_[path];
  if (!slot) slot = std::make_unique<File>();
  File& file = *slot;
  const DiskFile now = disk_->Look(path);
  if (file.loaded && now.state == file.state &&
      (now.state != FileState::Present || now.stamp == file.stamp))
    return file;
  DiskFile read = now.state == FileState::Present ? disk_->Read(path) : now;
  file.loaded = true;
  file.state = read.state;
  file.stamp = read.stamp;
  file.Parse(read.state == FileState::Present ? read.contents : std::string());
  return file;
}

int IniStore::ReadInt(const std::string& path, const std::string& section, const std::string& key,
                      int defaultValue) {
  std::lock_guard lock(mutex_);
  const Line* line = Load(path).Find(section, key);
  if (!line || line->valueAt == line->text.size()) return defaultValue;
  std::string_view value = std::string_view(line->text).substr(line->valueAt);
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

std::string IniStore::ReadString(const std::string& path, const std::string& section,
                                 const std::string& key, const std::string& defaultValue) {
  std::lock_guard lock(mutex_);
  const Line* line = Load(path).Find(section, key);
  const std::string_view value =
      line ? std::string_view(line->text).substr(line->valueAt) : std::string_view(defaultValue);
  return std::string(value.substr(0, kIniValueCapacity - 1));
}

bool IniStore::WriteString(const std::string& path, const std::string& section,
                           const std::string& key, const std::string& value) {
  if (!IsIniName(section, true) || !IsIniName(key, false)) return false;
  std::string safeValue = value;
  for (char& c : safeValue)
    if (c == '\r' || c == '\n') c = ' ';

  std::lock_guard lock(mutex_);
  File& file = Load(path);
  if (file.state == FileState::Unreadable) return false;
  bool finalLineEnd = true;
  std::vector<Line> lines = file.With(section, key, safeValue, finalLineEnd);
  File updated;
  updated.lines = std::move(lines);
  updated.finalLineEnd = finalLineEnd;
  if (!disk_->Replace(path, updated.Serialise())) return false;

  file.lines = std::move(updated.lines);
  file.finalLineEnd = finalLineEnd;
  file.Index();
  const DiskFile now = disk_->Look(path);
  file.state = now.state;
  file.stamp = now.stamp;
  // Should the new file already be gone or replaced, read it afresh next time.
  file.loaded = now.state == FileState::Present;
  return true;
}

}  // namespace kovalo
