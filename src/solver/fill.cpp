// The Fill button: every blank cell receives the digits that no Fixed peer
// holds, and the filled board becomes the new start of the undo history.
#include "solver/aid_steps.h"
#include "solver/solving_aids.h"

namespace kovalo {

void OnFill(Board& board) {
  Screen& screen = board.screen();
  if (!board.locked) {
    screen.ShowMessage("Sudoku Puzzle Has not been locked yet",
                       "Unable to fill in squares untill puzzle is locked", Buttons::Ok);
    return;
  }
  screen.SetWaitCursor(true);
  FillBlankCells(board);
  board.ClearHistory();
  screen.Repaint();
  screen.SetWaitCursor(false);
}

void FillBlankCells(Board& board) {
  for (Cell& cell : board.cells()) {
    // A cell whose text is gone is blank again, even one that was fixed.
    if (!aid::IsBlankForFill(cell)) continue;
    cell.status = 0;

    // Only Fixed cells exclude a digit, and only by their first character;
    // what another cell merely lists excludes nothing. Cells filled earlier
    // in this run are not Fixed, so the order of the cells does not matter.
    bool excluded[10] = {};
    for (int peerNumber : PeersOf(cell.number)) {
      const Cell& peer = board.At(peerNumber);
      if (!peer.IsFixed() || peer.text.empty()) continue;
      const char first = peer.text[0];
      if (first >= '1' && first <= '9') excluded[first - '0'] = true;
    }
    std::string text;
    for (int digit = 1; digit <= 9; ++digit)
      if (!excluded[digit]) text += static_cast<char>('0' + digit);
    board.SetCellText(cell, text, 1);  // written even when empty
  }
  board.RecheckBoard(board.First());
}

}  // namespace kovalo
