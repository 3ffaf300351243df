// The per-user data folder: its name from the environment, and its making.
#include "saves/data_folder.h"

#include <sys/stat.h>

#include <cerrno>

namespace kovalo {

namespace {

bool IsAbsolute(const char* path) { return path && path[0] == '/'; }

std::string WithSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace

std::string XdgDataFolder(const char* xdgDataHome, const char* home) {
  if (IsAbsolute(xdgDataHome)) return WithSlash(xdgDataHome) + "kovalo/";
  if (IsAbsolute(home)) return WithSlash(home) + ".local/share/kovalo/";
  return {};
}

int MakeDataFolder(const std::string& folder) {
  if (folder.empty()) return 1;
  // Each prefix that ends before a '/', then the whole path.
  for (std::size_t end = 1; end <= folder.size(); ++end) {
    if (end < folder.size() && folder[end] != '/') continue;
    const std::string part = folder.substr(0, end);
    if (part.back() == '/') continue;
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return 1;
    struct stat st;
    if (::stat(part.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return 1;
  }
  return 0;
}

}  // namespace kovalo

namespace kovalo {

std::string ChooseWorkingFolder(bool useDataFolder, const char* xdgDataHome, const char* home,
                                const std::string& currentFolder) {
  if (!useDataFolder) return currentFolder;
  std::string folder = XdgDataFolder(xdgDataHome, home);
  if (folder.empty() || MakeDataFolder(folder) != 0) return {};
  return folder;
}

}  // namespace kovalo
