// The INI store on any file bytes: a scan and a walk of a section find the
// same keys; every key a section lists is found with
// the value listed first for its name; a write is read back as written,
// leaves every other key as it was, and writing a key's own value back
// leaves the file byte for byte as it was.
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "fuzz_check.h"
#include "saves/ini_store.h"

using namespace kovalo;

namespace {

// Files in memory: no disk, no locks, a new stamp for every replace.
class MemoryDisk : public IniDisk {
 public:
  std::map<std::string, std::string> files;
  ino_t replaces = 0;

  DiskFile Look(const std::string& path) override {
    DiskFile file;
    const auto it = files.find(path);
    if (it == files.end()) return file;
    file.state = FileState::Present;
    file.stamp.inode = replaces + 1;
    file.stamp.size = static_cast<off_t>(it->second.size());
    return file;
  }
  DiskFile Read(const std::string& path) override {
    DiskFile file = Look(path);
    if (file.state == FileState::Present) file.contents = files[path];
    return file;
  }
  bool Replace(const std::string& path, const std::string& contents) override {
    files[path] = contents;
    ++replaces;
    return true;
  }
  int Lock(const std::string&) override { return 1; }
  void Unlock(int) override {}
};

const std::string kPath = "/saves/Saves.ini";

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::string Folded(std::string_view s) {
  std::string folded(s);
  for (char& c : folded)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return folded;
}

// The names of the "[name]" lines, as this target reads them on its own.
std::vector<std::string> SectionNames(std::string_view contents) {
  std::vector<std::string> names;
  size_t start = 0;
  while (start < contents.size() && names.size() < 16) {
    size_t end = contents.find('\n', start);
    if (end == std::string_view::npos) end = contents.size();
    std::string_view line = TrimBlanks(contents.substr(start, end - start));
    start = end + 1;
    if (line.empty() || line.front() != '[') continue;
    const size_t close = line.find(']');
    if (close == std::string_view::npos) continue;
    const std::string name(TrimBlanks(line.substr(1, close - 1)));
    if (IsIniName(name, true)) names.push_back(name);
  }
  return names;
}

struct Key {
  std::string section, key, value;
};

// Every key the sections list that the store can find by name, with the
// value listed first for that name.
std::vector<Key> ListedKeys(IniStore& store, const std::vector<std::string>& sections) {
  std::vector<Key> keys;
  std::map<std::string, std::vector<std::pair<std::string, std::string>>> scanned;
  for (const std::string& section : sections) {
    if (!scanned.try_emplace(section).second) continue;  // a name listed twice
    std::string text;
    store.ScanSection(kPath, section, text, [&](std::string_view key, std::string_view value) {
      scanned[section].emplace_back(key, value);
    });
  }
  store.View(kPath, [&](const IniEdit& edit) {
    for (const std::string& section : sections) {
      std::map<std::string, std::string> first;
      edit.ForEachKey(section, [&](std::string_view key, std::string_view value) {
        const std::string name(key);
        if (IsIniName(name, false)) first.emplace(Folded(name), std::string(value));
      });
      // A scan of the bytes finds the keys a walk of the parsed file does.
      std::vector<std::pair<std::string, std::string>> walked;
      edit.ForEachKey(section, [&](std::string_view key, std::string_view value) {
        walked.emplace_back(key, value);
      });
      FUZZ_CHECK(walked == scanned[section]);
      for (const auto& [name, value] : first) {
        const std::optional<std::string_view> found = edit.Value(section, name);
        FUZZ_CHECK(found && *found == value);
        FUZZ_CHECK(edit.ReadString(section, name) == value.substr(0, kIniValueCapacity - 1));
        keys.push_back({section, name, value});
      }
    }
  });
  return keys;
}

std::string Safe(std::string value) {
  for (char& c : value)
    if (c == '\r' || c == '\n') c = ' ';
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string contents(fuzz::Bytes(data, size));
  auto disk = std::make_unique<MemoryDisk>();
  MemoryDisk& files = *disk;
  files.files[kPath] = contents;
  IniStore store(std::move(disk));

  const std::vector<std::string> sections = SectionNames(contents);
  const std::vector<Key> before = ListedKeys(store, sections);

  // A key's own value written back changes nothing on disk.
  if (!before.empty() && before.front().value.find('\r') == std::string::npos) {
    const Key& k = before.front();
    FUZZ_CHECK(store.WriteString(kPath, k.section, k.key, k.value));
    FUZZ_CHECK(files.files[kPath] == contents);
  }

  // Writes of one transaction: a key that is there (or not), a new key of a
  // section that is there, a key of a new section; values from the input.
  std::vector<Key> writes;
  const std::string section = sections.empty() ? "Fuzz" : sections.front();
  const std::string tail = contents.substr(contents.size() - std::min<size_t>(contents.size(), 24));
  writes.push_back({section, before.empty() ? "Key" : before.front().key, tail + "\r\n[x]"});
  writes.push_back({section, "FuzzNewKey", contents.substr(0, std::min<size_t>(size, 8))});
  writes.push_back({"FuzzNewSection", "K", "v3"});
  if (sections.size() > 1) writes.push_back({sections.back(), "FuzzLastKey", "v4"});
  FUZZ_CHECK(store.Transact(kPath, [&](IniEdit& edit) {
    for (const Key& w : writes) FUZZ_CHECK(edit.Write(w.section, w.key, w.value));
    return true;
  }));
  const std::string written = files.files[kPath];

  // Read back by a store of its own, from the bytes alone.
  auto fresh = std::make_unique<MemoryDisk>();
  fresh->files[kPath] = written;
  IniStore again(std::move(fresh));
  auto isWritten = [&](const std::string& s, const std::string& k) {
    for (const Key& w : writes)
      if (Folded(w.section) == Folded(s) && Folded(w.key) == Folded(k)) return true;
    return false;
  };
  again.View(kPath, [&](const IniEdit& edit) {
    for (size_t i = 0; i < writes.size(); ++i) {
      // The last write of a name counts.
      bool later = false;
      for (size_t j = i + 1; j < writes.size(); ++j)
        later = later || (Folded(writes[j].section) == Folded(writes[i].section) &&
                          Folded(writes[j].key) == Folded(writes[i].key));
      if (later) continue;
      const std::optional<std::string_view> value = edit.Value(writes[i].section, writes[i].key);
      FUZZ_CHECK(value && *value == Safe(writes[i].value));
    }
    for (const Key& k : before) {
      if (isWritten(k.section, k.key)) continue;
      const std::optional<std::string_view> value = edit.Value(k.section, k.key);
      FUZZ_CHECK(value && *value == k.value);
    }
  });
  return 0;
}
