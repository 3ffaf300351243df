#include "support/board_text.h"

#include <sstream>
#include <stdexcept>

namespace kovalo::testing {

void LoadGrid(Board& board, const std::string& grid81, uint32_t status) {
  if (grid81.size() != 81) throw std::invalid_argument("grid needs 81 characters");
  for (int k = 0; k < 81; ++k) {
    Cell& cell = board.AtGrid(k / 9, k % 9);
    const char c = grid81[k];
    const bool given = c >= '1' && c <= '9';
    cell.text = given ? std::string(1, c) : std::string();
    cell.status = given ? status : 0;
  }
}

void LoadTexts(Board& board, const std::vector<std::string>& rows) {
  if (rows.size() != 9) throw std::invalid_argument("texts need nine rows");
  for (int r = 0; r < 9; ++r) {
    std::istringstream in(rows[r]);
    for (int c = 0; c < 9; ++c) {
      std::string word;
      if (!(in >> word)) throw std::invalid_argument("row " + std::to_string(r) + " is short");
      board.AtGrid(r, c).text = word == "-" ? std::string() : word;
    }
  }
}

std::vector<std::string> TextsOf(const Board& board) {
  std::vector<std::string> rows;
  for (int r = 0; r < 9; ++r) {
    std::string row;
    for (int c = 0; c < 9; ++c) {
      const std::string& t = board.AtGrid(r, c).text;
      if (c) row += ' ';
      row += t.empty() ? "-" : t;
    }
    rows.push_back(row);
  }
  return rows;
}

std::string GridOf(const Board& board) {
  std::string grid;
  for (int k = 0; k < 81; ++k) {
    const std::string& t = board.AtGrid(k / 9, k % 9).text;
    grid += t.size() == 1 ? t[0] : '.';
  }
  return grid;
}

}  // namespace kovalo::testing
