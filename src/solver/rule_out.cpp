// Box-line elimination. When, inside one box, every non-fixed cell that
// lists a digit lies in one row (or one column) of the box, the digit must go
// there, so it is struck from the rest of that grid row (grid column).
#include <string>

#include "solver/aid_steps.h"
#include "solver/solving_aids.h"

namespace kovalo {
namespace {

// The one occupied line of three counters, or -1 when none or several are.
int OnlyOccupied(const int hits[3]) {
  int only = -1;
  for (int line = 0; line < 3; ++line) {
    if (hits[line] == 0) continue;
    if (only >= 0) return -1;
    only = line;
  }
  return only;
}

}  // namespace

int aid::FindBoxLines(const Board& board, char digit, int boxRow, int boxCol, BoxLine out[2]) {
  int rowHits[3] = {}, colHits[3] = {};
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) {
      const Cell& cell = board.At(CellPlace{boxRow, boxCol, r, c}.Number());
      if (cell.IsFixed() || !Holds(cell.text, digit)) continue;
      ++rowHits[r];
      ++colHits[c];
    }
  }
  // A digit listed by one cell only occupies one row and one column: both
  // cases run, and it goes from that cell's row and column.
  int found = 0;
  const int r = OnlyOccupied(rowHits);
  if (r >= 0) out[found++] = BoxLine{digit, boxRow, boxCol, true, 3 * boxRow + r};
  const int c = OnlyOccupied(colHits);
  if (c >= 0) out[found++] = BoxLine{digit, boxRow, boxCol, false, 3 * boxCol + c};
  return found;
}

std::array<int, 6> aid::OutsideCells(const BoxLine& boxLine) {
  std::array<int, 6> cells{};
  int n = 0;
  for (int k = 0; k < 9; ++k) {
    const int row = boxLine.byRow ? boxLine.line : k;
    const int col = boxLine.byRow ? k : boxLine.line;
    const CellPlace place = PlaceOfGrid(row, col);
    if (place.boxRow != boxLine.boxRow || place.boxCol != boxLine.boxCol)
      cells[n++] = place.Number();
  }
  return cells;
}

bool RuleOutCombinations(Board& board, Cell& clicked) {
  clicked.changed = false;
  const bool opensGroup = !board.batch;
  if (opensGroup) aid::RecordOpeningStep(board, clicked);
  board.batch = true;

  // Strikes count at once: a later box or digit sees the texts as they
  // have become.
  auto strike = [&](Cell& cell, char digit) {
    if (!aid::Holds(cell.text, digit)) return;  // Fixed cells are not spared
    aid::StrikeDigit(board, cell, digit, 0);    // chained by batch
    clicked.changed = true;
  };

  for (char digit = '1'; digit <= '9'; ++digit) {
    for (int boxRow = 0; boxRow < 3; ++boxRow) {
      for (int boxCol = 0; boxCol < 3; ++boxCol) {
        // Both lines are found before either strikes; the strikes lie
        // outside the box and cannot change what the box holds.
        aid::BoxLine lines[2];
        const int found = aid::FindBoxLines(board, digit, boxRow, boxCol, lines);
        for (int i = 0; i < found; ++i)
          for (int number : aid::OutsideCells(lines[i])) strike(board.At(number), digit);
      }
    }
  }

  board.batch = false;
  if (opensGroup) {
    board.RecheckBoard(clicked);
    board.ShowCompletion(clicked);
  }
  return clicked.changed != 0;
}

}  // namespace kovalo
