// The solving aids against an independent solver, over a few hundred
// generated puzzles with one solution each: the attempt never contradicts the
// solution, and every command's undo groups give back exactly what they took.
#include <iostream>

#include "brute_force.h"
#include "puzzle_set.h"
#include "solver_fixture.h"

namespace kovalo::testing {
namespace {

const std::vector<Puzzle>& ThePuzzles() {
  static const std::vector<Puzzle> puzzles = MakePuzzleSet(kPuzzleSetSize, kPuzzleSetSeed);
  return puzzles;
}

TEST(PuzzleSet, EveryPuzzleHasOneSolutionThatKeepsItsGivens) {
  ASSERT_EQ(ThePuzzles().size(), static_cast<size_t>(kPuzzleSetSize));
  for (const Puzzle& p : ThePuzzles()) {
    std::string solution;
    ASSERT_EQ(CountSolutions(p.givens, 2, &solution), 1) << p.givens;
    ASSERT_EQ(solution, p.solution) << p.givens;
  }
}

TEST(AttemptSolveOnPuzzles, NeverContradictsTheSolutionAndCompletesOnlyWithIt) {
  int completed = 0;
  for (const Puzzle& p : ThePuzzles()) {
    SCOPED_TRACE(p.givens);
    FakeScreen screen;
    Board board(screen);
    SetUpPuzzle(board, p.givens, p.solution);
    screen.replies = {Reply::Yes};
    Cell& clicked = board.AtGrid(4, 4);

    AttemptSolve(board, clicked);

    // Every cell still lists its solution digit: nothing wrong was settled
    // and the right digit was never struck.
    int wrong = 0;
    for (int k = 0; k < 81; ++k) {
      const Cell& cell = board.AtGrid(k / 9, k % 9);
      if (cell.text.find(p.solution[k]) == std::string::npos ||
          (cell.IsFixed() && cell.text.size() != 1))
        ++wrong;
    }
    EXPECT_EQ(wrong, 0) << TextsOf(board)[0];

    const bool complete = clicked.fixedCount == 81;
    const std::vector<std::string> verdicts = VerdictsOf(screen.MessageTexts());
    if (complete) {
      ++completed;
      EXPECT_EQ(GridOf(board), p.solution);
      EXPECT_EQ(verdicts, (std::vector<std::string>{kVerdictMatch, kVerdictMatch}));
    } else {
      EXPECT_TRUE(verdicts.empty());
      int fixed = 0;
      for (const Cell& cell : board.cells()) fixed += cell.IsFixed() && cell.text.size() == 1;
      EXPECT_LT(fixed, 81);
    }
    EXPECT_EQ(screen.waitCursorDepth, 0);
    EXPECT_FALSE(board.batch);
  }
  std::cout << "AttemptSolve completed " << completed << " of " << ThePuzzles().size()
            << " puzzles\n";
  ::testing::Test::RecordProperty("completed", completed);
  EXPECT_GT(completed, 0);
  EXPECT_LT(completed, kPuzzleSetSize) << "the set should hold puzzles the aids cannot finish";
}

TEST(AttemptSolveOnPuzzles, UndoingTheAttemptGroupByGroupEndsAtTheFilledBoard) {
  for (size_t i = 0; i < ThePuzzles().size(); i += 10) {
    const Puzzle& p = ThePuzzles()[i];
    SCOPED_TRACE(p.givens);
    FakeScreen screen, filledScreen;
    Board board(screen), filled(filledScreen);
    SetUpPuzzle(board, p.givens);
    SetUpPuzzle(filled, p.givens);
    OnFill(filled);
    screen.replies = {Reply::Yes};

    AttemptSolve(board, board.AtGrid(0, 0));
    const BoardState after = StateOf(board);

    const int groups = UndoAll(board);
    EXPECT_EQ(StateOf(board), StateOf(filled));
    EXPECT_EQ(RedoAll(board), groups);
    EXPECT_EQ(StateOf(board), after);
  }
}

// Every command that records, run on a filled puzzle, and taken back by as
// many Undo presses as it makes groups: one per command, except one per fix
// for the singles pass and one more for its opening step for Do Both.
class CommandUndoTest : public SolverTest {
 protected:
  int FixedCount() const {
    int count = 0;
    for (const Cell& cell : board.cells()) count += cell.IsFixed();
    return count;
  }
  // Runs the command, then undoes and redoes its groups.
  void Check(int command, Cell& clicked, bool groupPerFix, int extraGroups) {
    SCOPED_TRACE(command);
    const BoardState before = StateOf(board);
    const int fixedBefore = FixedCount();
    const int stepsBefore = board.stepCount;
    RunCellCommand(board, clicked, command);
    const BoardState after = StateOf(board);
    const int groups = (groupPerFix ? FixedCount() - fixedBefore : 0) + extraGroups;

    for (int i = 0; i < groups; ++i) board.OnUndo();
    EXPECT_EQ(board.stepCount, stepsBefore);
    EXPECT_EQ(StateOf(board), before);
    for (int i = 0; i < groups; ++i) board.OnRedo();
    EXPECT_EQ(StateOf(board), after);
  }
};

TEST_F(CommandUndoTest, EachCommandIsTakenBackGroupByGroupAndRedone) {
  for (size_t i = 5; i < ThePuzzles().size(); i += 10) {
    const Puzzle& p = ThePuzzles()[i];
    SCOPED_TRACE(p.givens);
    SetUpPuzzle(board, p.givens);
    OnFill(board);

    for (Cell& cell : board.cells()) {
      if (cell.IsFixed() || cell.text.size() != 1) continue;
      Check(ID_MARK_AS_FIXED, cell, false, 1);
      board.RecheckBoard(board.First());
      Check(ID_UNMARK_FIXED, cell, false, 1);
      break;
    }
    Check(ID_MARK_SINGLE_DIGIT_FIELDS, board.AtGrid(0, 0), true, 0);
    Check(ID_MARK_LONE_NUMBERS, board.AtGrid(8, 8), false, 1);
    Check(ID_RULE_OUT_COMBINATIONS, board.AtGrid(3, 5), false, 1);
    Check(ID_DO_BOTH_UNTIL_STABLE, board.AtGrid(6, 2), true, 1);
    Check(ID_COPY_ANSWERS, board.AtGrid(1, 1), false, 0);
  }
}

}  // namespace
}  // namespace kovalo::testing
