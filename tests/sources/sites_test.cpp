// The site catalogue: requests and their decoding, the weekday buttons'
// dates with a fixed clock, the level site's selection time, the addresses
// and the Website button.
#include "sources/sites.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>

#include "board/screen.h"
#include "sources/source_test_util.h"

namespace kovalo {
namespace {

using testing::LocalClock;
using testing::LocalMoment;
using testing::LocalZone;

// ---------------------------------------------------------------- requests

TEST(SiteBase, EachRadioStoresItsStateTimesItsConstant) {
  struct Row {
    int id;
    bool checked;
    std::optional<int32_t> base;
  } rows[] = {
      {IDC_SECOND_WEEKLY, true, 1000000},
      {IDC_SECOND_WEEKLY, false, 0},
      {IDC_EASY, true, 2000000},
      {IDC_EASY, false, 0},
      {IDC_MEDIUM, true, 2010000},
      {IDC_HARD, true, 2020000},
      {IDC_EVIL, true, 2030000},
      {IDC_EVIL, false, 0},
      {IDC_NORMAL, true, 0},
      {IDC_NORMAL, false, 0},
      {IDC_MONDAY, true, std::nullopt},
      {IDC_RANDOM, true, std::nullopt},
  };
  for (const Row& row : rows)
    EXPECT_EQ(SiteBaseForRadio(row.id, row.checked), row.base)
        << "control " << row.id << (row.checked ? " checked" : " unchecked");
}

TEST(PuzzleRequest, WeekdayButtonAddsItsIndexToTheSiteBase) {
  EXPECT_EQ(WeekdayRequest(*SiteBaseForRadio(IDC_MEDIUM, true), 2), 2010002);  // "Wed." on "Medium"
  EXPECT_EQ(WeekdayRequest(*SiteBaseForRadio(IDC_NORMAL, true), 2), 2);
  EXPECT_EQ(WeekdayRequest(*SiteBaseForRadio(IDC_SECOND_WEEKLY, true), 6), 1000006);
  EXPECT_EQ(WeekdayRequest(*SiteBaseForRadio(IDC_EVIL, true), 0), 2030000);
}

TEST(PuzzleRequest, DecodingByRanges) {
  using S = PuzzleSite;
  struct Row {
    int32_t request;
    std::optional<DecodedRequest> decoded;
  } rows[] = {
      {0, DecodedRequest{S::MainWeekly, 0, 0, 0}},
      {6, DecodedRequest{S::MainWeekly, 0, 6, 0}},
      {7, std::nullopt},  // weekday index beyond Sunday
      {9, std::nullopt},
      {10, DecodedRequest{S::Random, 0, 0, 10}},
      {32777, DecodedRequest{S::Random, 0, 0, 32777}},
      {99999, DecodedRequest{S::Random, 0, 0, 99999}},
      {100000, std::nullopt},
      {999999, std::nullopt},
      {1000000, DecodedRequest{S::SecondWeekly, 0, 0, 0}},
      {1000006, DecodedRequest{S::SecondWeekly, 0, 6, 0}},
      {1000007, std::nullopt},
      {1999999, std::nullopt},
      {2000000, DecodedRequest{S::Level, 0, 0, 0}},
      {2010002, DecodedRequest{S::Level, 1, 2, 0}},
      {2020004, DecodedRequest{S::Level, 2, 4, 0}},
      {2030006, DecodedRequest{S::Level, 3, 6, 0}},
      {2000007, std::nullopt},
      {2040000, std::nullopt},  // a fifth level does not exist
      {-1, std::nullopt},
      {INT32_MIN, std::nullopt},
      {INT32_MAX, std::nullopt},
  };
  for (const Row& row : rows)
    EXPECT_EQ(DecodePuzzleRequest(row.request), row.decoded) << row.request;
}

TEST(PuzzleRequest, EveryButtonOnEverySiteDecodesBackToItself) {
  struct Radio {
    int id;
    PuzzleSite site;
    int level;
  } radios[] = {
      {IDC_NORMAL, PuzzleSite::MainWeekly, 0}, {IDC_SECOND_WEEKLY, PuzzleSite::SecondWeekly, 0},
      {IDC_EASY, PuzzleSite::Level, 0},        {IDC_MEDIUM, PuzzleSite::Level, 1},
      {IDC_HARD, PuzzleSite::Level, 2},        {IDC_EVIL, PuzzleSite::Level, 3}};
  for (const Radio& radio : radios) {
    for (int weekday = 0; weekday < 7; ++weekday) {
      const int32_t request = WeekdayRequest(*SiteBaseForRadio(radio.id, true), weekday);
      EXPECT_EQ(DecodePuzzleRequest(request), (DecodedRequest{radio.site, radio.level, weekday, 0}))
          << "radio " << radio.id << ", weekday " << weekday;
    }
  }
}

TEST(PuzzleRequest, RandomRequestsStayBetween10And32777) {
  struct Row {
    int random;
    int32_t request;
  } rows[] = {{0, 10}, {1, 11}, {32767, 32777}, {32768, 10}, {-1, 32777}, {INT_MAX, 32777}};
  for (const Row& row : rows) EXPECT_EQ(RandomRequest(row.random), row.request) << row.random;

  std::set<int> seen;
  for (uint32_t ticks = 0; ticks < 20000; ++ticks) {
    const int drawn = PuzzleNumberGenerator(ticks * 977u).Next();
    ASSERT_GE(drawn, 0);
    ASSERT_LE(drawn, 32767);
    seen.insert(drawn);
    const std::optional<DecodedRequest> decoded = DecodePuzzleRequest(RandomRequest(drawn));
    ASSERT_TRUE(decoded && decoded->site == PuzzleSite::Random) << drawn;
  }
  EXPECT_GT(seen.size(), 10000u) << "the generator should spread its numbers";
}

TEST(PuzzleRequest, PressesInTheSameMillisecondDrawTheSameNumber) {
  EXPECT_EQ(PuzzleNumberGenerator(123456).Next(), PuzzleNumberGenerator(123456).Next());
  EXPECT_NE(PuzzleNumberGenerator(123456).Next(), PuzzleNumberGenerator(123457).Next());
}

// ---------------------------------------------------------------- dates

TEST(PuzzleDay, EachWeekdayPressedOnEachWeekday) {
  LocalZone zone("Europe/Berlin");
  // Now is noon of 3 June 2024 (a Monday) ... 9 June 2024 (a Sunday); the
  // columns are the buttons "Mon." ... "Sun.".
  struct Row {
    int dayOfJune;
    const char* dates[7];
  } rows[] = {
      {3, {"6 3 2024", "5 28 2024", "5 29 2024", "5 30 2024", "5 31 2024", "6 1 2024", "6 2 2024"}},
      {4, {"6 3 2024", "6 4 2024", "5 29 2024", "5 30 2024", "5 31 2024", "6 1 2024", "6 2 2024"}},
      {5, {"6 3 2024", "6 4 2024", "6 5 2024", "5 30 2024", "5 31 2024", "6 1 2024", "6 2 2024"}},
      {6, {"6 3 2024", "6 4 2024", "6 5 2024", "6 6 2024", "5 31 2024", "6 1 2024", "6 2 2024"}},
      {7, {"6 3 2024", "6 4 2024", "6 5 2024", "6 6 2024", "6 7 2024", "6 1 2024", "6 2 2024"}},
      {8, {"6 3 2024", "6 4 2024", "6 5 2024", "6 6 2024", "6 7 2024", "6 8 2024", "6 2 2024"}},
      {9, {"6 3 2024", "6 4 2024", "6 5 2024", "6 6 2024", "6 7 2024", "6 8 2024", "6 9 2024"}},
  };
  for (const Row& row : rows) {
    const time_t now = LocalMoment(2024, 6, row.dayOfJune, 12, 0);
    for (int button = 0; button < 7; ++button) {
      const PuzzleDay day = PuzzleDayOf(button, now);
      EXPECT_EQ(DateText(day.date), row.dates[button])
          << "button " << button << " pressed on 6 " << row.dayOfJune << " 2024";
      EXPECT_EQ(day.target, now - day.daysBack * 86400) << "an ordinary week has 24-hour days";
    }
  }
}

// A calendar of its own for checking: plain day stepping and Sakamoto's
// weekday rule, nothing from the C library.
struct Ymd {
  int year, month, day;
};
int DaysInMonth(int year, int month) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : days[month - 1];
}
Ymd DayBefore(Ymd d) {
  if (--d.day > 0) return d;
  if (--d.month == 0) {
    d.month = 12;
    --d.year;
  }
  d.day = DaysInMonth(d.year, d.month);
  return d;
}
int WeekdayOf(Ymd d) {  // 0 = Sunday
  static const int t[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  const int y = d.year - (d.month < 3);
  return (y + y / 4 - y / 100 + y / 400 + t[d.month - 1] + d.day) % 7;
}
Ymd DayAfter(Ymd d) {
  if (++d.day <= DaysInMonth(d.year, d.month)) return d;
  d.day = 1;
  if (++d.month == 13) {
    d.month = 1;
    ++d.year;
  }
  return d;
}

// Weeks around daylight-saving changes and the year's end, at clock times
// near midnight, where counting days as 86400 seconds would slip a day.
TEST(PuzzleDay, EachWeekdayAcrossDaylightSavingAndYearEnd) {
  struct Zone {
    const char* name;
    Ymd firstDay;  // seven days from here
  } weeks[] = {
      {"Europe/Berlin", {2024, 3, 28}},               // clocks forward on Sunday 31 March
      {"Europe/Berlin", {2024, 10, 24}},              // clocks back on Sunday 27 October
      {"Europe/Berlin", {2024, 12, 28}},              // the year's end
      {"America/New_York", {2024, 3, 8}},             // forward on Sunday 10 March
      {"America/New_York", {2024, 11, 1}},            // back on Sunday 3 November
      {"Australia/Sydney", {2024, 4, 5}},             // back on Sunday 7 April
      {"Australia/Sydney", {2024, 12, 29}},           // year's end in summer time
      {"CET-1CEST,M3.5.0,M10.5.0/3", {2025, 3, 27}},  // a rule written out, no zone file
  };
  const int clocks[][2] = {{0, 15}, {0, 59}, {2, 30}, {12, 0}, {23, 30}, {23, 59}};
  for (const Zone& week : weeks) {
    LocalZone zone(week.name);
    Ymd today = week.firstDay;
    for (int n = 0; n < 7; ++n, today = DayAfter(today)) {
      for (const auto& clock : clocks) {
        const time_t now = LocalMoment(today.year, today.month, today.day, clock[0], clock[1]);
        struct tm nowFields {};
        localtime_r(&now, &nowFields);
        const Ymd nowDate{nowFields.tm_year + 1900, nowFields.tm_mon + 1, nowFields.tm_mday};
        for (int button = 0; button < 7; ++button) {
          Ymd expected = nowDate;
          int back = 0;
          while (WeekdayOf(expected) != (button + 1) % 7) expected = DayBefore(expected), ++back;
          const PuzzleDay day = PuzzleDayOf(button, now);
          const std::string where = std::string(week.name) + ", button " + std::to_string(button) +
                                    " at " + LocalClock(now) + " on " +
                                    DateText({nowDate.year, nowDate.month, nowDate.day, 0});
          EXPECT_EQ(DateText(day.date), DateText({expected.year, expected.month, expected.day, 0}))
              << where;
          EXPECT_EQ(day.date.weekday, (button + 1) % 7) << where;
          EXPECT_EQ(day.daysBack, back) << where;
          EXPECT_LE(day.target, now) << where << ": never a future moment";
          // The target keeps now's clock time unless that time does not
          // exist on the target day (the hour skipped in spring).
          if (LocalClock(now) != "02:30") {
            EXPECT_EQ(LocalClock(day.target), LocalClock(now)) << where;
          }
        }
      }
    }
  }
}

TEST(PuzzleDay, ShortAndLongDaysKeepTheButtonsWeekday) {
  LocalZone zone("Europe/Berlin");
  struct Row {
    Ymd now;
    int hour, minute;
    int button;
    const char* date;
  } rows[] = {
      // Monday just after midnight, the night after clocks went forward: the
      // Sunday had 23 hours, and 86400 seconds back would be Saturday.
      {{2024, 4, 1}, 0, 30, 6, "3 31 2024"},
      {{2024, 4, 1}, 0, 30, 5, "3 30 2024"},
      {{2024, 4, 1}, 0, 30, 0, "4 1 2024"},
      // Late Monday evening after clocks went back: two 24-hour steps would
      // land on the long Sunday instead of Saturday.
      {{2024, 10, 28}, 23, 30, 5, "10 26 2024"},
      {{2024, 10, 28}, 23, 30, 6, "10 27 2024"},
      // New Year's Day 2025 is a Wednesday.
      {{2025, 1, 1}, 0, 15, 0, "12 30 2024"},
      {{2025, 1, 1}, 0, 15, 1, "12 31 2024"},
      {{2025, 1, 1}, 0, 15, 2, "1 1 2025"},
      {{2025, 1, 1}, 0, 15, 3, "12 26 2024"},
      {{2025, 1, 1}, 0, 15, 6, "12 29 2024"},
  };
  for (const Row& row : rows) {
    const time_t now = LocalMoment(row.now.year, row.now.month, row.now.day, row.hour, row.minute);
    EXPECT_EQ(DateText(PuzzleDayOf(row.button, now).date), row.date)
        << "button " << row.button << " on " << row.now.month << " " << row.now.day << " "
        << row.now.year << " at " << row.hour << ":" << row.minute;
  }
}

TEST(NameTables, WeekdaysAsTitlesSpellThemAndMonthAbbreviations) {
  const char* weekdays[] = {"Sunday",   "Monday", "Tuesday", "Wendsday",
                            "Thursday", "Friday", "Saturday"};
  for (int w = 0; w < 7; ++w) EXPECT_STREQ(WeekdayName(w), weekdays[w]) << w;
  EXPECT_STREQ(WeekdayName(-1), "");
  EXPECT_STREQ(WeekdayName(7), "");
  const char* months[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                          "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
  for (int m = 0; m < 12; ++m) EXPECT_STREQ(MonthAbbreviation(m), months[m]) << m;
  EXPECT_STREQ(MonthAbbreviation(12), "");
}

TEST(DateTextTest, MonthDayYearUnpadded) {
  EXPECT_EQ(DateText({2006, 4, 10, 1}), "4 10 2006");
  EXPECT_EQ(DateText({2007, 1, 5, 5}), "1 5 2007");
  EXPECT_EQ(DateText({2024, 12, 31, 2}), "12 31 2024");
}

// ---------------------------------------------------------------- selection time

TEST(SelectionTime, CountsWholeDaysFromTenthOfApril2006) {
  LocalZone zone("Europe/Berlin");
  struct Row {
    int level;
    Ymd target;
    int hour, minute, second;
    int32_t seltime;
  } rows[] = {
      // The reference day itself gives each level's base.
      {0, {2006, 4, 10}, 12, 0, 0, 1144514516},
      {1, {2006, 4, 10}, 0, 0, 1, 1144456001},
      {2, {2006, 4, 10}, 23, 59, 59, 1144514330},
      {3, {2006, 4, 10}, 8, 30, 0, 1144514471},
      // "Easy" ten days after the reference: the base plus ten times 86400.
      {0, {2006, 4, 20}, 15, 0, 0, 1144514516 + 10 * 86400},
      {1, {2006, 4, 20}, 0, 0, 0, 1145320001},
      {0, {2006, 4, 9}, 12, 0, 0, 1144514516 - 86400},
      // Winter days on either side of a summer-time reference day.
      {0, {2006, 1, 10}, 0, 30, 0, 1144514516 - 90 * 86400},
      {1, {2006, 12, 25}, 23, 30, 0, 1144456001 + 259 * 86400},
      {0, {2031, 1, 1}, 12, 0, 0, 1924879316},
      // The last day below 2^31, then the wrap into negative numbers.
      {0, {2038, 1, 20}, 12, 0, 0, 2147445716},
      {0, {2038, 1, 21}, 12, 0, 0, -2147435180},
      {0, {2100, 1, 1}, 12, 0, 0, -192635180},
      {1, {2100, 1, 1}, 12, 0, 0, -192693695},
  };
  for (const Row& row : rows) {
    const time_t target = LocalMoment(row.target.year, row.target.month, row.target.day, row.hour,
                                      row.minute, row.second);
    EXPECT_EQ(LevelSelectionTime(row.level, target), row.seltime)
        << "level " << row.level << " on " << row.target.month << " " << row.target.day << " "
        << row.target.year;
  }
}

TEST(SelectionTime, SummerTargetsInASouthernZoneCountTheRightDays) {
  // In Sydney the reference day is in standard time and January in summer
  // time: the two moments are a whole number of days minus an hour apart,
  // and the count must still be the number of calendar days.
  LocalZone zone("Australia/Sydney");
  const time_t target = LocalMoment(2007, 1, 15, 12, 0);
  EXPECT_EQ(LevelSelectionTime(0, target), 1144514516 + 280 * 86400);
  EXPECT_EQ(LevelSelectionTime(1, LocalMoment(2007, 1, 15, 0, 10)), 1144456001 + 280 * 86400);
}

TEST(SelectionTime, UnknownLevelGivesZero) {
  EXPECT_EQ(LevelSelectionTime(-1, 0), 0);
  EXPECT_EQ(LevelSelectionTime(4, 0), 0);
}

// ---------------------------------------------------------------- addresses

const SiteAddresses kDefaults =
    SiteAddressesFrom([](const char*) -> const char* { return nullptr; });

TEST(Addresses, EveryPageOfEverySite) {
  const LocalDate april10{2006, 4, 10, 1};
  const LocalDate january5{2007, 1, 5, 5};
  struct Row {
    std::string address, expected;
  } rows[] = {
      {MainWeeklyPuzzleAddress(kDefaults, april10),
       "http://127.0.0.1:8642/main/DailySudoku.asp?day=10/04/2006"},
      {MainWeeklyPuzzleAddress(kDefaults, january5),
       "http://127.0.0.1:8642/main/DailySudoku.asp?day=05/01/2007"},
      {MainWeeklySolutionAddress(kDefaults, april10),
       "http://127.0.0.1:8642/main/DailySudoku.asp?solution=please&day=10/04/2006"},
      {SecondWeeklyAddress(kDefaults, april10),
       "http://127.0.0.1:8642/second/DayFiles\\10-4-2006.js"},
      {SecondWeeklyAddress(kDefaults, january5),
       "http://127.0.0.1:8642/second/DayFiles\\5-1-2007.js"},
      {LevelAddress(kDefaults, 0, 1145378516),
       "http://127.0.0.1:8642/level/sudoku/?&ws_level=1&ws_seltime=1145378516"},
      {LevelAddress(kDefaults, 3, -192635180),
       "http://127.0.0.1:8642/level/sudoku/?&ws_level=4&ws_seltime=-192635180"},
      {RandomAddress(kDefaults, 12345), "http://127.0.0.1:8642/random/solution.php?id=12345"},
      {RandomAddress(kDefaults, 10), "http://127.0.0.1:8642/random/solution.php?id=10"},
  };
  for (const Row& row : rows) EXPECT_EQ(row.address, row.expected);
}

TEST(Addresses, BasesComeFromTheEnvironmentOrTheBundledService) {
  struct Row {
    const char* main;
    const char* level;
    SiteAddresses expected;
  } rows[] = {
      {nullptr,
       nullptr,
       {"http://127.0.0.1:8642/main/", "http://127.0.0.1:8642/second/",
        "http://127.0.0.1:8642/level/", "http://127.0.0.1:8642/random/"}},
      {"https://daily.example.org/",
       "http://levels.example.org:8080/sites/level",
       {"https://daily.example.org/", "http://127.0.0.1:8642/second/",
        "http://levels.example.org:8080/sites/level/", "http://127.0.0.1:8642/random/"}},
      {"",
       "",
       {"http://127.0.0.1:8642/main/", "http://127.0.0.1:8642/second/",
        "http://127.0.0.1:8642/level/", "http://127.0.0.1:8642/random/"}},
  };
  for (const Row& row : rows) {
    const SiteAddresses sites = SiteAddressesFrom([&](const char* name) -> const char* {
      const std::string variable = name;
      if (variable == "KOVALO_MAIN_WEEKLY_URL") return row.main;
      if (variable == "KOVALO_LEVEL_URL") return row.level;
      return nullptr;
    });
    EXPECT_EQ(sites.mainWeekly, row.expected.mainWeekly);
    EXPECT_EQ(sites.secondWeekly, row.expected.secondWeekly);
    EXPECT_EQ(sites.level, row.expected.level);
    EXPECT_EQ(sites.random, row.expected.random);
  }
}

TEST(Addresses, TheProgramReadsTheEnvironmentOnce) {
  setenv("KOVALO_RANDOM_URL", "http://random.test:9000/r/", 1);
  unsetenv("KOVALO_SECOND_WEEKLY_URL");
  const SiteAddresses& first = ProgramSiteAddresses();
  EXPECT_EQ(first.random, "http://random.test:9000/r/");
  EXPECT_EQ(first.secondWeekly, "http://127.0.0.1:8642/second/");
  setenv("KOVALO_RANDOM_URL", "http://elsewhere.test/", 1);
  EXPECT_EQ(ProgramSiteAddresses().random, "http://random.test:9000/r/");
  EXPECT_EQ(&ProgramSiteAddresses(), &first);
}

TEST(Website, TheTitlesFirstSevenCharactersChooseTheSite) {
  struct Row {
    const char* title;
    const char* address;
  } rows[] = {
      {"Random 12345, April 10, 2006", "http://127.0.0.1:8642/random/"},
      {"Random  ", "http://127.0.0.1:8642/random/"},
      {"Sudoku 5320001, Thursday Medium", "http://127.0.0.1:8642/level/sudoku/"},
      {"Puzzle 1734, Monday", "http://127.0.0.1:8642/second/"},
      {"Puzzle ???, Monday", "http://127.0.0.1:8642/second/"},
      {"Daily 1734, Monday 10 April 2006", "http://127.0.0.1:8642/main/daily.asp"},
      {"Number 10001, User defined", "http://127.0.0.1:8642/main/daily.asp"},
      {"Download Form Website Failed", "http://127.0.0.1:8642/main/daily.asp"},
      {"Sudoku", "http://127.0.0.1:8642/main/daily.asp"},
      {"Sudoku ", "http://127.0.0.1:8642/main/daily.asp"},  // seven characters are not enough
      {"sudoku 5320001, Monday Easy", "http://127.0.0.1:8642/main/daily.asp"},  // case matters
      {"RANDOM 12345, x", "http://127.0.0.1:8642/main/daily.asp"},
      {"", "http://127.0.0.1:8642/main/daily.asp"},
  };
  for (const Row& row : rows)
    EXPECT_EQ(WebsiteAddress(kDefaults, row.title), row.address) << row.title;
}

// ---------------------------------------------------------------- plan

TEST(Plan, WednesdayOnMediumFetchesTheLevelPageOfTheLastWednesday) {
  LocalZone zone("Europe/Berlin");
  const time_t now = LocalMoment(2006, 4, 20, 15, 0);  // a Thursday
  const std::optional<DownloadPlan> plan = PlanDownload(2010002, now, kDefaults);
  ASSERT_TRUE(plan);
  EXPECT_EQ(plan->request, (DecodedRequest{PuzzleSite::Level, 1, 2, 0}));
  EXPECT_EQ(plan->dateText, "4 19 2006");
  EXPECT_EQ(plan->target, now - 86400);
  EXPECT_EQ(plan->selectionTime, 1144456001 + 9 * 86400);
  EXPECT_EQ(plan->pageAddress,
            "http://127.0.0.1:8642/level/sudoku/?&ws_level=2&ws_seltime=1145233601");
  EXPECT_EQ(plan->solutionAddress, "");
}

TEST(Plan, EachSiteGetsItsAddressesAndDate) {
  LocalZone zone("Europe/Berlin");
  const time_t now = LocalMoment(2006, 4, 10, 9, 0);  // a Monday
  struct Row {
    int32_t request;
    const char* date;
    const char* solution;
    const char* page;
  } rows[] = {
      {0, "4 10 2006", "http://127.0.0.1:8642/main/DailySudoku.asp?solution=please&day=10/04/2006",
       "http://127.0.0.1:8642/main/DailySudoku.asp?day=10/04/2006"},
      {6, "4 9 2006", "http://127.0.0.1:8642/main/DailySudoku.asp?solution=please&day=09/04/2006",
       "http://127.0.0.1:8642/main/DailySudoku.asp?day=09/04/2006"},
      {1000001, "4 4 2006", "", "http://127.0.0.1:8642/second/DayFiles\\4-4-2006.js"},
      {2000000, "4 10 2006", "",
       "http://127.0.0.1:8642/level/sudoku/?&ws_level=1&ws_seltime=1144514516"},
      {2030005, "4 8 2006", "",
       "http://127.0.0.1:8642/level/sudoku/?&ws_level=4&ws_seltime=1144341671"},
      {12345, "4 10 2006", "", "http://127.0.0.1:8642/random/solution.php?id=12345"},
  };
  for (const Row& row : rows) {
    const std::optional<DownloadPlan> plan = PlanDownload(row.request, now, kDefaults);
    ASSERT_TRUE(plan) << row.request;
    EXPECT_EQ(plan->dateText, row.date) << row.request;
    EXPECT_EQ(plan->solutionAddress, row.solution) << row.request;
    EXPECT_EQ(plan->pageAddress, row.page) << row.request;
  }
  EXPECT_EQ(PlanDownload(12345, now, kDefaults)->target, now);
  EXPECT_FALSE(PlanDownload(-1, now, kDefaults));
  EXPECT_FALSE(PlanDownload(500000, now, kDefaults));
}

}  // namespace
}  // namespace kovalo
