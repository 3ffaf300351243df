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

TEST(Levels, ParseTheirNamesAndNothingElse) {
  struct Case {
    std::string_view name;
    std::optional<Level> level;
  };
  const Case cases[] = {
      {"easy", Level::Easy},   {"medium", Level::Medium}, {"hard", Level::Hard},
      {"evil", Level::Evil},   {"", std::nullopt},        {"Easy", std::nullopt},
      {"EVIL", std::nullopt},  {"eas", std::nullopt},     {"easy ", std::nullopt},
      {" hard", std::nullopt}, {"normal", std::nullopt},  {"1", std::nullopt},
      {std::string_view("evil\0", 5), std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseLevel(c.name), c.level) << "\"" << c.name << "\"";
  for (Level level : {Level::Easy, Level::Medium, Level::Hard, Level::Evil})
    EXPECT_EQ(ParseLevel(LevelName(level)), level);
}

TEST(SeedFor, DependsOnSiteAndKeyAndKeepsThemApart) {
  EXPECT_EQ(SeedFor("main", "2026-12-07"), SeedFor("main", "2026-12-07"));
  const std::uint64_t seeds[] = {
      SeedFor("main", "2026-12-07"), SeedFor("main", "2026-12-08"), SeedFor("second", "2026-12-07"),
      SeedFor("ab", "c"),            SeedFor("a", "bc"),            SeedFor("", ""),
      SeedFor("level", "1"),         SeedFor("level", "2"),
  };
  const std::set<std::uint64_t> distinct(std::begin(seeds), std::end(seeds));
  EXPECT_EQ(distinct.size(), std::size(seeds));
}

}  // namespace
}  // namespace kovalo::sites
