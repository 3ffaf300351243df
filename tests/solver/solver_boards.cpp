#include "solver_boards.h"

#include <sstream>
#include <stdexcept>

#include "support/board_text.h"

namespace kovalo::testing {

void SetUpBoard(Board& board, const std::vector<std::string>& rows, bool locked) {
  if (rows.size() != 9) throw std::invalid_argument("a board needs nine rows");
  for (int r = 0; r < 9; ++r) {
    std::istringstream in(rows[r]);
    for (int c = 0; c < 9; ++c) {
      std::string word;
      if (!(in >> word)) throw std::invalid_argument("row " + std::to_string(r) + " is short");
      Cell& cell = board.AtGrid(r, c);
      cell.status = 0;
      cell.readOnly = false;
      if (word.back() == '*') {
        cell.status = Plain | kFixed;
        word.pop_back();
      } else if (word.back() == '!') {
        cell.status = kStartingNumber;
        cell.readOnly = true;
        word.pop_back();
      }
      cell.text = word == "-" ? std::string() : word;
    }
  }
  board.locked = locked;
  Rebaseline(board);
}

void SetUpPuzzle(Board& board, const std::string& grid, const std::string& answers) {
  LoadGrid(board, grid, kStartingNumber);
  for (int k = 0; k < 81; ++k) {
    Cell& cell = board.AtGrid(k / 9, k % 9);
    cell.readOnly = cell.status == kStartingNumber;
    cell.answer = answers.empty() ? 0 : answers[k] - '0';
  }
  board.locked = true;
  Rebaseline(board);
}

void Rebaseline(Board& board) {
  board.RecheckBoard(board.First());
  board.ClearHistory();
}

BoardState StateOf(const Board& board) {
  BoardState state;
  for (int k = 0; k < 81; ++k) {
    const Cell& cell = board.AtGrid(k / 9, k % 9);
    state.texts.push_back(cell.text);
    state.statuses.push_back(cell.status);
  }
  return state;
}

void PrintTo(const BoardState& state, std::ostream* out) {
  for (int r = 0; r < 9; ++r) {
    *out << "\n  ";
    for (int c = 0; c < 9; ++c) {
      const int k = 9 * r + c;
      *out << (state.texts[k].empty() ? "-" : state.texts[k]) << '/' << std::hex
           << state.statuses[k] << std::dec << ' ';
    }
  }
}

int UndoAll(Board& board) {
  int presses = 0;
  while (board.stepCount > 0 && presses < 100000) {
    board.OnUndo();
    ++presses;
  }
  return presses;
}

int RedoAll(Board& board) {
  int presses = 0;
  while (board.stepCount < static_cast<int>(board.steps.size()) && presses < 100000) {
    board.OnRedo();
    ++presses;
  }
  return presses;
}

std::vector<std::string> VerdictsOf(const std::vector<std::string>& messageTexts) {
  std::vector<std::string> verdicts;
  for (const std::string& text : messageTexts)
    if (text == kVerdictMatch || text == kVerdictUnverified || text == kVerdictWrong)
      verdicts.push_back(text);
  return verdicts;
}

}  // namespace kovalo::testing
