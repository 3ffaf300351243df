// The puzzle generator of the bundled sites: fresh puzzles with exactly one
// solution, aimed at a level and graded by the program's own solving aids.
//
// Everything here is a pure function of its arguments. A site's page is
// made again from its address on every request, so the same (level, seed)
// must give the same puzzle on every machine, build and run; the random
// numbers therefore come from our own generator, never from the standard
// library's distributions, whose results differ between implementations.
// No state is shared between calls: any number of threads may call these at
// once.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kovalo::sites {

// How far the solving aids get: easy puzzles fall to the single digit
// fields alone, medium ones to "Do both until stable", hard ones to the
// solving attempt, evil ones to none of them.
enum class Level : int { Easy = 0, Medium = 1, Hard = 2, Evil = 3 };
constexpr int kLevels = 4;

// "easy", "medium", "hard", "evil" (exactly, lower case); nullopt otherwise.
std::optional<Level> ParseLevel(std::string_view name);
const char* LevelName(Level level);

struct Puzzle {
  std::string givens;    // 81 chars, '1'-'9' or '.' for a blank, grid reading order
  std::string solution;  // 81 digits '1'-'9'
  Level level;
};

// A puzzle of the given level with exactly one solution. The same (level,
// seed) always gives the same puzzle. A level value outside the four is
// taken as the nearest one.
Puzzle GeneratePuzzle(Level level, std::uint64_t seed);
// The same, and how many random complete grids it went through: 1 when the
// first one gave the puzzle.
Puzzle GeneratePuzzle(Level level, std::uint64_t seed, int* rounds);

// A stable seed from a site name and a key text ("main", "2026-12-07"):
// different names or keys give unrelated seeds.
std::uint64_t SeedFor(std::string_view site, std::string_view key);

// The level as the solving aids find it on the board, placed and locked as a
// download leaves it; nullopt when the givens are not 81 characters of
// digits and blanks ('.' or '0') with exactly one solution.
std::optional<Level> GradePuzzle(const std::string& givens);

}  // namespace kovalo::sites
