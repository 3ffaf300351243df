// The solving aids: the Fill button and the commands of a cell's context
// menu that fix, unfix and refill cells, the hint passes, the solving attempt
// and the clipboard copy.
//
// Every aid is built from the board's own operations: it strikes digits from
// texts, reduces a text to one digit or sets the Fixed flag, each change
// recorded through SetCellText, and it groups its steps into one undo group
// through the board's batch flag.
//
// batch has two roles here. While it is set, every recorded step is chained
// to the step before it. And an aid that finds it set when it starts knows it
// runs inside a larger one: it records no opening step and leaves the
// re-evaluation and the completion verdict to its caller. An aid that finds
// it clear opens its undo group by writing the clicked cell's own text back
// to it (the opening step), and ends with RecheckBoard and ShowCompletion
// handed the clicked cell.
#pragma once

#include "board/board.h"

namespace kovalo {

// Fill button: refused with a message while the puzzle is not locked;
// otherwise fills every blank cell and makes the filled board the new start
// of the undo history.
void OnFill(Board& board);
// Writes into every blank cell (whole status word 0) the digits that no
// Fixed peer holds, then re-evaluates the board.
void FillBlankCells(Board& board);

// Fixes a one-digit cell and strikes its digit from every peer.
void MarkAsFixed(Board& board, Cell& cell);
// Clears the Fixed flag of a cell that is not a starting number.
void UnmarkFixed(Board& board, Cell& cell);
// Empties a cell that is not a starting number and refills the blank cells.
void UnmarkAndRefill(Board& board, Cell& cell);
// Puts the 81 texts, grid reading order, on the clipboard as one line.
void CopyAnswers(Board& board, Cell& clicked);

// The hint passes. The pass result (true when the pass changed a cell) is
// returned and also left in clicked.changed, where the loops read it.
bool MarkSingleDigitFields(Board& board, Cell& clicked);
bool MarkLoneNumbers(Board& board, Cell& clicked);
void DoBothUntilStable(Board& board, Cell& clicked);
bool RuleOutCombinations(Board& board, Cell& clicked);

// Fill, then the hint passes in turn until the board is complete or stuck.
void AttemptSolve(Board& board, Cell& clicked);

// Runs the context-menu command commandId (ID_MARK_AS_FIXED ...
// ID_ATTEMPT_SOLVE) on the cell whose menu was used. Other ids do nothing.
void RunCellCommand(Board& board, Cell& clicked, int commandId);

}  // namespace kovalo
