// Building and reading the texts of a save, and taking the list's row
// texts apart.
#include "saves/save_texts.h"
#include "text/ascii_case.h"

#include <climits>
#include <cmath>
#include <cstdio>

namespace kovalo {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

void TrimTrailingBlanks(std::string& text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
}

std::tm LocalFields(std::time_t moment) {
  std::tm fields{};
  if (!::localtime_r(&moment, &fields)) fields = std::tm{};
  return fields;
}

struct CalendarDate {
  int month = 0, day = 0, year = 0;
};

// The moment of a local date at the given time of day, or nothing when the
// date is no calendar date (13/40/1899 and the like).
bool LocalMomentOf(const CalendarDate& date, int hour, int minute, int second, std::time_t& moment,
                   int* weekday = nullptr) {
  if (date.month < 1 || date.month > 12 || date.day < 1 || date.day > 31 || date.year < 1900 ||
      date.year > 9999)
    return false;
  std::tm fields{};
  fields.tm_year = date.year - 1900;
  fields.tm_mon = date.month - 1;
  fields.tm_mday = date.day;
  fields.tm_hour = hour;
  fields.tm_min = minute;
  fields.tm_sec = second;
  fields.tm_isdst = -1;
  moment = std::mktime(&fields);
  // mktime moves 31 April to 1 May: such a date is not one.
  if (fields.tm_mday != date.day || fields.tm_mon != date.month - 1) return false;
  if (weekday) *weekday = fields.tm_wday;
  return true;
}

// "mm/dd/yy" (or a four-digit year) with its separators at the third and
// sixth character; years below 100 are of this century.
bool ReadSlashDate(std::string_view text, CalendarDate& date) {
  if (text.size() < 8) return false;
  for (std::size_t i : {0u, 1u, 3u, 4u})
    if (!IsDigit(text[i])) return false;
  date.month = (text[0] - '0') * 10 + (text[1] - '0');
  date.day = (text[3] - '0') * 10 + (text[4] - '0');
  const std::string_view year = text.substr(6);
  if (year.empty() || year.size() > 4) return false;
  date.year = 0;
  for (char c : year) {
    if (!IsDigit(c)) return false;
    date.year = date.year * 10 + (c - '0');
  }
  if (date.year < 100) date.year += 2000;
  return true;
}

std::string Format(const char* format, auto... values) {
  char buffer[128];
  const int n = std::snprintf(buffer, sizeof buffer, format, values...);
  return n < 0 ? std::string() : std::string(buffer, std::min<std::size_t>(n, sizeof buffer - 1));
}

}  // namespace

// ---------------------------------------------------------------- building

std::string PositionText(const Board& board, int firstSaveFlag) {
  std::string text;
  text.reserve(std::size_t{81} * 6);
  for (int row = 0; row < 9; ++row)
    for (int col = 0; col < 9; ++col) {
      text += board.AtGrid(row, col).text;
      text += ' ';
    }
  for (int row = 0; row < 9; ++row)
    for (int col = 0; col < 9; ++col) {
      text += std::to_string(static_cast<int32_t>(board.AtGrid(row, col).status));
      text += ' ';
    }
  text += std::to_string(firstSaveFlag);
  return text;
}

std::string AnswersText(const Board& board) {
  std::string text;
  text.reserve(std::size_t{81} * 2);
  for (int row = 0; row < 9; ++row)
    for (int col = 0; col < 9; ++col) {
      text += std::to_string(board.AtGrid(row, col).answer);
      text += ' ';
    }
  TrimTrailingBlanks(text);
  return text;
}

std::string PuzzleNumberText(const std::string& title) {
  const std::size_t comma = title.find(", ");
  const std::size_t blank = title.find(' ');
  if (comma == std::string::npos || blank >= comma) return "";
  return title.substr(blank + 1, comma - blank - 1);
}

std::string DescriptionLine(const std::string& title, const std::string& puzzleDate,
                            std::time_t now) {
  const std::tm clock = LocalFields(now);
  CalendarDate date;
  std::time_t dated = now;
  if (std::sscanf(puzzleDate.c_str(), "%d %d %d", &date.month, &date.day, &date.year) != 3 ||
      !LocalMomentOf(date, clock.tm_hour, clock.tm_min, clock.tm_sec, dated)) {
    date = {clock.tm_mon + 1, clock.tm_mday, clock.tm_year + 1900};
    dated = now;
  }
  const long long days = (static_cast<long long>(now) - static_cast<long long>(dated)) / 86400;
  const char half = clock.tm_hour < 12 ? 'A' : 'P';
  std::string line = PuzzleNumberText(title) + Format(" %02d/%02d/%02d ,%cM,%02d:%02d:%02d %cM",
                                                      date.month, date.day, date.year % 100, half,
                                                      (clock.tm_hour + 11) % 12 + 1, clock.tm_min,
                                                      clock.tm_sec, half);
  if (days != 0) line += Format(" %lld+", days);
  return line;
}

// ---------------------------------------------------------------- reading

std::string_view TokenReader::Next() {
  const std::size_t blank = rest_.find(' ');
  const std::string_view token = rest_.substr(0, blank);
  if (blank != std::string_view::npos) rest_.remove_prefix(blank + 1);
  return token;
}

std::string CellTextOfToken(std::string_view token) {
  std::size_t at = 0;
  while (at < token.size() && (token[at] == ' ' || token[at] == '\t')) ++at;
  bool negative = false;
  if (at < token.size() && (token[at] == '+' || token[at] == '-')) negative = token[at++] == '-';
  double value = 0;
  bool digits = false;
  for (; at < token.size() && IsDigit(token[at]); ++at) {
    value = value * 10 + (token[at] - '0');
    digits = true;
  }
  if (at < token.size() && token[at] == '.') {
    double scale = 0.1;
    for (++at; at < token.size() && IsDigit(token[at]); ++at, scale /= 10) {
      value += (token[at] - '0') * scale;
      digits = true;
    }
  }
  if (!digits || negative || !(value >= 1 && value <= 999999999)) return "";
  return std::to_string(std::llround(value));
}

int NumberOfToken(std::string_view token) {
  std::size_t at = 0;
  while (at < token.size() && (token[at] == ' ' || token[at] == '\t')) ++at;
  bool negative = false;
  if (at < token.size() && (token[at] == '+' || token[at] == '-')) negative = token[at++] == '-';
  long long value = 0;
  for (; at < token.size() && IsDigit(token[at]); ++at) {
    value = value * 10 + (token[at] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) return static_cast<int>(-value);
  return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

SavedPosition ReadPositionText(std::string_view text) {
  SavedPosition position;
  TokenReader tokens(text);
  for (std::string& cellText : position.texts) cellText = CellTextOfToken(tokens.Next());
  for (uint32_t& state : position.states)
    state = static_cast<uint32_t>(NumberOfToken(tokens.Next()));
  position.firstSaveFlag = NumberOfToken(tokens.Next());
  return position;
}

std::array<int, kCells> ReadAnswersText(std::string_view text) {
  std::array<int, kCells> answers{};
  TokenReader tokens(text);
  for (int& answer : answers) {
    const int value = NumberOfToken(tokens.Next());
    answer = value >= 1 && value <= 9 ? value : 0;
  }
  return answers;
}

int FirstSaveFlagOf(std::string_view positionText) {
  const std::size_t blank = positionText.rfind(' ');
  return blank == std::string_view::npos ? 0 : NumberOfToken(positionText.substr(blank + 1));
}

// ---------------------------------------------------------------- the list

SaveChecks CheckSave(std::string_view positionText, std::string_view answersText) {
  SaveChecks checks;
  const std::array<int, kCells> answers = ReadAnswersText(answersText);
  checks.answersKnown = true;
  for (int answer : answers) checks.answersKnown = checks.answersKnown && answer != 0;

  TokenReader tokens(positionText);
  bool full = true, equal = checks.answersKnown;
  for (int k = 0; k < kCells; ++k) {
    const std::string_view text = tokens.Next();
    const bool oneDigit = text.size() == 1 && text[0] >= '1' && text[0] <= '9';
    full = full && oneDigit;
    equal = equal && oneDigit && text[0] - '0' == answers[k];
  }
  checks.completion = !full   ? Completion::NotCompleted
                      : equal ? Completion::CompletedCorrect
                              : Completion::FilledNotVerifiable;
  return checks;
}

std::string CurrentMonthRowText(const std::string& description) {
  const std::size_t blank = description.find(' ');
  if (blank == std::string::npos) return description;
  // The number is the first word's; a text that begins with a blank has
  // none and counts as 0, rather than taking the date's month for it.
  long long number = NumberOfToken(std::string_view(description).substr(0, blank));
  number = ((number % 100000000) + 100000000) % 100000000;
  return std::to_string(100000000 + number) + description.substr(blank);
}

bool RowTextLess(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const auto x = static_cast<unsigned char>(AsciiLower(a[i]));
    const auto y = static_cast<unsigned char>(AsciiLower(b[i]));
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

std::string_view GroupPrefix(std::string_view rowText) {
  const std::size_t blank = rowText.find(' ');
  if (blank == std::string_view::npos) return rowText;
  return rowText.substr(0, blank + 2);
}

bool InGroup(std::string_view rowText, std::string_view groupPrefix) {
  return rowText.substr(0, groupPrefix.size()) == groupPrefix;
}

RowColumns ReadRowText(const std::string& rowText) {
  RowColumns columns;
  std::string text = rowText;
  std::size_t marker = text.find(",AM,");
  if (marker == std::string::npos) marker = text.find(",PM,");
  if (marker != std::string::npos) text.erase(marker, 4);
  columns.firstSave = rowText.find(" 1st") != std::string::npos;

  const std::size_t first = text.find(' ');
  if (first == std::string::npos) {
    columns.shape = RowColumns::WholeText;
    columns.whole = text;
    return columns;
  }
  const int number = NumberOfToken(std::string_view(text).substr(0, first));
  columns.number = Format("%06d", ((number % 1000000) + 1000000) % 1000000);
  const std::size_t second = text.find(' ', first + 1);
  if (second == std::string::npos) {
    columns.shape = RowColumns::NumberAndRest;
    columns.date = text.substr(first + 1);
    return columns;
  }
  columns.shape = RowColumns::AllColumns;
  columns.date = text.substr(first + 1, second - first - 1);
  const std::string rest = text.substr(second + 1);
  const std::size_t am = rest.find(" AM"), pm = rest.find(" PM");
  const std::size_t half = std::min(am, pm);
  columns.time = half == std::string::npos ? rest : rest.substr(0, half + 3);

  CalendarDate date;
  std::time_t noon;
  int weekday = -1;
  if (ReadSlashDate(columns.date, date) && LocalMomentOf(date, 12, 0, 0, noon, &weekday))
    columns.weekday = weekday;
  return columns;
}

const char* RowWeekdayName(int weekday) {
  static const char* const kNames[7] = {"Sunday",   "Monday", "Tuesday", "Wendsday",
                                        "Thursday", "Friday", "Saturday"};
  return weekday >= 0 && weekday < 7 ? kNames[weekday] : "";
}

std::string PuzzleDateOfRow(std::string_view rowText, std::time_t now) {
  const std::size_t first = rowText.find(' ');
  CalendarDate date;
  std::time_t moment;
  if (first != std::string_view::npos) {
    std::string_view part = rowText.substr(first + 1);
    part = part.substr(0, part.find(' '));
    if (part.size() == 8 && ReadSlashDate(part, date) && LocalMomentOf(date, 12, 0, 0, moment))
      return Format("%d %d %d", date.month, date.day, date.year);
  }
  const std::tm today = LocalFields(now);
  return Format("%d %d %d", today.tm_mon + 1, today.tm_mday, today.tm_year + 1900);
}

std::string TitleWord(std::string_view title, int index) {
  std::size_t at = 0;
  for (int word = 0;; ++word) {
    while (at < title.size() && title[at] == ' ') ++at;
    if (at >= title.size()) return "";
    const std::size_t end = std::min(title.find(' ', at), title.size());
    if (word == index) return std::string(title.substr(at, end - at));
    at = end;
  }
}

uint32_t SiteColour(std::string_view siteWord, bool groupRow) {
  struct Site {
    const char* word;
    uint32_t group, other;
  };
  static constexpr Site kSites[] = {{"Puzzle", 0xFFFF00, 0xA0A000},
                                    {"Random", 0xFFC080, 0xA06000},
                                    {"Number", 0x00FF00, 0x00A000},
                                    {"Sudoku", 0x00FFFF, 0x00A0A0}};
  for (const Site& site : kSites)
    if (siteWord == site.word) return groupRow ? site.group : site.other;
  return groupRow ? 0xFFFFFF : 0x808080;
}

uint32_t LevelColour(std::string_view levelWord) {
  struct Level {
    const char* a;
    const char* b;
    uint32_t colour;
  };
  static constexpr Level kLevels[] = {{"Easy", "Gentle", 0x00FF00},
                                      {"Medium", "Moderate", 0xFFFF00},
                                      {"Hard", "Tough", 0xFF0000},
                                      {"Evil", "Diabolical", 0xFF00FF}};
  for (const Level& level : kLevels)
    if (levelWord.find(level.a) != std::string_view::npos ||
        levelWord.find(level.b) != std::string_view::npos)
      return level.colour;
  return 0xC0C0C0;
}

bool LevelShown(std::string_view levelWord) { return NumberOfToken(levelWord) == 0; }

// ---------------------------------------------------------------- references

uint32_t EncodeReference(SaveReference reference) {
  if (reference.month == SaveMonth::Previous)
    return 0x80000000u | (static_cast<uint32_t>(reference.index & 0x7FFF) << 16);
  return static_cast<uint32_t>(reference.index) & 0xFFFF;
}

SaveReference DecodeReference(uint32_t value) {
  if (value & 0x80000000u) return {SaveMonth::Previous, static_cast<int>((value >> 16) & 0x7FFF)};
  return {SaveMonth::Current, static_cast<int>(value & 0xFFFF)};
}

uint32_t RenumberedReference(uint32_t value, uint32_t deleted) {
  // By index, not by lowering the whole value: a previous month's reference
  // lowered by one would keep its index once its low bits were not 0.
  SaveReference reference = DecodeReference(value);
  const SaveReference gone = DecodeReference(deleted);
  if (reference.month != gone.month || reference.index <= gone.index) return value;
  --reference.index;
  return EncodeReference(reference);
}

// ---------------------------------------------------------------- titles

bool IsValidUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (lead < 0x80) {
      ++i;
      continue;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) low = 0xA0;   // no overlong form
      if (lead == 0xED) high = 0x9F;  // no surrogate
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) low = 0x90;   // no overlong form
      if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
    } else {
      return false;
    }
    if (text.size() - i < length) return false;
    const auto second = static_cast<unsigned char>(text[i + 1]);
    if (second < low || second > high) return false;
    for (std::size_t k = 2; k < length; ++k)
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    i += length;
  }
  return true;
}

namespace {

// Windows-1252 from 0x80 to 0x9F; the unused places keep their own number.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

}  // namespace

std::string TitleForDisplay(std::string_view title) {
  if (IsValidUtf8(title)) return std::string(title);
  std::string out;
  out.reserve(title.size() * 2);
  for (char c : title) {
    const auto byte = static_cast<unsigned char>(c);
    AppendUtf8(out, byte >= 0x80 && byte < 0xA0 ? kWindows1252High[byte - 0x80] : byte);
  }
  return out;
}

}  // namespace kovalo
