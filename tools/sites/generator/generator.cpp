// The generator: a random complete grid loses its clues one by one, in
// random order, each removal kept only while the puzzle stays within the
// level asked for; a puzzle that ends at that level on the board is taken,
// otherwise the same random sequence goes on with a new grid.
#include "generator/generator.h"

#include <algorithm>
#include <array>

#include "generator/exact_solver.h"
#include "generator/grader.h"
#include "generator/random.h"

namespace kovalo::sites {
namespace {

constexpr std::array<const char*, kLevels> kLevelNames = {"easy", "medium", "hard", "evil"};

// The clues of a puzzle being thinned out, with the digits that each row,
// column and box holds.
class Clues {
 public:
  explicit Clues(const Grid& full) : grid_(full), t_(Tables()) {
    for (int k = 0; k < kGridCells; ++k) Flip(k, Bit(grid_[k]));
  }
  const Grid& grid() const { return grid_; }

  void Remove(int k) {
    Flip(k, Bit(grid_[k]));
    grid_[k] = 0;
  }
  void Restore(int k, std::uint8_t digit) {
    grid_[k] = digit;
    Flip(k, Bit(digit));
  }

  // Whether the other clues give blank cell k its digit back at the first
  // step of the aids: its row, column and box hold every other digit (a
  // single digit field), or, when the box's lone numbers count, every other
  // blank of its box sees the digit in its row or column. Every way of
  // solving the puzzle then starts by undoing the removal, so the puzzle
  // keeps its level and its one solution, and nothing needs to run.
  bool GivesBack(int k, std::uint8_t digit, bool loneNumbers) const {
    const std::uint16_t bit = Bit(digit);
    const std::uint16_t seen = rows_[t_.rowOf[k]] | cols_[t_.colOf[k]] | boxes_[t_.boxOf[k]];
    if (seen == (kAllDigits & ~bit)) return true;
    if (!loneNumbers) return false;
    for (int j : t_.boxes[t_.boxOf[k]]) {
      if (j == k || grid_[j]) continue;
      if (!((rows_[t_.rowOf[j]] | cols_[t_.colOf[j]]) & bit)) return false;
    }
    return true;
  }

 private:
  static constexpr std::uint16_t kAllDigits = 0x1FF;
  static std::uint16_t Bit(std::uint8_t digit) {
    return static_cast<std::uint16_t>(1u << (digit - 1));
  }
  void Flip(int k, std::uint16_t bit) {
    rows_[t_.rowOf[k]] ^= bit;
    cols_[t_.colOf[k]] ^= bit;
    boxes_[t_.boxOf[k]] ^= bit;
  }

  Grid grid_;
  const GridTables& t_;
  std::uint16_t rows_[9] = {}, cols_[9] = {}, boxes_[9] = {};
};

// Whether the puzzle, within level before its cell lost digit, still is.
// Below evil, the aids of the level completing the puzzle prove its one
// solution as well; evil asks the exact solver.
bool StaysWithin(const Clues& clues, int cell, std::uint8_t digit, Level level) {
  if (clues.GivesBack(cell, digit, level != Level::Easy)) return true;
  if (level == Level::Evil) return !HasOtherSolution(clues.grid(), cell, digit);
  return AidsLevel(clues.grid(), level).has_value();
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

Puzzle GeneratePuzzle(Level level, std::uint64_t seed) {
  return GeneratePuzzle(level, seed, nullptr);
}

Puzzle GeneratePuzzle(Level asked, std::uint64_t seed, int* rounds) {
  // A value outside the four levels, which no round could ever reach, is
  // taken as the nearest level.
  const Level level = static_cast<Level>(std::clamp(static_cast<int>(asked), 0, kLevels - 1));
  // Each level draws from a sequence of its own.
  Random random(seed ^ (0xA0761D6478BD642Full * (static_cast<std::uint64_t>(level) + 1)));
  // Every round has a fair chance to end at the level asked for, so the
  // loop ends; which round does depends on the seed alone.
  for (int round = 1;; ++round) {
    if (rounds) *rounds = round;
    const Grid solution = RandomSolvedGrid(random);
    Clues clues(solution);
    std::array<std::uint8_t, kGridCells> order;
    for (int k = 0; k < kGridCells; ++k) order[k] = static_cast<std::uint8_t>(k);
    random.Shuffle(order.data(), kGridCells);
    for (int k : order) {
      const std::uint8_t digit = clues.grid()[k];
      clues.Remove(k);
      if (!StaysWithin(clues, k, digit, level)) clues.Restore(k, digit);
    }
    const Grid& givens = clues.grid();
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
