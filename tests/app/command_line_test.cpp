// The program's own options, read before the toolkit starts.
#include <gtest/gtest.h>

#include <vector>

#include "app/command_line.h"

namespace kovalo {
namespace {

TEST(CommandLine, OptionsChooseWhatTheProgramDoes) {
  using Action = CommandLine::Action;
  struct Row {
    std::vector<const char*> args;
    Action action;
    bool dataFolder;
    const char* error;
  };
  const Row rows[] = {
      {{}, Action::Run, false, ""},
      {{"--data-folder"}, Action::Run, true, ""},
      {{"-platform", "offscreen", "--data-folder"}, Action::Run, true, ""},
      {{"-style", "Fusion"}, Action::Run, false, ""},
      {{"--help"}, Action::Help, false, ""},
      {{"-h", "--bogus"}, Action::Help, false, ""},
      {{"--data-folder", "--version"}, Action::Version, true, ""},
      {{"--data-folder=x"}, Action::Error, false, "unknown option --data-folder=x"},
      {{"--bogus", "--help"}, Action::Error, false, "unknown option --bogus"},
  };
  for (const Row& row : rows) {
    std::vector<const char*> argv{"kovalo"};
    argv.insert(argv.end(), row.args.begin(), row.args.end());
    const CommandLine line = ReadCommandLine(static_cast<int>(argv.size()), argv.data());
    std::string joined;
    for (const char* a : row.args) joined += std::string(a) + " ";
    EXPECT_EQ(line.action, row.action) << joined;
    EXPECT_EQ(line.dataFolder, row.dataFolder) << joined;
    EXPECT_EQ(line.error, row.error) << joined;
  }
}

TEST(CommandLine, TheFirstArgumentThatIsNoOptionIsThePuzzleFile) {
  const std::vector<std::pair<std::vector<const char*>, std::string>> rows = {
      {{}, ""},
      {{"--data-folder"}, ""},
      {{"puzzle.sdk"}, "puzzle.sdk"},
      {{"--data-folder", "a b.ss", "other.sdm"}, "a b.ss"},
      {{"-reverse", "/tmp/p.txt"}, "/tmp/p.txt"},
  };
  for (const auto& [args, file] : rows) {
    std::vector<const char*> argv{"kovalo"};
    argv.insert(argv.end(), args.begin(), args.end());
    EXPECT_EQ(PuzzleFileArgument(static_cast<int>(argv.size()), argv.data()), file);
  }
}

TEST(CommandLine, HelpNamesEveryOption) {
  const std::string help = HelpText();
  for (const char* option : {"--data-folder", "--help", "--version", "XDG_DATA_HOME"})
    EXPECT_NE(help.find(option), std::string::npos) << option;
  EXPECT_EQ(VersionText().rfind("kovalo ", 0), 0u);
}

}  // namespace
}  // namespace kovalo
