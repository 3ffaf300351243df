// The program's command line: the few options it reads itself before the
// toolkit starts, so that --help and --version answer without a display.
#pragma once

#include <string>

namespace kovalo {

struct CommandLine {
  enum class Action { Run, Help, Version, Error };
  Action action = Action::Run;
  bool dataFolder = false;  // --data-folder: keep the saves in the user's data folder
  std::string error;        // for Error: what was wrong, one line
};

// Reads argv[1..argc). Arguments that do not start with "--" are left to
// the toolkit (its -platform, -style and the like); an unknown "--" option
// is an error.
CommandLine ReadCommandLine(int argc, const char* const* argv);

// The puzzle file named on the command line, once the toolkit has taken its
// own options out of argv: the first argument that does not start with '-';
// empty when there is none.
std::string PuzzleFileArgument(int argc, const char* const* argv);

std::string HelpText();
std::string VersionText();

}  // namespace kovalo
