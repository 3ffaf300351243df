// Cell numbers, box and cell indexes, grid rows and columns, peers, and the
// rectangles of boxes and cells.
#include "board/geometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <set>
#include <string>

namespace kovalo {

// Rectangles in failure messages as left,top-right,bottom.
void PrintTo(const PixelRect& r, std::ostream* os) {
  *os << r.left << "," << r.top << "-" << r.right << "," << r.bottom;
}

namespace {

struct IndexRow {
  int number, boxRow, boxCol, rowInBox, colInBox, boxIndex, cellIndex, gridRow, gridCol;
};

TEST(Geometry, CellNumbersConvertBothWays) {
  const IndexRow rows[] = {
      // n  bR bC rB cB box cell row col
      {0, 0, 0, 0, 0, 0, 0, 0, 0},  {2, 0, 0, 0, 2, 0, 6, 0, 2},  {3, 0, 0, 1, 0, 0, 1, 1, 0},
      {8, 0, 0, 2, 2, 0, 8, 2, 2},  {9, 0, 1, 0, 0, 3, 0, 0, 3},  {26, 0, 2, 2, 2, 6, 8, 2, 8},
      {27, 1, 0, 0, 0, 1, 0, 3, 0}, {40, 1, 1, 1, 1, 4, 4, 4, 4}, {58, 2, 0, 1, 1, 2, 4, 7, 1},
      {80, 2, 2, 2, 2, 8, 8, 8, 8},
  };
  for (const IndexRow& r : rows) {
    SCOPED_TRACE(r.number);
    const CellPlace p = PlaceOfNumber(r.number);
    EXPECT_EQ(p.boxRow, r.boxRow);
    EXPECT_EQ(p.boxCol, r.boxCol);
    EXPECT_EQ(p.rowInBox, r.rowInBox);
    EXPECT_EQ(p.colInBox, r.colInBox);
    EXPECT_EQ(p.BoxIndex(), r.boxIndex);
    EXPECT_EQ(p.CellIndex(), r.cellIndex);
    EXPECT_EQ(p.GridRow(), r.gridRow);
    EXPECT_EQ(p.GridCol(), r.gridCol);
    EXPECT_EQ(NumberOfGrid(r.gridRow, r.gridCol), r.number);
    EXPECT_EQ(NumberOfBoxCell(r.boxIndex, r.cellIndex), r.number);
  }
}

TEST(Geometry, EveryGridPlaceHasItsOwnNumber) {
  std::set<int> seen;
  for (int row = 0; row < 9; ++row)
    for (int col = 0; col < 9; ++col) {
      const int n = NumberOfGrid(row, col);
      EXPECT_EQ(PlaceOfNumber(n).GridRow(), row);
      EXPECT_EQ(PlaceOfNumber(n).GridCol(), col);
      seen.insert(n);
    }
  EXPECT_EQ(seen.size(), 81u);
  EXPECT_EQ(*seen.rbegin(), 80);
}

TEST(Geometry, PeersAreBoxRowAndColumnWithoutTheCell) {
  for (int n = 0; n < 81; ++n) {
    const CellPlace x = PlaceOfNumber(n);
    std::set<int> expected;
    for (int m = 0; m < 81; ++m) {
      const CellPlace p = PlaceOfNumber(m);
      if (m != n && (p.GridRow() == x.GridRow() || p.GridCol() == x.GridCol() ||
                     p.BoxIndex() == x.BoxIndex()))
        expected.insert(m);
    }
    const auto& peers = PeersOf(n);
    EXPECT_EQ(std::set<int>(peers.begin(), peers.end()), expected) << "cell " << n;
  }
}

TEST(Geometry, PeerWalkVisitsBoxFirstThenColumnAndRowInterleaved) {
  // Cell 40 is the centre (grid row 4, column 4).
  const PeerWalk& walk = PeerWalkOf(40);
  ASSERT_EQ(walk.size, 24);
  const std::vector<int> box(walk.numbers.begin(), walk.numbers.begin() + 8);
  EXPECT_EQ(box, (std::vector<int>{36, 37, 38, 39, 41, 42, 43, 44}));
  // Then column cell of grid row 0, row cell of grid column 0, and so on.
  EXPECT_EQ(walk.numbers[8], NumberOfGrid(0, 4));
  EXPECT_EQ(walk.numbers[9], NumberOfGrid(4, 0));
  EXPECT_EQ(walk.numbers[10], NumberOfGrid(1, 4));
  EXPECT_EQ(walk.numbers[11], NumberOfGrid(4, 1));
  EXPECT_EQ(walk.numbers[23], NumberOfGrid(4, 8));
  EXPECT_EQ(std::count(walk.numbers.begin(), walk.numbers.end(), 40), 0);
}

// The three edges' positions after 0 along a side of the given length.
struct ThirdsRow {
  int length;
  int first, second, end;
};

TEST(Geometry, BoxesAndCellsSplitTheirAreaInThirdsWithSharedEdges) {
  const ThirdsRow rows[] = {
      {0, 0, 0, 0},   {1, 0, 0, 1},   {2, 0, 1, 2},        {8, 2, 5, 8},         {9, 3, 6, 9},
      {10, 3, 6, 10}, {11, 3, 7, 11}, {293, 97, 195, 293}, {729, 243, 486, 729},
  };
  for (const ThirdsRow& across : rows)
    for (const ThirdsRow& down : rows) {
      SCOPED_TRACE(std::to_string(across.length) + " x " + std::to_string(down.length));
      const int xs[] = {0, across.first, across.second, across.end};
      const int ys[] = {0, down.first, down.second, down.end};
      for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
          const PixelRect expected{xs[c], ys[r], xs[c + 1], ys[r + 1]};
          EXPECT_EQ(BoxRectOnBoard(r, c, across.length, down.length), expected)
              << "box " << r << "," << c;
          EXPECT_EQ(CellRectInBox(r, c, across.length, down.length), expected)
              << "cell " << r << "," << c;
        }
    }
}

}  // namespace
}  // namespace kovalo
