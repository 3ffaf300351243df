// Peer tables, built once, and the rectangles of boxes and cells.
#include "board/geometry.h"

#include <algorithm>

namespace kovalo {
namespace {

struct Tables {
  std::array<PeerWalk, kCells> walks{};
  std::array<std::array<int, 20>, kCells> peers{};
  Tables() {
    for (int n = 0; n < kCells; ++n) {
      const CellPlace x = PlaceOfNumber(n);
      PeerWalk& walk = walks[n];
      walk.size = 0;
      auto visit = [&](CellPlace p) {
        if (p.Number() != n) walk.numbers[walk.size++] = p.Number();
      };
      for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) visit({x.boxRow, x.boxCol, r, c});
      for (int k = 0; k < 3; ++k)
        for (int m = 0; m < 3; ++m) {
          visit({k, x.boxCol, m, x.colInBox});
          visit({x.boxRow, k, x.rowInBox, m});
        }
      int count = 0;
      for (int i = 0; i < walk.size; ++i) {
        int p = walk.numbers[i];
        if (std::find(peers[n].begin(), peers[n].begin() + count, p) == peers[n].begin() + count)
          peers[n][count++] = p;
      }
    }
  }
};

const Tables& TheTables() {
  static const Tables tables;
  return tables;
}

}  // namespace

const PeerWalk& PeerWalkOf(int cellNumber) { return TheTables().walks[cellNumber]; }
const std::array<int, 20>& PeersOf(int cellNumber) { return TheTables().peers[cellNumber]; }

PixelRect BoxRectOnBoard(int boxRow, int boxCol, int w, int h) {
  return {boxCol * w / 3, boxRow * h / 3, (boxCol + 1) * w / 3, (boxRow + 1) * h / 3};
}

PixelRect CellRectInBox(int rowInBox, int colInBox, int w, int h) {
  return {colInBox * w / 3, rowInBox * h / 3, (colInBox + 1) * w / 3, (rowInBox + 1) * h / 3};
}

}  // namespace kovalo
