// The change handler, the undo/redo history, lock, reset and checking.
#include <gtest/gtest.h>

#include <climits>

#include "board/board.h"
#include "support/board_text.h"
#include "support/fake_screen.h"

namespace kovalo {
namespace {

using testing::FakeScreen;

class HistoryTest : public ::testing::Test {
 protected:
  HistoryTest() {
    board.writeCount = [this](int count) { writtenCounts.push_back(count); };
    board.OnReset();  // the start-up reset: asks nothing
  }
  Cell& At(int row, int col) { return board.AtGrid(row, col); }
  void Type(int row, int col, const std::string& text) { board.PlayerEdited(At(row, col), text); }

  FakeScreen screen;
  Board board{screen};
  std::vector<int> writtenCounts;
};

TEST_F(HistoryTest, StartUpResetAsksNothingAndNamesTheUserPuzzle) {
  EXPECT_TRUE(screen.messages.empty());
  EXPECT_EQ(screen.title, "Number 10000, User defined");
  EXPECT_EQ(writtenCounts, std::vector<int>{10000});
  EXPECT_FALSE(screen.IsEnabled(IDC_UNDO));
  EXPECT_FALSE(screen.IsEnabled(IDC_REDO));
}

TEST_F(HistoryTest, TypingRecordsOneStepAndRechecks) {
  Type(0, 0, "5");
  EXPECT_EQ(board.stepCount, 1);
  EXPECT_TRUE(screen.IsEnabled(IDC_UNDO));
  EXPECT_EQ(At(0, 0).status, Plain);
  Type(0, 0, "57");
  EXPECT_EQ(board.stepCount, 2);
  EXPECT_EQ(At(0, 0).textHistory.back(), std::string("5\x7f"
                                                     "57"));
  Type(0, 3, "7");
  EXPECT_EQ(At(0, 0).status, Shared);
  EXPECT_EQ(At(0, 3).status, Shared);
}

TEST_F(HistoryTest, UndoRedoAndTheRedoTailCut) {
  Type(0, 0, "5");
  Type(4, 4, "3");
  board.OnUndo();
  board.OnUndo();
  EXPECT_EQ(At(0, 0).text, "");
  EXPECT_EQ(At(4, 4).text, "");
  EXPECT_FALSE(screen.IsEnabled(IDC_UNDO));
  EXPECT_TRUE(screen.IsEnabled(IDC_REDO));
  board.OnRedo();
  EXPECT_EQ(At(0, 0).text, "5");
  EXPECT_EQ(At(4, 4).text, "");
  EXPECT_TRUE(screen.IsEnabled(IDC_UNDO));
  Type(8, 8, "7");  // cuts the redo tail: the «3» is gone for good
  EXPECT_EQ(board.steps.size(), 2u);
  board.OnRedo();
  EXPECT_EQ(At(4, 4).text, "");
  EXPECT_FALSE(screen.IsEnabled(IDC_REDO));
  board.OnUndo();
  EXPECT_EQ(At(8, 8).text, "");
  EXPECT_EQ(At(0, 0).text, "5");
}

TEST_F(HistoryTest, UndoAndRedoWithNothingToDoDisableTheirButtons) {
  screen.enabled[IDC_UNDO] = true;
  screen.enabled[IDC_REDO] = true;
  board.OnUndo();
  EXPECT_FALSE(screen.IsEnabled(IDC_UNDO));
  board.OnRedo();
  EXPECT_FALSE(screen.IsEnabled(IDC_REDO));
  EXPECT_EQ(board.replaying, false);
}

TEST_F(HistoryTest, ChainedStepsUndoAndRedoAsOneGroup) {
  Type(0, 0, "5");
  board.SetCellText(At(1, 1), "12", 0);
  board.SetCellText(At(2, 2), "34", 1);
  board.batch = true;
  board.SetCellText(At(3, 3), "56", 0);
  board.batch = false;
  ASSERT_EQ(board.steps.size(), 4u);
  EXPECT_EQ(board.steps[2], static_cast<uint32_t>(At(2, 2).number) | kChainBit);
  EXPECT_EQ(board.steps[3], static_cast<uint32_t>(At(3, 3).number) | kChainBit);
  board.OnUndo();
  EXPECT_EQ(testing::TextsOf(board)[0], "5 - - - - - - - -");
  EXPECT_EQ(At(1, 1).text, "");
  EXPECT_EQ(At(3, 3).text, "");
  EXPECT_EQ(board.stepCount, 1);
  board.OnRedo();
  EXPECT_EQ(At(1, 1).text, "12");
  EXPECT_EQ(At(2, 2).text, "34");
  EXPECT_EQ(At(3, 3).text, "56");
  EXPECT_FALSE(screen.IsEnabled(IDC_REDO));
}

TEST_F(HistoryTest, SetCellTextRecordsNothingWhileReplaying) {
  board.replaying = true;
  board.SetCellText(At(0, 0), "9", 0);
  board.replaying = false;
  EXPECT_EQ(At(0, 0).text, "9");
  EXPECT_TRUE(board.steps.empty());
  EXPECT_EQ(At(0, 0).historyPos, 0);
}

TEST_F(HistoryTest, ChangeHandlerDropsFixedOnlyForEmptyOrLoneZero) {
  struct Row {
    const char* text;
    bool stillFixed;
  };
  const Row rows[] = {{"", false}, {"0", false}, {"70", true}, {"00", true}, {"7", true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    Cell& x = At(6, 6);
    x.text = "7";
    x.status = Plain | kFixed;
    Type(6, 6, row.text);
    EXPECT_EQ(x.IsFixed(), row.stillFixed);
  }
}

TEST_F(HistoryTest, DeletingTheDigitOfAFixedCellUnfixesIt) {
  Cell& x = At(3, 3);
  x.text = "4";
  x.status = Plain | kFixed;
  Type(3, 3, "");
  EXPECT_EQ(x.status, Blank);
}

TEST_F(HistoryTest, RedoOfAFixedStepStrikesTheDigitFromThePeers) {
  // A fixing step recorded by hand: peers hold 7, the cell becomes fixed.
  Type(0, 0, "7");
  board.SetCellText(At(0, 5), "17", 0);
  board.SetCellText(At(5, 0), "78", 0);
  board.SetCellText(At(1, 1), "7", 0);
  Cell& x = At(0, 0);
  x.status = Plain | kFixed;
  board.SetCellText(x, "7", 0);
  board.OnUndo();
  EXPECT_FALSE(x.IsFixed());
  EXPECT_EQ(At(0, 5).text, "17");
  board.OnRedo();
  EXPECT_TRUE(x.IsFixed());
  EXPECT_EQ(At(0, 5).text, "1");
  EXPECT_EQ(At(5, 0).text, "8");
  EXPECT_EQ(At(1, 1).text, "");
  EXPECT_EQ(At(0, 8).text, "");  // no peer that lacked the digit is touched
}

TEST_F(HistoryTest, RedoOfAnEmptiedFixedCellStrikesNothing) {
  // An empty text is contained in every text; striking it would eat the
  // first digit of every peer.
  board.SetCellText(At(0, 3), "123", 0);
  Cell& x = At(0, 0);
  x.status = Plain | kFixed;
  board.SetCellText(x, "", 0);
  board.OnUndo();
  board.OnRedo();
  EXPECT_EQ(At(0, 3).text, "123");
}

// ---------------------------------------------------------------- lock

TEST_F(HistoryTest, LockMakesOneDigitPlainCellsStartingNumbers) {
  Type(0, 0, "4");
  Type(4, 4, "9");
  Type(8, 8, "12");
  const int before = board.stepCount;
  board.OnLock();
  EXPECT_TRUE(screen.messages.empty());
  EXPECT_EQ(At(0, 0).status, kStartingNumber);
  EXPECT_TRUE(At(0, 0).readOnly);
  EXPECT_EQ(At(4, 4).status, kStartingNumber);
  EXPECT_EQ(At(8, 8).text, "12");
  EXPECT_FALSE(At(8, 8).readOnly);
  EXPECT_EQ(board.stepCount, before + 2);  // one step for each new starting number
  EXPECT_TRUE(board.locked);
  EXPECT_FALSE(board.checking);
  EXPECT_FALSE(screen.checked[IDC_CHECKING]);
  EXPECT_EQ(board.userPuzzleCounter, 10001);
}

TEST_F(HistoryTest, LockRefusesClashesButUnticksCheckingFirst) {
  Type(0, 0, "4");
  Type(0, 8, "4");
  board.OnLock();
  ASSERT_EQ(screen.messages.size(), 1u);
  EXPECT_EQ(screen.messages[0].text,
            "You have Already some Numbers that are impossible. Please Correct them before "
            "clicking lock starting numbers");
  EXPECT_FALSE(board.locked);
  EXPECT_FALSE(board.checking);
  EXPECT_EQ(At(0, 0).status, Shared);
}

TEST_F(HistoryTest, UndoAfterLockTakesBackOneStartingNumberPerPress) {
  Type(0, 0, "4");
  Type(4, 4, "9");
  board.OnLock();
  board.OnUndo();
  EXPECT_EQ(At(4, 4).status, Plain);
  EXPECT_FALSE(At(4, 4).readOnly);  // no starting number, so editable again
  EXPECT_EQ(At(0, 0).status, kStartingNumber);
  EXPECT_TRUE(At(0, 0).readOnly);
  EXPECT_TRUE(board.locked);
  board.OnUndo();
  EXPECT_EQ(At(0, 0).status, Plain);
  EXPECT_FALSE(At(0, 0).readOnly);
  board.OnRedo();
  EXPECT_EQ(At(0, 0).status, kStartingNumber);
  EXPECT_TRUE(At(0, 0).readOnly);
  // Reset all but the starting numbers empties the undone one and leaves it
  // open to typing.
  screen.replies = {Reply::No, Reply::Yes};
  board.OnReset();
  EXPECT_EQ(At(4, 4).text, "");
  EXPECT_FALSE(At(4, 4).readOnly);
  EXPECT_EQ(At(0, 0).text, "4");
  EXPECT_TRUE(At(0, 0).readOnly);
}

TEST_F(HistoryTest, SecondLockAsksAndDoesNotCountTheSamePuzzleTwice) {
  Type(0, 0, "4");
  board.OnLock();
  Type(4, 4, "9");
  screen.replies = {Reply::No};
  board.OnLock();
  EXPECT_EQ(screen.messages.back().text,
            "You have Already Set some. Did you really want to set some more number as being "
            "starting numbers?");
  EXPECT_EQ(At(4, 4).status, Plain);
  screen.replies = {Reply::Yes};
  board.OnLock();
  EXPECT_EQ(At(4, 4).status, kStartingNumber);
  EXPECT_EQ(board.userPuzzleCounter, 10001);
}

TEST_F(HistoryTest, LockKeepsFixedDigitsAndClearsOtherOneDigitKinds) {
  struct Row {
    uint32_t before, after;
  };
  const Row rows[] = {{Plain | kFixed, Plain | kFixed}, {Start, 0u}, {Blank, 0u}};
  for (const Row& row : rows) {
    Cell& x = At(2, 2);
    x.text = "5";
    x.status = row.before;
    board.OnLock();
    EXPECT_EQ(x.status, row.after) << row.before;
    EXPECT_FALSE(x.readOnly) << row.before;
  }
}

// ---------------------------------------------------------------- reset

TEST_F(HistoryTest, ResetQuestions) {
  Type(0, 0, "4");
  board.OnLock();
  Type(4, 4, "123");
  At(4, 4).answer = 7;
  At(0, 0).answer = 4;
  const std::string title = screen.title;

  // No, then No: nothing happens.
  screen.replies = {Reply::No, Reply::No};
  board.OnReset();
  EXPECT_EQ(screen.messages.back().text, "Reset All but starting numbers?");
  EXPECT_EQ(At(4, 4).text, "123");

  // No, then Yes: everything but the starting numbers goes; answers stay.
  screen.replies = {Reply::No, Reply::Yes};
  board.OnReset();
  EXPECT_EQ(At(4, 4).text, "");
  EXPECT_EQ(At(4, 4).status, 0u);
  EXPECT_EQ(At(4, 4).answer, 7);
  EXPECT_EQ(At(0, 0).text, "4");
  EXPECT_TRUE(At(0, 0).readOnly);
  EXPECT_TRUE(board.locked);
  EXPECT_EQ(screen.title, title);
  EXPECT_EQ(board.stepCount, 0);

  // Yes: everything.
  screen.replies = {Reply::Yes};
  board.OnReset();
  EXPECT_EQ(screen.messages.back().text, "Reset Everything to blank?");
  EXPECT_EQ(At(0, 0).text, "");
  EXPECT_EQ(At(0, 0).status, 0u);
  EXPECT_EQ(At(0, 0).answer, 0);
  EXPECT_FALSE(At(0, 0).readOnly);
  EXPECT_FALSE(board.locked);
  EXPECT_EQ(screen.title, "Number 10001, User defined");
  EXPECT_EQ(writtenCounts.back(), 10001);
  EXPECT_TRUE(screen.replies.empty());
}

TEST_F(HistoryTest, CounterStaysAtTenThousandAtLeast) {
  board.userPuzzleCounter = 5;
  Type(0, 0, "1");
  board.OnLock();
  EXPECT_EQ(board.userPuzzleCounter, 10000);
}

TEST_F(HistoryTest, CounterStopsAtTheLargestNumber) {
  for (int start : {INT_MAX - 1, INT_MAX}) {
    board.locked = false;
    board.userPuzzleCounter = start;
    board.OnLock();
    EXPECT_EQ(board.userPuzzleCounter, INT_MAX) << start;
  }
}

TEST_F(HistoryTest, CheckingFollowsTheBoxAndRepaints) {
  const int repaints = screen.repaints;
  board.OnChecking(false);
  EXPECT_FALSE(board.checking);
  board.OnChecking(true);
  EXPECT_TRUE(board.checking);
  EXPECT_EQ(screen.repaints, repaints + 2);
}

}  // namespace
}  // namespace kovalo
