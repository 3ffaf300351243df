// Small steps shared by the solving aids' own files.
#pragma once

#include <array>
#include <string>

#include "board/board.h"

namespace kovalo::aid {

inline bool Holds(const std::string& text, char digit) {
  return text.find(digit) != std::string::npos;
}

// The clicked cell's text written back unchanged, chain request 0: the step
// that opens the undo group the aid's later steps are chained to.
inline void RecordOpeningStep(Board& board, Cell& clicked) {
  board.SetCellText(clicked, clicked.text, 0);
}

// Removes the first occurrence of digit from cell's text and records it.
inline void StrikeDigit(Board& board, Cell& cell, char digit, int chain) {
  std::string text = cell.text;
  text.erase(text.find(digit), 1);
  board.SetCellText(cell, text, chain);
}

// The other eight cells of a cell's box, in reading order: the peer walk
// starts with them.
inline const int* BoxMatesOf(int cellNumber) { return PeerWalkOf(cellNumber).numbers.data(); }
constexpr int kBoxMates = 8;

// Each aid finds its steps through one of these, so that a hint can name
// the step an aid would take next without taking it.

// A cell the Fill writes into: one with no text, or with a whole status of 0.
inline bool IsBlankForFill(const Cell& cell) { return cell.text.empty() || cell.status == 0; }

// A cell "Mark all Single Digit Fields" fixes: not Fixed, one character.
inline bool IsSingleDigitField(const Cell& cell) {
  return !cell.IsFixed() && cell.text.size() == 1;
}

// The digit "Mark any Numbers that are alone" reduces cell to: the first of
// its digits, in text order, that no other text of its box holds. 0 when
// there is none, or the cell is Fixed or holds fewer than two characters.
char LoneDigitOf(const Board& board, const Cell& cell);

// One box-line elimination: inside box (boxRow, boxCol) every non-fixed
// cell that lists digit lies in one grid row (byRow) or grid column, line.
struct BoxLine {
  char digit;
  int boxRow, boxCol;
  bool byRow;
  int line;  // grid row or grid column, 0..8
};
// The box's row case, then its column case, for digit, as the box's
// non-fixed texts stand now: 0, 1 or 2 of them in out.
int FindBoxLines(const Board& board, char digit, int boxRow, int boxCol, BoxLine out[2]);
// The six cells of the box line's grid row (column) outside the box, by cell
// number, left to right (top to bottom): the cells it strikes digit from.
std::array<int, 6> OutsideCells(const BoxLine& boxLine);

}  // namespace kovalo::aid
