// The save files' paths by month, folder creation for a save path, and the
// user puzzle counter kept as "Count".
#include "saves/save_files.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "support/local_time.h"
#include "temp_dir.h"

namespace kovalo {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

using testing::LocalMoment;

// ---------------------------------------------------------------- paths

TEST(SaveFilesPaths, CurrentAndPreviousMonthOfTheStartUpDate) {
  struct Case {
    int year, month, day, hour, minute, second;
    const char* current;
    const char* previous;
  };
  const Case cases[] = {
      {2026, 12, 7, 14, 5, 9, "12-2026", "11-2026"},
      {2027, 1, 1, 0, 0, 0, "01-2027", "12-2026"},
      {2027, 1, 1, 12, 0, 0, "01-2027", "12-2026"},
      {2027, 1, 31, 23, 59, 59, "01-2027", "12-2026"},
      {2026, 12, 31, 23, 59, 59, "12-2026", "11-2026"},
      {2024, 3, 1, 12, 0, 0, "03-2024", "02-2024"},
      {2025, 3, 31, 12, 0, 0, "03-2025", "02-2025"},
      {2026, 7, 31, 12, 0, 0, "07-2026", "06-2026"},
      {2026, 3, 29, 2, 30, 0, "03-2026", "02-2026"},
      {2026, 10, 25, 2, 30, 0, "10-2026", "09-2026"},
      {2100, 1, 1, 12, 0, 0, "01-2100", "12-2099"},
  };
  IniStore store;
  for (const Case& c : cases) {
    const SaveFiles files(store, "/home/player/",
                          LocalMoment(c.year, c.month, c.day, c.hour, c.minute, c.second));
    const std::string when = std::to_string(c.year) + "-" + std::to_string(c.month) + "-" +
                             std::to_string(c.day) + " " + std::to_string(c.hour) + ":" +
                             std::to_string(c.minute);
    EXPECT_EQ(files.currentMonthPath(),
              std::string("/home/player/Saves/Sudoku ") + c.current + ".ini")
        << when;
    EXPECT_EQ(files.previousMonthPath(),
              std::string("/home/player/Saves/Sudoku ") + c.previous + ".ini")
        << when;
  }
}

// The months follow the local date, not the UTC one.
TEST(SaveFilesPaths, TheLocalDateCounts) {
  const char* oldZone = std::getenv("TZ");
  const std::optional<std::string> saved =
      oldZone ? std::optional<std::string>(oldZone) : std::nullopt;
  const std::time_t newYearUtc = 1798761600;  // 1 January 2027, 00:00:00 UTC
  struct Case {
    const char* zone;
    const char* current;
    const char* previous;
  };
  const Case cases[] = {
      {"UTC0", "01-2027", "12-2026"},
      {"XST5", "12-2026", "11-2026"},  // 31 December, 19:00
      {"XST-9", "01-2027", "12-2026"},
  };
  IniStore store;
  for (const Case& c : cases) {
    ::setenv("TZ", c.zone, 1);
    ::tzset();
    const SaveFiles files(store, "/s/", newYearUtc);
    EXPECT_EQ(files.currentMonthPath(), std::string("/s/Saves/Sudoku ") + c.current + ".ini")
        << c.zone;
    EXPECT_EQ(files.previousMonthPath(), std::string("/s/Saves/Sudoku ") + c.previous + ".ini")
        << c.zone;
  }
  if (saved)
    ::setenv("TZ", saved->c_str(), 1);
  else
    ::unsetenv("TZ");
  ::tzset();
}

TEST(SaveFilesPaths, TheFolderEndsInASlash) {
  const std::pair<std::string, std::string> cases[] = {
      {"/home/player", "/home/player/"},
      {"/home/player/", "/home/player/"},
      {"/", "/"},
      {"", "./"},
  };
  IniStore store;
  const std::time_t moment = LocalMoment(2026, 12, 7, 12, 0, 0);
  for (const auto& [given, folder] : cases) {
    const SaveFiles files(store, given, moment);
    EXPECT_EQ(files.folder(), folder) << "\"" << given << "\"";
    EXPECT_EQ(files.currentMonthPath(), folder + "Saves/Sudoku 12-2026.ini");
  }

  char buffer[4096];
  ASSERT_NE(::getcwd(buffer, sizeof buffer), nullptr);
  const std::string cwd = buffer;
  EXPECT_EQ(CurrentFolder(), cwd == "/" ? "/" : cwd + "/");
}

// ---------------------------------------------------------------- folders

TEST(EnsureFolderForPath, MakesEveryFolderOfAPath) {
  TempDir dir;
  ASSERT_TRUE(std::filesystem::create_directory(dir / "exists"));
  WriteBytes(dir / "plain file", "x");
  const std::string d = dir.path();
  std::string limitPath = d;
  while (limitPath.size() < 1990) limitPath += "deep/";
  limitPath += std::string(1998 - limitPath.size(), 'f');
  std::string overPath = d + "over/";
  overPath += std::string(1999 - overPath.size(), 'f');

  struct Case {
    std::string path;
    int result;
    std::vector<std::string> made;    // folders that exist afterwards
    std::vector<std::string> absent;  // names that must not exist
  };
  const Case cases[] = {
      {d + "a/b/c/f.ini", 0, {"a", "a/b", "a/b/c"}, {"a/b/c/f.ini"}},
      {d + "a/b/c/f.ini", 0, {"a/b/c"}, {}},
      {d + "exists/f.ini", 0, {"exists"}, {}},
      {d + "x/../y/f.ini", 0, {"y"}, {"x"}},
      {d + "p/q/../../r/f.ini", 0, {"r"}, {"p"}},
      {d + "say \"hi\"/f.ini", 0, {"say 'hi'"}, {"say \"hi\""}},
      {d + "trail/", 0, {"trail"}, {}},
      {d + "dbl//slash/f.ini", 0, {"dbl/slash"}, {}},
      {d + "plain file/sub/f.ini", 1, {}, {"plain file/sub"}},
      {d + "f.ini", 0, {}, {"f.ini"}},
      {limitPath, 0, {limitPath.substr(d.size(), limitPath.rfind('/') - d.size())}, {}},
      {overPath, 1, {}, {"over"}},
      {"/f.ini", 0, {}, {}},
      {"", 0, {}, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EnsureFolderForPath(c.path), c.result) << c.path;
    for (const std::string& name : c.made)
      EXPECT_TRUE(std::filesystem::is_directory(d + name)) << name << " after " << c.path;
    for (const std::string& name : c.absent)
      EXPECT_FALSE(std::filesystem::exists(d + name)) << name << " after " << c.path;
  }
}

// A relative path has no root: its first folder is made like any other.
TEST(EnsureFolderForPath, RelativePathsStartInTheCurrentFolder) {
  TempDir dir;
  char buffer[4096];
  ASSERT_NE(::getcwd(buffer, sizeof buffer), nullptr);
  ASSERT_EQ(::chdir(dir.path().c_str()), 0);
  const int saves = EnsureFolderForPath("Saves/Sudoku 12-2026.ini");
  const int collapsed = EnsureFolderForPath("a/../b/f.ini");
  const int plain = EnsureFolderForPath("f.ini");
  ASSERT_EQ(::chdir(buffer), 0);
  EXPECT_EQ(saves, 0);
  EXPECT_EQ(collapsed, 0);
  EXPECT_EQ(plain, 0);
  EXPECT_TRUE(std::filesystem::is_directory(dir / "Saves"));
  EXPECT_TRUE(std::filesystem::is_directory(dir / "b"));
  EXPECT_FALSE(std::filesystem::exists(dir / "a"));
}

// ---------------------------------------------------------------- Count

TEST(SaveFilesCount, CounterIsCountPlusOneButAtLeast10000) {
  struct Case {
    std::optional<std::string> file;  // nullopt: no file
    int counter;
  };
  const Case cases[] = {
      {std::nullopt, 10000},
      {"[Sudoku]\nItems=1\n", 10000},
      {"[Sudoku]\nCount=0\n", 10000},
      {"[Sudoku]\nCount=9998\n", 10000},
      {"[Sudoku]\nCount=9999\n", 10000},
      {"[Sudoku]\nCount=10000\n", 10001},
      {"[Sudoku]\nCount=123456\n", 123457},
      {"[Sudoku]\nCount= 12345 \n", 12346},
      {"[Sudoku]\nCount=-7\n", 10000},
      {"[Sudoku]\nCount=abc\n", 10000},
      {"[Sudoku]\nCount=\n", 10000},
      {"[Sudoku]\nCount=2147483647\n", INT_MAX},
      {"[Other]\nCount=50000\n", 10000},
      {"[sudoku]\ncount=20000\n", 20001},
  };
  TempDir dir;
  const std::time_t moment = LocalMoment(2026, 12, 7, 12, 0, 0);
  for (const Case& c : cases) {
    IniStore store;
    const SaveFiles files(store, dir.path(), moment);
    std::filesystem::remove_all(dir / "Saves");
    if (c.file) {
      ASSERT_EQ(files.EnsureSavesFolder(), 0);
      WriteBytes(files.currentMonthPath(), *c.file);
    }
    EXPECT_EQ(files.ReadUserPuzzleCounter(), c.counter) << c.file.value_or("(no file)");
  }
}

TEST(SaveFilesCount, WrittenCountIsReadBackAtTheNextStart) {
  TempDir dir;
  const std::time_t moment = LocalMoment(2026, 12, 7, 12, 0, 0);
  IniStore store;
  const SaveFiles files(store, dir.path(), moment);

  // No Saves folder yet: the write fails without making one.
  EXPECT_FALSE(files.WriteCount(10000));
  EXPECT_FALSE(std::filesystem::exists(dir / "Saves"));

  ASSERT_EQ(files.EnsureSavesFolder(), 0);
  WriteBytes(files.currentMonthPath(), "[Sudoku]\nItems=1\nItem 0 B= 1 \n");
  // The previous month's Count is not this month's.
  WriteBytes(files.previousMonthPath(), "[Sudoku]\nCount=50000\n");
  ASSERT_TRUE(files.WriteCount(10000));
  EXPECT_EQ(ReadBytes(files.currentMonthPath()), "[Sudoku]\nItems=1\nItem 0 B= 1 \nCount=10000\n");

  IniStore nextRunStore;
  const SaveFiles nextRun(nextRunStore, dir.path(), moment + 3600);
  EXPECT_EQ(nextRun.ReadUserPuzzleCounter(), 10001);
  ASSERT_TRUE(nextRun.WriteCount(10001));
  EXPECT_EQ(IniStore().ReadString(files.currentMonthPath(), kSavesSection, "Count"), "10001");
  EXPECT_EQ(nextRun.ReadUserPuzzleCounter(), 10002);
}

}  // namespace
}  // namespace kovalo
