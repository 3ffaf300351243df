// Rule Out impossible Combinations: which digits the box-line elimination
// strikes, in which order, and as one undo group.
#include "solver_fixture.h"

namespace kovalo::testing {
namespace {

using RuleOutTest = SolverTest;

struct RuleOutCase {
  const char* name;
  std::vector<std::string> rows;
  std::vector<std::string> expected;
};
void PrintTo(const RuleOutCase& c, std::ostream* out) { *out << c.name; }

class RuleOutCases : public SolverTest, public ::testing::WithParamInterface<RuleOutCase> {};

const RuleOutCase kRuleOutCases[] = {
    // Box 0 lists 4 only in its middle row: 4 goes from the rest of grid
    // row 1, and a cell holding 4 alone is left empty.
    {"OneRowOfTheBox", WithRows(kEmptyRows, {{1, "14 24 - 46 - - 4 - 45"}}),
     WithRows(kEmptyRows, {{1, "14 24 - 6 - - - - 5"}})},
    // In the centre box only (4,4) lists 4: 4 goes from its row and its
    // column outside the box, from a Fixed cell too, and (4,4) keeps it. The
    // top middle box spans two rows and columns and strikes nothing before
    // the centre box is reached.
    {"OneCellOfTheBox",
     WithRows(kEmptyRows, {{0, "- - - - 47 - - - -"},
                           {1, "- - - 34 - - - - -"},
                           {3, "- - - - - - 14 - -"},
                           {4, "- 4* - - 48 - - 47 -"},
                           {7, "- - - - - 45 - - -"},
                           {8, "- - - - 24 - - - -"}}),
     WithRows(kEmptyRows, {{0, "- - - - 7 - - - -"},
                           {1, "- - - 34 - - - - -"},
                           {3, "- - - - - - 14 - -"},
                           {4, "- - - - 48 - - 7 -"},
                           {7, "- - - - - 45 - - -"},
                           {8, "- - - - 2 - - - -"}})},
    {"TwoRowsAndTwoColumnsStrikeNothing",
     WithRows(kEmptyRows,
              {{0, "14 - - - - 4* - - -"}, {1, "- 24 - - - - - - -"}, {5, "- 4* - - - - - - -"}}),
     WithRows(kEmptyRows,
              {{0, "14 - - - - 4 - - -"}, {1, "- 24 - - - - - - -"}, {5, "- 4 - - - - - - -"}})},
    // The Fixed 4 of box 0 is not counted, so (1,1) holds the box's only 4.
    {"FixedCellsOfTheBoxAreNotCounted",
     WithRows(kEmptyRows,
              {{0, "4* - - - - - - - -"}, {1, "- 46 - - - 47 - - -"}, {6, "- 34 - - - - - - -"}}),
     WithRows(kEmptyRows,
              {{0, "4 - - - - - - - -"}, {1, "- 46 - - - 7 - - -"}, {6, "- 3 - - - - - - -"}})},
    // Box 0 strikes 4 from (0,3); only then does the top middle box hold its
    // 4 in one cell, (1,4), and strike it from row 1 and column 4.
    {"LaterBoxesCountOnTheTextsAsStruck",
     WithRows(kEmptyRows,
              {{0, "14 24 - 34 - - - - -"}, {1, "- - - - 45 - - 47 -"}, {5, "- - - - 46 - - - -"}}),
     WithRows(kEmptyRows,
              {{0, "14 24 - 3 - - - - -"}, {1, "- - - - 45 - - 7 -"}, {5, "- - - - 6 - - - -"}})},
};

TEST_P(RuleOutCases, StrikesAsOneUndoGroup) {
  const RuleOutCase& c = GetParam();
  SetUpBoard(board, c.rows);
  const BoardState before = StateOf(board);
  Cell& clicked = At(8, 0);
  clicked.changed = 1;

  const bool struck = RuleOutCombinations(board, clicked);

  EXPECT_EQ(TextsOf(board), c.expected);
  EXPECT_EQ(struck, before.texts != StateOf(board).texts);
  EXPECT_EQ(clicked.changed != 0, struck);
  for (const Cell& cell : board.cells())
    if (cell.text.empty() && !cell.IsFixed()) {
      EXPECT_EQ(cell.status, 0u) << cell.number;
    }
  const BoardState after = StateOf(board);

  board.OnUndo();
  EXPECT_EQ(StateOf(board), before);
  EXPECT_EQ(board.stepCount, 0);
  board.OnRedo();
  EXPECT_EQ(StateOf(board), after);
}

INSTANTIATE_TEST_SUITE_P(RuleOut, RuleOutCases, ::testing::ValuesIn(kRuleOutCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RuleOutTest, AStruckLoneDigitLeavesABlankCell) {
  SetUpBoard(board, WithRows(kEmptyRows, {{1, "14 24 - 46 - - 4 - 45"}}));

  RuleOutCombinations(board, At(8, 0));

  EXPECT_EQ(At(1, 6).text, "");
  EXPECT_EQ(At(1, 6).status, 0u);
}

TEST_F(RuleOutTest, OnACompletedBoardNothingIsStruckAndTheVerdictShowsAgain) {
  SetUpPuzzle(board, kSolution, kSolution);
  const BoardState before = StateOf(board);

  EXPECT_FALSE(RuleOutCombinations(board, At(3, 3)));

  EXPECT_EQ(StateOf(board), before);
  ASSERT_EQ(screen.messages.size(), 1u);
  EXPECT_EQ(screen.messages[0].text, kVerdictMatch);
  EXPECT_EQ(screen.messages[0].owner, &At(3, 3));
}

TEST_F(RuleOutTest, InsideABatchItOpensNoGroupAndDoesNotRecheck) {
  SetUpBoard(board, WithRows(kEmptyRows, {{1, "14 24 - 46 - - 4 - 45"}}));
  board.PlayerEdited(At(8, 8), "9");
  const int repaints = screen.repaints;
  board.batch = true;

  EXPECT_TRUE(RuleOutCombinations(board, At(8, 0)));

  EXPECT_FALSE(board.batch);
  EXPECT_EQ(screen.repaints, repaints);
  board.OnUndo();
  EXPECT_EQ(At(1, 3).text, "46");
  EXPECT_EQ(At(8, 8).text, "") << "the strikes joined the edit's group";
  EXPECT_EQ(board.stepCount, 0);
}

}  // namespace
}  // namespace kovalo::testing
