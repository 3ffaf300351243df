// One copy of the program as the save tests run it: its own store over one
// working folder, the month files of December 2026 listed at start-up.
#pragma once

#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "saves/save_book.h"
#include "support/local_time.h"
#include "temp_dir.h"

namespace kovalo::testing {

inline const std::time_t kStartUp = LocalMoment(2026, 12, 7, 14, 5, 9);

inline std::string CurrentPath(const TempDir& dir) { return dir / "Saves/Sudoku 12-2026.ini"; }
inline std::string PreviousPath(const TempDir& dir) { return dir / "Saves/Sudoku 11-2026.ini"; }

// A program's view of one working folder, as a second copy of the program
// would have it; disk, when given, is its store's file system.
struct Program {
  IniStore store;
  SaveFiles files;
  SaveBook book{files};
  std::string startUpMessage;  // what start-up said of the month files

  explicit Program(const std::string& folder, std::unique_ptr<IniDisk> disk = nullptr)
      : store(disk ? std::move(disk) : std::make_unique<IniDisk>()),
        files(store, folder, kStartUp) {
    files.EnsureSavesFolder();
    startUpMessage = book.Load();
  }
};

}  // namespace kovalo::testing
