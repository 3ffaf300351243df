// The pages of the bundled puzzle sites. The texts that the program's page
// readers look for are marked "read by the program" where they are written;
// everything else is free to change.
#include "site_pages.h"

#include <array>
#include <cstdio>

namespace kovalo::sites {

namespace {

constexpr std::array<const char*, 7> kWeekdays = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                  "Thursday", "Friday", "Saturday"};
constexpr std::array<const char*, 12> kMonths = {"January",   "February", "March",    "April",
                                                 "May",       "June",     "July",     "August",
                                                 "September", "October",  "November", "December"};

// The main weekly site counts its puzzles from this day, number 1734.
constexpr CivilDate kMainWeeklyDayOne{2006, 4, 10};
constexpr int kMainWeeklyFirstNumber = 1734;

std::string Format(const char* format, auto... values) {
  char buffer[256];
  const int n = std::snprintf(buffer, sizeof buffer, format, values...);
  if (n < 0) return {};
  return std::string(buffer, static_cast<size_t>(n) < sizeof buffer ? n : sizeof buffer - 1);
}

// "Easy" ... "Evil": capitalised, as the program's saves list knows them.
const char* LevelWord(Level level) {
  static constexpr const char* kWords[4] = {"Easy", "Medium", "Hard", "Evil"};
  const int index = static_cast<int>(level);
  return index >= 0 && index < 4 ? kWords[index] : "";
}

// "10 April 2006"
std::string LongDate(const CivilDate& date) {
  return Format("%d %s %04d", date.day, EnglishMonth(date.month), date.year);
}
// "10/04/2006", as the main weekly site's addresses carry it.
std::string SlashDate(const CivilDate& date) {
  return Format("%02d/%02d/%04d", date.day, date.month, date.year);
}

char GivenAt(const Puzzle& puzzle, int k) {
  const char c = k < static_cast<int>(puzzle.givens.size()) ? puzzle.givens[k] : '.';
  return (c >= '1' && c <= '9') ? c : '\0';
}
char AnswerAt(const Puzzle& puzzle, int k) {
  const char c = k < static_cast<int>(puzzle.solution.size()) ? puzzle.solution[k] : '0';
  return (c >= '1' && c <= '9') ? c : '0';
}

// Thick lines between the boxes: a class for the right and the bottom edge.
const char* EdgeClass(int k) {
  const bool right = k % 9 == 2 || k % 9 == 5;
  const bool bottom = k / 9 == 2 || k / 9 == 5;
  return right && bottom ? " r b" : right ? " r" : bottom ? " b" : "";
}

constexpr const char* kGridStyle =
    "table.puzzle { border-collapse: collapse; margin: 1em auto; border: 3px solid #003366; }\n"
    "table.puzzle td, table.puzzle th { width: 2.2em; height: 2.2em; text-align: center;"
    " border: 1px solid #99a; font: 18px Verdana, Arial, sans-serif; }\n"
    "table.puzzle th { border: 0; color: #99a; font-size: 11px; }\n"
    "table.puzzle td.r { border-right: 3px solid #003366; }\n"
    "table.puzzle td.b { border-bottom: 3px solid #003366; }\n"
    "td.given { font-weight: bold; color: #000; }\n"
    "td.answer { color: #0055aa; }\n";

// For browsers that ignore the style sheet.
constexpr const char* kCellSize = "width=\"32\" height=\"32\" align=\"center\"";

// The main weekly site's grid: a header row of column letters ending in "J"
// (read by the program: the grid starts after ">J<"), then nine rows of
// "<td ...>" cells holding a digit or a blank.
void AppendMainWeeklyGrid(std::string& page, const Puzzle& puzzle, bool solution) {
  page += "<table class=\"puzzle\" summary=\"Sudoku\">\n<tr><th>&nbsp;</th>";
  for (const char* letter : {"A", "B", "C", "D", "E", "F", "G", "H", "J"})
    page += Format("<th>%s</th>", letter);
  page += "</tr>\n";
  for (int row = 0; row < 9; ++row) {
    page += Format("<tr><th>%d</th>\n", row + 1);
    for (int column = 0; column < 9; ++column) {
      const int k = row * 9 + column;
      const char given = GivenAt(puzzle, k);
      if (given != 0)
        page += Format("  <td class=\"given%s\" %s>%c</td>\n", EdgeClass(k), kCellSize, given);
      else if (solution)
        page += Format("  <td class=\"answer%s\" %s>%c</td>\n", EdgeClass(k), kCellSize,
                       AnswerAt(puzzle, k));
      else
        page += Format("  <td class=\"open%s\" %s>&nbsp;</td>\n", EdgeClass(k), kCellSize);
    }
    page += "</tr>\n";
  }
  page += "</table>\n";
}

}  // namespace

int64_t DaysFromCivil(const CivilDate& date) {
  int64_t year = date.year - (date.month <= 2);
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yearOfEra = year - era * 400;
  const int64_t dayOfYear =
      (153 * (date.month > 2 ? date.month - 3 : date.month + 9) + 2) / 5 + date.day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

CivilDate CivilFromDays(int64_t days) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t dayOfEra = days - era * 146097;
  const int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t mp = (5 * dayOfYear + 2) / 153;
  const int day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
  const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  return CivilDate{static_cast<int>(yearOfEra + era * 400 + (month <= 2)), month, day};
}

int WeekdayOf(const CivilDate& date) {
  const int64_t days = DaysFromCivil(date);  // 1 January 1970 was a Thursday
  return static_cast<int>(((days + 4) % 7 + 7) % 7);
}

bool IsValidDate(const CivilDate& date) {
  if (date.year < 1 || date.year > 9999 || date.month < 1 || date.month > 12 || date.day < 1)
    return false;
  return CivilFromDays(DaysFromCivil(date)) == date;
}

const char* EnglishWeekday(int weekday) {
  return weekday >= 0 && weekday < 7 ? kWeekdays[weekday] : "";
}
const char* EnglishMonth(int month) { return month >= 1 && month <= 12 ? kMonths[month - 1] : ""; }

int MainWeeklyNumber(const CivilDate& date) {
  return static_cast<int>(DaysFromCivil(date) - DaysFromCivil(kMainWeeklyDayOne)) +
         kMainWeeklyFirstNumber;
}

std::string MainWeeklyPage(const Puzzle& puzzle, const CivilDate& date, bool solution) {
  const std::string day = SlashDate(date);
  const CivilDate before = CivilFromDays(DaysFromCivil(date) - 1);
  const CivilDate after = CivilFromDays(DaysFromCivil(date) + 1);
  std::string page;
  page.reserve(8000);
  page += "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n<html>\n<head>\n";
  page +=
      Format("<title>Daily Sudoku - %s%s</title>\n", solution ? "Solution for " : "", day.c_str());
  page += "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\n<style>\n";
  page += kGridStyle;
  page +=
      "body { background: #fff; margin: 0; font-family: Verdana, Arial, sans-serif; }\n"
      "a { color: #ffffff; }\n"
      "td.heading a { color: #003366; }\n</style>\n</head>\n<body>\n";
  // Read by the program: after "<table", the second "<font" holds the
  // heading, up to the next "<font"; a ", " in it is where the weekday goes.
  page += "<table width=\"100%\" border=\"0\" cellspacing=\"0\" cellpadding=\"4\">\n";
  page += Format(
      "<tr><td align=\"center\" bgcolor=\"#003366\"><font face=\"Verdana, Arial\" size=\"1\" "
      "color=\"#ffffff\"><a href=\"daily.asp\">Today</a> | "
      "<a href=\"DailySudoku.asp?day=%s\">Day before</a> | "
      "<a href=\"DailySudoku.asp?day=%s\">Day after</a></font></td></tr>\n",
      SlashDate(before).c_str(), SlashDate(after).c_str());
  page += Format(
      "<tr><td class=\"heading\" align=\"center\"><font face=\"Verdana, Arial\" size=\"4\" "
      "color=\"#003366\">Daily %d,<br>\n%s%s</font>\n",
      MainWeeklyNumber(date), LongDate(date).c_str(), solution ? " <br>Solution" : "");
  page += Format("<font face=\"Verdana, Arial\" size=\"2\">%s, %s puzzle. ",
                 EnglishWeekday(WeekdayOf(date)), LevelWord(puzzle.level));
  if (solution)
    page += Format("<a href=\"DailySudoku.asp?day=%s\">Back to the puzzle</a>", day.c_str());
  else
    page += Format("<a href=\"DailySudoku.asp?solution=please&amp;day=%s\">Show the solution</a>",
                   day.c_str());
  page += "</font></td></tr>\n</table>\n";
  AppendMainWeeklyGrid(page, puzzle, solution);
  page +=
      "<p align=\"center\"><font size=\"1\">Every puzzle has exactly one solution. "
      "Monday and Tuesday are easy, Wednesday and Thursday medium, Friday and Saturday hard, "
      "Sunday evil.</font></p>\n</body>\n</html>\n";
  return page;
}

std::string SecondWeeklyFile(const Puzzle& puzzle, const CivilDate& date) {
  std::string file;
  file.reserve(1200);
  file += Format("// Kovalo second weekly site: day file for %d-%d-%d, rated %s.\n", date.day,
                 date.month, date.year, LevelWord(puzzle.level));
  file +=
      "// The grid holds the puzzle row by row (0 marks an empty square),\n"
      "// followed by its solution in the same order.\n";
  // Read by the program: 162 comma-separated digits after this text.
  file += "var iGridUnsolved= new Array(";
  for (int k = 0; k < 81; ++k) {
    const char given = GivenAt(puzzle, k);
    file += given != 0 ? given : '0';
    file += ',';
  }
  for (int k = 0; k < 81; ++k) {
    file += AnswerAt(puzzle, k);
    file += k < 80 ? "," : ");\n";
  }
  file += Format("var sDayName = '%s', sPublished = '%s', sLevel = '%s';\n",
                 EnglishWeekday(WeekdayOf(date)), LongDate(date).c_str(), LevelWord(puzzle.level));
  // Read by the program: the puzzle's name, up to " - '".
  file += Format("var sPuzzleID = 'Puzzle #%d, rated %s - ' + sDayName;\n", MainWeeklyNumber(date),
                 LevelWord(puzzle.level));
  file +=
      "\nfunction ShowPuzzle(oGrid, bSolved)\n{\n"
      "  for (var i = 0; i < 81; i++)\n  {\n"
      "    var v = bSolved ? iGridUnsolved[81 + i] : iGridUnsolved[i];\n"
      "    oGrid.cells[i].innerHTML = v ? String(v) : '&nbsp;';\n  }\n"
      "  document.title = sPuzzleID + ', ' + sPublished;\n}\n";
  return file;
}

std::string SecondWeeklyHtml(const Puzzle& puzzle, const CivilDate& date) {
  std::string page;
  page.reserve(6000);
  page += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
  page += Format("<title>Puzzle #%d, %s</title>\n<style>\n", MainWeeklyNumber(date),
                 LongDate(date).c_str());
  page += kGridStyle;
  page +=
      "body { font-family: Verdana, Arial, sans-serif; text-align: center; }\n</style>\n"
      "</head>\n<body>\n";
  page += Format("<h1>Puzzle #%d</h1>\n<p>%s, %s &middot; rated %s</p>\n", MainWeeklyNumber(date),
                 EnglishWeekday(WeekdayOf(date)), LongDate(date).c_str(), LevelWord(puzzle.level));
  AppendMainWeeklyGrid(page, puzzle, false);
  page += Format(
      "<p>The day file: <a href=\"DayFiles%%5C%d-%d-%d.js\">DayFiles\\%d-%d-%d.js</a>. "
      "Other days: <a href=\"?day=%d-%d-%d\">the day before</a>.</p>\n</body>\n</html>\n",
      date.day, date.month, date.year, date.day, date.month, date.year,
      CivilFromDays(DaysFromCivil(date) - 1).day, CivilFromDays(DaysFromCivil(date) - 1).month,
      CivilFromDays(DaysFromCivil(date) - 1).year);
  return page;
}

std::string LevelPage(const Puzzle& puzzle, int wsLevel, int32_t selectionTime,
                      const CivilDate& date, const LevelPageLinks& links) {
  static constexpr const char* kLevelWords[4] = {"Easy", "Medium", "Hard", "Evil"};
  const int index = wsLevel >= 1 && wsLevel <= 4 ? wsLevel - 1 : 0;
  const int number = static_cast<int>(((selectionTime % 10000000) + 10000000) % 10000000);
  std::string page;
  page.reserve(14000);
  page += "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n<HTML>\n<HEAD>\n";
  page += Format("<TITLE>Kovalo Sudoku - %s puzzle</TITLE>\n", kLevelWords[index]);
  page +=
      "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=utf-8\">\n"
      "<STYLE TYPE=\"text/css\">\n"
      "BODY { font-family: Verdana, Arial, sans-serif; background: #ffffff; }\n"
      "TD.c { width: 34px; height: 34px; text-align: center; border: 1px solid #999999; }\n"
      "TD.r { border-right: 3px solid #333366; }\n"
      "TD.b { border-bottom: 3px solid #333366; }\n"
      "INPUT.g { font: bold 20px Verdana, Arial; border: 0; width: 28px; text-align: center; }\n"
      "INPUT.e { font: 20px Verdana, Arial; color: #0033cc; border: 0; width: 28px;"
      " text-align: center; }\n"
      "</STYLE>\n"
      "<SCRIPT LANGUAGE=\"JavaScript\">\n"
      "function Check(f) {\n"
      "  var s = f.ws_cheat.value, bad = 0;\n"
      "  for (var i = 0; i < 81; i++) { var v = f.elements[i].value; "
      "if (v != \"\" && v != s.charAt(i)) bad++; }\n"
      "  alert(bad ? bad + \" squares are wrong.\" : \"So far so good.\");\n"
      "}\n</SCRIPT>\n</HEAD>\n<BODY>\n";
  // Read by the program: the heading is in the "<td " after the second
  // "<B>Here is the puzzle.", after its `">`, up to the next "<"; its first
  // word is the level.
  page +=
      "<NOSCRIPT><B>Here is the puzzle.</B> Switch on JavaScript to check your answers."
      "</NOSCRIPT>\n<TABLE WIDTH=\"100%\" BORDER=0>\n";
  page +=
      "<TR><TD ALIGN=center><B>Here is the puzzle.</B> Fill in the empty squares so that every "
      "row, column and 3x3 box holds 1 to 9.</TD></TR>\n";
  page += Format("<TR><td class=\"level\" align=\"center\">%s puzzle, number %d</td></TR>\n",
                 kLevelWords[index], number);
  page += Format("<TR><TD ALIGN=center>%s, %s &middot; ", EnglishWeekday(WeekdayOf(date)),
                 LongDate(date).c_str());
  bool first = true;
  for (int other = 1; other <= 4; ++other) {
    if (other == wsLevel) continue;
    page += Format("%s<A HREF=\"?&amp;ws_level=%d&amp;ws_seltime=%d\">%s</A>", first ? "" : " | ",
                   other, links.selectionTimes[other - 1], kLevelWords[other - 1]);
    first = false;
  }
  page += "</TD></TR>\n</TABLE>\n";
  // Read by the program: the grid is the second "<TABLE " after this
  // comment, one "<INPUT " per cell, a given carrying VALUE="d".
  page += "<!-- Sudoku engine by kovalo-sites, level generator 1.0 -->\n";
  page +=
      "<FORM NAME=\"board\" METHOD=GET ACTION=\"\">\n"
      "<TABLE BORDER=3 CELLSPACING=0 CELLPADDING=0 ALIGN=center><TR><TD>\n"
      "<TABLE BORDER=0 CELLSPACING=0 CELLPADDING=0>\n";
  for (int row = 0; row < 9; ++row) {
    page += "<TR>\n";
    for (int column = 0; column < 9; ++column) {
      const int k = row * 9 + column;
      const char given = GivenAt(puzzle, k);
      page += Format("<TD CLASS=\"c%s\">", EdgeClass(k));
      if (given != 0)
        page += Format("<INPUT CLASS=\"g\" NAME=c%d%d SIZE=1 MAXLENGTH=1 VALUE=\"%c\" READONLY>",
                       row, column, given);
      else
        page += Format("<INPUT CLASS=\"e\" NAME=c%d%d SIZE=1 MAXLENGTH=1 AUTOCOMPLETE=off>", row,
                       column);
      page += "</TD>\n";
    }
    page += "</TR>\n";
  }
  page += "</TABLE>\n</TD></TR></TABLE>\n";
  // Read by the program: the 81 answers.
  page += "<INPUT NAME=ws_cheat TYPE=hidden VALUE=\"";
  for (int k = 0; k < 81; ++k) page += AnswerAt(puzzle, k);
  page += "\">\n";
  page += Format("<INPUT NAME=ws_level TYPE=hidden VALUE=\"%d\">\n", wsLevel);
  page += Format("<INPUT NAME=ws_seltime TYPE=hidden VALUE=\"%d\">\n", selectionTime);
  page +=
      "<P ALIGN=center><INPUT TYPE=button VALUE=\"Check\" onClick=\"Check(this.form)\"></P>\n"
      "</FORM>\n";
  // Read by the program: the puzzle's name, up to " - '".
  page += Format(
      "<SCRIPT LANGUAGE=\"JavaScript\">\nvar sDayName = '%s';\n"
      "var sPuzzleID = 'Sudoku #%d, rated %s - ' + sDayName;\n</SCRIPT>\n",
      EnglishWeekday(WeekdayOf(date)), number, kLevelWords[index]);
  page += "</BODY>\n</HTML>\n";
  return page;
}

namespace {

std::string RandomPage(const Puzzle& puzzle, int id, const CivilDate& published, bool solution) {
  const std::string when =
      Format("%s %d, %04d", EnglishMonth(published.month), published.day, published.year);
  std::string page;
  page.reserve(9000);
  page += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
  page += Format("<title>Random Sudoku %d%s</title>\n<style>\n", id, solution ? ": solution" : "");
  page +=
      "body { font-family: Verdana, Arial, sans-serif; text-align: center; }\n"
      "table.grid { border-collapse: collapse; margin: 1em auto; border: 3px solid #333; }\n"
      "table.grid td { width: 2.2em; height: 2.2em; text-align: center;"
      " border: 1px solid #888; font-size: 18px; }\n"
      "table.grid td.r { border-right: 3px solid #333; }\n"
      "table.grid td.b { border-bottom: 3px solid #333; }\n"
      "td.given b { color: #000; }\n"
      "td.solved span { color: #06c; }\n"
      "</style>\n</head>\n<body>\n";
  page += Format(
      "<div id=\"header\"><a href=\"/random/\">Random Sudoku</a> &middot; "
      "<a href=\"/random/%s.php?id=%d\">%s</a></div>\n",
      solution ? "puzzle" : "solution", id, solution ? "Back to the puzzle" : "Show the solution");
  // Read by the program: the puzzle's name after "Solution to Sudoku Puzzle ",
  // and its start date between "Puzzle started " and " and end".
  if (solution)
    page += Format("<h1>Solution to Sudoku Puzzle %d</h1>\n", id);
  else
    page += Format("<h1>Sudoku Puzzle %d</h1>\n", id);
  page += Format("<p class=\"times\">Puzzle started %s and ended %s. Rated %s.</p>\n", when.c_str(),
                 when.c_str(), LevelWord(puzzle.level));
  page +=
      solution
          ? "<p>Digits in bold were given; the others complete the solution.</p>\n"
          : "<p>Fill in the empty squares so that every row, column and box holds 1 to 9.</p>\n";
  // Read by the program: one `<td class="` per cell; a digit followed by
  // "</span>" is an answer only, any other digit is also a given.
  page += "<table class=\"grid\">\n";
  for (int row = 0; row < 9; ++row) {
    page += "<tr>\n";
    for (int column = 0; column < 9; ++column) {
      const int k = row * 9 + column;
      const char given = GivenAt(puzzle, k);
      if (given != 0)
        page += Format("  <td class=\"given%s\"><b>%c</b></td>\n", EdgeClass(k), given);
      else if (solution)
        page += Format("  <td class=\"solved%s\"><span>%c</span></td>\n", EdgeClass(k),
                       AnswerAt(puzzle, k));
      else
        page += Format("  <td class=\"open%s\"><span>&nbsp;</span></td>\n", EdgeClass(k));
    }
    page += "</tr>\n";
  }
  page += "</table>\n";
  page += Format(
      "<p class=\"footer\">Puzzles are numbered 10 to 32777. "
      "<a href=\"/random/%s.php?id=%d\">Next</a></p>\n</body>\n</html>\n",
      solution ? "solution" : "puzzle", id < 32777 ? id + 1 : 10);
  return page;
}

}  // namespace

std::string RandomSolutionPage(const Puzzle& puzzle, int id, const CivilDate& published) {
  return RandomPage(puzzle, id, published, true);
}

std::string RandomPuzzlePage(const Puzzle& puzzle, int id, const CivilDate& published) {
  return RandomPage(puzzle, id, published, false);
}

std::string IndexPage(const CivilDate& today) {
  std::string page =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<title>Kovalo puzzle sites</title>\n"
      "<style>body { font-family: Verdana, Arial, sans-serif; margin: 2em; }</style>\n"
      "</head>\n<body>\n<h1>Kovalo puzzle sites</h1>\n<ul>\n";
  page += Format(
      "<li><a href=\"/main/daily.asp\">Daily Sudoku</a>: one puzzle a day, easy on "
      "Monday, evil on Sunday (today: %s)</li>\n",
      LongDate(today).c_str());
  page +=
      "<li><a href=\"/second/\">Puzzle of the day</a>, second site</li>\n"
      "<li><a href=\"/level/sudoku/\">Sudoku by level</a>: easy, medium, hard and evil</li>\n"
      "<li><a href=\"/random/\">Random Sudoku</a>: puzzles numbered 10 to 32777</li>\n"
      "</ul>\n</body>\n</html>\n";
  return page;
}

std::string ErrorPage(int status, const std::string& message) {
  std::string page = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
  page += Format("<title>%d</title>\n</head>\n<body>\n<h1>Error %d</h1>\n<p>", status, status);
  for (char c : message) {  // the message may quote the request
    switch (c) {
      case '<': page += "&lt;"; break;
      case '>': page += "&gt;"; break;
      case '&': page += "&amp;"; break;
      case '"': page += "&quot;"; break;
      default: page += c;
    }
  }
  page += "</p>\n<p><a href=\"/\">The puzzle sites</a></p>\n</body>\n</html>\n";
  return page;
}

}  // namespace kovalo::sites
