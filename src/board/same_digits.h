// Which cells show the same digit as the cell that has the focus, so that
// the board can mark them while the player looks for where a digit goes.
#pragma once

#include <vector>

#include "board/board.h"

namespace kovalo {

// The other cells whose text is exactly the one digit that the focused
// cell's text is, by cell number in board order. None when the focused
// cell's text is not a single digit 1 to 9, or focused is no cell number.
std::vector<int> SameDigitCells(const Board& board, int focused);

}  // namespace kovalo
