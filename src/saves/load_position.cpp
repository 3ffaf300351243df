// Loading a saved position onto the board.
#include "saves/load_position.h"

#include <array>

#include "saves/save_texts.h"

namespace kovalo {

int ApplySavedPosition(const SaveEntry& entry, Board& board) {
  const SavedPosition position = ReadPositionText(entry.position);
  const std::array<int, kCells> answers = ReadAnswersText(entry.answers);
  bool anyStartingNumber = false;
  for (int k = 0; k < kCells; ++k) {
    Cell& cell = board.AtGrid(k / 9, k % 9);
    cell.text = position.texts[k];
    cell.savedText = cell.text;
    cell.status = position.states[k];
    cell.savedStatus = cell.status;
    cell.readOnly = cell.status == kSavedStartingNumber;
    anyStartingNumber = anyStartingNumber || cell.readOnly;
    cell.answer = answers[k];
  }
  board.locked = anyStartingNumber;
  return position.firstSaveFlag != 0 ? 2 : 0;
}

int KnownAnswers(const Board& board) {
  int known = 0;
  for (const Cell& cell : board.cells())
    if (cell.answer != 0) ++known;
  return known;
}

}  // namespace kovalo
