// The site catalogue: requests, dates, addresses and the Website button.
#include "sources/sites.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <cstdlib>

#include "board/screen.h"

namespace kovalo {

namespace {

constexpr int kDaySeconds = 86400;

// Days since 1 January 1970 of a proleptic Gregorian date; exact for any
// year, negative ones included, so day differences need no time zone.
constexpr int64_t DaysFromCivil(int64_t year, int month, int day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yearOfEra = year - era * 400;
  const int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

// Selection times that the level site showed for 10 April 2006, one per level.
constexpr std::array<int32_t, kLevelCount> kSelectionTimeBase = {
    1144514516,  // "Easy"
    1144456001,  // "Medium"
    1144514330,  // "Hard"
    1144514471,  // "Evil"
};
constexpr int64_t kReferenceDay = DaysFromCivil(2006, 4, 10);

constexpr std::array<const char*, 7> kWeekdayNames = {"Sunday",   "Monday", "Tuesday", "Wendsday",
                                                      "Thursday", "Friday", "Saturday"};
constexpr std::array<const char*, 12> kMonthAbbreviations = {"JAN", "FEB", "MAR", "APR",
                                                             "MAY", "JUN", "JUL", "AUG",
                                                             "SEP", "OCT", "NOV", "DEC"};

std::string Format(const char* format, auto... values) {
  char buffer[96];
  const int n = std::snprintf(buffer, sizeof buffer, format, values...);
  return n < 0 ? std::string() : std::string(buffer, std::min<size_t>(n, sizeof buffer - 1));
}

std::string AddressFrom(const char* value, const char* fallback) {
  std::string address = (value != nullptr && *value != '\0') ? value : fallback;
  if (address.back() != '/') address += '/';
  return address;
}

bool StartsWith(const std::string& text, const char* prefix) {
  return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

}  // namespace

// ---------------------------------------------------------------- requests

std::optional<int32_t> SiteBaseForRadio(int controlId, bool checked) {
  const int32_t state = checked ? 1 : 0;
  switch (controlId) {
    case IDC_SECOND_WEEKLY: return state * kSiteBaseSecondWeekly;
    case IDC_EASY: return state * (kSiteBaseLevel + 0 * kLevelStep);
    case IDC_MEDIUM: return state * (kSiteBaseLevel + 1 * kLevelStep);
    case IDC_HARD: return state * (kSiteBaseLevel + 2 * kLevelStep);
    case IDC_EVIL: return state * (kSiteBaseLevel + 3 * kLevelStep);
    case IDC_NORMAL: return kSiteBaseMainWeekly;
    default: return std::nullopt;
  }
}

int32_t WeekdayRequest(int32_t siteBase, int weekdayIndex) { return siteBase + weekdayIndex; }

int32_t RandomRequest(int random) { return (random & 0x7FFF) + kFirstRandomPuzzle; }

int PuzzleNumberGenerator::Next() {
  // The classic linear congruential generator of the C runtime: the high
  // half of the state, fifteen bits of it.
  state_ = state_ * 214013u + 2531011u;
  return static_cast<int>((state_ >> 16) & 0x7FFF);
}

std::optional<DecodedRequest> DecodePuzzleRequest(int32_t request) {
  DecodedRequest decoded;
  if (request >= kSiteBaseLevel) {
    decoded.site = PuzzleSite::Level;
    decoded.level = (request - kSiteBaseLevel) / kLevelStep;
    decoded.weekdayIndex = request % kLevelStep;
    if (decoded.level >= kLevelCount) return std::nullopt;
  } else if (request >= kSiteBaseSecondWeekly) {
    decoded.site = PuzzleSite::SecondWeekly;
    decoded.weekdayIndex = request - kSiteBaseSecondWeekly;
  } else if (request >= kFirstRandomPuzzle && request <= 99999) {
    decoded.site = PuzzleSite::Random;
    decoded.puzzleNumber = request;
    return decoded;
  } else if (request >= 0 && request <= 9) {
    decoded.site = PuzzleSite::MainWeekly;
    decoded.weekdayIndex = request;
  } else {
    return std::nullopt;
  }
  if (decoded.weekdayIndex > 6) return std::nullopt;
  return decoded;
}

// ---------------------------------------------------------------- dates

LocalDate LocalDateOf(time_t moment) {
  struct tm fields {};
  if (localtime_r(&moment, &fields) == nullptr) return LocalDate{};
  return LocalDate{fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday, fields.tm_wday};
}

std::string DateText(const LocalDate& date) {
  return Format("%d %d %d", date.month, date.day, date.year);
}

std::optional<LocalDate> ReadDateText(std::string_view text) {
  std::array<int, 3> numbers{};
  const char* at = text.data();
  const char* const end = text.data() + text.size();
  for (int& number : numbers) {
    while (at < end && (*at == ' ' || (*at >= '\t' && *at <= '\r'))) ++at;
    if (at < end && *at == '+') ++at;
    const std::from_chars_result read = std::from_chars(at, end, number);
    if (read.ec != std::errc()) return std::nullopt;
    at = read.ptr;
  }
  LocalDate date;
  date.month = numbers[0];
  date.day = numbers[1];
  date.year = numbers[2];
  return date;
}

PuzzleDay PuzzleDayOf(int weekdayIndex, time_t now) {
  PuzzleDay day;
  struct tm fields {};
  if (localtime_r(&now, &fields) == nullptr) {
    day.target = now;
    return day;
  }
  // Monday is index 0 but local weekday 1, hence the extra day.
  day.daysBack = ((fields.tm_wday - weekdayIndex - 1) % 7 + 7) % 7;
  fields.tm_mday -= day.daysBack;
  fields.tm_isdst = -1;  // the target day may be on the other side of a change
  day.target = mktime(&fields);
  if (day.target == static_cast<time_t>(-1)) day.target = now - int64_t{day.daysBack} * kDaySeconds;
  day.date = LocalDateOf(day.target);
  return day;
}

const char* WeekdayName(int localWeekday) {
  return (localWeekday >= 0 && localWeekday < 7) ? kWeekdayNames[localWeekday] : "";
}

const char* MonthAbbreviation(int monthIndex) {
  return (monthIndex >= 0 && monthIndex < 12) ? kMonthAbbreviations[monthIndex] : "";
}

int32_t LevelSelectionTime(int level, time_t target) {
  if (level < 0 || level >= kLevelCount) return 0;
  const LocalDate date = LocalDateOf(target);
  const int64_t days = DaysFromCivil(date.year, date.month, date.day) - kReferenceDay;
  // The site counts in 32 bits; unsigned arithmetic wraps without undefined
  // behaviour, and the conversion back to signed is modular.
  const uint32_t wrapped = static_cast<uint32_t>(kSelectionTimeBase[level]) +
                           static_cast<uint32_t>(static_cast<uint64_t>(days) * kDaySeconds);
  return static_cast<int32_t>(wrapped);
}

// ---------------------------------------------------------------- addresses

SiteAddresses SiteAddressesFrom(const std::function<const char*(const char*)>& lookup) {
  SiteAddresses sites;
  sites.mainWeekly = AddressFrom(lookup("KOVALO_MAIN_WEEKLY_URL"), "http://127.0.0.1:8642/main/");
  sites.secondWeekly =
      AddressFrom(lookup("KOVALO_SECOND_WEEKLY_URL"), "http://127.0.0.1:8642/second/");
  sites.level = AddressFrom(lookup("KOVALO_LEVEL_URL"), "http://127.0.0.1:8642/level/");
  sites.random = AddressFrom(lookup("KOVALO_RANDOM_URL"), "http://127.0.0.1:8642/random/");
  return sites;
}

const SiteAddresses& ProgramSiteAddresses() {
  // Nothing in the program changes its environment, so reading it from any thread is safe.
  static const SiteAddresses sites = SiteAddressesFrom([](const char* name) -> const char* {
    return std::getenv(name);  // NOLINT(concurrency-mt-unsafe)
  });
  return sites;
}

std::string MainWeeklyPuzzleAddress(const SiteAddresses& sites, const LocalDate& date) {
  return sites.mainWeekly +
         Format("DailySudoku.asp?day=%02d/%02d/%04d", date.day, date.month, date.year);
}

std::string MainWeeklySolutionAddress(const SiteAddresses& sites, const LocalDate& date) {
  return sites.mainWeekly + Format("DailySudoku.asp?solution=please&day=%02d/%02d/%04d", date.day,
                                   date.month, date.year);
}

std::string SecondWeeklyAddress(const SiteAddresses& sites, const LocalDate& date) {
  // The site keeps its day files in a folder named with a backslash.
  return sites.secondWeekly + Format("DayFiles\\%d-%d-%d.js", date.day, date.month, date.year);
}

std::string LevelAddress(const SiteAddresses& sites, int level, int32_t selectionTime) {
  return sites.level + Format("sudoku/?&ws_level=%d&ws_seltime=%d", level + 1, selectionTime);
}

std::string RandomAddress(const SiteAddresses& sites, int puzzleNumber) {
  return sites.random + Format("solution.php?id=%d", puzzleNumber);
}

std::string WebsiteAddress(const SiteAddresses& sites, const std::string& title) {
  if (title.size() > 7) {
    if (StartsWith(title, "Random ")) return sites.random;
    if (StartsWith(title, "Sudoku ")) return sites.level + "sudoku/";
    if (StartsWith(title, "Puzzle ")) return sites.secondWeekly;
  }
  return sites.mainWeekly + "daily.asp";
}

// ---------------------------------------------------------------- plan

std::optional<DownloadPlan> PlanDownload(int32_t request, time_t now, const SiteAddresses& sites) {
  const std::optional<DecodedRequest> decoded = DecodePuzzleRequest(request);
  if (!decoded) return std::nullopt;
  DownloadPlan plan;
  plan.request = *decoded;
  if (decoded->site == PuzzleSite::Random) {
    plan.target = now;
    plan.date = LocalDateOf(now);
    plan.pageAddress = RandomAddress(sites, decoded->puzzleNumber);
  } else {
    const PuzzleDay day = PuzzleDayOf(decoded->weekdayIndex, now);
    plan.target = day.target;
    plan.date = day.date;
    switch (decoded->site) {
      case PuzzleSite::Level:
        plan.selectionTime = LevelSelectionTime(decoded->level, day.target);
        plan.pageAddress = LevelAddress(sites, decoded->level, plan.selectionTime);
        break;
      case PuzzleSite::SecondWeekly: plan.pageAddress = SecondWeeklyAddress(sites, day.date); break;
      case PuzzleSite::MainWeekly:
        plan.solutionAddress = MainWeeklySolutionAddress(sites, day.date);
        plan.pageAddress = MainWeeklyPuzzleAddress(sites, day.date);
        break;
      case PuzzleSite::Random: break;
    }
  }
  plan.dateText = DateText(plan.date);
  return plan;
}

}  // namespace kovalo
