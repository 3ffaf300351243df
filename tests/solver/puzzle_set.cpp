// Puzzles made by removing clues from random full grids while the
// independent solver still finds exactly one solution.
#include "puzzle_set.h"

#include <array>
#include <numeric>
#include <utility>

#include "brute_force.h"

namespace kovalo::testing {

std::vector<Puzzle> MakePuzzleSet(int count, uint64_t seed) {
  SplitMix64 random(seed);
  std::vector<Puzzle> puzzles;
  puzzles.reserve(count);
  for (int i = 0; i < count; ++i) {
    Puzzle puzzle;
    puzzle.solution = RandomFullGrid(random);
    puzzle.givens = puzzle.solution;

    std::array<int, 81> order;
    std::iota(order.begin(), order.end(), 0);
    for (int k = 80; k > 0; --k) std::swap(order[k], order[random.Below(k + 1)]);
    const int target = 22 + random.Below(15);
    int clues = 81;
    for (int k : order) {
      if (clues == target) break;
      const char digit = puzzle.givens[k];
      puzzle.givens[k] = '.';
      if (CountSolutions(puzzle.givens, 2) == 1)
        --clues;
      else
        puzzle.givens[k] = digit;
    }
    puzzles.push_back(std::move(puzzle));
  }
  return puzzles;
}

}  // namespace kovalo::testing
