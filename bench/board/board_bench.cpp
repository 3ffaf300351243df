// Re-evaluating the whole board, the step every change ends in.
#include <benchmark/benchmark.h>

#include "board/board.h"
#include "board/silent_screen.h"

namespace kovalo {
namespace {

// Every cell holds a long candidate list, the worst case for the peer walk:
// the kinds come out Shared only after reading many peer texts.
void RecheckFullOfCandidates(benchmark::State& state) {
  SilentScreen screen;
  Board board(screen);
  for (Cell& cell : board.cells()) cell.text = "123456789";
  for (auto _ : state) {
    board.RecheckBoard(board.First());
    benchmark::DoNotOptimize(board.First().status);
  }
}
BENCHMARK(RecheckFullOfCandidates)->Unit(benchmark::kMicrosecond);

// A filled-in puzzle: 30 starting numbers, the rest candidate lists that
// clash with nothing, so every digit is looked up in every peer.
void RecheckPuzzleInPlay(benchmark::State& state) {
  SilentScreen screen;
  Board board(screen);
  const std::string grid =
      "53..7....6..195....98....6.8...6...34..8.3..17...2...6.6....28....419..5....8..79";
  for (int k = 0; k < 81; ++k) {
    Cell& cell = board.AtGrid(k / 9, k % 9);
    if (grid[k] != '.') {
      cell.text = std::string(1, grid[k]);
      cell.status = kStartingNumber;
    } else {
      cell.text = "1245";
    }
  }
  for (auto _ : state) {
    board.RecheckBoard(board.First());
    benchmark::DoNotOptimize(board.First().status);
  }
}
BENCHMARK(RecheckPuzzleInPlay)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kovalo

BENCHMARK_MAIN();
