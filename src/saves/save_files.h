// Where the saves live: the working folder, the current and the previous
// month's save file, the folder creation for a save path, and the user
// puzzle counter kept as "Count" in the current month's file.
#pragma once

#include <ctime>
#include <string>

#include "saves/ini_store.h"

namespace kovalo {

// The one section of every save file.
inline constexpr const char* kSavesSection = "Sudoku";
// Puzzles typed in by hand are numbered from here on.
constexpr int kFirstUserPuzzleNumber = 10000;

// The process's current folder ending in '/'; "./" when it cannot be read
// (it was removed, say), which names the same folder for as long as the
// program does not change it.
std::string CurrentFolder();

// "<folder>Saves/Sudoku MM-YYYY.ini"; folder ends in '/'.
std::string MonthFilePath(const std::string& folder, int month, int year);

// Makes sure every folder of a file path exists. Returns 0 on success and 1
// on failure: a path of 1999 characters or more, a folder that cannot be
// made, or something that is not a folder standing in the way. Before that,
// every "/../" takes the folder name before it away (a leading one only loses
// its "/..") and double quotes become single quotes. Each '/' of a relative
// path ends a folder to make; for an absolute path the first '/' is the root.
int EnsureFolderForPath(const std::string& path);

class SaveFiles {
 public:
  // folder: the working folder as read at start-up (see CurrentFolder); a
  // '/' is added when it has none, and an empty one means "./".
  // startUp: the start-up moment; both file paths follow from its local date.
  SaveFiles(IniStore& store, std::string folder, std::time_t startUp);

  const std::string& folder() const { return folder_; }
  const std::string& currentMonthPath() const { return currentMonthPath_; }
  const std::string& previousMonthPath() const { return previousMonthPath_; }

  // Makes the Saves folder of the current month's file; 0 on success, 1 on
  // failure, as EnsureFolderForPath.
  int EnsureSavesFolder() const;

  // "Count" of the current month's file plus 1, but at least
  // kFirstUserPuzzleNumber (a missing key counts as 0).
  int ReadUserPuzzleCounter() const;
  // Writes counter as "Count" of the current month's file; false when the
  // file could not be written.
  bool WriteCount(int counter) const;

  IniStore& store() const { return store_; }

 private:
  IniStore& store_;
  std::string folder_;
  std::string currentMonthPath_;
  std::string previousMonthPath_;
};

}  // namespace kovalo
