// The hint: the aids' own tests asked in the order of the context menu, on
// the board or, when the blank cells must be filled first, on a copy.
#include "solver/hint.h"

#include <cstdio>

#include "board/silent_screen.h"
#include "solver/aid_steps.h"
#include "solver/solving_aids.h"

namespace kovalo {
namespace {

std::string Printed(const char* format, int a, int b = 0, int c = 0, int d = 0) {
  char text[160];
  std::snprintf(text, sizeof text, format, a, b, c, d);
  return text;
}

// Boxes are numbered 1 to 9 in reading order, rows and columns 1 to 9.
int BoxNumber(int boxRow, int boxCol) { return 3 * boxRow + boxCol + 1; }
std::string WhereIs(int cellNumber) {
  const CellPlace place = PlaceOfNumber(cellNumber);
  return Printed("row %d, column %d", place.GridRow() + 1, place.GridCol() + 1);
}

unsigned BitOf(char digit) { return digit >= '1' && digit <= '9' ? 1u << (digit - '1') : 0; }

// Whether the settled peers of cell (Fixed, one digit) hold every digit but
// digit, which is what makes digit the only one left.
bool PeersHoldTheOthers(const Board& board, const Cell& cell, char digit) {
  unsigned held = 0;
  for (int number : PeersOf(cell.number)) {
    const Cell& peer = board.At(number);
    if (peer.IsFixed() && peer.text.size() == 1) held |= BitOf(peer.text[0]);
  }
  return BitOf(digit) != 0 && (held & BitOf(digit)) == 0 && (held | BitOf(digit)) == 0x1FF;
}

Hint SingleDigitFieldStep(const Board& board, const Cell& cell) {
  Hint hint;
  hint.step = HintStep::SingleDigitField;
  hint.command = ID_MARK_SINGLE_DIGIT_FIELDS;
  hint.digit = cell.text[0];
  hint.cell = cell.number;
  hint.cells = {cell.number};
  std::string where = WhereIs(cell.number);
  where[0] = 'R';
  const std::string digit(1, hint.digit);
  if (PeersHoldTheOthers(board, cell, hint.digit))
    hint.text =
        where + " can only be " + digit + ": its row, column and box hold the other digits.";
  else
    hint.text = where + " lists " + digit + " alone, so it can be fixed, and " + digit +
                " struck from its row, column and box.";
  return hint;
}

Hint LoneNumberStep(const Cell& cell, char digit) {
  Hint hint;
  hint.step = HintStep::LoneNumber;
  hint.command = ID_MARK_LONE_NUMBERS;
  hint.digit = digit;
  hint.cell = cell.number;
  hint.cells = {cell.number};
  const CellPlace place = cell.Place();
  hint.text = Printed("In box %d, only ", BoxNumber(place.boxRow, place.boxCol)) +
              WhereIs(cell.number) + " can hold " + std::string(1, digit) + ".";
  return hint;
}

Hint BoxLineStep(const Board& board, const aid::BoxLine& boxLine, std::vector<int> struck) {
  Hint hint;
  hint.step = HintStep::BoxLine;
  hint.command = ID_RULE_OUT_COMBINATIONS;
  hint.digit = boxLine.digit;
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) {
      const Cell& cell = board.At(CellPlace{boxLine.boxRow, boxLine.boxCol, r, c}.Number());
      if (!cell.IsFixed() && aid::Holds(cell.text, boxLine.digit))
        hint.cells.push_back(cell.number);
    }
  }
  hint.cells.insert(hint.cells.end(), struck.begin(), struck.end());
  hint.struck = std::move(struck);
  const std::string line = Printed(boxLine.byRow ? "row %d" : "column %d", boxLine.line + 1);
  const std::string digit(1, boxLine.digit);
  hint.text = Printed("In box %d, the ", BoxNumber(boxLine.boxRow, boxLine.boxCol)) + digit +
              " lies in " + line + ", so the rest of " + line + " cannot hold " + digit + ".";
  return hint;
}

// The first step of the first aid, in menu order, that has one.
Hint NextStep(const Board& board) {
  for (const Cell& cell : board.cells())
    if (aid::IsSingleDigitField(cell)) return SingleDigitFieldStep(board, cell);

  for (const Cell& cell : board.cells()) {
    const char digit = aid::LoneDigitOf(board, cell);
    if (digit != 0) return LoneNumberStep(cell, digit);
  }

  for (char digit = '1'; digit <= '9'; ++digit) {
    for (int boxRow = 0; boxRow < 3; ++boxRow) {
      for (int boxCol = 0; boxCol < 3; ++boxCol) {
        aid::BoxLine lines[2];
        const int found = aid::FindBoxLines(board, digit, boxRow, boxCol, lines);
        for (int i = 0; i < found; ++i) {
          std::vector<int> struck;
          for (int number : aid::OutsideCells(lines[i]))
            if (aid::Holds(board.At(number).text, digit)) struck.push_back(number);
          if (!struck.empty()) return BoxLineStep(board, lines[i], std::move(struck));
        }
      }
    }
  }
  return Hint{};
}

bool HasBlankForFill(const Board& board) {
  for (const Cell& cell : board.cells())
    if (aid::IsBlankForFill(cell)) return true;
  return false;
}

}  // namespace

Hint FindHint(const Board& board) {
  Hint hint = NextStep(board);
  if (hint.step != HintStep::None) return hint;

  if (board.locked && HasBlankForFill(board)) {
    // What the solving attempt does first, and the step after it, on a copy.
    SilentScreen silent;
    Board filled(silent);
    filled.cells() = board.cells();
    filled.locked = board.locked;
    filled.checking = board.checking;
    FillBlankCells(filled);
    hint = NextStep(filled);
    hint.fillFirst = true;
    const std::string fill =
        "Press \"Fill\" first, so that every blank cell lists the digits its row, column and box "
        "leave open.";
    hint.text = hint.step == HintStep::None ? fill : fill + " Then: " + hint.text;
    return hint;
  }

  bool complete = true;
  for (const Cell& cell : board.cells())
    complete = complete && cell.IsFixed() && cell.text.size() == 1;
  if (complete)
    hint.text = "The puzzle is complete: the aids have nothing left to do.";
  else if (!board.locked)
    hint.text =
        "The aids find nothing to do. Lock the starting numbers with \"Lock Start#'s\" and press "
        "\"Fill\", so that every cell lists its digits.";
  else
    hint.text =
        "The aids find nothing more to do: the next step needs a technique they do not know.";
  return hint;
}

}  // namespace kovalo
