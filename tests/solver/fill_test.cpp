// The Fill button: refusal before the lock, which digits a blank cell
// receives, which cells are left alone, and the cleared history.
#include "solver_fixture.h"

namespace kovalo::testing {
namespace {

using FillTest = SolverTest;

TEST_F(FillTest, RefusedWhileNotLocked) {
  SetUpBoard(board,
             {"5 - - - - - - - -", "- - - - - - - - -", "- - - - - - - - -", "- - - - - - - - -",
              "- - - - - - - - -", "- - - - - - - - -", "- - - - - - - - -", "- - - - - - - - -",
              "- - - - - - - - -"},
             /*locked=*/false);
  board.PlayerEdited(At(4, 4), "3");
  const BoardState before = StateOf(board);
  const int steps = board.stepCount;

  OnFill(board);

  ASSERT_EQ(screen.messages.size(), 1u);
  EXPECT_EQ(screen.messages[0].text, "Sudoku Puzzle Has not been locked yet");
  EXPECT_EQ(screen.messages[0].caption, "Unable to fill in squares untill puzzle is locked");
  EXPECT_EQ(screen.messages[0].buttons, Buttons::Ok);
  EXPECT_EQ(screen.messages[0].owner, nullptr);
  EXPECT_EQ(StateOf(board), before);
  EXPECT_EQ(board.stepCount, steps);
}

struct FillCase {
  const char* name;
  std::vector<std::string> rows;
  int row, col;  // the cell looked at
  const char* text;
  uint32_t status;  // after the closing re-evaluation
};
void PrintTo(const FillCase& c, std::ostream* out) { *out << c.name; }

class FillCases : public SolverTest, public ::testing::WithParamInterface<FillCase> {};

// Blank cells filled in the same run hold the same digits, so a filled cell
// ends Shared.
const FillCase kFillCases[] = {
    {"StartingNumbersOfRowAndColumnExcludeTheirDigits",
     {"1! - - - - - - - 2!", "- - - - - - - - -", "- - - - - - - - -", "- - - - - - - - -",
      "- - - - - - - - -", "- - - - - - - - -", "- - - - - - - - -", "- - - - - - - - -",
      "- - - - 3! - - - -"},
     0,
     4,
     "456789",
     Shared},
    {"ANonFixedPeerExcludesNothing",
     {"5 - - - - - - - 7", "- - - - - - - - -", "- - - - - - - - -", "- - - - - - - - -",
      "- - - - - - - - -", "- - - - - - - - -", "- - - - - - - - -", "- - - - - - - - -",
      "- - - - - - - - -"},
     0,
     4,
     "123456789",
     Shared},
    {"AFixedPeerExcludesOnlyItsFirstDigit",
     {"57* - - - - - - - -", "- - - - - - - - -", "- - - - - - - - -", "- - - - - - - - -",
      "- - - - - - - - -", "- - - - - - - - -", "- - - - - - - - -", "- - - - - - - - -",
      "- - - - - - - - -"},
     0,
     4,
     "12346789",
     Clash},  // its 7 stands in the Fixed peer
    {"AFixedCellWithoutTextIsBlankAgainAndFilled",
     {"- - - - * - - - 9*", "- - - - - - - - -", "- - - - - - - - -", "- - - - - - - - -",
      "- - - - - - - - -", "- - - - - - - - -", "- - - - - - - - -", "- - - - - - - - -",
      "- - - - - - - - -"},
     0,
     4,
     "12345678",
     Shared},
    {"ACellWithTextIsNotRewrittenEvenWhenWrong",
     {"5 - - - - - - - 5!", "- - - - - - - - -", "- - - - - - - - -", "- - - - - - - - -",
      "- - - - - - - - -", "- - - - - - - - -", "- - - - - - - - -", "- - - - - - - - -",
      "- - - - - - - - -"},
     0,
     0,
     "5",
     Clash},
    {"ACellWhoseDigitsAreAllTakenStaysEmptyAndBlank",
     {"- 1! 2! 3! 4! 5! 6! 7! 8!", "- - - - - - - - -", "- - - - - - - - -", "- - - - - - - - -",
      "- - - - - - - - -", "- - - - - - - - -", "- - - - - - - - -", "- - - - - - - - -",
      "9! - - - - - - - -"},
     0,
     0,
     "",
     Blank},
};

TEST_P(FillCases, FillsFromFixedPeersOnly) {
  const FillCase& c = GetParam();
  SetUpBoard(board, c.rows);
  std::vector<std::pair<int, std::string>> written;  // cells with text and status
  for (int k = 0; k < 81; ++k)
    if (board.AtGrid(k / 9, k % 9).status != 0)
      written.emplace_back(k, board.AtGrid(k / 9, k % 9).text);

  OnFill(board);

  EXPECT_EQ(At(c.row, c.col).text, c.text);
  EXPECT_EQ(At(c.row, c.col).status, c.status);
  for (const auto& [k, text] : written)
    if (!text.empty()) {
      EXPECT_EQ(board.AtGrid(k / 9, k % 9).text, text) << "cell " << k;
    }
  EXPECT_TRUE(screen.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Fill, FillCases, ::testing::ValuesIn(kFillCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FillTest, BoardWithoutBlankCellsKeepsItsTextsButLosesItsHistory) {
  SetUpPuzzle(board, kSolution.substr(0, 40) + std::string(41, '.'));
  for (int k = 40; k < 81; ++k) board.PlayerEdited(At(k / 9, k % 9), kSolution.substr(k, 1));
  ASSERT_TRUE(screen.IsEnabled(IDC_UNDO));
  board.OnUndo();
  board.PlayerEdited(At(8, 8), "7");  // now a redo tail was cut; Redo is still enabled
  const std::vector<std::string> texts = TextsOf(board);
  const int repaints = screen.repaints;

  OnFill(board);

  EXPECT_EQ(TextsOf(board), texts);
  EXPECT_EQ(board.stepCount, 0);
  EXPECT_TRUE(board.steps.empty());
  EXPECT_FALSE(screen.IsEnabled(IDC_UNDO));
  EXPECT_FALSE(screen.IsEnabled(IDC_REDO));
  EXPECT_GT(screen.repaints, repaints);
}

TEST_F(FillTest, TheFilledBoardIsTheNewStartOfTheHistory) {
  SetUpPuzzle(board, "1........" + std::string(72, '.'));
  board.PlayerEdited(At(4, 4), "35");
  OnFill(board);
  const BoardState filled = StateOf(board);
  EXPECT_EQ(At(0, 1).text, "23456789");
  EXPECT_EQ(At(4, 4).text, "35");

  board.OnUndo();
  EXPECT_EQ(StateOf(board), filled);
  for (const Cell& cell : board.cells()) {
    EXPECT_EQ(cell.savedText, cell.text);
    EXPECT_EQ(cell.historyPos, 0);
  }
}

TEST_F(FillTest, DigitFixedBeforeTheLockIsNotFilledOver) {
  board.OnReset();
  board.PlayerEdited(At(0, 0), "1");
  board.PlayerEdited(At(4, 4), "5");
  MarkAsFixed(board, At(4, 4));
  board.OnLock();
  OnFill(board);
  EXPECT_EQ(At(4, 4).text, "5");
  EXPECT_EQ(At(4, 4).status, Plain | kFixed);
  EXPECT_EQ(At(0, 0).status, kStartingNumber);
  EXPECT_EQ(At(4, 0).text, "2346789");  // both digits ruled out of a peer
}

}  // namespace
}  // namespace kovalo::testing
