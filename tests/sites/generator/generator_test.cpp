// Generated puzzles: one solution each, counted by the tests' own solver;
// the level asked for, by the tests' own grading on the board; the same
// puzzle from the same seed; level names and seeds.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "board_grade.h"
#include "brute_force.h"
#include "generator/generator.h"

namespace kovalo::sites {
namespace {

constexpr int kPuzzlesPerLevel = 300;

class EveryLevel : public ::testing::TestWithParam<Level> {};

TEST_P(EveryLevel, PuzzlesHaveOneSolutionAndGradeAsTheirLevel) {
  const Level level = GetParam();
  for (int i = 0; i < kPuzzlesPerLevel; ++i) {
    const Puzzle p = GeneratePuzzle(level, SeedFor("tests", std::to_string(i)));
    SCOPED_TRACE(p.givens);
    ASSERT_EQ(p.level, level);
    ASSERT_EQ(p.givens.size(), 81u);
    ASSERT_EQ(p.solution.size(), 81u);
    for (int k = 0; k < 81; ++k) {
      ASSERT_TRUE(p.givens[k] == '.' || p.givens[k] == p.solution[k]) << "cell " << k;
      ASSERT_TRUE(p.solution[k] >= '1' && p.solution[k] <= '9') << "cell " << k;
    }
    std::string solution;
    ASSERT_EQ(testing::CountSolutions(p.givens, 2, &solution), 1);
    ASSERT_EQ(solution, p.solution);
    EXPECT_EQ(testing::LevelByEachAidAlone(p.givens, p.solution), level);
    EXPECT_EQ(GradePuzzle(p.givens), level);
  }
}

TEST_P(EveryLevel, TheSameSeedGivesTheSamePuzzleAndOthersDiffer) {
  const Level level = GetParam();
  std::set<std::string> seen;
  for (std::uint64_t seed = 0; seed < 100; ++seed) {
    const Puzzle first = GeneratePuzzle(level, seed);
    const Puzzle again = GeneratePuzzle(level, seed);
    EXPECT_EQ(again.givens, first.givens) << "seed " << seed;
    EXPECT_EQ(again.solution, first.solution) << "seed " << seed;
    EXPECT_TRUE(seen.insert(first.givens).second) << "seed " << seed << " repeats a puzzle";
  }
}

INSTANTIATE_TEST_SUITE_P(Generator, EveryLevel,
                         ::testing::Values(Level::Easy, Level::Medium, Level::Hard, Level::Evil),
                         [](const ::testing::TestParamInfo<Level>& info) {
                           return std::string(LevelName(info.param));
                         });

TEST(Generator, OneSeedGivesDifferentPuzzlesAtDifferentLevels) {
  std::set<std::string> seen;
  for (Level level : {Level::Easy, Level::Medium, Level::Hard, Level::Evil})
    EXPECT_TRUE(seen.insert(GeneratePuzzle(level, 12345).givens).second) << LevelName(level);
}

// Pages that were served carry these puzzles: the same seed must give them
// on every machine, compiler and run. A change to the generator that moves
// them changes every page the sites have ever shown.
TEST(Generator, GivesThePinnedPuzzlesForAKnownSeed) {
  struct Pinned {
    Level level;
    const char* givens;
    const char* solution;
  };
  const Pinned pinned[] = {
      {Level::Easy,
       "..7.35.6..2..8.7...8...249.......1....9....2..32.9....7....62...6...9..4....24.3.",
       "147935862926481753385672491578263149619548327432197685794356218263819574851724936"},
      {Level::Medium,
       "2...5.43...4..6.......4.8.994......8..7.........7...63..14.3.2...9..7.........3.5",
       "278951436394876152156342879943265718627138594815794263561483927439527681782619345"},
      {Level::Hard,
       ".6.7.53..51.........2..........4..8.1....973.........28......63..612....79.6.3.5.",
       "468715329513492678972836145237541986185269734649378512821957463356124897794683251"},
      {Level::Evil,
       ".3..9...4.....7.2.5.68.......1....968.3.7.....54....1....9.........3.1.....1.2.5.",
       "137296584948517623526843971271458396893671245654329718715964832482735169369182457"},
  };
  for (const Pinned& p : pinned) {
    const Puzzle puzzle = GeneratePuzzle(p.level, 2026);
    EXPECT_EQ(puzzle.givens, p.givens) << LevelName(p.level);
    EXPECT_EQ(puzzle.solution, p.solution) << LevelName(p.level);
  }
  EXPECT_EQ(SeedFor("main", "2026-12-07"), 3706351252905217609ull);
  EXPECT_EQ(SeedFor("level", "4-12345"), 2344199480039728080ull);
}

// A level number from outside (a page's query, a command line) that slipped
// through unchecked must not send the generator looking for ever.
TEST(Generator, TakesALevelOutsideTheFourAsTheNearest) {
  const Puzzle below = GeneratePuzzle(static_cast<Level>(-3), 77);
  EXPECT_EQ(below.level, Level::Easy);
  EXPECT_EQ(below.givens, GeneratePuzzle(Level::Easy, 77).givens);
  const Puzzle above = GeneratePuzzle(static_cast<Level>(7), 77);
  EXPECT_EQ(above.level, Level::Evil);
  EXPECT_EQ(above.givens, GeneratePuzzle(Level::Evil, 77).givens);
  EXPECT_STREQ(LevelName(static_cast<Level>(7)), "");
}

TEST(Levels, ParseTheirNamesAndNothingElse) {
  struct Case {
    std::string_view name;
    std::optional<Level> level;
  };
  const Case cases[] = {
      {"easy", Level::Easy},
      {"medium", Level::Medium},
      {"hard", Level::Hard},
      {"evil", Level::Evil},
      {"", std::nullopt},
      {"Easy", std::nullopt},
      {"EVIL", std::nullopt},
      {"eas", std::nullopt},
      {"easy ", std::nullopt},
      {" hard", std::nullopt},
      {"normal", std::nullopt},
      {"1", std::nullopt},
      {std::string_view("evil\0", 5), std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseLevel(c.name), c.level) << "\"" << c.name << "\"";
  for (Level level : {Level::Easy, Level::Medium, Level::Hard, Level::Evil})
    EXPECT_EQ(ParseLevel(LevelName(level)), level);
}

TEST(SeedFor, DependsOnSiteAndKeyAndKeepsThemApart) {
  EXPECT_EQ(SeedFor("main", "2026-12-07"), SeedFor("main", "2026-12-07"));
  const std::uint64_t seeds[] = {
      SeedFor("main", "2026-12-07"),
      SeedFor("main", "2026-12-08"),
      SeedFor("second", "2026-12-07"),
      SeedFor("ab", "c"),
      SeedFor("a", "bc"),
      SeedFor("", ""),
      SeedFor("level", "1"),
      SeedFor("level", "2"),
  };
  const std::set<std::uint64_t> distinct(std::begin(seeds), std::end(seeds));
  EXPECT_EQ(distinct.size(), std::size(seeds));
}

}  // namespace
}  // namespace kovalo::sites
