// Request handling of kovalo-sites without a network: which address gets
// which answer, the ETag and cache headers, and the level site's selection
// times as the program computes them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "site_requests.h"
#include "sources/sites.h"
#include "support/local_time.h"

namespace kovalo::sites {
namespace {

const CivilDate kToday{2026, 12, 8};

struct AddressCase {
  std::string target;
  int status;
  const char* contains;  // a text the answer holds
};

TEST(SiteRequestsTest, AddressesAndTheirAnswers) {
  const AddressCase cases[] = {
      // The pages the program fetches.
      {"/main/DailySudoku.asp?day=07/12/2026", 200, ">J<"},
      {"/main/DailySudoku.asp?solution=please&day=07/12/2026", 200, "Back to the puzzle"},
      {"/second/DayFiles%5C7-12-2026.js", 200, "iGridUnsolved= new Array("},
      {"/second/DayFiles%5c7-12-2026.js", 200, "sPuzzleID = 'Puzzle #9280, rated "},
      {"/second/DayFiles\\7-12-2026.js", 200, "sPuzzleID = 'Puzzle #9280, rated "},
      {"/level/sudoku/?&ws_level=1&ws_seltime=1145378516", 200,
       "<!-- Sudoku engine by kovalo-sites, "},
      {"/level/sudoku/?&ws_level=4&ws_seltime=1145378471", 200, "Evil puzzle, number 5378471"},
      {"/random/solution.php?id=12345", 200, "Solution to Sudoku Puzzle 12345"},
      // What the Website button opens, and the other pages a browser finds.
      {"/main/daily.asp", 200, "Daily 9281,<br>\n8 December 2026"},
      {"/main/", 200, "Daily 9281,"},
      {"/level/sudoku/", 200, "Easy puzzle, number"},
      {"/level/", 200, "ws_cheat"},
      {"/second/", 200, "Puzzle #9281"},
      {"/second/?day=10-4-2006", 200, "Puzzle #1734"},
      {"/random/", 200, "Sudoku Puzzle"},
      {"/random/puzzle.php?id=77", 200, "Show the solution"},
      {"/", 200, "Kovalo puzzle sites"},
      // Bad requests.
      {"/nowhere", 404, "No such page"},
      {"/main/other.asp", 404, "No such page"},
      {"/main/DailySudoku.asp?day=99/99/9999", 400, "No such day"},
      {"/main/DailySudoku.asp?day=29/02/2026", 400, "No such day"},
      {"/main/DailySudoku.asp?day=1/1/1/1", 400, "No such day"},
      {"/main/DailySudoku.asp", 400, "Which day?"},
      {"/second/DayFiles%5C31-2-2026.js", 404, "No day file"},
      {"/second/DayFiles%5C.js", 404, "No day file"},
      {"/second/DayFiles/7-12-2026.js", 404, "No such page"},
      {"/level/sudoku/?&ws_level=7&ws_seltime=1145378516", 400, "Levels run from 1 to 4"},
      {"/level/sudoku/?&ws_level=0", 400, "Levels run from 1 to 4"},
      {"/level/sudoku/?&ws_level=2&ws_seltime=1145378517", 400,
       "No puzzle has that selection time"},
      {"/level/sudoku/?&ws_level=2&ws_seltime=99999999999", 400, "not a number"},
      {"/level/sudoku/?&ws_level=2&ws_seltime=abc", 400, "not a number"},
      {"/random/solution.php?id=-5", 404, "numbered 10 to 32777"},
      {"/random/solution.php?id=9", 404, "numbered 10 to 32777"},
      {"/random/solution.php?id=32778", 404, "numbered 10 to 32777"},
      {"/random/solution.php?id=1e3", 400, "not a number"},
      {"/random/solution.php", 400, "Which puzzle?"},
      {"/random/solution.php?id=%zz", 400, "broken"},
      {"/ma%00in/", 400, "broken"},
      {"/main/DailySudoku.asp?day=%", 400, "broken"},
      {"no-slash", 400, "must start with /"},
      {"", 400, "must start with /"},
      {"/random/solution.php?id=<script>", 400, "not a number"},
      {"/random/solution.php?id=12345&" + std::string(100 * 1024, 'x'), 414, "too long"},
  };
  for (const AddressCase& c : cases) {
    const SiteResponse response = AnswerRequest(c.target, kToday);
    EXPECT_EQ(response.status, c.status) << c.target.substr(0, 80);
    EXPECT_NE(response.body.find(c.contains), std::string::npos)
        << c.target.substr(0, 80) << " lacks " << c.contains;
    // Error pages never echo markup from the request.
    EXPECT_EQ(response.body.find("<script>"), std::string::npos);
    EXPECT_EQ(response.etag.empty(), c.status != 200) << c.target.substr(0, 80);
  }
}

TEST(SiteRequestsTest, PagesOfAFixedAddressNeverChangeAndAreCachedForGood) {
  const std::string target = "/main/DailySudoku.asp?day=11/12/2026";
  const SiteResponse first = AnswerRequest(target, kToday);
  const SiteResponse later = AnswerRequest(target, CivilDate{2030, 1, 1});
  EXPECT_EQ(first.body, later.body);
  EXPECT_EQ(first.etag, later.etag);
  EXPECT_EQ(first.etag, EtagOf(first.body));
  EXPECT_EQ(first.cacheControl, "public, max-age=31536000, immutable");
  EXPECT_EQ(first.contentType, "text/html; charset=utf-8");
  EXPECT_EQ(AnswerRequest("/second/DayFiles%5C7-12-2026.js", kToday).contentType,
            "text/javascript; charset=utf-8");

  // Today's pages change at midnight: they are checked again on every use.
  const SiteResponse today = AnswerRequest("/main/daily.asp", kToday);
  const SiteResponse tomorrow = AnswerRequest("/main/daily.asp", CivilDate{2026, 12, 9});
  EXPECT_NE(today.etag, tomorrow.etag);
  EXPECT_EQ(today.cacheControl, "public, no-cache");
  EXPECT_EQ(today.body, AnswerRequest("/main/DailySudoku.asp?day=08/12/2026", kToday).body);
}

TEST(SiteRequestsTest, IfNoneMatchGetsNotModified) {
  const std::string target = "/random/solution.php?id=4711";
  const std::string etag = AnswerRequest(target, kToday).etag;
  ASSERT_EQ(etag.size(), 18u);
  struct Case {
    std::string header;
    int status;
  };
  const Case cases[] = {
      {etag, 304},
      {"W/" + etag, 304},
      {"\"0000000000000000\", " + etag, 304},
      {"*", 304},
      {"\"0000000000000000\"", 200},
      {etag.substr(1, 16), 200},  // without its quotes it is another tag
      {"", 200},
  };
  for (const Case& c : cases) {
    const SiteResponse response = AnswerRequest(target, kToday, c.header);
    EXPECT_EQ(response.status, c.status) << c.header;
    EXPECT_EQ(response.etag, etag);
    EXPECT_EQ(response.body.empty(), c.status == 304);
  }
  // An error is never "not modified".
  EXPECT_EQ(AnswerRequest("/random/solution.php?id=5", kToday, "*").status, 404);
}

TEST(SiteRequestsTest, SelectionTimesOfTheProgramNameTheirDay) {
  setenv("TZ", "America/New_York", 1);
  tzset();
  // Across daylight-saving changes, leap days and the 32-bit wrap of 2074.
  const CivilDate dates[] = {{2006, 4, 10}, {2006, 4, 9},  {2026, 3, 8}, {2026, 11, 1},
                             {2024, 2, 29}, {2026, 12, 8}, {2074, 1, 1}, {2080, 6, 30},
                             {1980, 1, 2},  {2114, 12, 1}, {2038, 1, 19}};
  for (const CivilDate& date : dates) {
    for (int k = 0; k < 4; ++k) {
      const time_t target = kovalo::testing::LocalMoment(date.year, date.month, date.day, 23, 59);
      const int32_t selectionTime = kovalo::LevelSelectionTime(k, target);
      EXPECT_EQ(selectionTime, LevelSelectionTimeFor(k + 1, date));
      const std::optional<CivilDate> named = DateOfSelectionTime(k + 1, selectionTime);
      ASSERT_TRUE(named.has_value()) << date.year << "-" << date.month << "-" << date.day;
      EXPECT_EQ(*named, date);
    }
  }
  EXPECT_FALSE(DateOfSelectionTime(1, 1144514516 + 1).has_value());
  EXPECT_FALSE(DateOfSelectionTime(5, 1144514516).has_value());
}

TEST(SiteRequestsTest, AnyBytesGetADefinedAnswer) {
  // Targets made of the pieces of real addresses, broken escapes, control
  // and high bytes, in a fixed pseudo-random order.
  const std::string pieces[] = {"/",
                                "/main/",
                                "/second/",
                                "/level/",
                                "/random/",
                                "sudoku/",
                                "DailySudoku.asp",
                                "solution.php",
                                "DayFiles",
                                "%5C",
                                "%5",
                                "%",
                                "%00",
                                "?",
                                "&",
                                "=",
                                "day=",
                                "ws_level=",
                                "ws_seltime=",
                                "id=",
                                "-",
                                "/",
                                "99",
                                "2147483648",
                                "-2147483649",
                                "07/12/2026",
                                "7-12-2026",
                                ".js",
                                std::string(1, '\0'),
                                "\xff\xfe",
                                "\r\n",
                                " ",
                                "+",
                                "..",
                                std::string(300, '9')};
  uint64_t state = 88172645463325252ull;
  auto next = [&] {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  };
  for (int i = 0; i < 20000; ++i) {
    std::string target;
    const int count = static_cast<int>(next() % 12);
    for (int j = 0; j < count; ++j) target += pieces[next() % std::size(pieces)];
    const SiteResponse response = AnswerRequest(target, kToday, next() % 5 == 0 ? "*" : "");
    const int status = response.status;
    ASSERT_TRUE(status == 200 || status == 304 || status == 400 || status == 404 || status == 414)
        << status << " for " << target;
    ASSERT_EQ(response.body.empty(), status == 304) << target;
  }
}

TEST(SiteRequestsTest, CalendarArithmetic) {
  for (int64_t days = -800000; days < 3000000; days += 997) {
    const CivilDate date = CivilFromDays(days);
    ASSERT_EQ(DaysFromCivil(date), days);
  }
  EXPECT_EQ(WeekdayOf({2026, 12, 7}), 1);
  EXPECT_EQ(WeekdayOf({2026, 12, 13}), 0);
  EXPECT_EQ(WeekdayOf({1970, 1, 1}), 4);
  EXPECT_TRUE(IsValidDate({2000, 2, 29}));
  EXPECT_FALSE(IsValidDate({1900, 2, 29}));
  EXPECT_FALSE(IsValidDate({9999, 99, 99}));
  EXPECT_FALSE(IsValidDate({0, 1, 1}));
}

}  // namespace
}  // namespace kovalo::sites
