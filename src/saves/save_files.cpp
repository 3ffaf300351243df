// The save files' folder and paths, folder creation and the "Count" key.
#include "saves/save_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <optional>
#include <string_view>
#include <vector>

namespace kovalo {

namespace {

bool IsFolder(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

struct MonthAndYear {
  int month;
  int year;
};

MonthAndYear LocalMonthOf(std::time_t moment) {
  std::tm fields{};
  if (!::localtime_r(&moment, &fields)) return {1, 1970};
  return {fields.tm_mon + 1, fields.tm_year + 1900};
}

}  // namespace

std::string CurrentFolder() {
  std::vector<char> buffer(4096);
  while (!::getcwd(buffer.data(), buffer.size())) {
    if (errno != ERANGE || buffer.size() > (1u << 20)) return "./";
    buffer.resize(buffer.size() * 2);
  }
  std::string folder(buffer.data());
  if (folder.empty()) return "./";
  if (folder.back() != '/') folder += '/';
  return folder;
}

std::string MonthFilePath(const std::string& folder, int month, int year) {
  char name[64];
  std::snprintf(name, sizeof name, "Sudoku %02d-%04d.ini", month, year);
  return folder + "Saves/" + name;
}

int EnsureFolderForPath(const std::string& path) {
  if (path.size() >= 1999) return 1;

  std::string work = path;
  // "x/../" goes away with the folder name x before it. At the root there is
  // no such name and only "/.." goes: "/../a" is "/a".
  for (std::size_t at; (at = work.find("/../")) != std::string::npos;) {
    const std::size_t before = at == 0 ? std::string::npos : work.rfind('/', at - 1);
    if (before != std::string::npos)
      work.erase(before, at + 3 - before);
    else if (at == 0)
      work.erase(0, 3);
    else
      work.erase(0, at + 4);  // a relative path's first folder
  }
  std::replace(work.begin(), work.end(), '"', '\'');

  // Paths here have no server part: one that begins with "//" is an
  // ordinary absolute path.
  const std::size_t last = work.rfind('/');
  if (last == std::string::npos || last == 0) return 0;  // in the current folder or the root
  const std::string folder = work.substr(0, last);
  if (IsFolder(folder)) return 0;

  // Every folder from the top down; a prefix ending in '/' (from "//") names
  // the same folder as the one before it.
  for (std::size_t end = 1; end <= folder.size(); ++end) {
    if (end < folder.size() && folder[end] != '/') continue;
    if (folder[end - 1] == '/') continue;
    const std::string prefix = folder.substr(0, end);
    if (IsFolder(prefix)) continue;
    // Someone else may make it at the same moment: what counts is that it
    // exists afterwards. A folder made here is its owner's alone: other
    // users of the machine have no business with the saves or their locks.
    ::mkdir(prefix.c_str(), 0700);
    if (!IsFolder(prefix)) return 1;
  }
  return 0;
}

SaveFiles::SaveFiles(IniStore& store, std::string folder, std::time_t startUp)
    : store_(store), folder_(std::move(folder)) {
  if (folder_.empty()) folder_ = "./";
  if (folder_.back() != '/') folder_ += '/';

  const MonthAndYear current = LocalMonthOf(startUp);
  currentMonthPath_ = MonthFilePath(folder_, current.month, current.year);

  // (day of month + 2) days back always lands in the previous month, even
  // across a daylight-saving change or on the 1st.
  std::tm fields{};
  const int dayOfMonth = ::localtime_r(&startUp, &fields) ? fields.tm_mday : 1;
  const MonthAndYear previous =
      LocalMonthOf(startUp - static_cast<std::time_t>(dayOfMonth + 2) * 86400);
  previousMonthPath_ = MonthFilePath(folder_, previous.month, previous.year);
}

int SaveFiles::EnsureSavesFolder() const { return EnsureFolderForPath(currentMonthPath_); }

int SaveFiles::ReadUserPuzzleCounter() const {
  // Read a line at a time: a long month's file need not be in memory for it.
  const std::optional<std::string> value =
      store_.FindValue(currentMonthPath_, kSavesSection, "Count");
  const long long count = value && !value->empty() ? IniIntOfValue(*value) : 0;
  return static_cast<int>(std::clamp(count + 1, static_cast<long long>(kFirstUserPuzzleNumber),
                                     static_cast<long long>(INT_MAX)));
}

bool SaveFiles::WriteCount(int counter) const {
  const bool written =
      store_.WriteString(currentMonthPath_, kSavesSection, "Count", std::to_string(counter));
  store_.Forget(currentMonthPath_);
  return written;
}

}  // namespace kovalo
