// An independent Sudoku solver for the tests: plain backtracking over 9-bit
// masks per row, column and box. It shares nothing with the program's code,
// so the solving aids can be judged against it.
#pragma once

#include <cstdint>
#include <string>

namespace kovalo::testing {

// Grids are 81 characters in reading order: '1'..'9' for a digit, anything
// else for an empty cell.

// Counts the solutions of grid, stopping at limit. The first solution found
// goes to *solution when it is given. A grid whose givens already repeat a
// digit in a row, column or box has none.
int CountSolutions(const std::string& grid, int limit, std::string* solution = nullptr);

// A small seeded generator whose sequence is the same on every platform.
class SplitMix64 {
 public:
  explicit SplitMix64(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // 0 .. bound-1 (the slight bias of the modulo does not matter here).
  int Below(int bound) { return static_cast<int>(Next() % static_cast<uint64_t>(bound)); }

 private:
  uint64_t state_;
};

// A complete valid grid drawn at random.
std::string RandomFullGrid(SplitMix64& random);

}  // namespace kovalo::testing
