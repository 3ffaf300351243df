// Bitmask search. The blank cells sit in one array; the search at depth d
// owns its tail from d on, and moves the cell it branches on to position d,
// so no list is ever copied.
#include "generator/exact_solver.h"

#include <bit>
#include <utility>

namespace kovalo::sites {
namespace {

constexpr std::uint16_t kAllDigits = 0x1FF;

// The number of digits in each mask: a table, since the library is built
// for any x86-64 and the popcount instruction is not among the basics.
struct DigitCounts {
  std::uint8_t of[kAllDigits + 1];
  constexpr DigitCounts() : of() {
    for (int mask = 1; mask <= kAllDigits; ++mask)
      of[mask] = static_cast<std::uint8_t>(of[mask >> 1] + (mask & 1));
  }
};
constexpr DigitCounts kDigitCounts;

class Search {
 public:
  explicit Search(int limit, Random* random = nullptr)
      : t_(Tables()), limit_(limit), random_(random) {}

  // Cell k may not hold digit: a search for any solution but one.
  void Forbid(int k, int digit) {
    forbiddenCell_ = k;
    forbiddenBit_ = static_cast<std::uint16_t>(1u << (digit - 1));
  }

  bool Load(const Grid& givens) {
    const GridTables& t = t_;
    for (int k = 0; k < kGridCells; ++k) {
      const int digit = givens[k];
      if (digit < 1 || digit > 9) {
        blanks_[blankCount_++] = static_cast<std::uint8_t>(k);
        continue;
      }
      const std::uint16_t bit = static_cast<std::uint16_t>(1u << (digit - 1));
      if ((rows_[t.rowOf[k]] | cols_[t.colOf[k]] | boxes_[t.boxOf[k]]) & bit) return false;
      Put(k, bit);
    }
    return true;
  }

  void Run(int depth) {
    if (depth == blankCount_) {
      if (count_++ == 0) first_ = cells_;
      return;
    }
    // The most constrained blank; none left means a dead end.
    int bestAt = depth;
    int bestOptions = 10;
    std::uint16_t bestFree = 0;
    for (int i = depth; i < blankCount_; ++i) {
      const std::uint16_t free = Free(blanks_[i]);
      const int options = kDigitCounts.of[free];
      if (options < bestOptions) {
        bestAt = i;
        bestOptions = options;
        bestFree = free;
        if (options <= 1) break;
      }
    }
    if (bestOptions == 0) return;
    std::swap(blanks_[depth], blanks_[bestAt]);
    const int k = blanks_[depth];

    std::uint16_t order[9];
    int options = 0;
    for (std::uint16_t free = bestFree; free; free &= free - 1)
      order[options++] = static_cast<std::uint16_t>(free & -free);
    if (random_ && options > 1) random_->Shuffle(order, options);
    for (int i = 0; i < options && count_ < limit_; ++i) {
      Put(k, order[i]);
      Run(depth + 1);
      Take(k, order[i]);
    }
  }

  int count() const { return count_; }
  const Grid& first() const { return first_; }

 private:
  std::uint16_t Free(int k) const {
    const GridTables& t = t_;
    std::uint16_t free = static_cast<std::uint16_t>(
        ~(rows_[t.rowOf[k]] | cols_[t.colOf[k]] | boxes_[t.boxOf[k]]) & kAllDigits);
    if (k == forbiddenCell_) free = static_cast<std::uint16_t>(free & ~forbiddenBit_);
    return free;
  }
  void Put(int k, std::uint16_t bit) {
    const GridTables& t = t_;
    rows_[t.rowOf[k]] |= bit;
    cols_[t.colOf[k]] |= bit;
    boxes_[t.boxOf[k]] |= bit;
    cells_[k] = static_cast<std::uint8_t>(std::countr_zero(bit) + 1);
  }
  void Take(int k, std::uint16_t bit) {
    const GridTables& t = t_;
    rows_[t.rowOf[k]] &= static_cast<std::uint16_t>(~bit);
    cols_[t.colOf[k]] &= static_cast<std::uint16_t>(~bit);
    boxes_[t.boxOf[k]] &= static_cast<std::uint16_t>(~bit);
    cells_[k] = 0;
  }

  const GridTables& t_;
  Grid cells_{};
  Grid first_{};
  std::uint16_t rows_[9] = {}, cols_[9] = {}, boxes_[9] = {};
  std::uint8_t blanks_[kGridCells] = {};
  int blankCount_ = 0;
  int count_ = 0;
  int forbiddenCell_ = -1;
  std::uint16_t forbiddenBit_ = 0;
  int limit_;
  Random* random_;
};

}  // namespace

int CountSolutions(const Grid& givens, int limit, Grid* solution) {
  Search search(limit);
  if (limit < 1 || !search.Load(givens)) return 0;
  search.Run(0);
  if (solution && search.count() > 0) *solution = search.first();
  return search.count();
}

bool HasOtherSolution(const Grid& givens, int cell, int digit) {
  Search search(1);
  if (!search.Load(givens)) return false;
  search.Forbid(cell, digit);
  search.Run(0);
  return search.count() > 0;
}

Grid RandomSolvedGrid(Random& random) {
  // The three boxes on the diagonal share no row or column: each is any
  // order of the nine digits. The search completes the rest, trying digits
  // in random order; such a start always has completions.
  Grid start{};
  const GridTables& t = Tables();
  for (int box : {0, 4, 8}) {
    std::uint8_t digits[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    random.Shuffle(digits, 9);
    for (int i = 0; i < 9; ++i) start[t.boxes[box][i]] = digits[i];
  }
  Search search(1, &random);
  search.Load(start);
  search.Run(0);
  return search.first();
}

}  // namespace kovalo::sites
