// Kovalo: play and solve 9 x 9 Sudoku puzzles.
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "app/command_line.h"
#include "app/kovalo_app.h"
#include "saves/data_folder.h"
#include "saves/save_files.h"

int main(int argc, char** argv) {
  // The program's own options first: --help and --version need no display.
  const kovalo::CommandLine line = kovalo::ReadCommandLine(argc, argv);
  switch (line.action) {
    case kovalo::CommandLine::Action::Help:
      std::fputs(kovalo::HelpText().c_str(), stdout);
      return 0;
    case kovalo::CommandLine::Action::Version:
      std::fputs(kovalo::VersionText().c_str(), stdout);
      return 0;
    case kovalo::CommandLine::Action::Error:
      std::fprintf(stderr, "kovalo: %s\nTry 'kovalo --help'.\n", line.error.c_str());
      return 2;
    case kovalo::CommandLine::Action::Run: break;
  }
  // No thread runs yet and nothing in the program sets the environment.
  const char* xdgDataHome = std::getenv("XDG_DATA_HOME");  // NOLINT(concurrency-mt-unsafe)
  const char* home = std::getenv("HOME");                  // NOLINT(concurrency-mt-unsafe)
  const std::string folder =
      kovalo::ChooseWorkingFolder(line.dataFolder, xdgDataHome, home, kovalo::CurrentFolder());
  kovalo::CKovaloApp app(argc, argv);
  if (folder.empty()) return app.ShowNoDataFolder();
  // The toolkit has taken its own options out of argv by now. A relative
  // name is of the folder the program was started in.
  std::string puzzleFile = kovalo::PuzzleFileArgument(argc, argv);
  if (!puzzleFile.empty()) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(puzzleFile, error);
    if (!error) puzzleFile = absolute.string();
  }
  // The Saves folder is made below folder (the data folder with
  // --data-folder), so the current folder need not change.
  return app.Run(folder, puzzleFile);
}
