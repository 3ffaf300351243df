// Request handling of the bundled puzzle sites: the target is split into
// path and query, percent-decoded, routed to one of the four sites, and the
// page is built from the puzzle that its address names.
#include "site_requests.h"

#include <array>
#include <cstdio>
#include <string>
#include <vector>

namespace kovalo::sites {

namespace {

constexpr const char* kHtml = "text/html; charset=utf-8";
constexpr const char* kScript = "text/javascript; charset=utf-8";
// A page of a fixed address never changes, so caches may keep it for good;
// the "today" pages change at midnight and are checked again every time.
constexpr const char* kForever = "public, max-age=31536000, immutable";
constexpr const char* kRevalidate = "public, no-cache";

constexpr int32_t kDaySeconds = 86400;
// Selection times of 10 April 2006, one per level, as the program counts
// them; every later day adds 86400 in 32-bit arithmetic.
constexpr std::array<int32_t, 4> kSelectionTimeBase = {1144514516, 1144456001, 1144514330,
                                                       1144514471};
constexpr CivilDate kSelectionReference{2006, 4, 10};
constexpr CivilDate kRandomFirstDay{2006, 4, 10};
constexpr int kRandomDaySpread = 3653;  // random puzzles carry dates over ten years

std::string Format(const char* format, auto... values) {
  char buffer[64];
  const int n = std::snprintf(buffer, sizeof buffer, format, values...);
  return n < 0 ? std::string() : std::string(buffer);
}

// "2006-04-10", the date part of the generator's keys.
std::string DateKey(const CivilDate& date) {
  return Format("%04d-%02d-%02d", date.year, date.month, date.day);
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Percent-decoding; '+' is a blank in a query. Nothing for a broken escape
// or an escaped zero byte.
std::optional<std::string> Decode(std::string_view text, bool query) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '%') {
      if (i + 2 >= text.size()) return std::nullopt;
      const int high = HexValue(text[i + 1]), low = HexValue(text[i + 2]);
      if (high < 0 || low < 0 || (high == 0 && low == 0)) return std::nullopt;
      c = static_cast<char>(high * 16 + low);
      i += 2;
    } else if (c == '+' && query) {
      c = ' ';
    } else if (c == '\0') {
      return std::nullopt;
    }
    out += c;
  }
  return out;
}

struct Query {
  std::vector<std::pair<std::string, std::string>> fields;
  bool broken = false;
  // The first value of name.
  const std::string* Find(std::string_view name) const {
    for (const auto& [key, value] : fields)
      if (key == name) return &value;
    return nullptr;
  }
};

Query ParseQuery(std::string_view text) {
  Query query;
  while (!text.empty()) {
    const size_t end = text.find('&');
    const std::string_view field = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (field.empty()) continue;  // the level site's "?&ws_level=..."
    const size_t equals = field.find('=');
    const auto key = Decode(field.substr(0, equals), true);
    const auto value =
        Decode(equals == std::string_view::npos ? std::string_view() : field.substr(equals + 1),
               true);
    if (!key || !value) {
      query.broken = true;
      return query;
    }
    query.fields.emplace_back(*key, *value);
  }
  return query;
}

// A decimal number of at most ten digits with an optional sign, nothing else.
std::optional<int64_t> ParseNumber(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  if (text.empty() || text.size() > 10) return std::nullopt;
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return negative ? -value : value;
}

// Three numbers separated by separator: "10/04/2006" (day, month, year).
std::optional<CivilDate> ParseDate(std::string_view text, char separator) {
  int parts[3] = {};
  for (int i = 0; i < 3; ++i) {
    const size_t end = i < 2 ? text.find(separator) : text.size();
    if (end == std::string_view::npos) return std::nullopt;
    const std::string_view part = text.substr(0, end);
    if (part.empty() || part.size() > 4 || part[0] == '-' || part[0] == '+') return std::nullopt;
    const std::optional<int64_t> value = ParseNumber(part);
    if (!value) return std::nullopt;
    parts[i] = static_cast<int>(*value);
    text = i < 2 ? text.substr(end + 1) : std::string_view();
  }
  const CivilDate date{parts[2], parts[1], parts[0]};
  if (!IsValidDate(date)) return std::nullopt;
  return date;
}

SiteResponse Page(std::string body, const char* contentType, const char* cacheControl) {
  SiteResponse response;
  response.contentType = contentType;
  response.etag = EtagOf(body);
  response.body = std::move(body);
  response.cacheControl = cacheControl;
  return response;
}

SiteResponse Error(int status, const std::string& message) {
  SiteResponse response;
  response.status = status;
  response.contentType = kHtml;
  response.body = ErrorPage(status, message);
  return response;
}

Level MainWeeklyLevel(const CivilDate& date) {
  // Easy on Monday and Tuesday, harder through the week, evil on Sunday.
  static constexpr std::array<Level, 7> kByWeekday = {Level::Evil,   Level::Easy,   Level::Easy,
                                                      Level::Medium, Level::Medium, Level::Hard,
                                                      Level::Hard};
  return kByWeekday[WeekdayOf(date)];
}

Level LevelFromSeed(std::uint64_t seed) { return static_cast<Level>(seed % 4); }

int TodaysRandomId(const CivilDate& today) {
  const int64_t days = DaysFromCivil(today);
  return kFirstRandomId + static_cast<int>(((days % 32768) + 32768) % 32768);
}

SiteResponse MainSite(std::string_view path, const Query& query, const CivilDate& today) {
  if (path.empty() || path == "daily.asp")
    return Page(MainWeeklyPage(MainWeeklyPuzzle(today), today, false), kHtml, kRevalidate);
  if (path != "DailySudoku.asp") return Error(404, "No such page on the daily site.");
  const std::string* day = query.Find("day");
  if (day == nullptr) return Error(400, "Which day? The address needs day=dd/mm/yyyy.");
  const std::optional<CivilDate> date = ParseDate(*day, '/');
  if (!date) return Error(400, "No such day: " + *day);
  const std::string* solution = query.Find("solution");
  return Page(MainWeeklyPage(MainWeeklyPuzzle(*date), *date, solution != nullptr), kHtml, kForever);
}

SiteResponse SecondSite(std::string_view path, const Query& query, const CivilDate& today) {
  if (path.empty()) {
    const std::string* day = query.Find("day");
    if (day == nullptr)
      return Page(SecondWeeklyHtml(SecondWeeklyPuzzle(today), today), kHtml, kRevalidate);
    const std::optional<CivilDate> date = ParseDate(*day, '-');
    if (!date) return Error(400, "No such day: " + *day);
    return Page(SecondWeeklyHtml(SecondWeeklyPuzzle(*date), *date), kHtml, kForever);
  }
  // The day files live in a folder whose name ends in a backslash.
  constexpr std::string_view kFolder = "DayFiles\\";
  constexpr std::string_view kExtension = ".js";
  if (path.substr(0, kFolder.size()) != kFolder ||
      path.size() < kFolder.size() + kExtension.size() ||
      path.substr(path.size() - kExtension.size()) != kExtension)
    return Error(404, "No such page on the second site.");
  const std::string_view name =
      path.substr(kFolder.size(), path.size() - kFolder.size() - kExtension.size());
  const std::optional<CivilDate> date = ParseDate(name, '-');
  if (!date) return Error(404, "No day file of that name.");
  return Page(SecondWeeklyFile(SecondWeeklyPuzzle(*date), *date), kScript, kForever);
}

SiteResponse LevelSite(std::string_view path, const Query& query, const CivilDate& today) {
  if (!path.empty() && path != "sudoku/" && path != "sudoku")
    return Error(404, "No such page on the level site.");
  int wsLevel = 1;
  if (const std::string* level = query.Find("ws_level")) {
    const std::optional<int64_t> value = ParseNumber(*level);
    if (!value || *value < 1 || *value > 4) return Error(400, "Levels run from 1 to 4.");
    wsLevel = static_cast<int>(*value);
  }
  const char* cache = kForever;
  CivilDate date = today;
  int32_t selectionTime = LevelSelectionTimeFor(wsLevel, today);
  if (const std::string* seltime = query.Find("ws_seltime")) {
    const std::optional<int64_t> value = ParseNumber(*seltime);
    if (!value || *value < INT32_MIN || *value > INT32_MAX)
      return Error(400, "The selection time is not a number.");
    selectionTime = static_cast<int32_t>(*value);
    const std::optional<CivilDate> named = DateOfSelectionTime(wsLevel, selectionTime);
    if (!named) return Error(400, "No puzzle has that selection time.");
    date = *named;
  } else {
    cache = kRevalidate;  // today's puzzle of the level
  }
  LevelPageLinks links;
  for (int other = 1; other <= 4; ++other)
    links.selectionTimes[other - 1] = LevelSelectionTimeFor(other, date);
  return Page(LevelPage(LevelSitePuzzle(wsLevel, date), wsLevel, selectionTime, date, links), kHtml,
              cache);
}

SiteResponse RandomSite(std::string_view path, const Query& query, const CivilDate& today) {
  if (path.empty()) {
    const int id = TodaysRandomId(today);
    return Page(RandomPuzzlePage(RandomSitePuzzle(id), id, RandomPublishedDate(id)), kHtml,
                kRevalidate);
  }
  const bool solution = path == "solution.php";
  if (!solution && path != "puzzle.php") return Error(404, "No such page on the random site.");
  const std::string* text = query.Find("id");
  if (text == nullptr) return Error(400, "Which puzzle? The address needs id=number.");
  const std::optional<int64_t> id = ParseNumber(*text);
  if (!id) return Error(400, "The puzzle number is not a number.");
  if (*id < kFirstRandomId || *id > kLastRandomId)
    return Error(404, "Puzzles are numbered 10 to 32777.");
  const int number = static_cast<int>(*id);
  const Puzzle puzzle = RandomSitePuzzle(number);
  const CivilDate published = RandomPublishedDate(number);
  return Page(solution ? RandomSolutionPage(puzzle, number, published)
                       : RandomPuzzlePage(puzzle, number, published),
              kHtml, kForever);
}

}  // namespace

int32_t LevelSelectionTimeFor(int wsLevel, const CivilDate& date) {
  if (wsLevel < 1 || wsLevel > 4) return 0;
  const int64_t days = DaysFromCivil(date) - DaysFromCivil(kSelectionReference);
  const uint32_t wrapped = static_cast<uint32_t>(kSelectionTimeBase[wsLevel - 1]) +
                           static_cast<uint32_t>(static_cast<uint64_t>(days) * kDaySeconds);
  return static_cast<int32_t>(wrapped);
}

std::optional<CivilDate> DateOfSelectionTime(int wsLevel, int32_t selectionTime) {
  if (wsLevel < 1 || wsLevel > 4) return std::nullopt;
  // The program's count wraps around in 32 bits, which makes a day about
  // every 136 years ambiguous; the days from late 1978 to the end of 2114 are told apart.
  constexpr int64_t kEarliest = -10000, kLatest = kEarliest + 49710;  // days from the reference
  const int64_t offset =
      static_cast<uint32_t>(selectionTime) - static_cast<uint32_t>(kSelectionTimeBase[wsLevel - 1]);
  for (const int64_t wraps : {-1, 0, 1}) {
    const int64_t seconds = offset + wraps * (int64_t{1} << 32);
    if (seconds % kDaySeconds != 0) continue;
    const int64_t days = seconds / kDaySeconds;
    if (days < kEarliest || days >= kLatest) continue;
    return CivilFromDays(DaysFromCivil(kSelectionReference) + days);
  }
  return std::nullopt;
}

Puzzle MainWeeklyPuzzle(const CivilDate& date) {
  return GeneratePuzzle(MainWeeklyLevel(date), SeedFor("main", DateKey(date)));
}

Puzzle SecondWeeklyPuzzle(const CivilDate& date) {
  const std::string key = DateKey(date);
  return GeneratePuzzle(LevelFromSeed(SeedFor("second/level", key)), SeedFor("second", key));
}

Puzzle LevelSitePuzzle(int wsLevel, const CivilDate& date) {
  const int index = wsLevel >= 1 && wsLevel <= 4 ? wsLevel - 1 : 0;
  return GeneratePuzzle(static_cast<Level>(index),
                        SeedFor("level", std::to_string(wsLevel) + ":" + DateKey(date)));
}

Puzzle RandomSitePuzzle(int id) {
  const std::string key = std::to_string(id);
  return GeneratePuzzle(LevelFromSeed(SeedFor("random/level", key)), SeedFor("random", key));
}

CivilDate RandomPublishedDate(int id) {
  const int64_t offset =
      ((id - kFirstRandomId) % kRandomDaySpread + kRandomDaySpread) % kRandomDaySpread;
  return CivilFromDays(DaysFromCivil(kRandomFirstDay) + offset);
}

bool EtagMatches(std::string_view header, std::string_view etag) {
  while (!header.empty()) {
    const size_t comma = header.find(',');
    std::string_view tag = header.substr(0, comma);
    header = comma == std::string_view::npos ? std::string_view() : header.substr(comma + 1);
    while (!tag.empty() && (tag.front() == ' ' || tag.front() == '\t')) tag.remove_prefix(1);
    while (!tag.empty() && (tag.back() == ' ' || tag.back() == '\t')) tag.remove_suffix(1);
    if (tag.substr(0, 2) == "W/") tag.remove_prefix(2);  // weak comparison suffices for GET
    if (tag == "*" || tag == etag) return true;
  }
  return false;
}

std::string EtagOf(std::string_view body) {
  uint64_t hash = 14695981039346656037ull;  // 64-bit FNV-1a
  for (unsigned char c : body) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  char text[24];
  std::snprintf(text, sizeof text, "\"%016llx\"", static_cast<unsigned long long>(hash));
  return text;
}

SiteResponse AnswerRequest(std::string_view target, const CivilDate& today,
                           std::string_view ifNoneMatch) {
  if (target.size() > kMaxTargetLength) return Error(414, "The address is too long.");
  if (target.empty() || target[0] != '/') return Error(400, "The address must start with /.");
  const size_t mark = target.find('?');
  const std::optional<std::string> path = Decode(target.substr(0, mark), false);
  if (!path) return Error(400, "The address has a broken %-escape.");
  const Query query =
      ParseQuery(mark == std::string_view::npos ? std::string_view() : target.substr(mark + 1));
  if (query.broken) return Error(400, "The query has a broken %-escape.");

  SiteResponse response;
  const std::string_view p = *path;
  auto under = [&](std::string_view site, std::string_view& rest) {
    if (p == site) {  // "/main" without its slash
      rest = {};
      return true;
    }
    if (p.size() > site.size() && p.substr(0, site.size()) == site && p[site.size()] == '/') {
      rest = p.substr(site.size() + 1);
      return true;
    }
    return false;
  };
  std::string_view rest;
  if (p == "/" || p == "/index.html")
    response = Page(IndexPage(today), kHtml, kRevalidate);
  else if (under("/main", rest))
    response = MainSite(rest, query, today);
  else if (under("/second", rest))
    response = SecondSite(rest, query, today);
  else if (under("/level", rest))
    response = LevelSite(rest, query, today);
  else if (under("/random", rest))
    response = RandomSite(rest, query, today);
  else
    response = Error(404, "No such page.");

  if (response.status == 200 && !ifNoneMatch.empty() && EtagMatches(ifNoneMatch, response.etag)) {
    response.status = 304;
    response.body.clear();
  }
  return response;
}

}  // namespace kovalo::sites
