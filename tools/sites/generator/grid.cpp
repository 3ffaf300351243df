// Grid texts and tables; the tables come from the board's own geometry so
// that the generator and the solving aids agree on what a box is.
#include "generator/grid.h"

#include "board/geometry.h"

namespace kovalo::sites {
namespace {

int GridIndexOfNumber(int cellNumber) {
  const CellPlace place = PlaceOfNumber(cellNumber);
  return 9 * place.GridRow() + place.GridCol();
}

GridTables MakeTables() {
  GridTables t{};
  std::array<int, 9> filled{};
  for (int k = 0; k < kGridCells; ++k) {
    const int row = k / 9, col = k % 9;
    const CellPlace place = PlaceOfGrid(row, col);
    const int box = 3 * place.boxRow + place.boxCol;
    t.rowOf[k] = static_cast<std::uint8_t>(row);
    t.colOf[k] = static_cast<std::uint8_t>(col);
    t.boxOf[k] = static_cast<std::uint8_t>(box);
    t.rows[row][col] = static_cast<std::uint8_t>(k);
    t.cols[col][row] = static_cast<std::uint8_t>(k);
    t.boxes[box][filled[box]++] = static_cast<std::uint8_t>(k);
    const std::array<int, 20>& peers = PeersOf(NumberOfGrid(row, col));
    for (int i = 0; i < 20; ++i)
      t.peers[k][i] = static_cast<std::uint8_t>(GridIndexOfNumber(peers[i]));
  }
  return t;
}

}  // namespace

const GridTables& Tables() {
  static const GridTables tables = MakeTables();
  return tables;
}

std::optional<Grid> GridOfText(std::string_view text) {
  if (text.size() != kGridCells) return std::nullopt;
  Grid grid{};
  for (int k = 0; k < kGridCells; ++k) {
    const char c = text[k];
    if (c >= '1' && c <= '9') {
      grid[k] = static_cast<std::uint8_t>(c - '0');
    } else if (c != '.' && c != '0') {
      return std::nullopt;
    }
  }
  return grid;
}

std::string TextOfGrid(const Grid& grid) {
  std::string text(kGridCells, '.');
  for (int k = 0; k < kGridCells; ++k)
    if (grid[k] >= 1 && grid[k] <= 9) text[k] = static_cast<char>('0' + grid[k]);
  return text;
}

}  // namespace kovalo::sites
