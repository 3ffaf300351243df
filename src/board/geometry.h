// Where every cell stands. The one home of the board's index arithmetic:
// cell number <-> box and cell index <-> grid row and column, the peers, the
// peer walk that the re-evaluation and the strikes use, and the rectangles of
// the boxes and cells on a board drawn at any size.
#pragma once

#include <array>

namespace kovalo {

constexpr int kCells = 81;

struct CellPlace {
  int boxRow, boxCol;      // 0..2: the box on the board
  int rowInBox, colInBox;  // 0..2: the cell inside its box
  constexpr int GridRow() const { return 3 * boxRow + rowInBox; }
  constexpr int GridCol() const { return 3 * boxCol + colInBox; }
  constexpr int BoxIndex() const { return boxRow + 3 * boxCol; }  // arrays run column by column
  constexpr int CellIndex() const { return rowInBox + 3 * colInBox; }
  constexpr int Number() const { return 27 * boxRow + 9 * boxCol + 3 * rowInBox + colInBox; }
};

constexpr CellPlace PlaceOfNumber(int n) {
  return CellPlace{n / 27, (n / 9) % 3, (n / 3) % 3, n % 3};
}
constexpr CellPlace PlaceOfGrid(int row, int col) {
  return CellPlace{row / 3, col / 3, row % 3, col % 3};
}
constexpr int NumberOfGrid(int row, int col) { return PlaceOfGrid(row, col).Number(); }
constexpr int NumberOfBoxCell(int boxIndex, int cellIndex) {
  return CellPlace{boxIndex % 3, boxIndex / 3, cellIndex % 3, cellIndex / 3}.Number();
}

// The walk that checking a cell and striking a fixed digit share: the other
// eight cells of the box in reading order, then for k, m in 0..2 first the
// column cell (box row k, row m) and then the row cell (box column k,
// column m). The cell itself is left out; cells of its own box come again.
// 8 + 2 * 9 = 26 places, minus the two times the walk meets the cell itself.
struct PeerWalk {
  std::array<int, 24> numbers;
  int size;
};
const PeerWalk& PeerWalkOf(int cellNumber);

// The distinct peers (20) of a cell: box, grid row and grid column.
const std::array<int, 20>& PeersOf(int cellNumber);

// A rectangle in pixels; right and bottom are the first pixels outside it.
struct PixelRect {
  int left, top, right, bottom;
  constexpr int Width() const { return right - left; }
  constexpr int Height() const { return bottom - top; }
  friend constexpr bool operator==(const PixelRect&, const PixelRect&) = default;
};

// The board's area and each box's area split in thirds: box (boxRow, boxCol)
// of a board w x h, and cell (rowInBox, colInBox) of a box w x h. Every edge
// is rounded down from the same fraction of the size, so neighbours share
// their edges and the thirds cover the area without a gap at any size.
PixelRect BoxRectOnBoard(int boxRow, int boxCol, int w, int h);
PixelRect CellRectInBox(int rowInBox, int colInBox, int w, int h);

}  // namespace kovalo
