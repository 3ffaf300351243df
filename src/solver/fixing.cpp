// The cell commands that are not hints: fix a cell, unfix it, empty and
// refill it, and copy the board's texts to the clipboard.
#include <string>

#include "solver/aid_steps.h"
#include "solver/solving_aids.h"

namespace kovalo {

void MarkAsFixed(Board& board, Cell& cell) {
  if (cell.text.size() != 1) return;
  const std::string digit = cell.text;
  Screen& screen = board.screen();

  screen.SetWaitCursor(true);
  const bool opensGroup = !board.batch;
  if (opensGroup) aid::RecordOpeningStep(board, cell);
  cell.status |= kFixed;
  board.batch = true;

  // Fixed peers are not spared. The walk meets the cells of the box that
  // share the row or column twice; the second visit finds nothing to strike.
  const PeerWalk& walk = PeerWalkOf(cell.number);
  for (int i = 0; i < walk.size; ++i) {
    Cell& peer = board.At(walk.numbers[i]);
    if (aid::Holds(peer.text, digit[0])) aid::StrikeDigit(board, peer, digit[0], 1);
  }
  // Written once more so that a step carries the new status into the history.
  board.SetCellText(cell, digit, 1);

  if (opensGroup) {
    board.RecheckBoard(cell);
    board.ShowCompletion(cell);
  }
  // Cleared even when it was set on entry: the singles pass relies on every
  // later fix of its scan opening a group of its own.
  board.batch = false;
  screen.SetWaitCursor(false);
}

void UnmarkFixed(Board& board, Cell& cell) {
  if (cell.status == kStartingNumber) return;
  // One step carries the cleared flag; the digits struck from the peers when
  // the cell was fixed do not come back, and the colour waits for the next
  // re-evaluation.
  cell.status &= ~kFixed;
  board.SetCellText(cell, cell.text, 0);
}

void UnmarkAndRefill(Board& board, Cell& cell) {
  if (cell.status == kStartingNumber) return;
  cell.status = 0;
  // Recorded as a group of its own. Chained, this step would join the undo
  // group of whatever the player did before, and one Undo press would take
  // back both; that only shows while the board is not locked, since a
  // locked board's refill clears the history anyway.
  board.SetCellText(cell, "", 0);
  UnmarkFixed(board, cell);
  board.RecheckBoard(cell);
  OnFill(board);
  board.RecheckBoard(cell);
  board.CellChangeHandler(cell);
}

void CopyAnswers(Board& board, Cell& clicked) {
  std::string line;
  int singles = 0;
  for (int row = 0; row < 9; ++row) {
    for (int col = 0; col < 9; ++col) {
      const std::string& text = board.AtGrid(row, col).text;
      line += text;
      line += ' ';
      if (text.size() == 1) ++singles;  // Fixed or not
    }
  }
  const char* const kWhiteSpace = " \t\n\v\f\r";
  const size_t first = line.find_first_not_of(kWhiteSpace);
  line = first == std::string::npos
             ? std::string()
             : line.substr(first, line.find_last_not_of(kWhiteSpace) - first + 1);

  if (!board.screen().SetClipboardText(line)) return;  // silently
  board.screen().ShowMessage(singles == 81 ? "81 Numbers copied to clipboard"
                                           : "*** Some numbers only were copied to clipboard ***",
                             "", Buttons::Ok, &clicked);
}

}  // namespace kovalo
