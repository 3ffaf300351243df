// Reading puzzles from text and files, counting their solutions, placing
// them on the board and writing them out as one line.
#include "board/puzzle_text.h"

#include <array>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <system_error>
#include <vector>

namespace kovalo {
namespace {

// A first puzzle stands near the start of any file that holds one; an .sdm
// collection may be far longer, so only this much of a file is read.
constexpr size_t kFileBytesRead = 1 << 20;

bool IsBlankCell(char c) { return c == '0' || c == '.' || c == '-' || c == '*' || c == '_'; }
bool IsDigit(char c) { return c >= '1' && c <= '9'; }
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }
bool IsFraming(char c) { return c == '|' || c == '+' || c == '-' || c == '='; }

std::string Describe(char c) {
  const auto byte = static_cast<unsigned char>(c);
  char text[32];
  if (byte >= 0x21 && byte < 0x7F)
    std::snprintf(text, sizeof text, "'%c'", c);
  else
    std::snprintf(text, sizeof text, "the byte 0x%02X", byte);
  return text;
}

std::string Format(const char* format, int a, int b = 0, int c = 0, int d = 0, int e = 0) {
  char text[200];
  std::snprintf(text, sizeof text, format, a, b, c, d, e);
  return text;
}

// Control characters other than the white space of text lines, which no
// puzzle text holds and every binary format does.
size_t FirstBinaryByte(std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if ((byte < 0x20 && byte != '\n' && !IsSpace(text[i])) || byte == 0x7F) return i;
  }
  return std::string_view::npos;
}

struct Row {
  int lineNumber;     // 1-based, in the text as given
  std::string cells;  // '0' for a blank
};

// The cells of one line, framing and white space left out; an error names
// the line and column of the first character that is neither.
std::string CellsOf(std::string_view line, int lineNumber, std::string& cells) {
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (IsSpace(c) || c == '|' || c == '+') continue;
    if (IsDigit(c)) {
      cells += c;
    } else if (IsBlankCell(c)) {
      cells += '0';
    } else {
      return Format("Line %d, column %d: ", lineNumber, static_cast<int>(i) + 1) + Describe(c) +
             " is neither a digit nor a blank ('0', '.', '-', '*' or '_').";
    }
  }
  return {};
}

// Grid indices (row * 9 + column) of the nine rows, the nine columns and
// the nine boxes in reading order, so that box 5 is the middle one.
struct Units {
  std::array<std::array<int, 9>, 27> cells{};
  Units() {
    std::array<int, 9> filled{};
    for (int row = 0; row < 9; ++row) {
      for (int col = 0; col < 9; ++col) {
        const CellPlace place = PlaceOfGrid(row, col);
        const int box = 3 * place.boxRow + place.boxCol;
        cells[row][col] = cells[9 + col][row] = cells[18 + box][filled[box]++] = row * 9 + col;
      }
    }
  }
};
const Units& TheUnits() {
  static const Units units;
  return units;
}

std::string Where(int gridIndex) {
  return Format("row %d, column %d", gridIndex / 9 + 1, gridIndex % 9 + 1);
}

// Where a digit stands twice in a row, column or box; empty when nowhere.
std::string ClashIn(const std::string& digits) {
  const char* const kNames[] = {"Row", "Column", "Box"};
  for (int unit = 0; unit < 27; ++unit) {
    const std::array<int, 9>& cells = TheUnits().cells[unit];
    for (int a = 0; a < 9; ++a) {
      for (int b = a + 1; b < 9; ++b) {
        const char digit = digits[cells[a]];
        if (!IsDigit(digit) || digit != digits[cells[b]]) continue;
        return std::string(kNames[unit / 9]) +
               Format(" %d holds %d twice: at ", unit % 9 + 1, digit - '0') + Where(cells[a]) +
               " and at " + Where(cells[b]) + ".";
      }
    }
  }
  return {};
}

// The system's words for an error number ("No such file or directory").
std::string ReasonOf(int error) { return std::generic_category().message(error); }

PuzzleReading Refused(std::string error) { return PuzzleReading{{}, std::move(error)}; }

PuzzleReading Accepted(std::string digits) {
  std::string clash = ClashIn(digits);
  if (!clash.empty()) return Refused(std::move(clash));
  return PuzzleReading{std::move(digits), {}};
}

// The search of CountSolutions: 9-bit masks of the digits each row, column
// and box holds. Each step branches on the fewest choices, either the
// digits left for one open cell or the places left for one digit in a row,
// column or box, and stops where either is none: a puzzle whose
// contradiction lies in where a digit can go is then refused at once
// rather than after a search through every way of filling the rest.
class SolutionCounter {
 public:
  bool Load(std::string_view digits) {
    const Units& units = TheUnits();
    for (int unit = 0; unit < 27; ++unit)
      for (int k : units.cells[unit]) unitsOf_[k][unit / 9] = unit;
    for (int k = 0; k < 81; ++k) {
      if (!IsDigit(digits[k])) continue;
      const unsigned bit = 1u << (digits[k] - '1');
      if (Used(k) & bit) return false;
      Place(k, bit);
    }
    return true;
  }

  void Count(int limit) {
    if (found_ >= limit) return;
    int bestCell = -1;
    unsigned bestDigits = 0;
    int bestCount = 10;
    for (int k = 0; k < 81; ++k) {
      if (cells_[k] != 0) continue;
      const unsigned digits = ~Used(k) & 0x1FFu;
      const int count = std::popcount(digits);
      if (count == 0) return;
      if (count < bestCount) {
        bestCell = k;
        bestDigits = digits;
        bestCount = count;
      }
    }
    if (bestCell < 0) {
      ++found_;
      return;
    }
    int bestUnit = -1;
    unsigned bestDigit = 0;
    for (int unit = 0; unit < 27 && bestCount > 1; ++unit) {
      for (unsigned missing = ~units_[unit] & 0x1FFu; missing != 0; missing &= missing - 1) {
        const unsigned digit = missing & (~missing + 1);
        int places = 0;
        for (int k : TheUnits().cells[unit]) places += cells_[k] == 0 && (Used(k) & digit) == 0;
        if (places == 0) return;
        if (places < bestCount) {
          bestUnit = unit;
          bestDigit = digit;
          bestCount = places;
        }
      }
    }
    if (bestUnit >= 0) {
      for (int k : TheUnits().cells[bestUnit]) {
        if (cells_[k] != 0 || (Used(k) & bestDigit) != 0) continue;
        Try(k, bestDigit, limit);
        if (found_ >= limit) return;
      }
      return;
    }
    for (unsigned digits = bestDigits; digits != 0 && found_ < limit; digits &= digits - 1)
      Try(bestCell, digits & (~digits + 1), limit);
  }

  int found() const { return found_; }

 private:
  unsigned Used(int k) const {
    return units_[unitsOf_[k][0]] | units_[unitsOf_[k][1]] | units_[unitsOf_[k][2]];
  }
  void Place(int k, unsigned bit) {
    cells_[k] = bit;
    for (int unit : unitsOf_[k]) units_[unit] |= bit;
  }
  void Try(int k, unsigned bit, int limit) {
    Place(k, bit);
    Count(limit);
    cells_[k] = 0;
    for (int unit : unitsOf_[k]) units_[unit] &= ~bit;
  }

  std::array<unsigned, 27> units_{};              // digits held, by unit
  std::array<unsigned, 81> cells_{};              // the digit's bit, 0 while open
  std::array<std::array<int, 3>, 81> unitsOf_{};  // row, column and box of a cell
  int found_ = 0;
};

}  // namespace

PuzzleReading ReadPuzzleText(std::string_view text) {
  if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  const size_t binary = FirstBinaryByte(text);
  if (binary != std::string_view::npos)
    return Refused(Format("This is binary data, not a puzzle text: byte %d is ",
                          static_cast<int>(binary) + 1) +
                   Describe(text[binary]) + ".");

  std::vector<Row> rows;
  int lineNumber = 0;
  bool sectionSeen = false;
  for (size_t start = 0; start <= text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    ++lineNumber;

    while (!line.empty() && IsSpace(line.front())) line.remove_prefix(1);
    while (!line.empty() && IsSpace(line.back())) line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;
    // An .sdk file may open with a "[Puzzle]" section; a later section holds
    // a position of the game, not the puzzle.
    if (line.front() == '[' && line.back() == ']') {
      if (sectionSeen || !rows.empty()) break;
      sectionSeen = true;
      continue;
    }
    bool framingOnly = true;
    for (char c : line) framingOnly = framingOnly && (IsFraming(c) || IsSpace(c));
    if (framingOnly) continue;

    Row row{lineNumber, {}};
    std::string error = CellsOf(line, lineNumber, row.cells);
    if (!error.empty()) return Refused(std::move(error));
    rows.push_back(std::move(row));
    if (rows.front().cells.size() == 81) return Accepted(rows.front().cells);
  }

  if (rows.empty()) return Refused("The text holds no puzzle: no line with digits or blanks.");
  if (rows.size() == 1)
    return Refused(Format("Line %d holds %d cells; a puzzle has 81.", rows[0].lineNumber,
                          static_cast<int>(rows[0].cells.size())));
  std::string digits;
  for (const Row& row : rows) {
    if (row.cells.size() != 9)
      return Refused(Format("Line %d holds %d cells; a row of the grid holds 9.", row.lineNumber,
                            static_cast<int>(row.cells.size())));
    digits += row.cells;
  }
  if (rows.size() != 9)
    return Refused(Format("The grid has %d rows (%d cells); a puzzle has 9 rows of 9.",
                          static_cast<int>(rows.size()), static_cast<int>(digits.size())));
  return Accepted(std::move(digits));
}

PuzzleReading ReadPuzzleFile(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return Refused("Cannot read " + path + ": " + ReasonOf(errno) + ".");
  std::string bytes(kFileBytesRead, '\0');
  const size_t size = std::fread(bytes.data(), 1, bytes.size(), file);
  const bool failed = std::ferror(file) != 0;
  const int reason = errno;
  const bool more = !failed && size == kFileBytesRead && std::fgetc(file) != EOF;
  std::fclose(file);
  if (failed) return Refused("Cannot read " + path + ": " + ReasonOf(reason) + ".");
  bytes.resize(size);
  // A line cut at the end of what was read is left out, not read as short.
  if (more) bytes.resize(bytes.rfind('\n') == std::string::npos ? 0 : bytes.rfind('\n'));

  PuzzleReading reading = ReadPuzzleText(bytes);
  if (!reading.Accepted()) reading.error = path + ": " + reading.error;
  return reading;
}

int CountSolutions(std::string_view digits, int limit) {
  if (digits.size() != 81) return 0;
  SolutionCounter counter;
  if (!counter.Load(digits)) return 0;
  counter.Count(limit);
  return counter.found();
}

std::string SolutionCountNote(int count) {
  if (count == 0) return "This puzzle has no solution. It was entered all the same.";
  if (count > 1) return "This puzzle has more than one solution. It was entered all the same.";
  return {};
}

bool PlacePuzzle(Board& board, const std::string& digits) {
  if (digits.size() != 81) return false;
  for (char c : digits)
    if (c < '0' || c > '9') return false;
  if (!ClashIn(digits).empty()) return false;

  Screen& screen = board.screen();
  screen.SetWaitCursor(true);
  board.ResetEverything();
  for (int k = 0; k < 81; ++k)
    if (digits[k] != '0') board.PlayerEdited(board.AtGrid(k / 9, k % 9), std::string(1, digits[k]));
  board.OnLock();
  // The puzzle is where the player starts: nothing of its entry to undo.
  board.ClearHistory();
  screen.Repaint();
  screen.SetWaitCursor(false);
  return true;
}

std::string PuzzleLine(const Board& board) {
  std::string line;
  for (int row = 0; row < 9; ++row) {
    for (int col = 0; col < 9; ++col) {
      const Cell& cell = board.AtGrid(row, col);
      const bool given =
          cell.status == kStartingNumber && cell.text.size() == 1 && IsDigit(cell.text[0]);
      line += given ? cell.text[0] : '.';
    }
  }
  return line;
}

}  // namespace kovalo
