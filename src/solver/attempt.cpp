// The solving attempt, and the dispatcher through which a cell's context
// menu reaches every aid.
#include "solver/solving_aids.h"

namespace kovalo {

void AttemptSolve(Board& board, Cell& clicked) {
  Screen& screen = board.screen();
  if (!board.locked) {
    screen.ShowMessage("Sudoku Puzzle Has not been locked yet",
                       "Unable to solve squares untill puzzle is locked", Buttons::Ok, &clicked);
    return;
  }
  if (screen.ShowMessage(
          "Are you sure you really want to cheat like this and have me try and solve it for you",
          "Solve Sudoku Puzzle?", Buttons::YesNo, &clicked) != Reply::Yes)
    return;

  OnFill(board);
  // No guessing and no backtracking: a cycle is repeated only after the
  // rule-out pass struck a digit, and nothing in a cycle lengthens a text.
  for (;;) {
    DoBothUntilStable(board, clicked);
    if (clicked.fixedCount == 81) break;  // its closing re-evaluation
    if (!RuleOutCombinations(board, clicked)) break;
  }
}

void RunCellCommand(Board& board, Cell& clicked, int commandId) {
  switch (commandId) {
    case ID_MARK_AS_FIXED: MarkAsFixed(board, clicked); break;
    case ID_UNMARK_FIXED: UnmarkFixed(board, clicked); break;
    case ID_UNMARK_AND_REFILL: UnmarkAndRefill(board, clicked); break;
    case ID_MARK_SINGLE_DIGIT_FIELDS: MarkSingleDigitFields(board, clicked); break;
    case ID_COPY_ANSWERS: CopyAnswers(board, clicked); break;
    case ID_MARK_LONE_NUMBERS: MarkLoneNumbers(board, clicked); break;
    case ID_DO_BOTH_UNTIL_STABLE: DoBothUntilStable(board, clicked); break;
    case ID_RULE_OUT_COMBINATIONS: RuleOutCombinations(board, clicked); break;
    case ID_ATTEMPT_SOLVE: AttemptSolve(board, clicked); break;
    default: break;
  }
}

}  // namespace kovalo
