// The hint: the next step the solving aids would take, named in words, with
// the cells it concerns, and nothing changed on the board.
//
// The aids are asked in the order of the cell's context menu: "Mark all
// Single Digit Fields", "Mark any Numbers that are alone", "Rule Out
// impossible Combinations" ("Do Both Above until no more changes" takes the
// first two in turn), and last "Attempt to Solve the puzzle", which starts
// by filling the blank cells. Each step is found by the aid's own test
// (aid_steps.h), so the aid that the hint names does what the hint says.
#pragma once

#include <string>
#include <vector>

#include "board/board.h"

namespace kovalo {

enum class HintStep {
  None,              // the aids find nothing to do
  SingleDigitField,  // cell lists digit alone: fixing it strikes digit from its peers
  LoneNumber,        // no other text of cell's box holds digit: cell becomes digit
  BoxLine,           // digit is struck from the cells struck
};

struct Hint {
  // The blank cells must be filled first ("Fill", or the solving attempt's
  // first stage); the step below is the one after that fill.
  bool fillFirst = false;
  HintStep step = HintStep::None;
  // The context-menu command that takes the step; 0 for None.
  int command = 0;
  char digit = 0;
  int cell = -1;            // the cell fixed or reduced, by cell number
  std::vector<int> struck;  // a box line's cells that lose digit, in the aid's order
  // The cells to frame, by cell number: the cell of a single or lone
  // number; the cells of the box that list the digit and the struck ones.
  std::vector<int> cells;
  std::string text;  // the hint as the player reads it
};

// The hint for the board as it stands.
Hint FindHint(const Board& board);

}  // namespace kovalo
