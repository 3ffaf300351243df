// A board per aid, set up through the download's own steps.
#include "board_grade.h"

#include "board/board.h"
#include "solver/solving_aids.h"
#include "sources/readers.h"
#include "support/fake_screen.h"

namespace kovalo::testing {

bool AidCompletes(Aid aid, const std::string& givens, const std::string& solution) {
  FakeScreen screen;
  screen.replies = {Reply::Yes};  // the attempt's question
  Board board(screen);

  PageReading reading;
  for (int k = 0; k < kCells; ++k) {
    reading.givens[k] = givens[k] >= '1' && givens[k] <= '9' ? givens[k] - '0' : 0;
    reading.answers[k] = solution[k] - '0';
  }
  std::string date;
  ApplyReading(reading, board, date);
  board.OnLock();
  board.ClearHistory();
  OnFill(board);

  Cell& clicked = board.AtGrid(0, 0);
  switch (aid) {
    case Aid::SingleDigitFieldsRepeated:
      while (MarkSingleDigitFields(board, clicked)) {
      }
      break;
    case Aid::DoBothUntilStable: DoBothUntilStable(board, clicked); break;
    case Aid::AttemptSolve: AttemptSolve(board, clicked); break;
  }
  for (int k = 0; k < kCells; ++k)
    if (board.AtGrid(k / 9, k % 9).text != std::string(1, solution[k])) return false;
  return true;
}

sites::Level LevelByEachAidAlone(const std::string& givens, const std::string& solution) {
  if (AidCompletes(Aid::SingleDigitFieldsRepeated, givens, solution)) return sites::Level::Easy;
  if (AidCompletes(Aid::DoBothUntilStable, givens, solution)) return sites::Level::Medium;
  if (AidCompletes(Aid::AttemptSolve, givens, solution)) return sites::Level::Hard;
  return sites::Level::Evil;
}

}  // namespace kovalo::testing
