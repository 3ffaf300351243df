// Puzzles brought in as text and files, good and bad; their solution count;
// placing them as the player's own starting numbers; the line copied out;
// and the cells that show the focused cell's digit.
#include "board/puzzle_text.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "board/same_digits.h"
#include "support/board_text.h"
#include "support/fake_screen.h"

namespace kovalo {
namespace {

using testing::FakeScreen;

// The newspaper puzzle every layout below holds, '0' for a blank.
const std::string kClassic =
    "530070000600195000098000060800060003400803001700020006060000280000419005000080079";
const std::string kSecond =
    "000000010400000000020000000000050407008000300001090000300400200050100000000806000";

std::string Dotted(std::string digits) {
  for (char& c : digits)
    if (c == '0') c = '.';
  return digits;
}

std::string Grid(const std::string& digits, const std::string& rowEnd = "\n") {
  std::string text;
  for (int row = 0; row < 9; ++row) text += digits.substr(row * 9, 9) + rowEnd;
  return text;
}

std::string With(std::string digits, int row, int col, char digit) {
  digits[(row - 1) * 9 + col - 1] = digit;
  return digits;
}

const char kBlanks[] = " is neither a digit nor a blank ('0', '.', '-', '*' or '_').";

struct TextRow {
  const char* name;
  std::string text;
  std::string digits;  // expected when accepted
  std::string error;   // expected when refused
};

TEST(ReadPuzzleText, TakesEveryLayoutAndSaysWhatIsWrongWithTheRest) {
  std::string mixedBlanks = Dotted(kClassic);
  mixedBlanks[2] = '-';
  mixedBlanks[3] = '*';
  mixedBlanks[5] = '_';
  mixedBlanks[6] = '0';
  const std::string grid8 = Grid(kClassic.substr(0, 72));
  const std::string rowOf8 = Grid(kClassic).replace(30, 1, "");  // line 4 loses a cell

  const TextRow rows[] = {
      {"81 digits, 0 for a blank", kClassic, kClassic, ""},
      {"81 characters, . for a blank", Dotted(kClassic), kClassic, ""},
      {"-, * and _ for blanks", mixedBlanks, kClassic, ""},
      {"line with CRLF, blanks and a comment",
       "# from the paper\r\n\r\n  " + Dotted(kClassic) + "  \r\n", kClassic, ""},
      {"byte-order mark", "\xEF\xBB\xBF" + kClassic, kClassic, ""},
      {"blanks between the rows", "  " + Grid(kClassic, " "), kClassic, ""},
      {"nine rows of nine", Grid(kClassic), kClassic, ""},
      {"nine rows, blanks between cells", "5 3 0 0 7 0 0 0 0\n" + Grid(kClassic).substr(10),
       kClassic, ""},
      {"one puzzle a line: the first", kClassic + "\n" + kSecond + "\n", kClassic, ""},
      {"80 cells on a line", kClassic.substr(1), "", "Line 1 holds 80 cells; a puzzle has 81."},
      {"82 cells on a line", kClassic + "0", "", "Line 1 holds 82 cells; a puzzle has 81."},
      {"a row of eight", rowOf8, "", "Line 4 holds 8 cells; a row of the grid holds 9."},
      {"eight rows", grid8, "", "The grid has 8 rows (72 cells); a puzzle has 9 rows of 9."},
      {"ten rows", Grid(kClassic) + "000000000\n", "",
       "The grid has 10 rows (90 cells); a puzzle has 9 rows of 9."},
      {"digit twice in a row", With(kClassic, 1, 3, '5'), "",
       "Row 1 holds 5 twice: at row 1, column 1 and at row 1, column 3."},
      {"digit twice in a column", With(kClassic, 9, 1, '6'), "",
       "Column 1 holds 6 twice: at row 2, column 1 and at row 9, column 1."},
      {"digit twice in a box", With(kClassic, 2, 2, '8'), "",
       "Box 1 holds 8 twice: at row 2, column 2 and at row 3, column 3."},
      {"a letter", "5307x" + kClassic.substr(5), "",
       std::string("Line 1, column 5: 'x'") + kBlanks},
      {"a letter in the third line", "# a\n\n53007" + kClassic.substr(5, 4) + "y", "",
       std::string("Line 3, column 10: 'y'") + kBlanks},
      {"a byte that is not ASCII", "53\xC3\x97" + kClassic.substr(3), "",
       std::string("Line 1, column 3: the byte 0xC3") + kBlanks},
      {"empty", "", "", "The text holds no puzzle: no line with digits or blanks."},
      {"comments and framing only", "# nothing\n+---+---+\n|   |   |\n", "",
       "The text holds no puzzle: no line with digits or blanks."},
      {"binary", std::string("53\0\x01\x02", 5) + kClassic, "",
       "This is binary data, not a puzzle text: byte 3 is the byte 0x00."},
  };
  for (const TextRow& row : rows) {
    SCOPED_TRACE(row.name);
    const PuzzleReading reading = ReadPuzzleText(row.text);
    EXPECT_EQ(reading.digits, row.digits);
    EXPECT_EQ(reading.error, row.error);
    EXPECT_EQ(reading.Accepted(), row.error.empty());
  }
}

struct FileRow {
  const char* file;  // under the fixture folder
  std::string digits;
  std::string error;  // after "<path>: "
};

TEST(ReadPuzzleFile, ReadsTheLayoutsOfOtherPrograms) {
  const std::string folder = KOVALO_TEST_DATA "/puzzles/";
  const FileRow rows[] = {
      {"classic.ss", kClassic, ""},
      {"classic.sdk", kClassic, ""},  // the saved game after it is no part of it
      {"two.sdm", kClassic, ""},
      {"framed.txt", kClassic, ""},
      {"short_row.ss", "", "Line 5 holds 8 cells; a row of the grid holds 9."},
      {"clash.sdk", "", "Row 9 holds 9 twice: at row 9, column 3 and at row 9, column 9."},
  };
  for (const FileRow& row : rows) {
    SCOPED_TRACE(row.file);
    const PuzzleReading reading = ReadPuzzleFile(folder + row.file);
    EXPECT_EQ(reading.digits, row.digits);
    EXPECT_EQ(reading.error, row.error.empty() ? "" : folder + row.file + ": " + row.error);
  }
}

class PuzzleFileTest : public ::testing::Test {
 protected:
  PuzzleFileTest()
      : folder_(std::filesystem::temp_directory_path() /
                ("kovalo_puzzles_" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(folder_);
  }
  ~PuzzleFileTest() override { std::filesystem::remove_all(folder_); }
  std::string Write(const std::string& name, const std::string& bytes) {
    const std::string path = (folder_ / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  std::filesystem::path folder_;
};

TEST_F(PuzzleFileTest, UnreadableBinaryAndLongFiles) {
  const std::string missing = (folder_ / "missing.sdk").string();
  EXPECT_EQ(ReadPuzzleFile(missing).error,
            "Cannot read " + missing + ": No such file or directory.");
  EXPECT_EQ(ReadPuzzleFile(folder_.string()).error,
            "Cannot read " + folder_.string() + ": Is a directory.");

  std::string png("\x89PNG\r\n\x1A\n", 8);
  png += std::string(40, '\0');
  const std::string image = Write("puzzle.png", png);
  EXPECT_EQ(ReadPuzzleFile(image).error,
            image + ": This is binary data, not a puzzle text: byte 7 is the byte 0x1A.");
  EXPECT_EQ(ReadPuzzleFile(image).digits, "");

  // A collection far longer than what is read: its first line still counts,
  // and the line cut at the end of the read does not spoil it.
  std::string collection;
  while (collection.size() < (3u << 20) / 2) collection += kSecond + "\n" + kClassic + "\n";
  const PuzzleReading reading = ReadPuzzleFile(Write("many.sdm", collection));
  EXPECT_EQ(reading.error, "");
  EXPECT_EQ(reading.digits, kSecond);
}

TEST(CountSolutions, CountsUpToTwo) {
  const struct {
    const char* name;
    std::string digits;
    int limit;
    int expected;
  } rows[] = {
      {"the newspaper puzzle", kClassic, 2, 1},
      {"dots count as blanks", Dotted(kClassic), 2, 1},
      {"its solution",
       "534678912672195348198342567859761423426853791713924856961537284287419635"
       "345286179",
       2, 1},
      {"a puzzle of 17 clues", kSecond, 2, 1},
      {"no clue at all", std::string(81, '0'), 2, 2},
      {"too few clues, limit 1", std::string(81, '0'), 1, 1},
      {"a clash", With(kClassic, 1, 3, '5'), 2, 0},
      // Row 1 needs its 9 in column 9, which already holds one.
      {"no clash, no solution", "123456780000000009" + std::string(63, '0'), 2, 0},
      {"not 81 cells", kClassic.substr(1), 2, 0},
      // A search that branches on cells only takes seconds over this one.
      {"sparse givens",
       "000040000000000000000080000000000702300000000080000000701000000000000060000600000", 2, 2},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(CountSolutions(row.digits, row.limit), row.expected);
  }
  EXPECT_EQ(SolutionCountNote(1), "");
  EXPECT_EQ(SolutionCountNote(0), "This puzzle has no solution. It was entered all the same.");
  EXPECT_EQ(SolutionCountNote(2),
            "This puzzle has more than one solution. It was entered all the same.");
}

class PlacePuzzleTest : public ::testing::Test {
 protected:
  FakeScreen screen;
  Board board{screen};
};

TEST_F(PlacePuzzleTest, GivensBecomeLockedStartingNumbersWithNothingToUndo) {
  // A downloaded puzzle in play, with answers and history.
  testing::LoadGrid(board, kSecond, Plain);
  board.OnLock();
  board.userPuzzleCounter = 10005;
  for (Cell& cell : board.cells()) cell.answer = 7;
  board.PlayerEdited(board.AtGrid(0, 0), "12");
  screen.title = "Downloaded";

  ASSERT_TRUE(PlacePuzzle(board, kClassic));

  EXPECT_EQ(screen.title, "Number 10005, User defined");
  EXPECT_EQ(board.userPuzzleCounter, 10006);  // the next typed puzzle's number
  EXPECT_TRUE(board.locked);
  EXPECT_FALSE(board.checking);
  EXPECT_EQ(board.stepCount, 0);
  EXPECT_TRUE(board.steps.empty());
  EXPECT_FALSE(screen.IsEnabled(IDC_UNDO));
  EXPECT_FALSE(screen.IsEnabled(IDC_REDO));
  EXPECT_TRUE(screen.messages.empty());
  EXPECT_EQ(screen.waitCursorDepth, 0);
  for (int k = 0; k < 81; ++k) {
    const Cell& cell = board.AtGrid(k / 9, k % 9);
    SCOPED_TRACE(k);
    EXPECT_EQ(cell.answer, 0);
    EXPECT_EQ(cell.historyPos, 0);
    if (kClassic[k] == '0') {
      EXPECT_EQ(cell.text, "");
      EXPECT_EQ(cell.status, 0u);
      EXPECT_FALSE(cell.readOnly);
    } else {
      EXPECT_EQ(cell.text, std::string(1, kClassic[k]));
      EXPECT_EQ(cell.status, kStartingNumber);
      EXPECT_TRUE(cell.readOnly);
    }
  }
  EXPECT_EQ(PuzzleLine(board), Dotted(kClassic));
  EXPECT_EQ(ReadPuzzleText(PuzzleLine(board)).digits, kClassic);
}

TEST_F(PlacePuzzleTest, RefusedDigitsLeaveTheBoardAsItWas) {
  testing::LoadGrid(board, kSecond, Plain);
  board.OnLock();
  const std::vector<std::string> before = testing::TextsOf(board);
  const std::string title = screen.title;
  for (const std::string& digits :
       {With(kClassic, 1, 3, '5'), kClassic.substr(1), With(kClassic, 1, 3, '.')}) {
    EXPECT_FALSE(PlacePuzzle(board, digits)) << digits;
  }
  EXPECT_EQ(testing::TextsOf(board), before);
  EXPECT_EQ(screen.title, title);
  EXPECT_EQ(PuzzleLine(board), Dotted(kSecond));
}

TEST_F(PlacePuzzleTest, PuzzleLineHoldsTheStartingNumbersOnly) {
  testing::LoadTexts(board, {"5 - - - - - - - -", "- 12 - - - - - - -", "- - 7 - - - - - -",
                             "- - - - - - - - -", "- - - - - - - - -", "- - - - - - - - -",
                             "- - - - - - - - -", "- - - - - - - - -", "- - - - - - - - 9"});
  board.AtGrid(0, 0).status = kStartingNumber;
  board.AtGrid(2, 2).status = Plain | kFixed;  // fixed by the player: no given
  board.AtGrid(8, 8).status = kStartingNumber;
  EXPECT_EQ(PuzzleLine(board), "5" + std::string(79, '.') + "9");
}

TEST(SameDigitCells, MarksTheCellsThatShowTheFocusedDigitAlone) {
  FakeScreen screen;
  Board board(screen);
  testing::LoadTexts(board, {"5 15 - - - - - - 5", "- - - - 0 - - - -", "- - - - - - - - -",
                             "- - - - - - - - -", "- - - - 5 - - - -", "- - - - - - - - -",
                             "- - - - - - - - -", "- - - - 0 - - - -", "55 - - - - - - - 5"});
  const auto number = [](int row, int col) { return NumberOfGrid(row, col); };
  const struct {
    int focused;
    std::vector<int> expected;  // in board order
  } rows[] = {
      {number(0, 0), {number(0, 8), number(4, 4), number(8, 8)}},
      {number(4, 4), {number(0, 0), number(0, 8), number(8, 8)}},
      {number(0, 1), {}},  // two candidates
      {number(1, 4), {}},  // "0" is no digit
      {number(3, 3), {}},  // empty
      {-1, {}},
      {81, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.focused);
    EXPECT_EQ(SameDigitCells(board, row.focused), row.expected);
  }
}

}  // namespace
}  // namespace kovalo
