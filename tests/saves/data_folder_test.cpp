// The working folder the program picks: the data folder under the base
// directory rules when asked for, made when missing, else the current one.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "saves/data_folder.h"
#include "temp_dir.h"

namespace kovalo {
namespace {

constexpr const char* kUnset = nullptr;

TEST(DataFolder, NameFollowsTheBaseDirectoryRules) {
  struct Row {
    const char* xdgDataHome;
    const char* home;
    const char* expected;
  };
  const Row rows[] = {
      {"/data", "/home/ann", "/data/kovalo/"},
      {"/data/", "/home/ann", "/data/kovalo/"},
      {kUnset, "/home/ann", "/home/ann/.local/share/kovalo/"},
      {"", "/home/ann", "/home/ann/.local/share/kovalo/"},
      {"relative/data", "/home/ann", "/home/ann/.local/share/kovalo/"},
      {"./data", "/home/ann/", "/home/ann/.local/share/kovalo/"},
      {"~/data", "/home/ann", "/home/ann/.local/share/kovalo/"},
      {"/data", kUnset, "/data/kovalo/"},
      {kUnset, kUnset, ""},
      {"", "", ""},
      {"data", "home", ""},
      {kUnset, "/", "/.local/share/kovalo/"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(XdgDataFolder(row.xdgDataHome, row.home), row.expected)
        << "XDG_DATA_HOME=" << (row.xdgDataHome ? row.xdgDataHome : "(unset)")
        << " HOME=" << (row.home ? row.home : "(unset)");
  }
}

TEST(DataFolder, ChoiceMakesTheDataFolderOnlyWhenAskedFor) {
  testing::TempDir temp;
  const std::string home = temp / "home";
  const std::string xdg = temp / "xdg";
  const std::string current = temp / "current/";
  struct Row {
    bool useDataFolder;
    const char* xdgDataHome;
    const char* home;
    std::string expected;
  };
  const Row rows[] = {
      {false, xdg.c_str(), home.c_str(), current},
      {false, kUnset, kUnset, current},
      {true, xdg.c_str(), home.c_str(), xdg + "/kovalo/"},
      {true, kUnset, home.c_str(), home + "/.local/share/kovalo/"},
      {true, "", home.c_str(), home + "/.local/share/kovalo/"},
      {true, "xdg", home.c_str(), home + "/.local/share/kovalo/"},
      {true, kUnset, "home", ""},
      {true, kUnset, kUnset, ""},
  };
  for (const Row& row : rows) {
    std::filesystem::remove_all(home);
    std::filesystem::remove_all(xdg);
    const std::string chosen =
        ChooseWorkingFolder(row.useDataFolder, row.xdgDataHome, row.home, current);
    SCOPED_TRACE(::testing::Message() << "data folder " << row.useDataFolder << " XDG_DATA_HOME="
                                      << (row.xdgDataHome ? row.xdgDataHome : "(unset)")
                                      << " HOME=" << (row.home ? row.home : "(unset)"));
    EXPECT_EQ(chosen, row.expected);
    if (row.useDataFolder && !row.expected.empty()) {
      EXPECT_TRUE(std::filesystem::is_directory(chosen));
      struct stat st;
      ASSERT_EQ(::stat(chosen.c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & 0777, 0700u);
    } else {
      // Nothing is made when the current folder is kept or no name follows.
      EXPECT_FALSE(std::filesystem::exists(home));
      EXPECT_FALSE(std::filesystem::exists(xdg));
    }
  }
}

TEST(DataFolder, ExistingFolderIsKeptAndAFileInTheWayFails) {
  testing::TempDir temp;
  // Already there, with saves in it: used as it is.
  std::filesystem::create_directories(temp / "xdg/kovalo/Saves");
  testing::WriteBytes(temp / "xdg/kovalo/Saves/Sudoku 01-2026.ini", "[Sudoku]\n");
  const std::string xdg = temp / "xdg";
  EXPECT_EQ(ChooseWorkingFolder(true, xdg.c_str(), nullptr, "/unused/"), xdg + "/kovalo/");
  EXPECT_EQ(testing::ReadBytes(temp / "xdg/kovalo/Saves/Sudoku 01-2026.ini"), "[Sudoku]\n");

  // A plain file where a folder must go: no working folder.
  testing::WriteBytes(temp / "file", "x");
  const std::string blocked = temp / "file";
  EXPECT_EQ(ChooseWorkingFolder(true, blocked.c_str(), nullptr, "/unused/"), "");
  EXPECT_EQ(MakeDataFolder(temp / "file/kovalo/"), 1);
  EXPECT_EQ(MakeDataFolder(""), 1);
}

}  // namespace
}  // namespace kovalo
