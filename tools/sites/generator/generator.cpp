// The generator: a random complete grid loses its clues one by one, in
// random order, each removal kept only while the puzzle stays within the
// level asked for; a puzzle that ends at that level on the board is taken,
// otherwise the same random sequence goes on with a new grid.
#include "generator/generator.h"

#include <array>

#include "generator/exact_solver.h"
#include "generator/grader.h"
#include "generator/random.h"

namespace kovalo::sites {
namespace {

constexpr std::array<const char*, kLevels> kLevelNames = {"easy", "medium", "hard", "evil"};

// Whether givens, a puzzle within level whose cell has just lost digit,
// still is. Below evil, the aids of the level completing the puzzle prove
// its one solution as well; evil asks the exact solver.
bool StaysWithin(const Grid& givens, int cell, int digit, Level level) {
  if (level == Level::Evil) return !HasOtherSolution(givens, cell, digit);
  return AidsLevel(givens, level).has_value();
}

}  // namespace

std::optional<Level> ParseLevel(std::string_view name) {
  for (int i = 0; i < kLevels; ++i)
    if (name == kLevelNames[i]) return static_cast<Level>(i);
  return std::nullopt;
}

const char* LevelName(Level level) {
  const int i = static_cast<int>(level);
  return i >= 0 && i < kLevels ? kLevelNames[i] : "";
}

std::uint64_t SeedFor(std::string_view site, std::string_view key) {
  // FNV-1a over the site, a zero byte and the key, then one splitmix step so
  // that neighbouring keys give unrelated seeds.
  std::uint64_t hash = 0xCBF29CE484222325ull;
  auto mix = [&hash](unsigned char byte) {
    hash ^= byte;
    hash *= 0x100000001B3ull;
  };
  for (char c : site) mix(static_cast<unsigned char>(c));
  mix(0);
  for (char c : key) mix(static_cast<unsigned char>(c));
  return Random(hash).Next();
}

Puzzle GeneratePuzzle(Level level, std::uint64_t seed) { return GeneratePuzzle(level, seed, nullptr); }

Puzzle GeneratePuzzle(Level level, std::uint64_t seed, int* rounds) {
  // Each level draws from a sequence of its own.
  Random random(seed ^ (0xA0761D6478BD642Full * (static_cast<std::uint64_t>(level) + 1)));
  // Every round has a fair chance to end at the level asked for, so the
  // loop ends; which round does depends on the seed alone.
  for (int round = 1;; ++round) {
    if (rounds) *rounds = round;
    const Grid solution = RandomSolvedGrid(random);
    Grid givens = solution;
    std::array<std::uint8_t, kGridCells> order;
    for (int k = 0; k < kGridCells; ++k) order[k] = static_cast<std::uint8_t>(k);
    random.Shuffle(order.data(), kGridCells);
    for (int k : order) {
      const std::uint8_t digit = givens[k];
      givens[k] = 0;
      if (!StaysWithin(givens, k, digit, level)) givens[k] = digit;
    }
    // The masks say where the aids end; the board, which has the last word,
    // is asked only when they agree with the level.
    const std::optional<Level> aids = AidsLevel(givens);
    const Level reached = aids ? *aids : Level::Evil;
    if (reached != level) continue;
    if (GradeOnBoard(givens, solution) != level) continue;
    return Puzzle{TextOfGrid(givens), TextOfGrid(solution), level};
  }
}

std::optional<Level> GradePuzzle(const std::string& givens) {
  const std::optional<Grid> grid = GridOfText(givens);
  if (!grid) return std::nullopt;
  Grid solution;
  if (CountSolutions(*grid, 2, &solution) != 1) return std::nullopt;
  return GradeOnBoard(*grid, solution);
}

}  // namespace kovalo::sites
