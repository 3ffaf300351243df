// A deterministic set of valid, uniquely solvable puzzles, made from a seed:
// the same set for the tests and the benchmark of the solving attempt.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kovalo::testing {

struct Puzzle {
  std::string givens;    // 81 characters, '.' for an empty cell
  std::string solution;  // its one solution
};

// Each puzzle starts from a random full grid and loses clues in random order,
// each removal kept only while the puzzle stays uniquely solvable, until a
// clue count drawn between 22 and 36 is reached or no clue can go.
std::vector<Puzzle> MakePuzzleSet(int count, uint64_t seed);

constexpr int kPuzzleSetSize = 300;
constexpr uint64_t kPuzzleSetSeed = 20240603;

}  // namespace kovalo::testing
