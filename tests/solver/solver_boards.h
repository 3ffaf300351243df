// Boards for the solving-aid tests, written compactly, and the board state
// that undo and redo must bring back exactly.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "board/board.h"

namespace kovalo::testing {

// Nine rows of blank-separated cell texts: "-" for an empty cell; a trailing
// '*' marks a cell Fixed, a trailing '!' a read-only starting number. The
// board is then re-evaluated and becomes the baseline of an empty history,
// as after a fill.
void SetUpBoard(Board& board, const std::vector<std::string>& rows, bool locked = true);

// Nine empty rows, and rows with some of them replaced: {row, text}.
inline const std::vector<std::string> kEmptyRows(9, "- - - - - - - - -");
inline std::vector<std::string> WithRows(
    std::vector<std::string> rows, std::initializer_list<std::pair<int, const char*>> changes) {
  for (const auto& [row, text] : changes) rows[row] = text;
  return rows;
}

// An 81-character puzzle (digits, '.' for empty) placed and locked as
// starting numbers, other cells empty; answers (81 digits) are stored in the
// cells' answer fields when given.
void SetUpPuzzle(Board& board, const std::string& grid, const std::string& answers = "");

// Re-evaluates the board and makes it the baseline of an empty history.
void Rebaseline(Board& board);

struct BoardState {
  std::vector<std::string> texts;  // grid reading order
  std::vector<uint32_t> statuses;
  bool operator==(const BoardState&) const = default;
};
BoardState StateOf(const Board& board);
void PrintTo(const BoardState& state, std::ostream* out);

// Presses Undo (Redo) until nothing is left to undo (redo); returns the
// number of presses, one per undo group.
int UndoAll(Board& board);
int RedoAll(Board& board);

// The completion verdicts among the messages shown so far.
std::vector<std::string> VerdictsOf(const std::vector<std::string>& messageTexts);

inline const char* const kVerdictMatch =
    "You have Successfully Completed the puzzle and your answers match the websites answers";
inline const char* const kVerdictUnverified =
    "You have Successfully Completed the puzzle but your answers could not be verified with the "
    "website at this time";
inline const char* const kVerdictWrong = "You have incorrectly finished the puzzle";

}  // namespace kovalo::testing
