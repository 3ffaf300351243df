// The generator's exact solver on known grids, and against the independent
// solver of the tests on many generated ones.
#include <gtest/gtest.h>

#include <string>

#include "brute_force.h"
#include "generator/exact_solver.h"

namespace kovalo::sites {
namespace {

struct SolverCase {
  const char* name;
  const char* grid;
  int count;             // solutions, counted up to 3
  const char* solution;  // the first one, "" when none
};

const char* const kWikiSolution =
    "534678912672195348198342567859761423426853791713924856961537284287419635345286179";

const std::string kEmptyText(81, '.');

const SolverCase kCases[] = {
    {"classic", "53..7....6..195....98....6.8...6...34..8.3..17...2...6.6....28....419..5....8..79",
     1, kWikiSolution},
    {"seventeen clues",
     "000000010400000000020000000000050407008000300001090000300400200050100000000806000", 1,
     "693784512487512936125963874932651487568247391741398625319475268856129743274836159"},
    {"hard for people",
     "8..........36......7..9.2...5...7.......457.....1...3...1....68..85...1..9....4..", 1,
     "812753649943682175675491283154237896369845721287169534521974368438526917796318452"},
    {"complete", kWikiSolution, 1, kWikiSolution},
    {"one blank",
     "534678912672195348198342567859761423426853791713924856961537284287419635345286170", 1,
     kWikiSolution},
    // Two cells of one row and two of another swap digits: a deadly pattern.
    {"two solutions",
     "534678912672195348198342567859761423426853791713924856961.3728.287.1963.345286179", 2, ""},
    {"empty", kEmptyText.c_str(), 3, ""},
    {"two ones in a row",
     "11...............................................................................", 0, ""},
    {"two fives in a column",
     "5........5.......................................................................", 0, ""},
    {"two sixes in a box",
     "6.........6......................................................................", 0, ""},
    // The last cell of the first row can only be 9, which its column holds.
    {"no digit left for a cell",
     "12345678.........9...............................................................", 0, ""},
};

TEST(ExactSolver, CountsKnownGrids) {
  for (const SolverCase& c : kCases) {
    SCOPED_TRACE(c.name);
    const std::optional<Grid> grid = GridOfText(c.grid);
    ASSERT_TRUE(grid.has_value());
    Grid solution{};
    const int count = CountSolutions(*grid, 3, &solution);
    EXPECT_EQ(count, c.count);
    if (c.count == 1) {
      EXPECT_EQ(TextOfGrid(solution), c.solution);
    }
  }
}

TEST(ExactSolver, StopsCountingAtTheLimit) {
  const Grid empty{};
  EXPECT_EQ(CountSolutions(empty, 1), 1);
  EXPECT_EQ(CountSolutions(empty, 2), 2);
  EXPECT_EQ(CountSolutions(empty, 50), 50);
  EXPECT_EQ(CountSolutions(empty, 0), 0);
}

TEST(GridText, ReadsDigitsAndBothBlanksAndRefusesAnythingElse) {
  const std::string dots =
      "53..7....6..195....98....6.8...6...34..8.3..17...2...6.6....28....419..5....8..79";
  std::string zeros = dots;
  for (char& c : zeros)
    if (c == '.') c = '0';
  ASSERT_TRUE(GridOfText(zeros).has_value());
  EXPECT_EQ(TextOfGrid(*GridOfText(zeros)), dots);
  EXPECT_EQ(GridOfText(dots), GridOfText(zeros));

  const std::string bad[] = {"",
                             dots.substr(1),
                             dots + ".",
                             dots.substr(0, 80) + "x",
                             dots.substr(0, 80) + " ",
                             std::string(80, '.') + '\0'};
  for (const std::string& text : bad) EXPECT_FALSE(GridOfText(text).has_value()) << text;
}

// Random complete grids are valid, differ, and blanking them at random gives
// puzzles on which both solvers agree.
TEST(ExactSolver, AgreesWithTheIndependentSolverOnRandomGrids) {
  Random random(7);
  std::string previous;
  for (int round = 0; round < 200; ++round) {
    const Grid full = RandomSolvedGrid(random);
    const std::string text = TextOfGrid(full);
    ASSERT_EQ(text.find('.'), std::string::npos) << text;
    ASSERT_EQ(testing::CountSolutions(text, 2), 1) << "not a valid grid: " << text;
    EXPECT_NE(text, previous);
    previous = text;

    // Between 20 and 40 clues left: from unique puzzles to many solutions.
    Grid puzzle = full;
    const int blanks = 41 + random.Below(21);
    std::uint8_t order[kGridCells];
    for (int k = 0; k < kGridCells; ++k) order[k] = static_cast<std::uint8_t>(k);
    random.Shuffle(order, kGridCells);
    for (int i = 0; i < blanks; ++i) puzzle[order[i]] = 0;

    const std::string puzzleText = TextOfGrid(puzzle);
    EXPECT_EQ(CountSolutions(puzzle, 2), testing::CountSolutions(puzzleText, 2)) << puzzleText;

    // Blanking one more clue lets in another solution exactly when the
    // count goes above one.
    if (testing::CountSolutions(puzzleText, 2) == 1) {
      const int cell = order[blanks];
      const int digit = puzzle[cell];
      puzzle[cell] = 0;
      EXPECT_EQ(HasOtherSolution(puzzle, cell, digit),
                testing::CountSolutions(TextOfGrid(puzzle), 2) == 2)
          << puzzleText << " less cell " << cell;
    }
  }
}

TEST(ExactSolver, RandomGridsFollowTheSeed) {
  Random a(42), b(42), c(43);
  EXPECT_EQ(RandomSolvedGrid(a), RandomSolvedGrid(b));
  EXPECT_EQ(RandomSolvedGrid(a), RandomSolvedGrid(b));
  Random a2(42);
  EXPECT_NE(RandomSolvedGrid(a2), RandomSolvedGrid(c));
}

}  // namespace
}  // namespace kovalo::sites
