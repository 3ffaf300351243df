// Attempt to Solve the puzzle: refusal, the question, and how it ends on a
// puzzle it can solve, one it cannot, and a board that is already complete.
#include "brute_force.h"
#include "solver_fixture.h"

namespace kovalo::testing {
namespace {

// Settled by singles alone.
const std::string kEasy =
    "..3.2.6..9..3.5..1..18.64....81.29..7.......8..67.82....26.95..8..2.3..9..5.1.3..";
// Needs techniques beyond singles and box-line elimination.
const std::string kHard =
    "8..........36......7..9.2...5...7.......457.....1...3...1....68..85...1..9....4..";

const char* const kQuestion =
    "Are you sure you really want to cheat like this and have me try and solve it for you";

class AttemptTest : public SolverTest {
 protected:
  std::string SolutionOf(const std::string& grid) {
    std::string solution;
    EXPECT_EQ(CountSolutions(grid, 2, &solution), 1);
    return solution;
  }
};

TEST_F(AttemptTest, RefusedWhileNotLocked) {
  SetUpBoard(board, WithRows(kEmptyRows, {{0, "5 - - - - - - - -"}}), /*locked=*/false);
  const BoardState before = StateOf(board);

  RunCellCommand(board, At(0, 0), ID_ATTEMPT_SOLVE);

  ASSERT_EQ(screen.messages.size(), 1u);
  EXPECT_EQ(screen.messages[0].text, "Sudoku Puzzle Has not been locked yet");
  EXPECT_EQ(screen.messages[0].caption, "Unable to solve squares untill puzzle is locked");
  EXPECT_EQ(screen.messages[0].buttons, Buttons::Ok);
  EXPECT_EQ(screen.messages[0].owner, &At(0, 0));
  EXPECT_EQ(StateOf(board), before);
}

TEST_F(AttemptTest, AnsweredNoChangesNothing) {
  SetUpPuzzle(board, kEasy);
  board.PlayerEdited(At(0, 0), "45");
  const BoardState before = StateOf(board);
  screen.replies = {Reply::No};

  RunCellCommand(board, At(4, 4), ID_ATTEMPT_SOLVE);

  ASSERT_EQ(screen.messages.size(), 1u);
  EXPECT_EQ(screen.messages[0].text, kQuestion);
  EXPECT_EQ(screen.messages[0].caption, "Solve Sudoku Puzzle?");
  EXPECT_EQ(screen.messages[0].buttons, Buttons::YesNo);
  EXPECT_EQ(screen.messages[0].owner, &At(4, 4));
  EXPECT_EQ(StateOf(board), before);
  EXPECT_EQ(board.stepCount, 1);
}

TEST_F(AttemptTest, SolvablePuzzleEndsCompleteWithTheVerdictTwice) {
  const std::string solution = SolutionOf(kEasy);
  SetUpPuzzle(board, kEasy, solution);
  screen.replies = {Reply::Yes};
  Cell& clicked = At(4, 4);

  RunCellCommand(board, clicked, ID_ATTEMPT_SOLVE);

  EXPECT_EQ(GridOf(board), solution);
  EXPECT_EQ(clicked.fixedCount, 81);
  ASSERT_EQ(screen.messages.size(), 3u);
  EXPECT_EQ(screen.messages[0].text, kQuestion);
  EXPECT_EQ(screen.messages[1].text, kVerdictMatch);
  EXPECT_NE(screen.messages[1].owner, &clicked) << "the fix that completed the board";
  EXPECT_EQ(screen.messages[2].text, kVerdictMatch);
  EXPECT_EQ(screen.messages[2].owner, &clicked) << "the closing check";
}

TEST_F(AttemptTest, PuzzleNeedingOtherTechniquesEndsIncompleteAndSilent) {
  const std::string solution = SolutionOf(kHard);
  SetUpPuzzle(board, kHard, solution);
  screen.replies = {Reply::Yes};

  RunCellCommand(board, At(0, 0), ID_ATTEMPT_SOLVE);

  EXPECT_LT(At(0, 0).fixedCount, 81);
  EXPECT_EQ(screen.MessageTexts(), std::vector<std::string>{kQuestion});
  for (int k = 0; k < 81; ++k)
    EXPECT_NE(board.AtGrid(k / 9, k % 9).text.find(solution[k]), std::string::npos) << k;
}

TEST_F(AttemptTest, CompleteBoardIsAskedFillsNothingAndShowsTheVerdictOnce) {
  SetUpPuzzle(board, kSolution);
  board.SetCellText(At(0, 0), "9", 0);
  const BoardState before = StateOf(board);
  screen.replies = {Reply::Yes};
  Cell& clicked = At(2, 2);

  RunCellCommand(board, clicked, ID_ATTEMPT_SOLVE);

  EXPECT_EQ(StateOf(board), before);
  ASSERT_EQ(screen.messages.size(), 2u);
  EXPECT_EQ(screen.messages[0].text, kQuestion);
  EXPECT_EQ(screen.messages[1].text, kVerdictUnverified);
  EXPECT_EQ(screen.messages[1].owner, &clicked);
  // The fill cleared the history; only the opening step of the first cycle
  // is left.
  ASSERT_EQ(board.stepCount, 1);
  EXPECT_EQ(board.steps[0], static_cast<uint32_t>(clicked.number));
}

}  // namespace
}  // namespace kovalo::testing
