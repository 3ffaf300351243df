// The program's page readers on the pages that kovalo-sites serves: every
// weekday of the two weekly sites, every level of the level site and a
// spread of random puzzle numbers. The givens read must be the page's
// puzzle at the level its site promises, the answers its solution, and the
// titles and dates those the program shows for these sites.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>

#include "site_requests.h"
#include "sources/readers.h"
#include "sources/sites.h"
#include "support/local_time.h"

namespace kovalo::sites {
namespace {

using kovalo::testing::LocalMoment;

const CivilDate kToday{2026, 12, 8};

class SitePagesTest : public ::testing::Test {
 protected:
  SitePagesTest() {
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
  }
};

std::string Fetch(const std::string& target) {
  const SiteResponse response = AnswerRequest(target, kToday);
  EXPECT_EQ(response.status, 200) << target;
  return response.body;
}

// The part of a program address after the host: "/level/sudoku/?&...".
std::string TargetOf(const std::string& address) {
  const size_t host = address.find("//");
  return address.substr(address.find('/', host + 2));
}

const char* LevelWord(Level level) {
  static constexpr const char* kWords[] = {"Easy", "Medium", "Hard", "Evil"};
  return kWords[static_cast<int>(level)];
}

// A completed grid: every row, column and box holds 1 ... 9 once.
bool IsSolvedGrid(const std::string& grid) {
  if (grid.size() != 81) return false;
  for (int unit = 0; unit < 9; ++unit) {
    std::set<char> row, column, box;
    for (int i = 0; i < 9; ++i) {
      row.insert(grid[unit * 9 + i]);
      column.insert(grid[i * 9 + unit]);
      box.insert(grid[(unit / 3 * 3 + i / 3) * 9 + unit % 3 * 3 + i % 3]);
    }
    for (const auto* digits : {&row, &column, &box})
      if (digits->size() != 9 || *digits->begin() < '1' || *digits->rbegin() > '9') return false;
  }
  return true;
}

// The givens of a reading as an 81-character line, '.' for a blank.
std::string GivensOf(const PageReading& reading) {
  std::string line;
  for (int value : reading.givens) line += value == 0 ? '.' : static_cast<char>('0' + value);
  return line;
}
std::string AnswersOf(const PageReading& reading) {
  std::string line;
  for (int value : reading.answers) line += value <= 0 ? '?' : static_cast<char>('0' + value);
  return line;
}

// The givens read are a puzzle with one solution, of the level expected,
// and the answers read are that solution.
void ExpectPuzzle(const std::string& givens, const std::string& answers, Level level) {
  EXPECT_TRUE(IsSolvedGrid(answers)) << answers;
  int count = 0;
  for (int k = 0; k < 81; ++k) {
    if (givens[k] == '.') continue;
    ++count;
    EXPECT_EQ(givens[k], answers[k]) << "cell " << k;
  }
  EXPECT_GE(count, 17);
  const std::optional<Level> graded = GradePuzzle(givens);
  ASSERT_TRUE(graded.has_value()) << givens << " has not exactly one solution";
  EXPECT_EQ(*graded, level) << givens;
}

struct WeekdayCase {
  CivilDate date;
  Level level;            // of the main weekly site
  const char* mainTitle;  // as the window shows it
};

// 7 ... 13 December 2026 run from Monday to Sunday.
const WeekdayCase kWeek[] = {
    {{2026, 12, 7}, Level::Easy, "Daily 9280, Monday 7 December 2026"},
    {{2026, 12, 8}, Level::Easy, "Daily 9281, Tuesday 8 December 2026"},
    {{2026, 12, 9}, Level::Medium, "Daily 9282, Wendsday 9 December 2026"},
    {{2026, 12, 10}, Level::Medium, "Daily 9283, Thursday 10 December 2026"},
    {{2026, 12, 11}, Level::Hard, "Daily 9284, Friday 11 December 2026"},
    {{2026, 12, 12}, Level::Hard, "Daily 9285, Saturday 12 December 2026"},
    {{2026, 12, 13}, Level::Evil, "Daily 9286, Sunday 13 December 2026"},
    {{2006, 4, 10}, Level::Easy, "Daily 1734, Monday 10 April 2006"},
    {{2024, 2, 29}, Level::Medium, "Daily 8268, Thursday 29 February 2024"},
};

TEST_F(SitePagesTest, MainWeeklySiteGrowsHarderThroughTheWeek) {
  for (const WeekdayCase& c : kWeek) {
    SCOPED_TRACE(c.mainTitle);
    const time_t target = LocalMoment(c.date.year, c.date.month, c.date.day, 19);
    const SiteAddresses sites = SiteAddressesFrom([](const char*) { return nullptr; });
    const LocalDate date{c.date.year, c.date.month, c.date.day, WeekdayOf(c.date)};
    const PageReading answers =
        ReadSolutionPageAnswers(Fetch(TargetOf(MainWeeklySolutionAddress(sites, date))));
    const PageReading puzzle =
        ReadMainWeeklyPage(Fetch(TargetOf(MainWeeklyPuzzleAddress(sites, date))), target);
    EXPECT_EQ(puzzle.outcome, ReaderOutcome::Done);
    EXPECT_EQ(puzzle.title.value_or("(none)"), c.mainTitle);
    // The solution page shows the givens too, so they count as answers.
    ExpectPuzzle(GivensOf(puzzle), AnswersOf(answers), c.level);
    EXPECT_EQ(GivensOf(puzzle), MainWeeklyPuzzle(c.date).givens);
  }
}

TEST_F(SitePagesTest, SecondWeeklyFilesCarryTheirLevelInTheTitleAndVary) {
  std::set<Level> levels;
  for (int day = 0; day < 28; ++day) {
    const CivilDate date = CivilFromDays(DaysFromCivil({2026, 11, 16}) + day);
    const time_t target = LocalMoment(date.year, date.month, date.day, 8);
    const SiteAddresses sites = SiteAddressesFrom([](const char*) { return nullptr; });
    const std::string address =
        SecondWeeklyAddress(sites, LocalDate{date.year, date.month, date.day, WeekdayOf(date)});
    SCOPED_TRACE(address);
    ASSERT_NE(address.find("DayFiles\\"), std::string::npos);
    const PageReading reading = ReadSecondWeeklyFile(Fetch(TargetOf(address)), target);
    const Puzzle puzzle = SecondWeeklyPuzzle(date);
    levels.insert(puzzle.level);
    ExpectPuzzle(GivensOf(reading), AnswersOf(reading), puzzle.level);
    const int64_t number = DaysFromCivil(date) - DaysFromCivil({2006, 4, 10}) + 1734;
    EXPECT_EQ(reading.title.value_or("(none)"), "Puzzle " + std::to_string(number) + ", rated " +
                                                    LevelWord(puzzle.level) + ", " +
                                                    WeekdayName(WeekdayOf(date)));
  }
  EXPECT_EQ(levels.size(), 4u);
}

TEST_F(SitePagesTest, LevelSiteServesEachLevelOnEveryWeekday) {
  const SiteAddresses sites = SiteAddressesFrom([](const char*) { return nullptr; });
  for (int k = 0; k < 4; ++k) {
    for (const WeekdayCase& c : kWeek) {
      const time_t target = LocalMoment(c.date.year, c.date.month, c.date.day, 21);
      const int32_t selectionTime = LevelSelectionTime(k, target);
      const std::string address = LevelAddress(sites, k, selectionTime);
      SCOPED_TRACE(address);
      const PageReading reading = ReadLevelPage(Fetch(TargetOf(address)), target, selectionTime);
      const Level level = static_cast<Level>(k);
      ExpectPuzzle(GivensOf(reading), AnswersOf(reading), level);
      EXPECT_EQ(GivensOf(reading), LevelSitePuzzle(k + 1, c.date).givens);
      EXPECT_EQ(reading.title.value_or("(none)"),
                "Sudoku " + std::to_string(selectionTime % 10000000) + ", rated " +
                    LevelWord(level) + ", " + WeekdayName(WeekdayOf(c.date)));
    }
  }
}

TEST_F(SitePagesTest, LevelPageHeadingNamesTheLevel) {
  // Without the puzzle id the title comes from the heading alone.
  const time_t target = LocalMoment(2026, 12, 10, 12);
  const int32_t selectionTime = LevelSelectionTime(2, target);
  std::string page =
      Fetch("/level/sudoku/?&ws_level=3&ws_seltime=" + std::to_string(selectionTime));
  page.erase(page.find("sPuzzleID"));
  EXPECT_EQ(ReadLevelPage(page, target, selectionTime).title.value_or("(none)"),
            "Sudoku " + std::to_string(selectionTime % 10000000) + ", Thursday Hard");
}

TEST_F(SitePagesTest, RandomSolutionPagesAcrossTheNumbers) {
  struct Case {
    int id;
    const char* title;
    const char* date;
  };
  const Case cases[] = {
      {10, "Random 10, April 10, 2006", "4 10 2006"},
      {11, "Random 11, April 11, 2006", "4 11 2006"},
      {1000, "Random 1000, December 25, 2008", "12 25 2008"},
      {3662, "Random 3662, April 9, 2016", "4 9 2016"},
      {3663, "Random 3663, April 10, 2006", "4 10 2006"},
      {12345, "Random 12345, January 15, 2010", "1 15 2010"},
      {32777, "Random 32777, December 22, 2015", "12 22 2015"},
  };
  std::set<Level> levels;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    const SiteAddresses sites = SiteAddressesFrom([](const char*) { return nullptr; });
    const PageReading reading = ReadRandomSolutionPage(Fetch(TargetOf(RandomAddress(sites, c.id))));
    EXPECT_EQ(reading.outcome, ReaderOutcome::Done);
    EXPECT_EQ(reading.title.value_or("(none)"), c.title);
    EXPECT_EQ(reading.date.value_or("(none)"), c.date);
    const Puzzle puzzle = RandomSitePuzzle(c.id);
    ExpectPuzzle(GivensOf(reading), AnswersOf(reading), puzzle.level);
    EXPECT_EQ(GivensOf(reading), puzzle.givens);
  }
  for (int id = 10; id < 60; ++id) levels.insert(RandomSitePuzzle(id).level);
  EXPECT_EQ(levels.size(), 4u);
}

}  // namespace
}  // namespace kovalo::sites
