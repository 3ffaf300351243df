// The pages of the four bundled puzzle sites, built from a puzzle.
//
// Each builder is a plain function of its arguments: the same puzzle and
// date always give the same bytes, which is what lets the service answer
// with an ETag and a long cache lifetime. The pages are ordinary HTML (and
// one script file) that a browser shows as a puzzle grid; the program reads
// them by the fixed texts they carry, so those texts must stay exactly as
// written here.
#pragma once

#include <cstdint>
#include <string>

#include "generator/generator.h"

namespace kovalo::sites {

// A calendar date; no time zone is involved anywhere in the service.
struct CivilDate {
  int year = 0, month = 0, day = 0;  // month 1 ... 12
  bool operator==(const CivilDate&) const = default;
};

// Days since 1 January 1970 (negative before), and back.
int64_t DaysFromCivil(const CivilDate& date);
CivilDate CivilFromDays(int64_t days);
// 0 = Sunday ... 6 = Saturday.
int WeekdayOf(const CivilDate& date);
bool IsValidDate(const CivilDate& date);
// "Monday" ... in plain English, and "April" ...
const char* EnglishWeekday(int weekday);
const char* EnglishMonth(int month);

// The main weekly site: its number for a date, and the puzzle or solution
// page of that date (the solution page shows the same puzzle completed).
int MainWeeklyNumber(const CivilDate& date);
std::string MainWeeklyPage(const Puzzle& puzzle, const CivilDate& date, bool solution);

// The second weekly site: the day file (a script holding the grid and its
// answers), and an HTML page that shows the same puzzle.
std::string SecondWeeklyFile(const Puzzle& puzzle, const CivilDate& date);
std::string SecondWeeklyHtml(const Puzzle& puzzle, const CivilDate& date);

// The level site's page for one level (1 = easy ... 4 = evil) and selection
// time; links to the other levels of the same day use their own times.
struct LevelPageLinks {
  int32_t selectionTimes[4] = {};  // of the four levels on the same day
};
std::string LevelPage(const Puzzle& puzzle, int wsLevel, int32_t selectionTime,
                      const CivilDate& date, const LevelPageLinks& links);

// The random site: the solution page of puzzle number id (givens in bold,
// the rest in spans), and the puzzle page that shows the givens only.
// published is the date the page names as the puzzle's start.
std::string RandomSolutionPage(const Puzzle& puzzle, int id, const CivilDate& published);
std::string RandomPuzzlePage(const Puzzle& puzzle, int id, const CivilDate& published);

// The index of the four sites, and the page of an unknown address.
std::string IndexPage(const CivilDate& today);
std::string ErrorPage(int status, const std::string& message);

}  // namespace kovalo::sites
