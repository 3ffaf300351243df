// The page readers on pages built here from their markers: whole pages, each
// marker missing, short grids, odd headings and the sites' special rules.
#include "sources/readers.h"

#include <gtest/gtest.h>

#include <functional>

#include "sources/sites.h"
#include "sources/source_test_util.h"
#include "support/board_text.h"
#include "support/fake_screen.h"

namespace kovalo {
namespace {

using testing::AnswersText;
using testing::GivensText;
using testing::LocalMoment;
using testing::LocalZone;

const std::string kPuzzle =
    "009183000340000900608007000002460001007005009004009006000004703000231008900000450";
const std::string kSolution =
    "759183264341652987628947135592468371167325849834719526286594713475231698913876452";
const std::string kNoGivens(81, '0');
const std::string kNoAnswers(81, '-');

// The first n characters of a grid, the rest as empty as the reading shows it.
std::string FirstCells(const std::string& grid, int n, char rest) {
  return grid.substr(0, n) + std::string(81 - n, rest);
}

// Replaces the first occurrence of from in text; the test fails when there
// is none, so that a case never silently tests the whole page.
std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const size_t p = text.find(from);
  EXPECT_NE(p, std::string::npos) << "the page has no «" << from << "»";
  if (p != std::string::npos) text.replace(p, from.size(), to);
  return text;
}

class ReaderTest : public ::testing::Test {
 protected:
  LocalZone zone_{"Europe/Berlin"};
  const time_t monday_ = LocalMoment(2006, 4, 10, 12, 0);
};

// A case of a reader: a page made from the whole page by an edit, and what
// reading it must give.
struct Case {
  const char* name;
  std::function<std::string(std::string)> edit;
  std::optional<std::string> title;
  std::string givens;
  std::string answers;
  ReaderOutcome outcome = ReaderOutcome::Done;
  std::optional<std::string> date = std::nullopt;
};

void ExpectReading(const Case& c, const PageReading& reading) {
  SCOPED_TRACE(c.name);
  EXPECT_EQ(reading.title, c.title);
  EXPECT_EQ(GivensText(reading), c.givens);
  EXPECT_EQ(AnswersText(reading), c.answers);
  EXPECT_EQ(reading.outcome, c.outcome);
  EXPECT_EQ(reading.date, c.date);
}

std::string Keep(std::string page) { return page; }

// ---------------------------------------------------------------- level site

std::string LevelPage(const std::string& givens, const std::string& answers, int cells = 81) {
  std::string page =
      "<HTML><BODY><NOSCRIPT><B>Here is the puzzle.</B> Switch on scripts.</NOSCRIPT>\n"
      "<TABLE><TR><TD><B>Here is the puzzle.</B> Fill the squares.</TD></TR>\n"
      "<TR><td class=\"level\" align=\"center\">Medium puzzle for today</td></TR></TABLE>\n"
      "<!-- Sudoku engine by kovalo-sites, test build -->\n"
      "<TABLE BORDER=2><TR><TD>\n<TABLE BORDER=0>\n";
  for (int k = 0; k < cells; ++k) {
    if (k % 9 == 0) page += "<TR>";
    page += givens[k] == '0'
                ? "<TD><INPUT NAME=c SIZE=1></TD>"
                : "<TD><INPUT NAME=c SIZE=1 VALUE=\"" + givens.substr(k, 1) + "\" READONLY></TD>";
    if (k % 9 == 8) page += "</TR>\n";
  }
  page += "</TABLE>\n</TD></TR></TABLE>\n<INPUT NAME=ws_cheat TYPE=hidden VALUE=\"" + answers +
          "\">\n" + "<INPUT NAME=ws_level TYPE=hidden VALUE=\"2\">\n</BODY></HTML>\n";
  return page;
}

TEST_F(ReaderTest, LevelSite) {
  const std::string heading = "Sudoku 5320001, Monday Medium";
  const Case cases[] = {
      {"whole page", Keep, heading, kPuzzle, kSolution},
      {"puzzle id after the answers",
       [](std::string p) { return p + "<SCRIPT>var sPuzzleID = 'Puzzle #12 - 'x';</SCRIPT>"; },
       "Puzzle 12, Monday", kPuzzle, kSolution},
      {"puzzle id without its end", [](std::string p) { return p + "sPuzzleID = 'Puzzle #12'"; },
       "Puzzle ???, Monday", kPuzzle, kSolution},
      {"only the first '#' goes", [](std::string p) { return p + "sPuzzleID = '##7 - '"; },
       "#7, Monday", kPuzzle, kSolution},
      {"empty puzzle id", [](std::string p) { return p + "sPuzzleID = ' - '"; }, ", Monday",
       kPuzzle, kSolution},
      {"only one 'Here is the puzzle.'",
       [](std::string p) { return Replaced(p, "<NOSCRIPT><B>Here is the puzzle.", "<NOSCRIPT>"); },
       std::nullopt, kPuzzle, kSolution},
      {"no 'Here is the puzzle.' at all",
       [](std::string p) {
         return Replaced(Replaced(p, "<B>Here is the puzzle.", ""), "<B>Here is the puzzle.", "");
       },
       std::nullopt, kPuzzle, kSolution},
      {"heading cell missing",
       [](std::string p) { return Replaced(p, "<td class=\"level\" align=\"center\">", "<th>"); },
       std::nullopt, kPuzzle, kSolution},
      // The walk then runs on to the answer field's end and reads an empty
      // heading there, past the grid and the answers.
      {"heading tag without a quote before its end",
       [](std::string p) { return Replaced(p, "align=\"center\">", "align=center>"); },
       "Sudoku 5320001, Monday ", kNoGivens, kNoAnswers},
      {"heading without a blank has no level word",
       [](std::string p) { return Replaced(p, "Medium puzzle for today", "Medium"); },
       "Sudoku 5320001, Monday ", kPuzzle, kSolution},
      {"credit comment before the heading is passed by",
       [](std::string p) {
         const std::string credit = "<!-- Sudoku engine by kovalo-sites, test build -->\n";
         return credit + Replaced(p, credit, "");
       },
       heading, kNoGivens, kSolution},
      {"credit comment missing",
       [](std::string p) {
         return Replaced(p, "<!-- Sudoku engine by kovalo-sites,", "<!-- engine");
       },
       heading, kNoGivens, kSolution},
      {"credit comment of another host",
       [](std::string p) { return Replaced(p, "kovalo-sites,", "other-sites,"); }, heading,
       kNoGivens, kSolution},
      {"first table missing",
       [](std::string p) { return Replaced(p, "<TABLE BORDER=2>", "<DIV>"); }, heading, kNoGivens,
       kSolution},
      {"second table missing",
       [](std::string p) { return Replaced(p, "<TABLE BORDER=0>", "<DIV>"); }, heading, kNoGivens,
       kSolution},
      {"cells closed in lower case",
       [](std::string p) {
         size_t at;
         while ((at = p.find("</TD>")) != std::string::npos) p.replace(at, 5, "</td>");
         return p;
       },
       heading, kNoGivens, kSolution},
      {"a given of 0 and one of x are blank",
       [](std::string p) {
         return Replaced(Replaced(p, "VALUE=\"9\"", "VALUE=\"0\""), "VALUE=\"1\"", "VALUE=\"x\"");
       },
       heading, "000083000340000900608007000002460001007005009004009006000004703000231008900000450",
       kSolution},
      {"five-digit answer string",
       [](std::string p) { return Replaced(p, "VALUE=\"" + kSolution, "VALUE=\"75918"); }, heading,
       kPuzzle, "75918" + std::string(76, '-')},
      {"zeros in the answer string leave those answers",
       [](std::string p) { return Replaced(p, "VALUE=\"" + kSolution, "VALUE=\"7a018"); }, heading,
       kPuzzle, "7--18" + std::string(76, '-')},
      {"answer string without its closing quote",
       [](std::string p) { return p.substr(0, p.find(kSolution) + 20); }, heading, kPuzzle,
       kNoAnswers},
      {"answer field missing",
       [](std::string p) {
         return Replaced(p, "NAME=ws_cheat", "NAME=ws_hint") + "sPuzzleID = 'Puzzle 9 - '";
       },
       "Puzzle 9, Monday", kPuzzle, kNoAnswers},
  };
  for (const Case& c : cases)
    ExpectReading(c, ReadLevelPage(c.edit(LevelPage(kPuzzle, kSolution)), monday_, 1145320001));
}

TEST_F(ReaderTest, LevelSiteShortGridSwallowsTheAnswerField) {
  // With 40 cells the walk looks for the 41st cell's input box and finds the
  // answer field's: the answers are not read after that.
  const PageReading reading = ReadLevelPage(LevelPage(kPuzzle, kSolution, 40), monday_, 1145320001);
  EXPECT_EQ(GivensText(reading), FirstCells(kPuzzle, 40, '0'));
  EXPECT_EQ(AnswersText(reading), kNoAnswers);
}

TEST_F(ReaderTest, LevelSiteTitleTakesTheSelectionTimeModuloTenMillion) {
  const std::string page = LevelPage(kPuzzle, kSolution);
  struct Row {
    int32_t seltime;
    time_t target;
    const char* title;
  } rows[] = {
      {1144456001, monday_, "Sudoku 4456001, Monday Medium"},
      {1145378516, LocalMoment(2006, 4, 12, 9, 0), "Sudoku 5378516, Wendsday Medium"},
      {-192635180, LocalMoment(2006, 4, 16, 9, 0), "Sudoku -2635180, Sunday Medium"},
      {7, monday_, "Sudoku 7, Monday Medium"},
  };
  for (const Row& row : rows)
    EXPECT_EQ(ReadLevelPage(page, row.target, row.seltime).title, row.title);
}

// ---------------------------------------------------------------- second weekly site

std::string List(const std::string& digits) {
  std::string list;
  for (char c : digits) {
    if (!list.empty()) list += ',';
    list += c;
  }
  return list;
}

std::string SecondWeeklyFile(const std::string& values) {
  return "// day file\nvar iGridUnsolved= new Array(" + List(values) + ");\n" +
         "var sPuzzleID = 'Puzzle #1734 - ' + sDayName;\n";
}

TEST_F(ReaderTest, SecondWeeklySite) {
  const std::string title = "Puzzle 1734, Monday";
  const Case cases[] = {
      // «0,0,9,...»: the first two blank, 9 in the third; the answers begin
      // after the 81st comma.
      {"whole file", Keep, title, kPuzzle, kSolution},
      {"grid marker missing: the answers walk the file from its start",
       [](std::string p) { return Replaced(p, "iGridUnsolved= new Array(", "iGrid = new Array("); },
       title, kNoGivens, "0" + kPuzzle.substr(1)},
      {"puzzle id missing", [](std::string p) { return Replaced(p, "sPuzzleID = '", "sId = '"); },
       std::nullopt, kPuzzle, kSolution},
      {"puzzle id without its end",
       [](std::string p) { return Replaced(p, "Puzzle #1734 - '", "Puzzle #1734'"); },
       "Puzzle ???, Monday", kPuzzle, kSolution},
      {"a comma after the lists moves the id walk past it",
       [](std::string p) { return Replaced(p, ");\n", ");\nvar a = 1, b = 2;\n"); }, title, kPuzzle,
       kSolution},
      {"the id after a later comma is missed",
       [](std::string p) { return p + "function f(a, b) {}\n"; }, std::nullopt, kPuzzle, kSolution},
      {"blanks after the commas read as empty cells",
       [](std::string p) {
         size_t at = 0;
         while ((at = p.find(',', at)) != std::string::npos) p.insert(++at, " ");
         return p;
       },
       title, kNoGivens, std::string(81, '0')},
  };
  for (const Case& c : cases)
    ExpectReading(c, ReadSecondWeeklyFile(c.edit(SecondWeeklyFile(kPuzzle + kSolution)), monday_));
}

TEST_F(ReaderTest, SecondWeeklySiteShortLists) {
  // 39 values, the last a 7: a value is a given only when a comma follows
  // it, and every answer then reads the last value again, commas or not.
  ASSERT_EQ(kPuzzle[38], '7');
  PageReading reading = ReadSecondWeeklyFile(SecondWeeklyFile(kPuzzle.substr(0, 39)), monday_);
  EXPECT_EQ(GivensText(reading), FirstCells(kPuzzle, 38, '0'));
  EXPECT_EQ(AnswersText(reading), std::string(81, '7'));
  EXPECT_EQ(reading.title, "Puzzle 1734, Monday");

  // 81 givens and 10 answers: the last answer read repeats to the end.
  reading = ReadSecondWeeklyFile(SecondWeeklyFile(kPuzzle + kSolution.substr(0, 10)), monday_);
  EXPECT_EQ(GivensText(reading), kPuzzle);
  EXPECT_EQ(AnswersText(reading), kSolution.substr(0, 10) + std::string(71, kSolution[9]));

  // Nothing after the marker at all.
  reading = ReadSecondWeeklyFile("var iGridUnsolved= new Array(", monday_);
  EXPECT_EQ(GivensText(reading), kNoGivens);
  EXPECT_EQ(AnswersText(reading), std::string(81, '0'));
  EXPECT_EQ(reading.title, std::nullopt);
}

// ---------------------------------------------------------------- random site

// Givens in bold, the solved digits in spans.
std::string RandomPage(const std::string& start, int cells = 81) {
  std::string page = "<html><body><h1>Solution to Sudoku Puzzle 12345</h1>\n<p>Puzzle started " +
                     start + " and ended later.</p>\n<table class=\"grid\">\n";
  for (int k = 0; k < cells; ++k) {
    if (k % 9 == 0) page += "<tr>";
    const std::string digit = kSolution.substr(k, 1);
    page += kPuzzle[k] != '0' ? "<td class=\"g\"><b>" + digit + "</b></td>"
                              : "<td class=\"s\"><span class=\"x\">" + digit + "</span></td>";
    if (k % 9 == 8) page += "</tr>\n";
  }
  return page + "</table></body></html>\n";
}

TEST_F(ReaderTest, RandomSite) {
  const std::string title = "Random 12345, Apr 10, 2006";
  const std::string date = "4 10 2006";
  const ReaderOutcome failed = ReaderOutcome::Failed;
  const Case cases[] = {
      {"whole page", Keep, title, kPuzzle, kSolution, ReaderOutcome::Done, date},
      {"not a solution page",
       [](std::string p) { return Replaced(p, "Solution to Sudoku ", "Solution of Sudoku "); },
       std::nullopt, kNoGivens, kNoAnswers, failed},
      {"no 'Puzzle ' in the heading: the start line's is taken",
       [](std::string p) { return Replaced(p, "Sudoku Puzzle 12345", "Sudoku 12345"); },
       std::nullopt, kPuzzle, kSolution},
      {"start line missing", [](std::string p) { return Replaced(p, "Puzzle started ", "Begun "); },
       std::nullopt, kPuzzle, kSolution},
      {"end of the start text missing",
       [](std::string p) { return Replaced(p, " and ended", " ended"); }, std::nullopt, kPuzzle,
       kSolution},
      {"grid marker missing",
       [](std::string p) { return Replaced(p, "class=\"grid\">", "class=grid>"); }, title,
       kNoGivens, kNoAnswers, ReaderOutcome::Done, date},
      {"no row after the grid marker",
       [](std::string p) {
         size_t at;
         while ((at = p.find("<tr>")) != std::string::npos) p.erase(at, 4);
         return p;
       },
       title, kNoGivens, kNoAnswers, ReaderOutcome::Done, date},
      {"a digit without an inner tag is skipped",
       [](std::string p) {
         return Replaced(p, "<td class=\"g\"><b>9</b></td>", "<td class=\"g\">9</td>");
       },
       title, "000183000340000900608007000002460001007005009004009006000004703000231008900000450",
       "75-" + kSolution.substr(3), ReaderOutcome::Done, date},
  };
  for (const Case& c : cases)
    ExpectReading(c, ReadRandomSolutionPage(c.edit(RandomPage("Apr 10, 2006"))));
}

TEST_F(ReaderTest, RandomSiteShortGridFailsKeepingWhatWasRead) {
  const PageReading reading = ReadRandomSolutionPage(RandomPage("Apr 10, 2006", 40));
  EXPECT_EQ(reading.outcome, ReaderOutcome::Failed);
  EXPECT_EQ(GivensText(reading), FirstCells(kPuzzle, 40, '0'));
  EXPECT_EQ(AnswersText(reading), FirstCells(kSolution, 40, '-'));
  EXPECT_EQ(reading.title, "Random 12345, Apr 10, 2006");

  // A cell tag cut off before its end fails too.
  const std::string page = RandomPage("Apr 10, 2006");
  const size_t last = page.rfind("<td class=\"");
  EXPECT_EQ(ReadRandomSolutionPage(page.substr(0, last + 12)).outcome, ReaderOutcome::Failed);
}

TEST_F(ReaderTest, RandomSiteSpanRule) {
  // What follows a cell's digit decides: "</s" means solved, anything else
  // marks a given as well.
  struct Row {
    const char* cell;
    int given, answer;
  } rows[] = {
      {"<b>5</b>", 5, 5},
      {"<span>5</span>", 0, 5},
      {"<span class=\"solved\">\r\n\t 5</span>", 0, 5},
      {"<b>\n 5</b>", 5, 5},
      {"<span>5</sup>", 0, 5},
      {"<span>5 </span>", 5, 5},
      {"<i>5</S", 5, 5},
      {"<b>0</b>", 0, kAnswerUnchanged},
      {"<b>&nbsp;</b>", 0, kAnswerUnchanged},
      {"<b>57</b>", 5, 5},
      {"<b>5</", 5, 5},  // the page ends two characters after the digit
      {"<b>5", 5, 5},    // and right after it
  };
  for (const Row& row : rows) {
    std::string page = "Solution to Sudoku Puzzle 1<table class=\"grid\"><tr>";
    for (int k = 0; k < 80; ++k) page += "<td class=\"c\"><b>0</b></td>";
    page += "<td class=\"c\">" + std::string(row.cell);
    const PageReading reading = ReadRandomSolutionPage(page);
    EXPECT_EQ(reading.givens[80], row.given) << row.cell;
    EXPECT_EQ(reading.answers[80], row.answer) << row.cell;
    EXPECT_EQ(reading.outcome, ReaderOutcome::Done) << row.cell;
  }
}

TEST_F(ReaderTest, RandomSiteDateForms) {
  struct Row {
    const char* start;
    std::optional<std::string> date;
  } rows[] = {
      {"Apr 10, 2006", "4 10 2006"},
      {"April 10, 2006", "4 10 2006"},
      {"april 10, 2006 at 09:15", "4 10 2006"},
      {"APRIL 10 2006", "4 10 2006"},
      {"Apr 10,2006", "4 10 2006"},
      {"Sep 7, 2011", "9 7 2011"},
      {"Dec 31, 2099", "12 31 2099"},
      {"Mar  5,  1999", "3 5 1999"},
      {"Jan\t9 2020", std::nullopt},  // a tab is no blank: the month word runs on to the 9
      {"Foo 10, 2006", "1 10 2006"},  // no month matches: January
      {"Ap 10, 2006", "1 10 2006"},
      {"Oct -3, 2006", "10 -3 2006"},
      {"Apr ,10 2006", std::nullopt},  // a comma in front spoils the scan
      {"Apr", std::nullopt},
      {"Apr 10", std::nullopt},
      {"Apr x10, 2006", std::nullopt},
      {"Apr 99999999999, 2006", std::nullopt},
      {"", std::nullopt},
  };
  for (const Row& row : rows) {
    const PageReading reading = ReadRandomSolutionPage(RandomPage(row.start));
    EXPECT_EQ(reading.date, row.date) << "«" << row.start << "»";
    EXPECT_EQ(reading.title, "Random 12345, " + std::string(row.start)) << "«" << row.start << "»";
  }
}

// ---------------------------------------------------------------- main weekly site

std::string MainWeeklyPage(const std::string& heading, const std::string& givens, int cells = 81) {
  std::string page =
      "<html><body>\r\n<table width=\"100%\"><tr><td><font size=\"1\"><a "
      "href=\"daily.asp\">Today</a></font>"
      "</td></tr>\r\n<tr><td><font face=\"Arial\" size=\"4\">" +
      heading + "<font size=\"1\">Solution</font></td></tr></table>\r\n" +
      "<table class=\"puzzle\"><tr><th>A</th><th>B</th><th>C</th><th>D</th><th>E</th><th>F</th>"
      "<th>G</th><th>H</th><th>J</th></tr>\r\n";
  for (int k = 0; k < cells; ++k) {
    if (k % 9 == 0) page += "<tr>";
    page += givens[k] == '0' ? "<td class=\"open\">&nbsp;</td>"
                             : "<td class=\"given\">" + givens.substr(k, 1) + "</td>";
    if (k % 9 == 8) page += "</tr>\r\n";
  }
  return page + "</table></body></html>\r\n";
}

const std::string kHeading = "Daily 1734,<br>\r\n10 April 2006</font>\r\n";

TEST_F(ReaderTest, MainWeeklySite) {
  const std::string title = "Daily 1734, Monday 10 April 2006";
  const Case cases[] = {
      {"whole page", Keep, title, kPuzzle, kNoAnswers},
      {"first table missing: the grid's table is taken, and has no font",
       [](std::string p) { return Replaced(p, "<table width", "<div width"); }, std::nullopt,
       kPuzzle, kNoAnswers},
      {"one font before the heading",
       [](std::string p) { return Replaced(p, "<font size=\"1\"><a", "<a"); }, std::nullopt,
       kPuzzle, kNoAnswers},
      {"heading not closed by a font",
       [](std::string p) { return Replaced(p, "<font size=\"1\">Sol", "Sol"); }, std::nullopt,
       kPuzzle, kNoAnswers},
      {"grid marker missing", [](std::string p) { return Replaced(p, ">J<", ">I<"); }, title,
       kNoGivens, kNoAnswers},
      {"no row after the grid marker",
       [](std::string p) { return p.substr(0, p.find(">J<")) + ">J</th></table>"; }, title,
       kNoGivens, kNoAnswers},
      {"last cell tag cut off", [](std::string p) { return p.substr(0, p.rfind("<td") + 5); },
       title, kPuzzle.substr(0, 80) + "0", kNoAnswers, ReaderOutcome::Failed},
  };
  for (const Case& c : cases)
    ExpectReading(c, ReadMainWeeklyPage(c.edit(MainWeeklyPage(kHeading, kPuzzle)), monday_));
}

TEST_F(ReaderTest, MainWeeklySiteShortGridFailsWithTheGivensPlacedSoFar) {
  const PageReading reading = ReadMainWeeklyPage(MainWeeklyPage(kHeading, kPuzzle, 40), monday_);
  EXPECT_EQ(reading.outcome, ReaderOutcome::Failed);
  EXPECT_EQ(GivensText(reading), FirstCells(kPuzzle, 40, '0'));
  EXPECT_EQ(reading.title, "Daily 1734, Monday 10 April 2006");
}

TEST_F(ReaderTest, MainWeeklySiteHeadings) {
  struct Row {
    const char* heading;
    const char* title;
  } rows[] = {
      {"Sudoku 123<br>Monday, 10 April  2006", "Sudoku 123 Monday, Monday 10 April 2006"},
      {"  Daily 1734 </font>  ", "Daily 1734 - Monday"},
      {"Daily 1734, 10 April 2006 click a square to correct it",
       "Daily 1734, Monday 10 April 2006 click a square"},
      {"\tDaily, X\t\r\n", "Daily, Monday X"},
      {"A,B", "A,B - Monday"},
      {"", " - Monday"},
      {"A,   B", "A, Monday B"},
      {"A\r\n,\r\n B", "A, Monday B"},
      {"A<br><br>B", "A B - Monday"},
      {"A<BR>B", "A<BR>B - Monday"},  // markers are case-sensitive
      {"X to correct", "X - Monday"},
      {" to correct", "to correct - Monday"},  // trimmed first, so the blank is gone
      {"X, Y, Z", "X, Monday Y, Z"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ReadMainWeeklyPage(MainWeeklyPage(row.heading, kPuzzle), monday_).title, row.title)
        << "«" << row.heading << "»";
  }
  // The weekday is the target's.
  EXPECT_EQ(
      ReadMainWeeklyPage(MainWeeklyPage(kHeading, kPuzzle), LocalMoment(2006, 4, 12, 9, 0)).title,
      "Daily 1734, Wendsday 10 April 2006");
}

TEST_F(ReaderTest, SolutionPageAnswers) {
  const Case cases[] = {
      {"whole page", Keep, std::nullopt, kNoGivens, kSolution},
      {"blank cells leave their answers",
       [](std::string p) {
         return Replaced(p, "<td class=\"given\">7</td>", "<td class=\"open\">&nbsp;</td>");
       },
       std::nullopt, kNoGivens, "-" + kSolution.substr(1)},
      {"grid marker missing", [](std::string p) { return Replaced(p, ">J<", ">I<"); }, std::nullopt,
       kNoGivens, kNoAnswers},
      {"short grid", [](std::string) { return MainWeeklyPage(kHeading, kSolution, 21); },
       std::nullopt, kNoGivens, FirstCells(kSolution, 21, '-')},
  };
  for (const Case& c : cases)
    ExpectReading(c, ReadSolutionPageAnswers(c.edit(MainWeeklyPage(kHeading, kSolution))));
}

// ---------------------------------------------------------------- applying

TEST_F(ReaderTest, ApplyingPutsTitleDateGivensAndAnswersInPlace) {
  testing::FakeScreen screen;
  Board board(screen);
  screen.title = "Downloading From Website";
  board.AtGrid(0, 1).text = "12";  // a cell the reading leaves alone
  board.AtGrid(0, 1).status = Shared;
  board.AtGrid(0, 1).answer = 7;
  board.AtGrid(8, 8).answer = 6;
  const int repaints = screen.repaints;

  PageReading reading;
  reading.title = "Puzzle 12, Monday";
  reading.date = "4 10 2006";
  reading.givens[2] = 9;  // row 0, column 2
  reading.givens[9] = 3;  // row 1, column 0
  reading.answers[9] = 3;
  reading.answers[80] = 0;  // the second weekly site writes zeros too
  std::string date = "1 1 2000";
  ApplyReading(reading, board, date);

  EXPECT_EQ(screen.title, "Puzzle 12, Monday");
  EXPECT_EQ(date, "4 10 2006");
  EXPECT_EQ(board.AtGrid(0, 2).text, "9");
  EXPECT_EQ(board.AtGrid(0, 2).status, Plain);
  EXPECT_EQ(board.AtGrid(1, 0).text, "3");
  EXPECT_EQ(board.AtGrid(1, 0).number, 3);
  EXPECT_EQ(board.AtGrid(1, 0).answer, 3);
  EXPECT_EQ(board.AtGrid(0, 1).text, "12");
  EXPECT_EQ(board.AtGrid(0, 1).status, Shared);
  EXPECT_EQ(board.AtGrid(0, 1).answer, 7);
  EXPECT_EQ(board.AtGrid(8, 8).answer, 0);
  EXPECT_TRUE(board.steps.empty());
  EXPECT_TRUE(board.AtGrid(0, 2).textHistory.empty());
  EXPECT_EQ(screen.repaints, repaints);

  // A reading without title or date leaves both.
  ApplyReading(PageReading(), board, date);
  EXPECT_EQ(screen.title, "Puzzle 12, Monday");
  EXPECT_EQ(date, "4 10 2006");
}

TEST_F(ReaderTest, SolutionAnswersThenThePuzzlePageAsTheWorkerAppliesThem) {
  testing::FakeScreen screen;
  Board board(screen);
  std::string date = "4 10 2006";
  ApplyReading(ReadSolutionPageAnswers(MainWeeklyPage(kHeading, kSolution)), board, date);
  ApplyReading(ReadMainWeeklyPage(MainWeeklyPage(kHeading, kPuzzle), monday_), board, date);
  std::string answers;
  for (int k = 0; k < 81; ++k)
    answers += static_cast<char>('0' + board.AtGrid(k / 9, k % 9).answer);
  EXPECT_EQ(answers, kSolution);
  EXPECT_EQ(testing::GridOf(board), [] {
    std::string grid = kPuzzle;
    for (char& c : grid)
      if (c == '0') c = '.';
    return grid;
  }());
  EXPECT_EQ(screen.title, "Daily 1734, Monday 10 April 2006");
  EXPECT_EQ(date, "4 10 2006");
}

}  // namespace
}  // namespace kovalo
