// The texts of a save: building and reading them, the description line,
// the list's row texts and the save references.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board/board.h"
#include "saves/save_texts.h"
#include "support/fake_screen.h"
#include "support/local_time.h"

namespace kovalo {
namespace {

using testing::LocalMoment;

// A board whose cells hold texts[k], states[k] and answers[k] in grid
// reading order.
struct TestBoard {
  testing::FakeScreen screen;
  Board board{screen};
  TestBoard(const std::vector<std::string>& texts, const std::vector<uint32_t>& states,
            const std::vector<int>& answers) {
    for (int k = 0; k < kCells; ++k) {
      Cell& cell = board.AtGrid(k / 9, k % 9);
      cell.text = k < static_cast<int>(texts.size()) ? texts[k] : "";
      cell.status = k < static_cast<int>(states.size()) ? states[k] : 0;
      cell.answer = k < static_cast<int>(answers.size()) ? answers[k] : 0;
    }
  }
};

std::string Repeat(const std::string& piece, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += piece;
  return text;
}

// A solved grid in reading order, and its answers text.
const std::string kSolution =
    "534678912672195348198342567859761423426853791713924856961537284287419635345286179";
std::string SolutionAnswers() {
  std::string text;
  for (char c : kSolution) text += std::string(1, c) + " ";
  text.pop_back();
  return text;
}
std::string PositionOf(const std::vector<std::string>& texts, int flag = 0) {
  std::string text;
  for (int k = 0; k < kCells; ++k)
    text += (k < static_cast<int>(texts.size()) ? texts[k] : "") + " ";
  return text + Repeat("2 ", 81) + std::to_string(flag);
}
std::vector<std::string> SolutionCells() {
  std::vector<std::string> cells;
  for (char c : kSolution) cells.emplace_back(1, c);
  return cells;
}

TEST(SaveTexts, PositionAndAnswersTextsInReadingOrderComeBackWhole) {
  std::vector<std::string> texts(81);
  std::vector<uint32_t> states(81, 0);
  std::vector<int> answers(81, 0);
  // The first cell empty: the text begins with a blank.
  texts[1] = "7";
  states[1] = 33;
  texts[9] = "123456789";
  states[9] = 2;
  texts[80] = "45";
  states[80] = 4 | 0x20;
  answers[0] = 5;
  answers[79] = 9;
  TestBoard made(texts, states, answers);

  const std::string position = PositionText(made.board, 1);
  EXPECT_EQ(position.substr(0, 4), " 7  ");
  EXPECT_EQ(position.substr(position.size() - 6), "0 36 1");
  const std::string answersText = AnswersText(made.board);
  EXPECT_EQ(answersText, "5" + Repeat(" 0", 78) + " 9 0");
  EXPECT_EQ(AnswersText(TestBoard({}, {}, {}).board), "0" + Repeat(" 0", 80));

  const SavedPosition read = ReadPositionText(position);
  const std::array<int, kCells> readAnswers = ReadAnswersText(answersText);
  for (int k = 0; k < kCells; ++k) {
    EXPECT_EQ(read.texts[k], texts[k]) << k;
    EXPECT_EQ(read.states[k], states[k]) << k;
    EXPECT_EQ(readAnswers[k], answers[k]) << k;
  }
  EXPECT_EQ(read.firstSaveFlag, 1);
  EXPECT_EQ(FirstSaveFlagOf(position), 1);
  EXPECT_EQ(FirstSaveFlagOf(PositionText(made.board, 0)), 0);
  EXPECT_EQ(FirstSaveFlagOf("nothing"), 0);
}

TEST(SaveTexts, TokensOfAPositionText) {
  struct Case {
    std::string text;
    std::vector<std::string> firstCells;  // the first few cells' texts
    std::string lastCell;
    uint32_t firstState, lastState;
    int flag;
  };
  const std::string states = Repeat("2 ", 80) + "33 ";
  const std::vector<Case> cases = {
      {"0123 " + Repeat(" ", 80) + states + "1", {"123", ""}, "", 2, 33, 1},
      {"abc 12x 1.5 2.49 0.4 0 -5 999999999 1000000000 999999999.6 .7 " + Repeat(" ", 70) + states +
           "0",
       {"", "12", "2", "2", "", "", "", "999999999", "", "", ""},
       "",
       2,
       33,
       0},
      // Ends early: every further token is empty.
      {"1 2 ", {"1", "2", "", ""}, "", 0, 0, 0},
      {"", {"", ""}, "", 0, 0, 0},
      // No blank left: the last token is read again for every further cell.
      {"5 6", {"5", "6", "6"}, "6", 6, 6, 6},
      {"7", {"7", "7"}, "7", 7, 7, 7},
      // States out of range, fractions and letters.
      {Repeat(" ", 81) + "-1 2.9 x 99999999999 " + Repeat("0 ", 77) + "abc",
       {""},
       "",
       0xFFFFFFFF,
       0,
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const SavedPosition read = ReadPositionText(c.text);
    for (std::size_t k = 0; k < c.firstCells.size(); ++k)
      EXPECT_EQ(read.texts[k], c.firstCells[k]) << k;
    EXPECT_EQ(read.texts[80], c.lastCell);
    EXPECT_EQ(read.states[0], c.firstState);
    EXPECT_EQ(read.states[80], c.lastState);
    EXPECT_EQ(read.firstSaveFlag, c.flag);
  }
  const SavedPosition odd = ReadPositionText(Repeat(" ", 81) + "-1 2.9 x 99999999999 ");
  EXPECT_EQ(odd.states[1], 2u);
  EXPECT_EQ(odd.states[2], 0u);
  EXPECT_EQ(odd.states[3], 2147483647u);
}

TEST(SaveTexts, AnswersAreDigitsOneToNineOrNone) {
  struct Case {
    std::string text;
    std::vector<int> first;
    int last;
  };
  const std::vector<Case> cases = {
      {SolutionAnswers(), {5, 3, 4}, 9},
      {"1 0 10 -3 x 2.7", {1, 0, 0, 0, 0, 2}, 2},  // the last token again to the end
      {"4 5 ", {4, 5, 0}, 0},
      {"", {0}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const std::array<int, kCells> answers = ReadAnswersText(c.text);
    for (std::size_t k = 0; k < c.first.size(); ++k) EXPECT_EQ(answers[k], c.first[k]) << k;
    EXPECT_EQ(answers[80], c.last);
  }
}

TEST(SaveTexts, DescriptionLineWithItsDayCount) {
  const std::time_t afternoon = LocalMoment(2026, 12, 7, 14, 5, 9);
  struct Case {
    std::string title, date;
    std::time_t now;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"Sudoku 1234, Thursday Medium", "12 3 2026", afternoon, "1234 12/03/26 ,PM,02:05:09 PM 4+"},
      {"Number 10000, User defined", "", afternoon, "10000 12/07/26 ,PM,02:05:09 PM"},
      {"Number 10000, User defined", "12 7 2026", afternoon, "10000 12/07/26 ,PM,02:05:09 PM"},
      {"Puzzle 77, x", "11 28 2026", LocalMoment(2026, 12, 7, 0, 0, 1),
       "77 11/28/26 ,AM,12:00:01 AM 9+"},
      {"Puzzle 77, x", "1 5 2009", LocalMoment(2026, 12, 7, 12, 30, 0),
       "77 01/05/09 ,PM,12:30:00 PM 6545+"},
      // No ", " in the title: no number. A date that is none: today.
      {"Downloading From Website", "", afternoon, " 12/07/26 ,PM,02:05:09 PM"},
      {"Sudoku 5, x", "13 45 2026", afternoon, "5 12/07/26 ,PM,02:05:09 PM"},
      {"Sudoku 5, x", "junk", LocalMoment(2026, 12, 7, 11, 59, 59), "5 12/07/26 ,AM,11:59:59 AM"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title + " / " + c.date);
    EXPECT_EQ(DescriptionLine(c.title, c.date, c.now), c.expected);
  }
}

TEST(SaveTexts, PuzzleNumberOfATitle) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"Sudoku 1234, Thursday Medium", "1234"},
      {"Random 5678, 3 Mar 2026", "5678"},
      {"Number 10000, User defined", "10000"},
      {"Sudoku", ""},
      {"Sudoku 12 34", ""},
      {"A, B C", ""},
      {"", ""},
  };
  for (const auto& [title, number] : cases) EXPECT_EQ(PuzzleNumberText(title), number) << title;
}

TEST(SaveTexts, CurrentMonthRowsGetTheirNumberRaised) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"1234 12/03/26 ,PM,02:05:09 PM 4+", "100001234 12/03/26 ,PM,02:05:09 PM 4+"},
      {"123456789 12/03/26 x", "123456789 12/03/26 x"},
      {"987654321 x", "187654321 x"},
      {" 12/07/26 ,PM,02:05:09 PM", "100000000 12/07/26 ,PM,02:05:09 PM"},
      {"abc def", "100000000 def"},
      {"nothing", "nothing"},
  };
  for (const auto& [description, row] : cases)
    EXPECT_EQ(CurrentMonthRowText(description), row) << description;
}

TEST(SaveTexts, RowTextsTakenApartIntoColumns) {
  struct Case {
    std::string text;
    RowColumns::Shape shape;
    std::string number, date, time;
    bool firstSave;
    int weekday;
  };
  const std::vector<Case> cases = {
      {"1234 12/03/26 ,PM,02:05:09 PM 4+", RowColumns::AllColumns, "001234", "12/03/26",
       "02:05:09 PM", false, 4},
      {"100001234 12/02/26 ,AM,09:00:00 AM 5+ 1st", RowColumns::AllColumns, "001234", "12/02/26",
       "09:00:00 AM", true, 3},
      {"7 11/28/26 ,PM,01:00:00 PM 1st", RowColumns::AllColumns, "000007", "11/28/26",
       "01:00:00 PM", true, 6},
      {"7 02/30/26 ,PM,01:00:00 PM", RowColumns::AllColumns, "000007", "02/30/26", "01:00:00 PM",
       false, -1},
      {"7 1/2/26 ,PM,01:00:00 PM", RowColumns::AllColumns, "000007", "1/2/26", "01:00:00 PM", false,
       -1},
      {"7 13/01/26 x", RowColumns::AllColumns, "000007", "13/01/26", "x", false, -1},
      {"7 12/03/26", RowColumns::NumberAndRest, "000007", "12/03/26", "", false, -1},
      {"loneword", RowColumns::WholeText, "", "", "", false, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const RowColumns columns = ReadRowText(c.text);
    EXPECT_EQ(columns.shape, c.shape);
    EXPECT_EQ(columns.number, c.number);
    EXPECT_EQ(columns.date, c.date);
    EXPECT_EQ(columns.time, c.time);
    EXPECT_EQ(columns.firstSave, c.firstSave);
    EXPECT_EQ(columns.weekday, c.weekday);
  }
  EXPECT_EQ(ReadRowText("loneword").whole, "loneword");
  EXPECT_STREQ(RowWeekdayName(3), "Wendsday");
  EXPECT_STREQ(RowWeekdayName(7), "");
}

TEST(SaveTexts, GroupIsTheSamePuzzleNumberAndDateStart) {
  struct Case {
    std::string selected, row;
    bool inGroup;
  };
  const std::vector<Case> cases = {
      {"1234 12/03/26 ,PM,02:05:09 PM", "1234 12/03/26 ,PM,02:09:00 PM 1st", true},
      {"1234 12/03/26 ,PM,02:05:09 PM", "1234 11/03/26 ,PM,02:09:00 PM", true},
      {"1234 12/03/26 ,PM,02:05:09 PM", "1234 02/03/26 ,PM,02:09:00 PM", false},
      {"1234 12/03/26 ,PM,02:05:09 PM", "12345 12/03/26 ,PM,02:09:00 PM", false},
      {"1234 12/03/26 ,PM,02:05:09 PM", "123 12/03/26 ,PM,02:09:00 PM", false},
      {"100001234 12/03/26 x", "100001234 12/03/26 y", true},
      {"single", "single and more", true},
      {"single", "singlet", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(InGroup(c.row, GroupPrefix(c.selected)), c.inGroup) << c.selected << " | " << c.row;
}

TEST(SaveTexts, RowsSortIgnoringCase) {
  std::vector<std::string> rows = {"b", "A", "a2", "100001234 x", "1234 x", "10000 x", "B1"};
  std::stable_sort(rows.begin(), rows.end(),
                   [](const std::string& a, const std::string& b) { return RowTextLess(a, b); });
  EXPECT_EQ(rows,
            (std::vector<std::string>{"10000 x", "100001234 x", "1234 x", "A", "a2", "b", "B1"}));
}

TEST(SaveTexts, CompletionAndAnswersChecks) {
  std::vector<std::string> oneWrong = SolutionCells();
  oneWrong[40] = oneWrong[40] == "1" ? "2" : "1";
  std::vector<std::string> oneEmpty = SolutionCells();
  oneEmpty[0] = "";
  std::vector<std::string> candidates = SolutionCells();
  candidates[80] = "19";
  std::string oneUnknown = SolutionAnswers();
  oneUnknown[2] = '0';
  struct Case {
    std::string name, position, answers;
    SaveChecks expected;
  };
  const std::vector<Case> cases = {
      {"solved",
       PositionOf(SolutionCells()),
       SolutionAnswers(),
       {true, Completion::CompletedCorrect}},
      {"one digit wrong",
       PositionOf(oneWrong),
       SolutionAnswers(),
       {true, Completion::FilledNotVerifiable}},
      {"one cell empty", PositionOf(oneEmpty), SolutionAnswers(), {true, Completion::NotCompleted}},
      {"candidates left",
       PositionOf(candidates),
       SolutionAnswers(),
       {true, Completion::NotCompleted}},
      {"full, no answers",
       PositionOf(SolutionCells()),
       Repeat("0 ", 80) + "0",
       {false, Completion::FilledNotVerifiable}},
      {"full, one answer unknown",
       PositionOf(SolutionCells()),
       oneUnknown,
       {false, Completion::FilledNotVerifiable}},
      // Neither an empty board with empty answers nor short answers pass.
      {"empty board, empty answers", PositionOf({}), "", {false, Completion::NotCompleted}},
      {"empty everything", "", "", {false, Completion::NotCompleted}},
      {"short answers",
       PositionOf(SolutionCells()),
       "5 3 4 0",
       {false, Completion::FilledNotVerifiable}},
  };
  for (const Case& c : cases) EXPECT_EQ(CheckSave(c.position, c.answers), c.expected) << c.name;
}

TEST(SaveTexts, SaveReferences) {
  struct Case {
    SaveReference reference;
    uint32_t value;
  };
  const std::vector<Case> cases = {
      {{SaveMonth::Current, 0}, 0u},           {{SaveMonth::Current, 5}, 5u},
      {{SaveMonth::Current, 0x7FFF}, 0x7FFFu}, {{SaveMonth::Previous, 0}, 0x80000000u},
      {{SaveMonth::Previous, 3}, 0x80030000u}, {{SaveMonth::Previous, 0x7FFF}, 0xFFFF0000u},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EncodeReference(c.reference), c.value);
    EXPECT_EQ(DecodeReference(c.value), c.reference);
  }
  // The low bits of a previous month's reference do not count.
  EXPECT_EQ(DecodeReference(0x8002FFFF), (SaveReference{SaveMonth::Previous, 2}));

  struct Renumber {
    uint32_t value, deleted, expected;
  };
  const std::vector<Renumber> renumbers = {
      {5, 3, 4},
      {3, 3, 3},
      {2, 3, 2},
      {0x80050000, 3, 0x80050000},  // other month
      {7, 0x80010000, 7},
      {0x80050000, 0x80030000, 0x80040000},
      {0x80020000, 0x80030000, 0x80020000},
      // Low bits left by older renumbering do not count.
      {0x8001FFFF, 0x80000000, 0x80000000},
      {0x8002FFFE, 0x8001FFFF, 0x80010000},
      {0x8001FFFF, 0x8001FFFF, 0x8001FFFF},
  };
  for (const Renumber& r : renumbers) {
    EXPECT_EQ(RenumberedReference(r.value, r.deleted), r.expected) << r.value << " " << r.deleted;
    // Decoding the renumbered reference names the save that moved down.
    const SaveReference before = DecodeReference(r.value);
    const SaveReference after = DecodeReference(r.expected);
    if (r.expected != r.value) {
      EXPECT_EQ(after.index, before.index - 1);
    }
  }
}

TEST(SaveTexts, SiteAndLevelWordsAndColours) {
  const std::string title = "Sudoku 1234, Thursday Medium";
  EXPECT_EQ(TitleWord(title, 0), "Sudoku");
  EXPECT_EQ(TitleWord(title, 3), "Medium");
  EXPECT_EQ(TitleWord("  Random  5678, 3", 2), "3");
  EXPECT_EQ(TitleWord("  Random  5678, 3", 3), "");
  EXPECT_EQ(TitleWord("Short", 3), "");

  struct Site {
    std::string word;
    uint32_t group, other;
  };
  for (const Site& s : std::vector<Site>{{"Puzzle", 0xFFFF00, 0xA0A000},
                                         {"Random", 0xFFC080, 0xA06000},
                                         {"Number", 0x00FF00, 0x00A000},
                                         {"Sudoku", 0x00FFFF, 0x00A0A0},
                                         {"sudoku", 0xFFFFFF, 0x808080},
                                         {"", 0xFFFFFF, 0x808080}}) {
    EXPECT_EQ(SiteColour(s.word, true), s.group) << s.word;
    EXPECT_EQ(SiteColour(s.word, false), s.other) << s.word;
  }
  struct Level {
    std::string word;
    uint32_t colour;
    bool shown;
  };
  for (const Level& l : std::vector<Level>{{"Easy", 0x00FF00, true},
                                           {"Gentle", 0x00FF00, true},
                                           {"Medium", 0xFFFF00, true},
                                           {"(Moderate)", 0xFFFF00, true},
                                           {"Hard", 0xFF0000, true},
                                           {"Tough", 0xFF0000, true},
                                           {"Evil", 0xFF00FF, true},
                                           {"Diabolical", 0xFF00FF, true},
                                           {"EasyHard", 0x00FF00, true},
                                           {"defined", 0xC0C0C0, true},
                                           {"2026", 0xC0C0C0, false},
                                           {"0", 0xC0C0C0, true}}) {
    EXPECT_EQ(LevelColour(l.word), l.colour) << l.word;
    EXPECT_EQ(LevelShown(l.word), l.shown) << l.word;
  }
}

TEST(SaveTexts, PuzzleDateOfALoadedRow) {
  const std::time_t now = LocalMoment(2026, 12, 7, 14, 5, 9);
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"100001234 12/03/26 ,PM,02:05:09 PM 4+", "12 3 2026"},
      {"1234 01/31/99 ,PM,02:05:09 PM", "1 31 2099"},
      {"1234 1/31/99 ,PM,", "12 7 2026"},
      {"1234 02/31/26 ,PM,", "12 7 2026"},
      {"1234 ab/cd/ef ,PM,", "12 7 2026"},
      {"1234", "12 7 2026"},
      {"", "12 7 2026"},
  };
  for (const auto& [row, date] : cases) EXPECT_EQ(PuzzleDateOfRow(row, now), date) << row;
}

// A title is shown as it is when it is UTF-8, and read as Windows-1252
// otherwise.
TEST(SaveTexts, TitlesForDisplay) {
  struct Case {
    std::string title, shown;
  };
  const Case cases[] = {
      {"Sudoku 7, Easy", "Sudoku 7, Easy"},
      {"Dif\xC3\xAD"
       "cil",
       "Dif\xC3\xAD"
       "cil"},                                                             // UTF-8 stays
      {"\xF0\x9F\x98\x80 \xE2\x82\xAC", "\xF0\x9F\x98\x80 \xE2\x82\xAC"},  // four and three bytes
      {"Dif\xED"
       "cil",
       "Dif\xC3\xAD"
       "cil"},  // 1252
      {"\x80\x8A\x9A\x9F", "\xE2\x82\xAC\xC5\xA0\xC5\xA1\xC5\xB8"},
      {"\x81\x8D\x8F\x90\x9D", "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"},  // unused places
      {"\x93Hard\x94", "\xE2\x80\x9CHard\xE2\x80\x9D"},
      {"\xC0\xAF", "\xC3\x80\xC2\xAF"},                                  // overlong: no UTF-8
      {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},                  // surrogate: no UTF-8
      {"\xF4\x90\x80\x80", "\xC3\xB4\xC2\x90\xE2\x82\xAC\xE2\x82\xAC"},  // above U+10FFFF
      {"caf\xC3", "caf\xC3\x83"},                                        // cut short
      {"\xFF", "\xC3\xBF"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TitleForDisplay(c.title), c.shown) << c.title;
    EXPECT_TRUE(IsValidUtf8(TitleForDisplay(c.title))) << c.title;
  }
}

}  // namespace
}  // namespace kovalo
