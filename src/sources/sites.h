// The catalogue of puzzle sites: the request code a button hands to the
// download worker, how a weekday button becomes a calendar date, every page
// address, the level site's selection time, the Website button's choice of
// address, and the name tables used in titles.
//
// Everything here is a plain function of its arguments. The clock is passed
// in (now), local time comes from the C library (TZ decides), and the site
// addresses are a value read once from the environment.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kovalo {

enum class PuzzleSite { MainWeekly, SecondWeekly, Level, Random };

// ---------------------------------------------------------------- requests

// SiteBase as the radio buttons write it.
constexpr int32_t kSiteBaseMainWeekly = 0;          // "Normal"
constexpr int32_t kSiteBaseSecondWeekly = 1000000;  // "#2"
constexpr int32_t kSiteBaseLevel = 2000000;         // "Easy"; each level adds kLevelStep
constexpr int32_t kLevelStep = 10000;
constexpr int kLevelCount = 4;  // 0 "Easy", 1 "Medium", 2 "Hard", 3 "Evil"

// Random puzzle numbers run from kFirstRandomPuzzle to kFirstRandomPuzzle + 0x7FFF.
constexpr int32_t kFirstRandomPuzzle = 10;

// What a site radio button stores in SiteBase when clicked: its check state
// (0 or 1) times its constant; "Normal" stores 0 without looking. Nothing
// for a control that is not one of the six.
std::optional<int32_t> SiteBaseForRadio(int controlId, bool checked);

// The request of weekday button i (0 = Monday ... 6 = Sunday).
int32_t WeekdayRequest(int32_t siteBase, int weekdayIndex);

// The request of a Random Sudoku press: (random AND 0x7FFF) + 10.
int32_t RandomRequest(int random);

// The program's pseudo-random generator (values 0 ... 32767), seeded per
// press from the millisecond tick count, so two presses in the same
// millisecond draw the same number.
class PuzzleNumberGenerator {
 public:
  explicit PuzzleNumberGenerator(uint32_t seed) : state_(seed) {}
  int Next();

 private:
  uint32_t state_;
};

struct DecodedRequest {
  PuzzleSite site = PuzzleSite::MainWeekly;
  int level = 0;         // level site: 0 "Easy" ... 3 "Evil"
  int weekdayIndex = 0;  // daily sites: 0 = Monday ... 6 = Sunday
  int puzzleNumber = 0;  // random site
  bool operator==(const DecodedRequest&) const = default;
};

// Tells requests apart by ranges: 2000000 and up the level site, 1000000 and
// up the second weekly site, 10 ... 99999 the random site, 0 ... 9 the main
// weekly site. Values the buttons never produce (negative, 100000 ... 999999,
// a weekday index beyond 6 or a level beyond "Evil") give nothing, so that no
// table is ever indexed out of range and no date lies in the future.
std::optional<DecodedRequest> DecodePuzzleRequest(int32_t request);

// ---------------------------------------------------------------- dates

// A local calendar date.
struct LocalDate {
  int year = 0, month = 0, day = 0;  // month 1..12
  int weekday = 0;                   // 0 = Sunday ... 6 = Saturday
  bool operator==(const LocalDate&) const = default;
};
LocalDate LocalDateOf(time_t moment);

// The puzzle's date text: month, day of month and year, "%d %d %d".
std::string DateText(const LocalDate& date);
// Reads a date text back: three whole numbers, each after optional blanks,
// with an optional sign; what follows the third is ignored. Nothing when
// any of the three is missing. The weekday is not worked out.
std::optional<LocalDate> ReadDateText(std::string_view text);

// The day a weekday button fetches: the most recent day, today included,
// whose weekday is the button's, at the same local clock time as now.
struct PuzzleDay {
  time_t target = 0;  // the target moment
  LocalDate date;     // its local calendar date
  int daysBack = 0;   // 0 ... 6
};
// Days are counted on the calendar, not as 86400-second steps, so that the
// date keeps the button's weekday when a daylight-saving change lies between
// now and the target (a 23-hour day would otherwise land on the day before).
PuzzleDay PuzzleDayOf(int weekdayIndex, time_t now);

// Weekday names indexed by the local weekday, 0 = Sunday ... 6 = Saturday.
// The fourth is spelled as the titles have always shown it.
const char* WeekdayName(int localWeekday);
// Month abbreviations "JAN" ... "DEC", indexed 0 ... 11.
const char* MonthAbbreviation(int monthIndex);

// The level site's selection time for level k (0 ... 3) and the target
// moment: base(k) plus 86400 for every day from 10 April 2006 to the
// target's local date, in signed 32-bit arithmetic that wraps around.
int32_t LevelSelectionTime(int level, time_t target);

// ---------------------------------------------------------------- addresses

// Base addresses (scheme, host and a leading path, ending in '/').
struct SiteAddresses {
  std::string mainWeekly;
  std::string secondWeekly;
  std::string level;
  std::string random;
};

// Reads KOVALO_MAIN_WEEKLY_URL, KOVALO_SECOND_WEEKLY_URL, KOVALO_LEVEL_URL
// and KOVALO_RANDOM_URL through lookup; an unset or empty variable takes the
// address of the bundled puzzle-sites service. A '/' is added to an address
// that lacks one, since the paths are appended to it.
SiteAddresses SiteAddressesFrom(const std::function<const char*(const char*)>& lookup);
// The program's addresses, read from the environment on first use.
const SiteAddresses& ProgramSiteAddresses();

std::string MainWeeklyPuzzleAddress(const SiteAddresses& sites, const LocalDate& date);
std::string MainWeeklySolutionAddress(const SiteAddresses& sites, const LocalDate& date);
std::string SecondWeeklyAddress(const SiteAddresses& sites, const LocalDate& date);
std::string LevelAddress(const SiteAddresses& sites, int level, int32_t selectionTime);
std::string RandomAddress(const SiteAddresses& sites, int puzzleNumber);

// The address the Website button opens for the main window's title.
std::string WebsiteAddress(const SiteAddresses& sites, const std::string& title);

// ---------------------------------------------------------------- plan

// Everything the download worker needs for one request, worked out at once.
struct DownloadPlan {
  DecodedRequest request;
  time_t target = 0;            // daily sites: the target moment; random site: now
  LocalDate date;               // the target's date (random site: today)
  std::string dateText;         // "%d %d %d" of date
  int32_t selectionTime = 0;    // level site only
  std::string solutionAddress;  // main weekly site only: fetched first, for the answers
  std::string pageAddress;      // the page the site's reader walks
};
std::optional<DownloadPlan> PlanDownload(int32_t request, time_t now, const SiteAddresses& sites);

}  // namespace kovalo
