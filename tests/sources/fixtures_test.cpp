// The readers on pages as the sites serve them (tests/data/sources): each
// fixture gives its whole puzzle, its answers and its title.
#include <gtest/gtest.h>

#include <algorithm>

#include "sources/readers.h"
#include "sources/sites.h"
#include "sources/source_test_util.h"
#include "support/board_text.h"
#include "support/fake_screen.h"

namespace kovalo {
namespace {

using testing::AnswersText;
using testing::GivensText;
using testing::LocalMoment;
using testing::LocalZone;
using testing::ReadFixture;

// A solution fits when every row, column and box holds 1 ... 9 and every
// given agrees with it.
void ExpectSolves(const std::string& givens, const std::string& solution) {
  ASSERT_EQ(solution.size(), 81u);
  for (int unit = 0; unit < 9; ++unit) {
    std::string row, column, box;
    for (int i = 0; i < 9; ++i) {
      row += solution[unit * 9 + i];
      column += solution[i * 9 + unit];
      box += solution[(unit / 3 * 3 + i / 3) * 9 + unit % 3 * 3 + i % 3];
    }
    for (std::string* digits : {&row, &column, &box}) std::sort(digits->begin(), digits->end());
    EXPECT_EQ(row, "123456789") << "row " << unit;
    EXPECT_EQ(column, "123456789") << "column " << unit;
    EXPECT_EQ(box, "123456789") << "box " << unit;
  }
  for (int k = 0; k < 81; ++k)
    if (givens[k] != '0') {
      EXPECT_EQ(givens[k], solution[k]) << "cell " << k;
    }
}

class FixtureTest : public ::testing::Test {
 protected:
  LocalZone zone_{"Europe/Berlin"};
};

TEST_F(FixtureTest, MainWeeklySitePuzzleAndSolutionPages) {
  const time_t monday = LocalMoment(2006, 4, 10, 8, 0);
  const PageReading solution = ReadSolutionPageAnswers(ReadFixture("main_weekly_solution.html"));
  const PageReading puzzle = ReadMainWeeklyPage(ReadFixture("main_weekly_puzzle.html"), monday);
  const std::string givens =
      "009003002750408093001006008492605000000090000000180500513000086000050940000000700";
  const std::string answers =
      "849513672756428193231976458492635817185297364367184529513749286678352941924861735";
  EXPECT_EQ(AnswersText(solution), answers);
  EXPECT_EQ(GivensText(solution), std::string(81, '0'));
  EXPECT_EQ(solution.title, std::nullopt);
  EXPECT_EQ(GivensText(puzzle), givens);
  EXPECT_EQ(AnswersText(puzzle), std::string(81, '-'));
  EXPECT_EQ(puzzle.title, "Daily 1734, Monday 10 April 2006");
  EXPECT_EQ(puzzle.outcome, ReaderOutcome::Done);
  ExpectSolves(givens, answers);

  // On the board, in the worker's order.
  testing::FakeScreen screen;
  Board board(screen);
  std::string date = "4 10 2006";
  ApplyReading(solution, board, date);
  ApplyReading(puzzle, board, date);
  int placed = 0;
  for (int k = 0; k < 81; ++k) {
    const Cell& cell = board.AtGrid(k / 9, k % 9);
    EXPECT_EQ(cell.answer, answers[k] - '0') << "cell " << k;
    if (givens[k] == '0') continue;
    ++placed;
    EXPECT_EQ(cell.text, givens.substr(k, 1)) << "cell " << k;
    EXPECT_EQ(cell.status, Plain) << "cell " << k;
  }
  EXPECT_EQ(placed, 30);
  EXPECT_EQ(screen.title, "Daily 1734, Monday 10 April 2006");
}

TEST_F(FixtureTest, SecondWeeklySiteDayFile) {
  const PageReading reading =
      ReadSecondWeeklyFile(ReadFixture("second_weekly.js"), LocalMoment(2006, 4, 10, 8, 0));
  const std::string givens =
      "010980000000304005836050000050040090904020060070010050040000031362000080000500704";
  const std::string answers =
      "415982376729364815836157942651843297984725163273619458547298631362471589198536724";
  EXPECT_EQ(GivensText(reading), givens);
  EXPECT_EQ(AnswersText(reading), answers);
  EXPECT_EQ(reading.title, "Puzzle 1734, Monday");
  EXPECT_EQ(reading.outcome, ReaderOutcome::Done);
  ExpectSolves(givens, answers);
}

TEST_F(FixtureTest, LevelSitePage) {
  // The page is "Medium" for Thursday 20 April 2006, ten days after the
  // reference day: its address carried the selection time worked out here.
  const time_t thursday = LocalMoment(2006, 4, 20, 19, 45);
  const int32_t seltime = LevelSelectionTime(1, thursday);
  EXPECT_EQ(seltime, 1145320001);
  const PageReading reading = ReadLevelPage(ReadFixture("level.html"), thursday, seltime);
  const std::string givens =
      "009183000340000900608007000002460001007005009004009006000004703000231008900000450";
  const std::string answers =
      "759183264341652987628947135592468371167325849834719526286594713475231698913876452";
  EXPECT_EQ(GivensText(reading), givens);
  EXPECT_EQ(AnswersText(reading), answers);
  EXPECT_EQ(reading.title, "Sudoku 5320001, Thursday Medium");
  EXPECT_EQ(reading.outcome, ReaderOutcome::Done);
  ExpectSolves(givens, answers);
  const SiteAddresses sites = SiteAddressesFrom([](const char*) -> const char* { return nullptr; });
  EXPECT_EQ(WebsiteAddress(sites, *reading.title), sites.level + "sudoku/");
}

TEST_F(FixtureTest, RandomSiteSolutionPage) {
  const PageReading reading = ReadRandomSolutionPage(ReadFixture("random_solution.html"));
  const std::string givens =
      "001004002004006008005120003807002000009735000260000400400000720000957004000008109";
  const std::string answers =
      "631584972924376518785129643857462391149735286263891457498613725312957864576248139";
  EXPECT_EQ(GivensText(reading), givens);
  EXPECT_EQ(AnswersText(reading), answers);
  EXPECT_EQ(reading.title, "Random 12345, April 10, 2006");
  EXPECT_EQ(reading.date, "4 10 2006");
  EXPECT_EQ(reading.outcome, ReaderOutcome::Done);
  ExpectSolves(givens, answers);
}

TEST_F(FixtureTest, EachReaderOnAnotherSitesPageFindsNoGrid) {
  const time_t monday = LocalMoment(2006, 4, 10, 8, 0);
  const std::string level = ReadFixture("level.html");
  const std::string random = ReadFixture("random_solution.html");
  const std::string mainPuzzle = ReadFixture("main_weekly_puzzle.html");
  const std::string second = ReadFixture("second_weekly.js");
  const std::string noGivens(81, '0');

  EXPECT_EQ(GivensText(ReadLevelPage(random, monday, 1)), noGivens);
  EXPECT_EQ(GivensText(ReadLevelPage(mainPuzzle, monday, 1)), noGivens);
  EXPECT_EQ(ReadRandomSolutionPage(level).outcome, ReaderOutcome::Failed);
  EXPECT_EQ(ReadRandomSolutionPage(mainPuzzle).outcome, ReaderOutcome::Failed);
  EXPECT_EQ(GivensText(ReadMainWeeklyPage(level, monday)), noGivens);
  EXPECT_EQ(GivensText(ReadMainWeeklyPage(second, monday)), noGivens);
  EXPECT_EQ(AnswersText(ReadSolutionPageAnswers(random)), std::string(81, '-'));
  EXPECT_EQ(GivensText(ReadSecondWeeklyFile(level, monday)), noGivens);
}

}  // namespace
}  // namespace kovalo
