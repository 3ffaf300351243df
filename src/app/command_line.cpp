// The program's own command-line options and their texts.
#include "app/command_line.h"

#include <string_view>

#ifndef KOVALO_VERSION
#define KOVALO_VERSION "1.0"
#endif

namespace kovalo {

CommandLine ReadCommandLine(int argc, const char* const* argv) {
  CommandLine line;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      line.action = CommandLine::Action::Help;
      return line;
    }
    if (arg == "--version") {
      line.action = CommandLine::Action::Version;
      return line;
    }
    if (arg == "--data-folder") {
      line.dataFolder = true;
    } else if (arg.starts_with("--")) {
      line.action = CommandLine::Action::Error;
      line.error = "unknown option " + std::string(arg);
      return line;
    }
  }
  return line;
}

std::string PuzzleFileArgument(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i)
    if (argv[i][0] != '-') return argv[i];
  return {};
}

std::string HelpText() {
  return "Usage: kovalo [--data-folder] [Qt options] [FILE]\n"
         "Play and solve 9 x 9 Sudoku puzzles.\n"
         "\n"
         "FILE is a puzzle to start with: a line of 81 digits ('0' or '.' for a\n"
         "blank), a 9 x 9 grid (.ss, .sdk) or an .sdm file (its first puzzle).\n"
         "\n"
         "Options:\n"
         "  --data-folder  keep the Saves folder in $XDG_DATA_HOME/kovalo\n"
         "                 (~/.local/share/kovalo when XDG_DATA_HOME is not set),\n"
         "                 made when missing; without it, below the current folder\n"
         "  -h, --help     show this help and end\n"
         "  --version      show the version and end\n"
         "\n"
         "The bundled puzzle sites are served by kovalo-sites, started on demand\n"
         "from the program's own folder or else from PATH.\n";
}

std::string VersionText() { return "kovalo " KOVALO_VERSION "\n"; }

}  // namespace kovalo
