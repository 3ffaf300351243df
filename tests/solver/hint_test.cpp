// The hint against the aids themselves: on boards made for each kind of step
// its words and cells, and on generated puzzles of every level, walked step
// by step, that the aid it names takes exactly the step it names while the
// aids before it in the menu take none.
#include "solver/hint.h"

#include <iostream>
#include <map>

#include "board/puzzle_text.h"
#include "brute_force.h"
#include "puzzle_set.h"
#include "solver/aid_steps.h"
#include "solver_fixture.h"

namespace kovalo::testing {
namespace {

int Number(int row, int col) { return NumberOfGrid(row, col); }

struct HintRow {
  const char* name;
  std::vector<std::string> rows;  // SetUpBoard's rows
  bool locked;
  std::string text;
  std::vector<int> cells;
};

TEST(FindHint, NamesEachKindOfStepInWords) {
  const std::string filledFirst =
      "Press \"Fill\" first, so that every blank cell lists the digits its row, column and box "
      "leave open.";
  const HintRow rows[] = {
      {"a cell whose peers hold the other digits",
       WithRows(kEmptyRows, {{0, "- - - - - - 8* - -"},
                             {1, "- - - - - - - 9* -"},
                             {2, "1* 2* 3* - - - 4 - -"},
                             {4, "- - - - - - 5* - -"},
                             {6, "- - - - - - 6* - -"},
                             {8, "- - - - - - 7* - -"}}),
       true,
       "Row 3, column 7 can only be 4: its row, column and box hold the other digits.",
       {Number(2, 6)}},
      {"a cell that lists one digit",
       WithRows(kEmptyRows, {{2, "1* 2* - - - - 4 - -"}}),
       true,
       "Row 3, column 7 lists 4 alone, so it can be fixed, and 4 struck from its row, column and "
       "box.",
       {Number(2, 6)}},
      {"a number alone in its box",
       WithRows(kEmptyRows, {{3, "- - - 12 12 - - - -"}, {4, "- - - 128 - - - - -"}}),
       true,
       "In box 5, only row 5, column 4 can hold 8.",
       {Number(4, 3)}},
      {"a digit on one line of its box",
       WithRows(kEmptyRows, {{0, "- - - - 69 - - - -"}, {1, "67 67 - - - 69 - - -"}}),
       true,
       "In box 1, the 6 lies in row 2, so the rest of row 2 cannot hold 6.",
       {Number(1, 0), Number(1, 1), Number(1, 5)}},
      {"a digit in one column of its box, fixed cells not counted",
       WithRows(kEmptyRows, {{3, "- - - - - - 6* 23 23"},
                             {4, "- - - - - - - 2356 235"},
                             {5, "- - - - - - - 56 -"},
                             {8, "- - - - - - - 56 56"}}),
       true,
       "In box 6, the 6 lies in column 8, so the rest of column 8 cannot hold 6.",
       {Number(4, 7), Number(5, 7), Number(8, 7)}},
      {"a locked puzzle with blank cells",
       WithRows(kEmptyRows, {{0, "1! 2! 3! 4! 5! 6! 7! 8! -"}}),
       true,
       filledFirst + " Then: Row 1, column 9 can only be 9: its row, column and box hold the "
                     "other digits.",
       {Number(0, 8)}},
      {"nothing found on a board that is not locked",
       kEmptyRows,
       false,
       "The aids find nothing to do. Lock the starting numbers with \"Lock Start#'s\" and press "
       "\"Fill\", so that every cell lists its digits.",
       {}},
      {"a locked board whose fill leads nowhere",
       WithRows(kEmptyRows, {{0, "12 12 - - - - - - -"}, {1, "12 12 - - - - - - -"}}),
       true,
       filledFirst,
       {}},
  };
  for (const HintRow& row : rows) {
    SCOPED_TRACE(row.name);
    FakeScreen screen;
    Board board(screen);
    SetUpBoard(board, row.rows, row.locked);
    const BoardState before = StateOf(board);
    const Hint hint = FindHint(board);
    EXPECT_EQ(hint.text, row.text);
    EXPECT_EQ(hint.cells, row.cells);
    EXPECT_EQ(StateOf(board), before);
    EXPECT_EQ(board.stepCount, 0);
    EXPECT_TRUE(screen.messages.empty());
  }
}

TEST(FindHint, SaysSoWhenTheAidsAreStuckOrDone) {
  FakeScreen screen;
  Board board(screen);
  // Filled, with every digit listed twice in its box and no line to rule out.
  std::vector<std::string> rows(9);
  for (int r = 0; r < 9; ++r)
    for (int c = 0; c < 9; ++c) rows[r] += std::string(c ? " " : "") + "123456789";
  SetUpBoard(board, rows);
  Hint hint = FindHint(board);
  EXPECT_EQ(hint.step, HintStep::None);
  EXPECT_FALSE(hint.fillFirst);
  EXPECT_EQ(hint.text,
            "The aids find nothing more to do: the next step needs a technique they do not know.");

  SetUpPuzzle(board, kSolution);
  hint = FindHint(board);
  EXPECT_EQ(hint.step, HintStep::None);
  EXPECT_EQ(hint.text, "The puzzle is complete: the aids have nothing left to do.");
}

// Where a level's puzzles end: the kinds of step their walk took.
enum class Level { Singles, LoneNumbers, BoxLines, BeyondTheAids };
const char* NameOf(Level level) {
  switch (level) {
    case Level::Singles: return "single digit fields only";
    case Level::LoneNumbers: return "with lone numbers";
    case Level::BoxLines: return "with box lines";
    default: return "beyond the aids";
  }
}

bool SameStep(const Hint& a, const Hint& b) {
  return a.step == b.step && a.cell == b.cell && a.digit == b.digit && a.struck == b.struck &&
         a.command == b.command;
}

// Takes the step the hint names with the aids in menu order, and checks
// that the aids before the named one change nothing and the named one
// starts with exactly that step.
void TakeAndCheck(Board& board, const Hint& hint) {
  Cell& clicked = board.AtGrid(4, 4);
  const BoardState before = StateOf(board);
  const int stepsBefore = board.stepCount;

  if (hint.step == HintStep::SingleDigitField) {
    ASSERT_TRUE(MarkSingleDigitFields(board, clicked));
    // Each fix opens its own group with a step on the cell it fixes.
    EXPECT_EQ(static_cast<int>(board.steps[stepsBefore] & 0xFFFF), hint.cell);
    EXPECT_TRUE(board.At(hint.cell).IsFixed());
    EXPECT_EQ(board.At(hint.cell).text, std::string(1, hint.digit));
    return;
  }
  EXPECT_FALSE(MarkSingleDigitFields(board, clicked));
  EXPECT_EQ(StateOf(board), before);

  const int loneBefore = board.stepCount;
  const bool reduced = MarkLoneNumbers(board, clicked);
  if (hint.step == HintStep::LoneNumber) {
    ASSERT_TRUE(reduced);
    // After the opening step, the first reduction.
    EXPECT_EQ(static_cast<int>(board.steps[loneBefore + 1] & 0xFFFF), hint.cell);
    EXPECT_EQ(board.At(hint.cell).text, std::string(1, hint.digit));
    return;
  }
  EXPECT_FALSE(reduced);
  EXPECT_EQ(StateOf(board), before);

  const int ruleOutBefore = board.stepCount;
  const bool struck = RuleOutCombinations(board, clicked);
  if (hint.step == HintStep::BoxLine) {
    ASSERT_TRUE(struck);
    ASSERT_FALSE(hint.struck.empty());
    EXPECT_EQ(static_cast<int>(board.steps[ruleOutBefore + 1] & 0xFFFF), hint.struck[0]);
    for (int number : hint.struck) {
      const CellPlace place = PlaceOfNumber(number);
      const std::string& was =
          before.texts[static_cast<size_t>(place.GridRow() * 9 + place.GridCol())];
      EXPECT_TRUE(aid::Holds(was, hint.digit)) << number;
      EXPECT_FALSE(aid::Holds(board.At(number).text, hint.digit)) << number;
    }
    return;
  }
  // None: the last aid finds nothing either.
  EXPECT_FALSE(struck);
  EXPECT_EQ(StateOf(board), before);
}

TEST(FindHint, NamesTheStepTheAidsTakeOnPuzzlesOfEveryLevel) {
  const std::vector<Puzzle> puzzles = MakePuzzleSet(60, kPuzzleSetSeed);
  // A few that single digit fields alone finish: a solution with a handful
  // of its cells blanked.
  std::vector<std::string> givens;
  for (int blanks : {5, 12, 20}) {
    std::string easy = kSolution;
    for (int k = 0; k < blanks; ++k) easy[(k * 37) % 81] = '0';
    givens.push_back(easy);
  }
  for (const Puzzle& p : puzzles) givens.push_back(p.givens);

  std::map<Level, int> seen;
  for (const std::string& puzzle : givens) {
    SCOPED_TRACE(puzzle);
    std::string digits = puzzle;
    for (char& c : digits)
      if (c == '.') c = '0';
    FakeScreen screen;
    Board board(screen);
    ASSERT_TRUE(PlacePuzzle(board, digits));

    Level level = Level::Singles;
    for (int taken = 0;; ++taken) {
      ASSERT_LT(taken, 500) << "the walk does not end";
      const BoardState before = StateOf(board);
      const int stepsBefore = board.stepCount;
      const Hint hint = FindHint(board);
      ASSERT_EQ(StateOf(board), before) << "the hint changed the board";
      ASSERT_EQ(board.stepCount, stepsBefore);
      EXPECT_FALSE(hint.text.empty());

      if (hint.fillFirst) {
        ASSERT_EQ(taken, 0) << "only the placed puzzle has blank cells";
        OnFill(board);
        const Hint after = FindHint(board);
        EXPECT_FALSE(after.fillFirst);
        EXPECT_TRUE(SameStep(after, hint)) << hint.text << " / " << after.text;
        continue;
      }
      TakeAndCheck(board, hint);
      if (::testing::Test::HasFatalFailure()) return;
      if (hint.step == HintStep::None) {
        for (const Cell& cell : board.cells())
          if (!cell.IsFixed() || cell.text.size() != 1) level = Level::BeyondTheAids;
        break;
      }
      if (hint.step == HintStep::LoneNumber && level < Level::LoneNumbers)
        level = Level::LoneNumbers;
      if (hint.step == HintStep::BoxLine && level < Level::BoxLines) level = Level::BoxLines;
    }
    if (level != Level::BeyondTheAids) {
      std::string solution;
      ASSERT_EQ(CountSolutions(puzzle, 1, &solution), 1);
      EXPECT_EQ(GridOf(board), solution);
    }
    ++seen[level];
  }
  for (Level level : {Level::Singles, Level::LoneNumbers, Level::BoxLines, Level::BeyondTheAids}) {
    std::cout << NameOf(level) << ": " << seen[level] << " puzzles\n";
    EXPECT_GT(seen[level], 0) << NameOf(level);
  }
}

// The program's own count against the independent solver of the tests, on
// the set's puzzles and on the same puzzles with clues taken away.
TEST(CountSolutions, AgreesWithTheIndependentSolver) {
  const std::vector<Puzzle> puzzles = MakePuzzleSet(60, kPuzzleSetSeed);
  int several = 0;
  for (const Puzzle& p : puzzles) {
    std::string grid = p.givens;
    for (int taken = 0; taken < 4; ++taken) {
      SCOPED_TRACE(grid);
      const int expected = testing::CountSolutions(grid, 2);
      EXPECT_EQ(kovalo::CountSolutions(grid, 2), expected);
      several += expected == 2;
      const size_t clue = grid.find_first_not_of('.', static_cast<size_t>(taken) * 17 % 81);
      if (clue != std::string::npos) grid[clue] = '.';
    }
    // A digit placed against the solution: no solution, or the count says so.
    std::string wrong = p.givens;
    const size_t blank = wrong.find('.');
    wrong[blank] = p.solution[blank] == '9' ? '1' : static_cast<char>(p.solution[blank] + 1);
    EXPECT_EQ(kovalo::CountSolutions(wrong, 2), testing::CountSolutions(wrong, 2)) << wrong;
  }
  EXPECT_GT(several, 0) << "no case with more than one solution was tried";
}

}  // namespace
}  // namespace kovalo::testing
