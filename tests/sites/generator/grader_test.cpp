// Grading: the refusals of GradePuzzle, and the three graders (the masks,
// the generator's board run, the tests' board per aid) agreeing on a set of
// puzzles made apart from the generator.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "board_grade.h"
#include "brute_force.h"
#include "generator/exact_solver.h"
#include "generator/grader.h"
#include "puzzle_set.h"

namespace kovalo::sites {
namespace {

TEST(GradePuzzle, RefusesWhatIsNotAPuzzleWithOneSolution) {
  const std::string classic =
      "53..7....6..195....98....6.8...6...34..8.3..17...2...6.6....28....419..5....8..79";
  struct Case {
    const char* name;
    std::string givens;
  };
  const Case cases[] = {
      {"empty text", ""},
      {"80 characters", classic.substr(1)},
      {"82 characters", classic + "."},
      {"a letter", classic.substr(0, 80) + "a"},
      {"a blank as a space", " " + classic.substr(1)},
      {"no givens", std::string(81, '.')},
      {"two solutions",
       "534678912672195348198342567859761423426853791713924856961.3728.287.1963.345286179"},
      {"two ones in a row", "11" + std::string(79, '.')},
      {"no digit left for a cell", "12345678.........9" + std::string(63, '.')},
  };
  for (const Case& c : cases) EXPECT_EQ(GradePuzzle(c.givens), std::nullopt) << c.name;

  std::string zeros = classic;
  for (char& ch : zeros)
    if (ch == '.') ch = '0';
  EXPECT_TRUE(GradePuzzle(classic).has_value());
  EXPECT_EQ(GradePuzzle(zeros), GradePuzzle(classic));
}

// The masks stop short of completing a grid that has two solutions or none.
TEST(AidsLevel, NeverCompletesAGridWithoutOneSolution) {
  const char* const grids[] = {
      "534678912672195348198342567859761423426853791713924856961.3728.287.1963.345286179",
      "12345678.........9...............................................................",
      "11...............................................................................",
  };
  for (const char* text : grids) {
    Grid completed{};
    EXPECT_EQ(AidsLevel(*GridOfText(text), Level::Hard, &completed), std::nullopt) << text;
  }
}

// The puzzle set of the solving-aid tests has from 22 to 36 clues, made with
// no regard to the aids: every level turns up in it.
TEST(Graders, AgreeOnPuzzlesMadeApartFromTheGenerator) {
  const std::vector<testing::Puzzle> puzzles =
      testing::MakePuzzleSet(testing::kPuzzleSetSize, testing::kPuzzleSetSeed);
  std::array<int, kLevels> seen{};
  for (const testing::Puzzle& p : puzzles) {
    SCOPED_TRACE(p.givens);
    const Grid givens = *GridOfText(p.givens);
    const Grid solution = *GridOfText(p.solution);

    const Level alone = testing::LevelByEachAidAlone(p.givens, p.solution);
    ++seen[static_cast<int>(alone)];
    EXPECT_EQ(GradePuzzle(p.givens), alone);
    EXPECT_EQ(GradeOnBoard(givens, solution), alone);

    Grid completed{};
    const std::optional<Level> byMasks = AidsLevel(givens, Level::Hard, &completed);
    EXPECT_EQ(byMasks.value_or(Level::Evil), alone);
    if (byMasks) {
      EXPECT_EQ(TextOfGrid(completed), p.solution);
    }
    // Capped below the puzzle's level, the masks leave it open.
    for (Level highest : {Level::Easy, Level::Medium, Level::Hard})
      EXPECT_EQ(AidsLevel(givens, highest).has_value(), alone <= highest)
          << "highest " << LevelName(highest);
  }
  for (int level = 0; level < kLevels; ++level)
    EXPECT_GT(seen[level], 0) << "no " << LevelName(static_cast<Level>(level)) << " puzzle";
}

}  // namespace
}  // namespace kovalo::sites
