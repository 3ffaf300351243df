// What a pasted or opened puzzle costs on the user-interface thread: reading
// the text, counting the solutions up to two, placing it as typed and
// locked, and the first hint on it. The solution count also runs over
// sparse random givens without a clash, the kind where a search that only
// looks at cells can take seconds to find that there is no solution.
#include <benchmark/benchmark.h>

#include <chrono>
#include <random>

#include "board/puzzle_text.h"
#include "board/silent_screen.h"
#include "puzzle_set.h"
#include "solver/hint.h"

namespace kovalo {
namespace {

const std::vector<testing::Puzzle>& Puzzles() {
  static const std::vector<testing::Puzzle> puzzles =
      testing::MakePuzzleSet(100, testing::kPuzzleSetSeed);
  return puzzles;
}

// Up to 27 random givens each, kept only while no digit repeats in a row,
// column or box.
const std::vector<std::string>& SparseGivens() {
  static const std::vector<std::string> grids = [] {
    std::mt19937 random(7);
    std::vector<std::string> result;
    while (result.size() < 3000) {
      std::string grid(81, '0');
      const int clues = 8 + static_cast<int>(result.size() % 20);
      for (int i = 0; i < clues; ++i) {
        std::string next = grid;
        next[random() % 81] = static_cast<char>('1' + random() % 9);
        if (ReadPuzzleText(next).Accepted()) grid = next;
      }
      result.push_back(grid);
    }
    return result;
  }();
  return grids;
}

void BM_ReadAndCountPuzzleSet(benchmark::State& state) {
  Puzzles();  // made before the clock runs
  for (auto _ : state) {
    for (const testing::Puzzle& p : Puzzles()) {
      const PuzzleReading reading = ReadPuzzleText(p.givens);
      benchmark::DoNotOptimize(CountSolutions(reading.digits));
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(Puzzles().size()));
}
BENCHMARK(BM_ReadAndCountPuzzleSet)->Unit(benchmark::kMillisecond);

void BM_CountSparseGivens(benchmark::State& state) {
  SparseGivens();
  for (auto _ : state)
    for (const std::string& grid : SparseGivens()) benchmark::DoNotOptimize(CountSolutions(grid));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(SparseGivens().size()));
}
BENCHMARK(BM_CountSparseGivens)->Unit(benchmark::kMillisecond);

// The slowest single grid of the sparse set: what the player waits for at
// worst.
void BM_CountSlowestSparseGivens(benchmark::State& state) {
  static const std::string slowest = [] {
    std::string worst;
    double longest = -1;
    for (const std::string& grid : SparseGivens()) {
      const auto start = std::chrono::steady_clock::now();
      CountSolutions(grid);
      const double took =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      if (took > longest) {
        longest = took;
        worst = grid;
      }
    }
    return worst;
  }();
  for (auto _ : state) benchmark::DoNotOptimize(CountSolutions(slowest));
}
BENCHMARK(BM_CountSlowestSparseGivens)->Unit(benchmark::kMicrosecond);

void BM_PlacePuzzleAndFirstHint(benchmark::State& state) {
  Puzzles();
  SilentScreen screen;
  Board board(screen);
  size_t next = 0;
  for (auto _ : state) {
    std::string digits = Puzzles()[next++ % Puzzles().size()].givens;
    for (char& c : digits)
      if (c == '.') c = '0';
    PlacePuzzle(board, digits);
    benchmark::DoNotOptimize(FindHint(board).cell);
  }
}
BENCHMARK(BM_PlacePuzzleAndFirstHint)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kovalo

BENCHMARK_MAIN();
