// The singles: fix every cell that has one digit left, reduce a cell to a
// digit that stands in no other text of its box, and both in turn until
// neither changes anything.
#include <string>

#include "solver/aid_steps.h"
#include "solver/solving_aids.h"

namespace kovalo {
namespace {

// The singles pass. lastFixed receives the last cell it fixed (untouched
// when it fixes none): each fix re-evaluates the board handed that cell, so
// its tallies are those of the latest re-evaluation.
bool SinglesPass(Board& board, Cell& clicked, Cell** lastFixed) {
  Screen& screen = board.screen();
  screen.SetWaitCursor(true);
  clicked.changed = false;
  // Cells later in board order see the texts as earlier fixes left them;
  // one that an earlier fix reduced to a digit waits for the next pass.
  for (Cell& cell : board.cells()) {
    if (cell.IsFixed() || cell.text.size() != 1) continue;
    MarkAsFixed(board, cell);
    clicked.changed = true;
    *lastFixed = &cell;
  }
  screen.SetWaitCursor(false);
  return clicked.changed != 0;
}

// What RecheckBoard counts as fixedCount.
int CountFixedDigits(const Board& board) {
  int count = 0;
  for (const Cell& cell : board.cells())
    if (cell.text.size() == 1 && cell.IsFixed()) ++count;
  return count;
}

}  // namespace

bool MarkSingleDigitFields(Board& board, Cell& clicked) {
  Cell* lastFixed = nullptr;
  return SinglesPass(board, clicked, &lastFixed);
}

bool MarkLoneNumbers(Board& board, Cell& clicked) {
  Screen& screen = board.screen();
  clicked.changed = false;
  screen.SetWaitCursor(true);
  const bool opensGroup = !board.batch;
  if (opensGroup) aid::RecordOpeningStep(board, clicked);
  board.batch = true;

  for (Cell& cell : board.cells()) {
    if (cell.IsFixed() || cell.text.size() < 2) continue;
    // The first digit, in text order, that no other text of the box holds.
    // Only the box is looked at, never the row or column, and the other
    // texts are taken as earlier cells of this pass have left them.
    const int* mates = aid::BoxMatesOf(cell.number);
    for (char digit : std::string(cell.text)) {
      bool elsewhere = false;
      for (int i = 0; i < aid::kBoxMates && !elsewhere; ++i)
        elsewhere = aid::Holds(board.At(mates[i]).text, digit);
      if (elsewhere) continue;
      board.SetCellText(cell, std::string(1, digit), 0);  // chained by batch
      clicked.changed = true;
      break;
    }
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

  Cell* latestTally = nullptr;
  for (;;) {
    // Each fix opens its own undo group, re-evaluates the board and may
    // show the verdict.
    const bool fixedSome = SinglesPass(board, clicked, &latestTally);

    // Complete when the latest re-evaluation counted 81 fixed digits; after
    // a fix that is the fixed cell's tally. Before this command's first fix
    // it is one made before the command, whose tally cell is not known here;
    // the fixed digits are counted instead, as that re-evaluation counted
    // them (the lone-number reductions since never touch a fixed cell).
    const int fixedCount = latestTally ? latestTally->fixedCount : CountFixedDigits(board);
    if (fixedCount == 81) break;

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
