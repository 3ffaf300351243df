// The four page readers, the solution-page walk, and putting a reading on
// the board. Each reader is a straight walk over its page's markers; a
// marker that is missing skips what depends on it and nothing else.
#include "sources/readers.h"

#include <climits>

#include "text/ascii_case.h"
#include "sources/page_walk.h"
#include "sources/sites.h"

namespace kovalo {

namespace {

constexpr size_t npos = std::string_view::npos;

std::string WeekdayNameOf(time_t target) { return WeekdayName(LocalDateOf(target).weekday); }

// The puzzle id that the level and second weekly pages carry in a script
// line such as «sPuzzleID = 'Puzzle #12 - ' + sDay». The '#' goes, so the
// title reads «Puzzle 12, Monday».
void ReadPuzzleId(PageWalk& walk, const std::string& weekday, PageReading& reading) {
  if (!walk.CutAt("sPuzzleID = '", 13)) return;
  const std::optional<std::string_view> head = walk.HeadBefore(" - '");
  std::string id = head ? std::string(*head) : std::string("Puzzle ???");
  const size_t hash = id.find('#');
  if (hash != std::string::npos) id.erase(hash, 1);
  reading.title = id + ", " + weekday;
}

// ---------------------------------------------------------------- random site

// Reads a decimal number as a "%d" scan does: white space, an optional sign,
// at least one digit. A number that does not fit counts as unreadable.
bool ScanNumber(std::string_view& text, int& value) {
  size_t i = 0;
  while (i < text.size() && PageWalk::IsWhiteSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const size_t first = i;
  long long magnitude = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    magnitude = magnitude * 10 + (text[i++] - '0');
    if (magnitude > static_cast<long long>(INT_MAX) + 1) return false;
  }
  if (i == first) return false;
  if (!negative && magnitude > INT_MAX) return false;
  value = static_cast<int>(negative ? -magnitude : magnitude);
  text.remove_prefix(i);
  return true;
}

// The date of a start text such as «Apr 10, 2006 at 09:15»: the first word
// names the month by its first three letters (January when none matches),
// then day of month and year. Nothing when those two do not read.
std::optional<std::string> DateOfStartText(std::string_view start) {
  const size_t blank = start.find(' ');
  const std::string_view word = start.substr(0, blank);
  int month = 1;
  if (word.size() >= 3) {
    for (int m = 0; m < 12; ++m) {
      const char* name = MonthAbbreviation(m);
      if (AsciiUpper(word[0]) == name[0] && AsciiUpper(word[1]) == name[1] &&
          AsciiUpper(word[2]) == name[2]) {
        month = m + 1;
        break;
      }
    }
  }
  std::string rest = blank == npos ? std::string() : std::string(start.substr(blank + 1));
  // «10, 2006» reads as «10  2006»; a comma in front stays and spoils the scan.
  const size_t comma = rest.find(',');
  if (comma != std::string::npos && comma != 0) rest[comma] = ' ';
  std::string_view numbers = rest;
  int day = 0, year = 0;
  if (!ScanNumber(numbers, day) || !ScanNumber(numbers, year)) return std::nullopt;
  return DateText(LocalDate{year, month, day, 0});
}

// ---------------------------------------------------------------- main weekly site

// Replaces every occurrence of from by to, in one pass from the front.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  std::string out;
  size_t start = 0;
  for (size_t p; (p = text.find(from, start)) != npos; start = p + from.size()) {
    out.append(text.substr(start, p - start));
    out.append(to);
  }
  out.append(text.substr(start));
  return out;
}

// The heading of the main weekly page as its title wants it: line breaks and
// font ends become blanks, line ends go, runs of blanks shrink to one, the
// ends are trimmed, and a trailing « to correct ...» note is cut off.
std::string CleanHeading(std::string_view heading) {
  const std::string spaced = ReplaceAll(ReplaceAll(heading, "<br>", " "), "</font>", " ");
  std::string cleaned;
  cleaned.reserve(spaced.size());
  for (char c : spaced) {
    if (c == '\r' || c == '\n') continue;
    // Removing the first of two blanks until none are left keeps one of a run.
    if (c == ' ' && !cleaned.empty() && cleaned.back() == ' ') continue;
    cleaned += c;
  }
  size_t end = cleaned.size();
  while (end > 0 && PageWalk::IsWhiteSpace(cleaned[end - 1])) --end;
  size_t begin = 0;
  while (begin < end && PageWalk::IsWhiteSpace(cleaned[begin])) ++begin;
  cleaned = cleaned.substr(begin, end - begin);
  const size_t note = cleaned.find(" to corr");
  if (note != std::string::npos) cleaned.resize(note);
  return cleaned;
}

// «A, B» becomes «A, Monday B»; a heading without ", " gets « - Monday».
std::string MainWeeklyTitle(const std::string& heading, const std::string& weekday) {
  const size_t p = heading.find(", ");
  if (p == std::string::npos) return heading + " - " + weekday;
  return heading.substr(0, p + 2) + weekday + heading.substr(p + 1);
}

}  // namespace

// ---------------------------------------------------------------- level site

PageReading ReadLevelPage(std::string_view page, time_t target, int32_t selectionTime) {
  PageReading reading;
  PageWalk walk(page);
  const std::string weekday = WeekdayNameOf(target);

  // The heading stands after the second "Here is the puzzle." line; a page
  // with only one has none worth reading.
  constexpr std::string_view kHere = "<B>Here is the puzzle.";
  walk.CutAt(kHere, 5);
  if (walk.CutAt(kHere, 0) && walk.CutAt("<td ", 0) && walk.CutAt("\">", 2)) {
    if (const std::optional<std::string_view> heading = walk.HeadBefore("<")) {
      const size_t blank = heading->find(' ');
      const std::string_view levelWord =
          blank == npos ? std::string_view() : heading->substr(0, blank);
      reading.title = "Sudoku " + std::to_string(selectionTime % 10000000) + ", " + weekday + " " +
                      std::string(levelWord);
    }
  }

  // The grid is the second table after the engine's credit comment; each
  // cell is an input box, carrying a value when it holds a given.
  if (walk.CutAt("<!-- Sudoku engine by kovalo-sites,", 0) && walk.CutAt("<TABLE ", 7) &&
      walk.CutAt("<TABLE ", 7)) {
    for (int k = 0; k < kCells; ++k) {
      if (!walk.CutAt("<INPUT ", 7)) continue;
      const std::optional<std::string_view> piece = walk.HeadBefore("</TD>");
      if (!piece) continue;
      walk.CutAt("</TD>", 5);
      const size_t value = piece->find("VALUE=\"");
      if (value == npos) continue;
      if (const int digit = DigitOf(piece->substr(value + 7))) reading.givens[k] = digit;
    }
  }

  // The answers sit in a hidden form field, one digit per cell.
  if (walk.CutAt("<INPUT NAME=ws_cheat TYPE=hidden VALUE=\"", 40)) {
    if (std::optional<std::string_view> answers = walk.HeadBefore("\"")) {
      for (int k = 0; k < kCells; ++k) {
        if (const int digit = DigitOf(*answers)) reading.answers[k] = digit;
        if (!answers->empty()) answers->remove_prefix(1);
      }
    }
  }

  ReadPuzzleId(walk, weekday, reading);
  return reading;
}

// ---------------------------------------------------------------- second weekly site

PageReading ReadSecondWeeklyFile(std::string_view page, time_t target) {
  PageReading reading;
  PageWalk walk(page);

  // One comma-separated list: 81 givens (0 for a blank), then 81 answers.
  // A value is only taken as a given when a comma follows it; the answers
  // are read whatever follows, so the last one needs no comma.
  if (walk.CutAt("iGridUnsolved= new Array(", 25)) {
    for (int k = 0; k < kCells; ++k) {
      if (!walk.Has(",")) continue;
      if (const int digit = DigitOf(walk.rest())) reading.givens[k] = digit;
      walk.CutAt(",", 1);
    }
  }
  for (int k = 0; k < kCells; ++k) {
    reading.answers[k] = DigitOf(walk.rest());
    walk.CutAt(",", 1);
  }

  ReadPuzzleId(walk, WeekdayNameOf(target), reading);
  return reading;
}

// ---------------------------------------------------------------- random site

PageReading ReadRandomSolutionPage(std::string_view page) {
  PageReading reading;
  PageWalk walk(page);

  if (!walk.CutAt("Solution to Sudoku ", 0)) {
    reading.outcome = ReaderOutcome::Failed;
    return reading;
  }
  walk.CutAt("Puzzle ", 7);
  const std::string puzzle(walk.HeadBefore("<").value_or(std::string_view()));
  if (walk.CutAt("Puzzle started ", 15)) {
    if (const std::optional<std::string_view> start = walk.HeadBefore(" and end")) {
      reading.title = "Random " + puzzle + ", " + std::string(*start);
      reading.date = DateOfStartText(*start);
    }
  }

  if (!walk.CutAt("class=\"grid\">", 0) || !walk.CutAt("<tr>", 0)) return reading;
  // Every cell shows its digit inside an inner tag; a digit closed by a
  // span is a solved one, anything else marks a given.
  for (int k = 0; k < kCells; ++k) {
    if (!walk.CutAt("<td class=\"", 0) || !walk.CutAt(">", 1)) {
      reading.outcome = ReaderOutcome::Failed;
      return reading;
    }
    if (!walk.CutAt(">", 1)) continue;
    walk.SkipWhiteSpace();
    const int digit = DigitOf(walk.rest());
    if (digit == 0) continue;
    if (walk.rest().substr(1, 3) != "</s") reading.givens[k] = digit;
    reading.answers[k] = digit;
  }
  return reading;
}

// ---------------------------------------------------------------- main weekly site

PageReading ReadMainWeeklyPage(std::string_view page, time_t target) {
  PageReading reading;
  PageWalk walk(page);

  // The heading is the text of the second font tag after the first table.
  if (walk.CutAt("<table", 0) && walk.CutAt("<font", 5) && walk.CutAt("<font", 5) &&
      walk.CutAt(">", 1)) {
    if (const std::optional<std::string_view> heading = walk.HeadBefore("<font"))
      reading.title = MainWeeklyTitle(CleanHeading(*heading), WeekdayNameOf(target));
  }

  if (!walk.CutAt(">J<", 0) || !walk.CutAt("<tr>", 0)) return reading;
  for (int k = 0; k < kCells; ++k) {
    if (!walk.CutAt("<td", 0) || !walk.CutAt(">", 1)) {
      reading.outcome = ReaderOutcome::Failed;
      return reading;
    }
    if (const int digit = DigitOf(walk.rest())) reading.givens[k] = digit;
  }
  return reading;
}

PageReading ReadSolutionPageAnswers(std::string_view page) {
  PageReading reading;
  PageWalk walk(page);
  if (!walk.CutAt(">J<", 0) || !walk.CutAt("<tr>", 0)) return reading;
  for (int k = 0; k < kCells; ++k) {
    if (!walk.CutAt("<td", 0) || !walk.CutAt(">", 1)) return reading;
    if (const int digit = DigitOf(walk.rest())) reading.answers[k] = digit;
  }
  return reading;
}

// ---------------------------------------------------------------- applying

void ApplyReading(const PageReading& reading, Board& board, std::string& puzzleDate) {
  if (reading.title) board.screen().SetTitle(*reading.title);
  if (reading.date) puzzleDate = *reading.date;
  for (int k = 0; k < kCells; ++k) {
    Cell& cell = board.AtGrid(k / 9, k % 9);
    if (reading.givens[k] != 0) {
      cell.text = std::string(1, static_cast<char>('0' + reading.givens[k]));
      cell.status = Plain;
    }
    if (reading.answers[k] != kAnswerUnchanged) cell.answer = reading.answers[k];
  }
}

}  // namespace kovalo
