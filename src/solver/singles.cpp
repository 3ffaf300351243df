// The singles: fix every cell that has one digit left, reduce a cell to a
// digit that stands in no other text of its box, and both in turn until
// neither changes anything.
#include <string>

#include "solver/aid_steps.h"
#include "solver/solving_aids.h"

namespace kovalo {

char aid::LoneDigitOf(const Board& board, const Cell& cell) {
  if (cell.IsFixed() || cell.text.size() < 2) return 0;
  // Only the box is looked at, never the row or column.
  const int* mates = BoxMatesOf(cell.number);
  for (char digit : cell.text) {
    bool elsewhere = false;
    for (int i = 0; i < kBoxMates && !elsewhere; ++i)
      elsewhere = Holds(board.At(mates[i]).text, digit);
    if (!elsewhere) return digit;
  }
  return 0;
}

bool MarkSingleDigitFields(Board& board, Cell& clicked) {
  Screen& screen = board.screen();
  screen.SetWaitCursor(true);
  clicked.changed = false;
  // Cells later in board order see the texts as earlier fixes left them;
  // one that an earlier fix reduced to a digit waits for the next pass.
  // Each fix opens its own undo group, re-evaluates the board and may show
  // the verdict.
  for (Cell& cell : board.cells()) {
    if (!aid::IsSingleDigitField(cell)) continue;
    MarkAsFixed(board, cell);
    clicked.changed = true;
  }
  screen.SetWaitCursor(false);
  return clicked.changed != 0;
}

bool MarkLoneNumbers(Board& board, Cell& clicked) {
  Screen& screen = board.screen();
  clicked.changed = false;
  screen.SetWaitCursor(true);
  const bool opensGroup = !board.batch;
  if (opensGroup) aid::RecordOpeningStep(board, clicked);
  board.batch = true;

  // The other texts are taken as earlier cells of this pass have left them.
  for (Cell& cell : board.cells()) {
    const char digit = aid::LoneDigitOf(board, cell);
    if (digit == 0) continue;
    board.SetCellText(cell, std::string(1, digit), 0);  // chained by batch
    clicked.changed = true;
  }

  board.batch = false;
  if (opensGroup) {
    board.RecheckBoard(clicked);
    board.ShowCompletion(clicked);
  }
  screen.SetWaitCursor(false);
  return clicked.changed != 0;
}

void DoBothUntilStable(Board& board, Cell& clicked) {
  const bool opensGroup = !board.batch;
  if (opensGroup) aid::RecordOpeningStep(board, clicked);

  for (;;) {
    const bool fixedSome = MarkSingleDigitFields(board, clicked);

    // Complete when the latest re-evaluation, whichever cell it was handed,
    // counted 81 fixed digits.
    if (board.lastFixedCount == 81) break;

    // Inside this command: no opening step and no re-evaluation; the
    // reductions are chained to the step recorded just before them.
    board.batch = true;
    const bool reducedSome = MarkLoneNumbers(board, clicked);
    if (!fixedSome && !reducedSome) break;
  }

  if (opensGroup) {
    board.RecheckBoard(clicked);
    board.ShowCompletion(clicked);
  }
}

}  // namespace kovalo
