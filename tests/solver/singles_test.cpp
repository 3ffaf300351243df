// The singles: Mark all Single Digit Fields, Mark any Numbers that are
// alone, and Do Both Above until no more changes.
#include "solver_fixture.h"

namespace kovalo::testing {
namespace {

using SinglesTest = SolverTest;

struct LoneCase {
  const char* name;
  std::vector<std::string> rows;
  std::vector<std::string> expected;
};
void PrintTo(const LoneCase& c, std::ostream* out) { *out << c.name; }

class LoneCases : public SolverTest, public ::testing::WithParamInterface<LoneCase> {};

const LoneCase kLoneCases[] = {
    // 2 and 7 stand elsewhere in the box, 5 only in the cell's row and column.
    {"ReducesToTheDigitAloneInItsBoxWhateverItsRowAndColumnHold",
     WithRows(kEmptyRows, {{0, "257 28 - - - 5 - - -"},
                           {1, "- 78 - - - - - - -"},
                           {2, "27 - 28 - - - - - -"},
                           {5, "5 - - - - - - - -"}}),
     WithRows(kEmptyRows, {{0, "5 28 - - - 5 - - -"},
                           {1, "- 78 - - - - - - -"},
                           {2, "27 - 28 - - - - - -"},
                           {5, "5 - - - - - - - -"}})},
    {"TakesTheFirstAloneDigitInTextOrder",
     WithRows(kEmptyRows,
              {{0, "72 - - - - - - - -"}, {1, "- 13 - - - - - - -"}, {2, "- - 13 - - - - - -"}}),
     WithRows(kEmptyRows,
              {{0, "7 - - - - - - - -"}, {1, "- 13 - - - - - - -"}, {2, "- - 13 - - - - - -"}})},
    {"LeavesACellWhoseDigitsAllStandElsewhere",
     WithRows(kEmptyRows, {{0, "12 - - - - - - - -"}, {1, "- 21 - - - - - - -"}}),
     WithRows(kEmptyRows, {{0, "12 - - - - - - - -"}, {1, "- 21 - - - - - - -"}})},
    {"FixedCellsOfTheBoxHoldTheirDigit",
     WithRows(kEmptyRows, {{0, "38 - - - - - - - -"}, {1, "- 3* - - - - - - -"}}),
     WithRows(kEmptyRows, {{0, "8 - - - - - - - -"}, {1, "- 3 - - - - - - -"}})},
    {"LaterCellsSeeTheTextsEarlierCellsLeft", WithRows(kEmptyRows, {{0, "12 23 - - - - - - -"}}),
     WithRows(kEmptyRows, {{0, "1 2 - - - - - - -"}})},
    // A one-digit text is the singles pass's business, alone in its box or not.
    {"LeavesOneDigitTextsAlone",
     WithRows(kEmptyRows,
              {{0, "4 - - - - - - - -"}, {1, "- 56 - - - - - - -"}, {2, "- - 56 - - - - - -"}}),
     WithRows(kEmptyRows,
              {{0, "4 - - - - - - - -"}, {1, "- 56 - - - - - - -"}, {2, "- - 56 - - - - - -"}})},
    // Nothing was filled, so the empty cells of the box list nothing.
    {"BlankCellsHoldNothing", WithRows(kEmptyRows, {{4, "- - - - 94 - - - -"}}),
     WithRows(kEmptyRows, {{4, "- - - - 9 - - - -"}})},
};

TEST_P(LoneCases, ReducesCellsToALoneDigit) {
  const LoneCase& c = GetParam();
  SetUpBoard(board, c.rows);
  const std::vector<std::string> before = TextsOf(board);
  const BoardState beforeState = StateOf(board);
  Cell& clicked = At(8, 8);
  clicked.changed = 7;

  const bool changed = MarkLoneNumbers(board, clicked);

  EXPECT_EQ(TextsOf(board), c.expected);
  EXPECT_EQ(changed, c.expected != before);
  EXPECT_EQ(clicked.changed != 0, changed) << "the pass result lives in the clicked cell";
  for (int k = 0; k < 81; ++k)
    if (StateOf(board).texts[k] != beforeState.texts[k]) {
      EXPECT_FALSE(board.AtGrid(k / 9, k % 9).IsFixed()) << "a reduced cell is not fixed";
    }
  // The opening step and every reduction: one press takes them all back.
  board.OnUndo();
  EXPECT_EQ(StateOf(board), beforeState);
  EXPECT_EQ(board.stepCount, 0);
}

INSTANTIATE_TEST_SUITE_P(MarkLoneNumbers, LoneCases, ::testing::ValuesIn(kLoneCases),
                         [](const auto& info) { return std::string(info.param.name); });

// (0,4) holds a single 4; fixing it leaves (0,8) with 7 alone, later in board
// order, and (0,0) with 1 alone, earlier.
const std::vector<std::string> kChain = WithRows(kEmptyRows, {{0, "14 - - - 4 - - - 47"}});

TEST_F(SinglesTest, OneScanFixesCellsReducedLaterInBoardOrderOnly) {
  SetUpBoard(board, kChain);
  const BoardState before = StateOf(board);
  Cell& clicked = At(8, 8);

  EXPECT_TRUE(MarkSingleDigitFields(board, clicked));
  EXPECT_EQ(clicked.changed, 1);

  EXPECT_EQ(TextsOf(board)[0], "1 - - - 4 - - - 7");
  EXPECT_TRUE(At(0, 4).IsFixed());
  EXPECT_TRUE(At(0, 8).IsFixed());
  EXPECT_FALSE(At(0, 0).IsFixed()) << "waits for the next pass";
  const BoardState afterFirstPass = StateOf(board);

  // One undo group per fix, the later fix undone first.
  board.OnUndo();
  EXPECT_FALSE(At(0, 8).IsFixed());
  EXPECT_TRUE(At(0, 4).IsFixed());
  board.OnUndo();
  EXPECT_EQ(StateOf(board), before);
  EXPECT_EQ(RedoAll(board), 2);
  EXPECT_EQ(StateOf(board), afterFirstPass);

  EXPECT_TRUE(MarkSingleDigitFields(board, clicked));
  EXPECT_TRUE(At(0, 0).IsFixed());
  EXPECT_TRUE(screen.messages.empty());
}

TEST_F(SinglesTest, SinglesPassWithNothingToFixLeavesNoTrace) {
  SetUpBoard(board, WithRows(kEmptyRows, {{0, "14 - 5* - 24 - - - -"}}));
  const BoardState before = StateOf(board);
  const int repaints = screen.repaints;
  Cell& clicked = At(0, 0);
  clicked.changed = 1;

  EXPECT_FALSE(MarkSingleDigitFields(board, clicked));

  EXPECT_EQ(clicked.changed, 0);
  EXPECT_EQ(StateOf(board), before);
  EXPECT_EQ(board.stepCount, 0);
  EXPECT_EQ(screen.repaints, repaints);
  EXPECT_TRUE(screen.messages.empty());
}

// kSolution with every cell a starting number but three: (0,0) lists 3 and 9
// while 3 stands fixed in its box; (0,4) lists 9 and 7; (1,3) lists 9, 7 and
// 3. Neither pass alone finishes it: the lone-number pass reduces (0,0) to 9
// and (1,3) to 3, then one singles scan fixes all three.
class ThreeOpenCellsTest : public SolverTest {
 protected:
  void SetUp() override {
    std::string grid = kSolution;
    grid[0] = grid[4] = grid[12] = '.';
    SetUpPuzzle(board, grid, kSolution);
    At(0, 0).text = "39";
    At(0, 4).text = "97";
    At(1, 3).text = "973";
    Rebaseline(board);
  }
};

TEST_F(ThreeOpenCellsTest, DoBothCompletesTheBoardAndShowsTheVerdictTwice) {
  const BoardState before = StateOf(board);
  Cell& clicked = At(4, 4);

  DoBothUntilStable(board, clicked);

  EXPECT_EQ(GridOf(board), kSolution);
  for (const Cell& cell : board.cells()) EXPECT_TRUE(cell.IsFixed());
  ASSERT_EQ(screen.messages.size(), 2u);
  EXPECT_EQ(screen.messages[0].text, kVerdictMatch);
  EXPECT_EQ(screen.messages[0].owner, &At(1, 3)) << "the fix that completed the board";
  EXPECT_EQ(screen.messages[1].text, kVerdictMatch);
  EXPECT_EQ(screen.messages[1].owner, &clicked) << "the closing check";
  EXPECT_EQ(clicked.fixedCount, 81);
  EXPECT_EQ(clicked.changed, 1) << "the loop ends right after the singles pass that completed it";
  const BoardState after = StateOf(board);

  // The opening step with the chained reductions, then one group per fix.
  EXPECT_EQ(UndoAll(board), 4);
  EXPECT_EQ(StateOf(board), before);
  EXPECT_EQ(RedoAll(board), 4);
  EXPECT_EQ(StateOf(board), after);
}

TEST_F(ThreeOpenCellsTest, EachPassAloneGetsOnlyPartWay) {
  Cell& clicked = At(4, 4);
  EXPECT_FALSE(MarkSingleDigitFields(board, clicked));
  EXPECT_TRUE(MarkLoneNumbers(board, clicked));
  EXPECT_EQ(At(0, 0).text, "9");
  EXPECT_EQ(At(0, 4).text, "97");
  EXPECT_EQ(At(1, 3).text, "3");
  EXPECT_TRUE(screen.messages.empty());
}

TEST_F(SinglesTest, DoBothStopsWhenNeitherPassChangesAnything) {
  SetUpBoard(board, WithRows(kEmptyRows, {{0, "12 - - - - - - - -"}, {1, "- 21 - - - - - - -"}}));
  const BoardState before = StateOf(board);
  const int repaints = screen.repaints;
  Cell& clicked = At(0, 0);

  DoBothUntilStable(board, clicked);

  EXPECT_EQ(StateOf(board), before);
  EXPECT_EQ(clicked.changed, 0);
  EXPECT_GT(screen.repaints, repaints) << "the closing re-evaluation";
  EXPECT_TRUE(screen.messages.empty());
  EXPECT_EQ(board.stepCount, 1) << "only the opening step";
}

TEST_F(SinglesTest, OnACompletedBoardTheCommandsShowTheVerdictOnceOrNotAtAll) {
  struct Row {
    int command;
    size_t verdicts;
  };
  for (const Row& row : {Row{ID_MARK_SINGLE_DIGIT_FIELDS, 0}, Row{ID_MARK_LONE_NUMBERS, 1},
                         Row{ID_DO_BOTH_UNTIL_STABLE, 1}}) {
    SCOPED_TRACE(row.command);
    SetUpPuzzle(board, kSolution);
    screen.messages.clear();
    const BoardState before = StateOf(board);

    RunCellCommand(board, At(2, 6), row.command);

    EXPECT_EQ(StateOf(board), before);
    EXPECT_EQ(Verdicts().size(), row.verdicts);
    EXPECT_EQ(screen.messages.size(), row.verdicts);
  }
}

}  // namespace
}  // namespace kovalo::testing
