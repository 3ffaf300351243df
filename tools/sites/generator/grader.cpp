// The grade on the board: the solving aids of the core, run on a board that
// is set up the way a finished download leaves it.
#include "generator/grader.h"

#include <string>

#include "board/board.h"
#include "board/screen.h"
#include "board/silent_screen.h"
#include "solver/solving_aids.h"

namespace kovalo::sites {
namespace {

bool Matches(const Board& board, const Grid& solution) {
  for (int k = 0; k < kGridCells; ++k) {
    const std::string& text = board.AtGrid(k / 9, k % 9).text;
    if (text.size() != 1 || text[0] != static_cast<char>('0' + solution[k])) return false;
  }
  return true;
}

}  // namespace

Level GradeOnBoard(const Grid& givens, const Grid& solution) {
  SilentScreen screen(Reply::Yes);
  Board board(screen);
  // The givens as a download writes them: one-digit texts, then locked as
  // starting numbers, with the history emptied.
  for (int k = 0; k < kGridCells; ++k) {
    if (givens[k] < 1 || givens[k] > 9) continue;
    Cell& cell = board.AtGrid(k / 9, k % 9);
    cell.text = std::string(1, static_cast<char>('0' + givens[k]));
    cell.status = Plain;
  }
  board.OnLock();
  board.ClearHistory();
  OnFill(board);

  // Each aid carries on from where the weaker ones stopped. The aids only
  // narrow the texts, so this ends where the stronger aid alone, run on the
  // freshly filled board, would end.
  Cell& clicked = board.AtGrid(4, 4);
  while (MarkSingleDigitFields(board, clicked)) {
  }
  if (Matches(board, solution)) return Level::Easy;
  DoBothUntilStable(board, clicked);
  if (Matches(board, solution)) return Level::Medium;
  AttemptSolve(board, clicked);
  if (Matches(board, solution)) return Level::Hard;
  return Level::Evil;
}

}  // namespace kovalo::sites
