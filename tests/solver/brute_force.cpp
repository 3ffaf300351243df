// Backtracking that always branches on the empty cell with the fewest
// possible digits.
#include "brute_force.h"

#include <array>
#include <bit>
#include <utility>

namespace kovalo::testing {
namespace {

struct Search {
  std::array<int, 81> digits{};  // 0 for empty
  std::array<uint16_t, 9> rows{}, cols{}, boxes{};
  static int BoxOf(int k) { return (k / 27) * 3 + (k % 9) / 3; }

  uint16_t Free(int k) const {
    return static_cast<uint16_t>(~(rows[k / 9] | cols[k % 9] | boxes[BoxOf(k)]) & 0x1FF);
  }
  void Put(int k, int d) {
    const uint16_t bit = static_cast<uint16_t>(1u << (d - 1));
    digits[k] = d;
    rows[k / 9] |= bit;
    cols[k % 9] |= bit;
    boxes[BoxOf(k)] |= bit;
  }
  void Take(int k) {
    const uint16_t bit = static_cast<uint16_t>(~(1u << (digits[k] - 1)));
    rows[k / 9] &= bit;
    cols[k % 9] &= bit;
    boxes[BoxOf(k)] &= bit;
    digits[k] = 0;
  }
  bool Load(const std::string& grid) {
    for (int k = 0; k < 81; ++k) {
      const char c = k < static_cast<int>(grid.size()) ? grid[k] : '.';
      if (c < '1' || c > '9') continue;
      if (!(Free(k) & (1u << (c - '1')))) return false;
      Put(k, c - '0');
    }
    return true;
  }
  std::string Text() const {
    std::string text(81, '.');
    for (int k = 0; k < 81; ++k) text[k] = static_cast<char>('0' + digits[k]);
    return text;
  }

  int count = 0;
  int limit = 1;
  std::string first;

  void Count() {
    int best = -1, bestOptions = 10;
    for (int k = 0; k < 81; ++k) {
      if (digits[k]) continue;
      const int options = std::popcount(Free(k));
      if (options < bestOptions) {
        best = k;
        bestOptions = options;
        if (options <= 1) break;
      }
    }
    if (best < 0) {
      if (count++ == 0) first = Text();
      return;
    }
    for (uint16_t free = Free(best); free && count < limit; free &= free - 1) {
      Put(best, std::countr_zero(free) + 1);
      Count();
      Take(best);
    }
  }
};

bool FillRandomly(Search& search, int k, SplitMix64& random) {
  if (k == 81) return true;
  std::array<int, 9> order{1, 2, 3, 4, 5, 6, 7, 8, 9};
  for (int i = 8; i > 0; --i) std::swap(order[i], order[random.Below(i + 1)]);
  for (int d : order) {
    if (!(search.Free(k) & (1u << (d - 1)))) continue;
    search.Put(k, d);
    if (FillRandomly(search, k + 1, random)) return true;
    search.Take(k);
  }
  return false;
}

}  // namespace

int CountSolutions(const std::string& grid, int limit, std::string* solution) {
  Search search;
  if (!search.Load(grid)) return 0;
  search.limit = limit;
  search.Count();
  if (solution && search.count > 0) *solution = search.first;
  return search.count;
}

std::string RandomFullGrid(SplitMix64& random) {
  Search search;
  FillRandomly(search, 0, random);
  return search.Text();
}

}  // namespace kovalo::testing
