// Mark as Fixed, Unmark as Fixed, UnMark and Refill, and Copy Answers.
#include "solver_fixture.h"

namespace kovalo::testing {
namespace {

using FixingTest = SolverTest;

// Cell (4,4) holds 7; 7 also stands in its box, its row, its column, and in
// one cell that is no peer at all.
const std::vector<std::string> kSevens = {
    "- - - - 17 - - - -",   //
    "- - - - - - - - -",    //
    "- - - - - - - - 78",   // no peer of (4,4)
    "- - - 27 - - - - -",   //
    "47 - - - 7 - - - 79",  //
    "- - - - - 73 - - -",   //
    "- - - - - - - - -",    //
    "- - - - - - - - -",    //
    "- - - - 6 - - - -",
};

TEST_F(FixingTest, MarkAsFixedStrikesTheDigitFromEveryPeerAsOneUndoGroup) {
  SetUpBoard(board, kSevens);
  const BoardState before = StateOf(board);

  MarkAsFixed(board, At(4, 4));

  EXPECT_EQ(TextsOf(board),
            (std::vector<std::string>{"- - - - 1 - - - -", "- - - - - - - - -",
                                      "- - - - - - - - 78", "- - - 2 - - - - -",
                                      "4 - - - 7 - - - 9", "- - - - - 3 - - -", "- - - - - - - - -",
                                      "- - - - - - - - -", "- - - - 6 - - - -"}));
  EXPECT_EQ(At(4, 4).status, Plain | kFixed);
  EXPECT_TRUE(Verdicts().empty());
  const BoardState after = StateOf(board);

  board.OnUndo();
  EXPECT_EQ(StateOf(board), before);
  EXPECT_EQ(board.stepCount, 0) << "one press takes back the whole command";
  board.OnRedo();
  EXPECT_EQ(StateOf(board), after);
}

TEST_F(FixingTest, MarkAsFixedOnAStartingNumberKeepsItsStatusAndStrikesPeers) {
  std::vector<std::string> rows = kSevens;
  rows[4] = "47 - - - 7! - - - 79";
  SetUpBoard(board, rows);

  MarkAsFixed(board, At(4, 4));

  EXPECT_EQ(At(4, 4).status, kStartingNumber);
  EXPECT_EQ(At(4, 0).text, "4");
  EXPECT_EQ(At(0, 4).text, "1");
  EXPECT_EQ(At(2, 8).text, "78");
}

TEST_F(FixingTest, MarkAsFixedDoesNotSpareFixedPeers) {
  std::vector<std::string> rows = kSevens;
  rows[8] = "- - - - 7* - - - -";
  SetUpBoard(board, rows);

  MarkAsFixed(board, At(4, 4));

  EXPECT_EQ(At(8, 4).text, "");
}

TEST_F(FixingTest, MarkAsFixedNeedsExactlyOneCharacter) {
  for (const char* text : {"", "57"}) {
    SCOPED_TRACE(text);
    std::vector<std::string> rows = kSevens;
    rows[4] = std::string("47 - - - ") + (*text ? text : "-") + " - - - 79";
    SetUpBoard(board, rows);
    const BoardState before = StateOf(board);
    const int repaints = screen.repaints;

    MarkAsFixed(board, At(4, 4));

    EXPECT_EQ(StateOf(board), before);
    EXPECT_EQ(board.stepCount, 0);
    EXPECT_EQ(screen.repaints, repaints);
    EXPECT_TRUE(screen.messages.empty());
  }
}

// The last open cell of kSolution, at (8,8), holds its 7 unfixed.
class CompletionTest : public SolverTest {
 protected:
  void SetUpLastCellOpen(const std::string& answers) {
    SetUpPuzzle(board, kSolution.substr(0, 80) + ".", answers);
    At(8, 8).text = "7";
    Rebaseline(board);
  }
};

TEST_F(CompletionTest, MarkAsFixedThatCompletesTheBoardShowsTheVerdictOnceFromTheCell) {
  struct Row {
    std::string answers;
    const char* verdict;
  };
  std::string wrong = kSolution;
  wrong[3] = wrong[3] == '1' ? '2' : '1';
  for (const Row& row :
       {Row{kSolution, kVerdictMatch}, Row{"", kVerdictUnverified}, Row{wrong, kVerdictWrong}}) {
    SCOPED_TRACE(row.verdict);
    screen.messages.clear();
    SetUpLastCellOpen(row.answers);

    MarkAsFixed(board, At(8, 8));

    ASSERT_EQ(screen.messages.size(), 1u);
    EXPECT_EQ(screen.messages[0].text, row.verdict);
    EXPECT_EQ(screen.messages[0].caption, "");
    EXPECT_EQ(screen.messages[0].owner, &At(8, 8));
  }
}

TEST_F(FixingTest, MarkAsFixedInsideABatchOpensNoGroupAndLeavesTheVerdictToItsCaller) {
  SetUpPuzzle(board, kSolution.substr(0, 80) + ".");
  At(8, 8).text = "7";
  Rebaseline(board);
  board.PlayerEdited(At(8, 8), "7");  // one step before the batch
  const int repaints = screen.repaints;
  board.batch = true;

  MarkAsFixed(board, At(8, 8));

  EXPECT_FALSE(board.batch) << "a fix leaves batch clear";
  EXPECT_TRUE(At(8, 8).IsFixed());
  EXPECT_EQ(screen.repaints, repaints) << "no re-evaluation";
  EXPECT_TRUE(screen.messages.empty());
  ASSERT_EQ(board.stepCount, 2);  // the edit, then the closing write alone
  EXPECT_TRUE(board.steps[1] & kChainBit);
  board.OnUndo();
  EXPECT_FALSE(At(8, 8).IsFixed());
  EXPECT_EQ(board.stepCount, 0) << "the fix joined the edit's group";
}

TEST_F(FixingTest, UnmarkFixedClearsTheFlagAsOneStepWithoutRecheck) {
  SetUpBoard(board, kSevens);
  MarkAsFixed(board, At(4, 4));
  const int steps = board.stepCount;
  const int repaints = screen.repaints;

  UnmarkFixed(board, At(4, 4));

  EXPECT_EQ(At(4, 4).status, Plain) << "the kind waits for the next re-evaluation";
  EXPECT_EQ(At(4, 0).text, "4") << "struck digits do not come back";
  EXPECT_EQ(screen.repaints, repaints);
  EXPECT_EQ(board.stepCount, steps + 1);
  board.OnUndo();
  EXPECT_EQ(At(4, 4).status, Plain | kFixed);
  EXPECT_EQ(board.stepCount, steps);
}

TEST_F(FixingTest, StartingNumbersCannotBeUnmarkedOrRefilled) {
  std::vector<std::string> rows = kSevens;
  rows[4] = "47 - - - 7! - - - 79";
  SetUpBoard(board, rows);
  const BoardState before = StateOf(board);

  UnmarkFixed(board, At(4, 4));
  UnmarkAndRefill(board, At(4, 4));

  EXPECT_EQ(StateOf(board), before);
  EXPECT_EQ(board.stepCount, 0);
  EXPECT_TRUE(screen.messages.empty());
}

TEST_F(FixingTest, UnmarkAndRefillOnALockedBoardRefillsEveryBlankCellAndDropsTheHistory) {
  SetUpBoard(board, {"1! - - - - - - - -", "- - - - - - - - -", "- - - - - - - - -",
                     "- - - - - - - - -", "- - - - 7 - - - -", "- - - - - - - - -",
                     "- - - - - - - - -", "- - - - - - - - -", "9! - - - 4 - - - -"});
  MarkAsFixed(board, At(4, 4));
  ASSERT_EQ(At(8, 4).text, "4");

  UnmarkAndRefill(board, At(4, 4));

  EXPECT_EQ(At(4, 4).text, "123456789") << "no Fixed peer holds any digit";
  EXPECT_FALSE(At(4, 4).IsFixed());
  EXPECT_EQ(At(0, 1).text, "23456789") << "other blank cells are filled too";
  EXPECT_EQ(At(8, 4).text, "4") << "peers are not refilled";
  EXPECT_TRUE(screen.messages.empty());
  // Only the cell change handler's step is left: the former 7 is gone for good.
  EXPECT_EQ(board.stepCount, 1);
  board.OnUndo();
  EXPECT_EQ(At(4, 4).text, "123456789");
}

TEST_F(FixingTest, UnmarkAndRefillBeforeTheLockEmptiesTheCellAndUndoesApart) {
  SetUpBoard(board,
             {"- - - - - - - - -", "- - - - - - - - -", "- - - - - - - - -", "- - - - - - - - -",
              "- - - - - - - - -", "- - - - - - - - -", "- - - - - - - - -", "- - - - - - - - -",
              "- - - - - - - - -"},
             /*locked=*/false);
  board.PlayerEdited(At(0, 0), "5");
  board.PlayerEdited(At(4, 4), "3");

  UnmarkAndRefill(board, At(4, 4));

  ASSERT_EQ(screen.messages.size(), 1u);
  EXPECT_EQ(screen.messages[0].text, "Sudoku Puzzle Has not been locked yet");
  EXPECT_EQ(screen.messages[0].caption, "Unable to fill in squares untill puzzle is locked");
  EXPECT_EQ(At(4, 4).text, "");
  EXPECT_EQ(At(4, 4).status, 0u);
  // Undo brings the 3 back without taking the 5 with it.
  while (At(4, 4).text.empty() && board.stepCount > 0) board.OnUndo();
  EXPECT_EQ(At(4, 4).text, "3");
  EXPECT_EQ(At(0, 0).text, "5");
}

struct CopyCase {
  const char* name;
  std::vector<std::string> rows;
  const char* clipboard;
  const char* message;
};
void PrintTo(const CopyCase& c, std::ostream* out) { *out << c.name; }

class CopyCases : public SolverTest, public ::testing::WithParamInterface<CopyCase> {};

const CopyCase kCopyCases[] = {
    {"CompletedBoardIsOneLineOf161Characters",
     {"9* 3* 1* 5* 7* 6* 4* 2* 8*", "4* 8* 6* 3* 9* 2* 5* 7* 1*", "2* 7* 5* 4* 8* 1* 9* 3* 6*",
      "1* 9* 4* 7* 5* 3* 8* 6* 2*", "8* 6* 3* 2* 4* 9* 7* 1* 5*", "7* 5* 2* 1* 6* 8* 3* 9* 4*",
      "3* 4* 8* 6* 2* 7* 1* 5* 9*", "5* 2* 7* 9* 1* 4* 6* 8* 3*", "6* 1* 9* 8* 3* 5* 2* 4* 7*"},
     "9 3 1 5 7 6 4 2 8 4 8 6 3 9 2 5 7 1 2 7 5 4 8 1 9 3 6 1 9 4 7 5 3 8 6 2 8 6 3 2 4 9 7 1 5 "
     "7 5 2 1 6 8 3 9 4 3 4 8 6 2 7 1 5 9 5 2 7 9 1 4 6 8 3 6 1 9 8 3 5 2 4 7",
     "81 Numbers copied to clipboard"},
    {"SingleDigitsCountFixedOrNot",
     {"9 3 1 5 7 6 4 2 8", "4 8 6 3 9 2 5 7 1", "2 7 5 4 8 1 9 3 6", "1 9 4 7 5 3 8 6 2",
      "8 6 3 2 4 9 7 1 5", "7 5 2 1 6 8 3 9 4", "3 4 8 6 2 7 1 5 9", "5 2 7 9 1 4 6 8 3",
      "6 1 9 8 3 5 2 4 7"},
     "9 3 1 5 7 6 4 2 8 4 8 6 3 9 2 5 7 1 2 7 5 4 8 1 9 3 6 1 9 4 7 5 3 8 6 2 8 6 3 2 4 9 7 1 5 "
     "7 5 2 1 6 8 3 9 4 3 4 8 6 2 7 1 5 9 5 2 7 9 1 4 6 8 3 6 1 9 8 3 5 2 4 7",
     "81 Numbers copied to clipboard"},
    {"LeadingBlanksTrimmedInnerBlanksShowAsTwoSpaces",
     {"- - 12 - 3 - - - -", "- - - - - - - - 4", "- - - - - - - - -", "- - - - - - - - -",
      "- - - - - - - - -", "- - - - - - - - -", "- - - - - - - - -", "- - - - - - - - -",
      "- - - - - - - - -"},
     "12  3             4",
     "*** Some numbers only were copied to clipboard ***"},
    {"EmptyBoardCopiesNothing",
     {"- - - - - - - - -", "- - - - - - - - -", "- - - - - - - - -", "- - - - - - - - -",
      "- - - - - - - - -", "- - - - - - - - -", "- - - - - - - - -", "- - - - - - - - -",
      "- - - - - - - - -"},
     "",
     "*** Some numbers only were copied to clipboard ***"},
};

TEST_P(CopyCases, CopiesTextsInReadingOrder) {
  const CopyCase& c = GetParam();
  SetUpBoard(board, c.rows);
  screen.clipboard = "old";
  Cell& clicked = At(2, 2);

  CopyAnswers(board, clicked);

  EXPECT_EQ(screen.clipboard, c.clipboard);
  ASSERT_EQ(screen.messages.size(), 1u);
  EXPECT_EQ(screen.messages[0].text, c.message);
  EXPECT_EQ(screen.messages[0].caption, "");
  EXPECT_EQ(screen.messages[0].buttons, Buttons::Ok);
  EXPECT_EQ(screen.messages[0].owner, &clicked);
  EXPECT_EQ(board.stepCount, 0);
  EXPECT_TRUE(Verdicts().empty());
}

INSTANTIATE_TEST_SUITE_P(CopyAnswers, CopyCases, ::testing::ValuesIn(kCopyCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FixingTest, CopyAnswersShowsNothingWhenTheClipboardFails) {
  SetUpBoard(board, kSevens);
  screen.clipboardWorks = false;

  CopyAnswers(board, At(0, 0));

  EXPECT_TRUE(screen.messages.empty());
}

}  // namespace
}  // namespace kovalo::testing
