// Loading a saved position: the texts of a save put on the board in one
// step, as a page's reading is put there after a download.
#pragma once

#include "board/board.h"
#include "saves/save_book.h"

namespace kovalo {

// Puts entry's cell texts, statuses and answers on the board; a cell is
// read-only exactly while it is a saved starting number, and the board is
// locked when any cell is. Returns the first-save flag the puzzle has from
// now on: 2 for a save that was a first save, else 0. Title, date, history
// and painting are the caller's.
int ApplySavedPosition(const SaveEntry& entry, Board& board);

// How many of the board's cells know their answer.
int KnownAnswers(const Board& board);

}  // namespace kovalo
