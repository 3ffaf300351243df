// Which cells show the same digit as the focused cell.
#include "board/same_digits.h"

namespace kovalo {

std::vector<int> SameDigitCells(const Board& board, int focused) {
  std::vector<int> same;
  if (focused < 0 || focused >= kCells) return same;
  const std::string& text = board.At(focused).text;
  // A cell that still lists several candidates, or a "0", settles nothing.
  if (text.size() != 1 || text[0] < '1' || text[0] > '9') return same;
  for (const Cell& cell : board.cells())
    if (cell.number != focused && cell.text == text) same.push_back(cell.number);
  return same;
}

}  // namespace kovalo
