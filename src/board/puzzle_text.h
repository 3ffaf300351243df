// Puzzles as text, in and out: the layouts other Sudoku programs and web
// pages use, read into the 81 starting digits; the count of a puzzle's
// solutions; placing a puzzle on the board as the player's own; and the one
// line that other programs read back.
//
// Reading is a pure function from bytes to a PuzzleReading, so pasted text,
// a dropped file and a file named on the command line all meet the same
// rules, and any bytes give a defined result.
#pragma once

#include <string>
#include <string_view>

#include "board/board.h"

namespace kovalo {

struct PuzzleReading {
  // 81 characters '0'..'9' in reading order, '0' for a blank cell; empty
  // when the text holds no acceptable puzzle.
  std::string digits;
  // What was wrong and where, as the player is told; empty when accepted.
  std::string error;
  bool Accepted() const { return error.empty(); }
};

// Reads the first puzzle of text, trying in turn:
//  - an 81-character line, '0', '.', '-', '*' or '_' for a blank;
//  - a grid of nine rows of nine, with or without '|', '-' and '+' framing
//    (the .ss and .sdk layouts); '0', '.', '*' or '_' for a blank;
//  - the first line of an .sdm file, which holds one puzzle a line.
// Lines starting with '#' are comments, blank lines and "[Puzzle]" headers
// are skipped. A binary text, a wrong number of cells, or a digit standing
// twice in a row, column or box is refused.
PuzzleReading ReadPuzzleText(std::string_view text);

// Reads the file at path, as much of it as can hold a first puzzle, and
// then as ReadPuzzleText; a file that cannot be read gives its reason.
PuzzleReading ReadPuzzleFile(const std::string& path);

// The solutions of 81 digits ('0' or any non-digit for a blank), counted up
// to limit. Digits that repeat in a row, column or box have none.
int CountSolutions(std::string_view digits, int limit = 2);

// What the player is told about an accepted puzzle with count solutions
// (counted up to 2): empty for exactly one.
std::string SolutionCountNote(int count);

// Puts an accepted puzzle on the board as if the player had reset
// everything, typed the digits and locked them: the title "Number N, User
// defined", the digits read-only starting numbers, the undo history
// cleared. False, with the board untouched, when digits is not 81 digits
// without a clash.
bool PlacePuzzle(Board& board, const std::string& digits);

// The starting numbers as one 81-character line, '.' for every other cell,
// grid rows from top to bottom.
std::string PuzzleLine(const Board& board);

}  // namespace kovalo
