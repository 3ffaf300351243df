// Re-evaluation of the board, the completion verdict and the colour table.
#include "board/board.h"

#include <gtest/gtest.h>

#include "support/board_text.h"
#include "support/fake_screen.h"

namespace kovalo {
namespace {

using testing::FakeScreen;
using testing::LoadTexts;

class BoardTest : public ::testing::Test {
 protected:
  FakeScreen screen;
  Board board{screen};
};

// A board with one cell under test at grid (4, 4) and a few neighbours.
struct KindRow {
  const char* name;
  std::string cellText;
  std::vector<std::pair<std::pair<int, int>, std::pair<std::string, uint32_t>>> others;
  uint32_t expected;
};

TEST_F(BoardTest, CheckCellGivesTheKindByPeersTexts) {
  const KindRow rows[] = {
      {"empty cell stays blank", "", {{{4, 0}, {"5", kStartingNumber}}}, Blank},
      {"no peer holds the digit", "5", {{{0, 0}, {"5", kStartingNumber}}}, Plain},
      {"starting number in the row", "5", {{{4, 0}, {"5", kStartingNumber}}}, Clash},
      {"fixed peer in the column", "5", {{{8, 4}, {"5", Plain | kFixed}}}, Clash},
      {"plain peer in the box", "5", {{{3, 3}, {"5", Plain}}}, Shared},
      {"candidate lists count", "12", {{{4, 8}, {"23", Plain}}}, Shared},
      {"fixed beats plain peer",
       "12",
       {{{4, 8}, {"23", Plain}}, {{0, 4}, {"1", kStartingNumber}}},
       Clash},
      {"fixed met after plain",
       "12",
       {{{3, 4}, {"2", Plain}}, {{4, 7}, {"1", Plain | kFixed}}},
       Clash},
      {"digit outside the peers",
       "9",
       {{{0, 0}, {"9", Plain}}, {{8, 8}, {"9", kStartingNumber}}},
       Plain},
      {"zero counts as a character", "0", {{{4, 1}, {"70", Plain}}}, Shared},
  };
  for (const KindRow& row : rows) {
    SCOPED_TRACE(row.name);
    for (Cell& cell : board.cells()) {
      cell.text.clear();
      cell.status = 0;
    }
    Cell& x = board.AtGrid(4, 4);
    x.text = row.cellText;
    for (const auto& [place, cell] : row.others) {
      board.AtGrid(place.first, place.second).text = cell.first;
      board.AtGrid(place.first, place.second).status = cell.second;
    }
    board.RecheckBoard(board.First());
    EXPECT_EQ(x.status, row.expected);
  }
}

TEST_F(BoardTest, RecheckKeepsFixedCellsAndStartingNumbers) {
  Cell& start = board.AtGrid(0, 0);
  start.text = "7";
  start.status = kStartingNumber;
  Cell& fixed = board.AtGrid(0, 5);
  fixed.text = "7";
  fixed.status = Clash | kFixed;  // a fixed cell is never re-evaluated; only its kind resets
  Cell& plain = board.AtGrid(0, 8);
  plain.text = "78";
  board.RecheckBoard(board.First());
  EXPECT_EQ(start.status, kStartingNumber);
  EXPECT_EQ(fixed.status, Plain | kFixed);
  EXPECT_EQ(plain.status, Clash);
  EXPECT_GE(screen.repaints, 1);
}

TEST_F(BoardTest, EmptiedFixedCellIsNotReEvaluated) {
  Cell& x = board.AtGrid(2, 2);
  x.status = Plain | kFixed;
  board.RecheckBoard(board.First());
  EXPECT_EQ(x.status, Plain | kFixed);
}

// Fills the board with a valid solution, every cell fixed.
void LoadSolved(Board& board, const std::string& solution, uint32_t status) {
  for (int k = 0; k < 81; ++k) {
    Cell& cell = board.AtGrid(k / 9, k % 9);
    cell.text = std::string(1, solution[k]);
    cell.status = status;
  }
}

const std::string kSolution =
    "534678912672195348198342567859761423426853791713924856961537284287419635345286179";

TEST_F(BoardTest, TalliesAndVerdicts) {
  struct Row {
    const char* name;
    bool answersKnown;
    int wrongAnswerAt;  // -1 for none
    int unfixedAt;      // -1 for none
    int fixed, match, unverified;
    const char* verdict;  // nullptr: no message
  };
  const Row rows[] = {
      {"no answers", false, -1, -1, 81, 0, 81,
       "You have Successfully Completed the puzzle but your answers could not be verified with "
       "the website at this time"},
      {"answers match", true, -1, -1, 81, 81, 0,
       "You have Successfully Completed the puzzle and your answers match the websites answers"},
      {"one answer differs", true, 40, -1, 81, 80, 1, "You have incorrectly finished the puzzle"},
      {"80 fixed cells", true, -1, 17, 80, 80, 0, nullptr},
      {"80 fixed, no answers", false, -1, 80, 80, 0, 80, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    screen.messages.clear();
    LoadSolved(board, kSolution, Plain | kFixed);
    for (int k = 0; k < 81; ++k) {
      Cell& cell = board.AtGrid(k / 9, k % 9);
      cell.answer = row.answersKnown ? kSolution[k] - '0' : 0;
      if (k == row.wrongAnswerAt) cell.answer = cell.answer % 9 + 1;
      if (k == row.unfixedAt) cell.status = Plain;
    }
    Cell& tally = board.AtGrid(5, 5);
    board.RecheckBoard(tally);
    EXPECT_EQ(tally.fixedCount, row.fixed);
    EXPECT_EQ(tally.matchCount, row.match);
    EXPECT_EQ(tally.unverifiedCount, row.unverified);
    board.ShowCompletion(tally);
    if (row.verdict) {
      ASSERT_EQ(screen.messages.size(), 1u);
      EXPECT_EQ(screen.messages[0].text, row.verdict);
      EXPECT_EQ(screen.messages[0].caption, "");
      EXPECT_EQ(screen.messages[0].owner, &tally);
    } else {
      EXPECT_TRUE(screen.messages.empty());
    }
  }
}

TEST_F(BoardTest, VerdictJudgesAnswersNotPeers) {
  // Every cell fixed on «1», all answers 1: complete and "correct" though
  // every row clashes.
  for (Cell& cell : board.cells()) {
    cell.text = "1";
    cell.status = Plain | kFixed;
    cell.answer = 1;
  }
  board.RecheckBoard(board.First());
  board.ShowCompletion(board.First());
  ASSERT_EQ(screen.messages.size(), 1u);
  EXPECT_EQ(
      screen.messages[0].text,
      "You have Successfully Completed the puzzle and your answers match the websites answers");
}

TEST_F(BoardTest, TypedDigitsAloneNeverComplete) {
  LoadSolved(board, kSolution, Plain);
  board.PlayerEdited(board.AtGrid(0, 0), "5");
  EXPECT_TRUE(screen.messages.empty());
}

TEST(CellColours, FollowTheTable) {
  using namespace rgb;
  struct Row {
    uint32_t status;
    bool locked, checking;
    CellColours expected;
  };
  const CellColours kDefault{kWhite, kBlack, true};
  const Row rows[] = {
      {Blank, true, true, kDefault},
      {kStartingNumber, true, false, {kAzure, kWhite, false}},
      {Plain | kFixed, true, true, {kLightCyan, kBlack, false}},
      {Plain | kFixed, true, false, {kLightCyan, kBlack, false}},
      {Plain, true, true, {kGreen, kWhite, false}},
      {Clash, true, true, {kRed, kWhite, false}},
      {Shared, true, true, {kYellow, kBlack, false}},
      {Plain, true, false, kDefault},
      {Clash, true, false, kDefault},
      {Shared, true, false, kDefault},
      {0, false, true, kDefault},
      {Plain, false, false, {kNavy, kLightOrange, false}},
      {Plain, false, true, {kNavy, kLightOrange, false}},
      {Clash, false, false, {kRed, kViolet, false}},
      {Plain | kFixed, false, true, {kRed, kViolet, false}},
      {kStartingNumber, false, true, {kRed, kViolet, false}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message() << "status " << row.status << " locked " << row.locked
                                      << " checking " << row.checking);
    EXPECT_EQ(ColoursOf(row.status, row.locked, row.checking), row.expected);
  }
}

}  // namespace
}  // namespace kovalo
