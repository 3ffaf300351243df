// Requests of the bundled puzzle sites: the request target as it arrived
// (path and query, still percent-encoded) in, the status, headers and body
// of the answer out. No I/O, no clock and no state: the date of "today"
// is an argument, and every puzzle page follows from its address alone, so
// any number of copies of the service give the same answers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "site_pages.h"

namespace kovalo::sites {

struct SiteResponse {
  int status = 200;
  std::string contentType;
  std::string body;
  std::string etag;          // quoted, empty for error answers
  std::string cacheControl;  // empty for error answers
};

// The longest request target answered; longer ones get 414.
constexpr size_t kMaxTargetLength = 2048;

// Answers one GET (or HEAD) request. ifNoneMatch is the request's
// If-None-Match header (empty when absent); when it names the page's ETag
// the answer is 304 without a body.
SiteResponse AnswerRequest(std::string_view target, const CivilDate& today,
                           std::string_view ifNoneMatch = {});

// The selection time that the level site's addresses carry for level
// wsLevel (1 ... 4) on a date, and the date a selection time names (nothing
// for one that no date gives).
int32_t LevelSelectionTimeFor(int wsLevel, const CivilDate& date);
std::optional<CivilDate> DateOfSelectionTime(int wsLevel, int32_t selectionTime);

// The puzzle of every page, by site and what its address names. Each comes
// from the generator with a seed made of the site and that key, so the same
// address always gives the same puzzle.
Puzzle MainWeeklyPuzzle(const CivilDate& date);    // level by weekday
Puzzle SecondWeeklyPuzzle(const CivilDate& date);  // level varies with the date
Puzzle LevelSitePuzzle(int wsLevel, const CivilDate& date);
Puzzle RandomSitePuzzle(int id);  // level varies with the id
// The date a random puzzle's page gives as its start.
CivilDate RandomPublishedDate(int id);
constexpr int kFirstRandomId = 10;
constexpr int kLastRandomId = 32777;

// The ETag of a body: a quoted 64-bit hash.
std::string EtagOf(std::string_view body);

// Whether an If-None-Match header (a list of tags, or "*") names etag.
bool EtagMatches(std::string_view header, std::string_view etag);

}  // namespace kovalo::sites
