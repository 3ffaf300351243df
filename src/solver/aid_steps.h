// Small steps shared by the solving aids' own files.
#pragma once

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

}  // namespace kovalo::aid
