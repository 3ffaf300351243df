// Boards written compactly in tests: 81 characters in grid reading order
// ('.' or '0' for an empty cell), or nine rows of cell texts.
#pragma once

#include <string>
#include <vector>

#include "board/board.h"

namespace kovalo::testing {

// Places the givens of an 81-character puzzle as typed digits with the
// given status (Plain before a lock, say). Other cells are emptied.
void LoadGrid(Board& board, const std::string& grid81, uint32_t status);

// Sets every cell's text from rows of blank-separated cell texts; "-" marks
// an empty cell. Statuses are left alone.
void LoadTexts(Board& board, const std::vector<std::string>& rows);

// The board's texts as nine rows of blank-separated cell texts, "-" for an
// empty cell: the form LoadTexts takes.
std::vector<std::string> TextsOf(const Board& board);

// One character per cell in grid reading order: the digit of a one-digit
// text, '.' otherwise.
std::string GridOf(const Board& board);

}  // namespace kovalo::testing
