// The solving attempt in the core, history recording included, over the
// generated puzzle set the tests use: puzzles per second and the share it
// completes. The screen answers Yes to the question and draws nothing.
#include <benchmark/benchmark.h>

#include "board/board.h"
#include "puzzle_set.h"
#include "solver/solving_aids.h"

namespace kovalo {
namespace {

class YesScreen : public Screen {
 public:
  Reply ShowMessage(const std::string&, const std::string&, Buttons buttons, const Cell*) override {
    return buttons == Buttons::YesNo ? Reply::Yes : Reply::Ok;
  }
  void SetTitle(const std::string&) override {}
  std::string Title() const override { return {}; }
  void EnableControl(int, bool) override {}
  void SetControlChecked(int, bool) override {}
  void Repaint() override { ++repaints; }
  bool SetClipboardText(const std::string&) override { return true; }
  void SetWaitCursor(bool) override {}
  void MarkHintCells(const std::vector<int>&) override {}

  int64_t repaints = 0;  // one per re-evaluation of the board, one per fill
};

// The givens as locked starting numbers, every other cell empty, an empty
// history: the board as a download leaves it.
void PlaceLocked(Board& board, const std::string& givens) {
  for (int k = 0; k < 81; ++k) {
    Cell& cell = board.AtGrid(k / 9, k % 9);
    const bool given = givens[k] >= '1' && givens[k] <= '9';
    cell.text = given ? std::string(1, givens[k]) : std::string();
    cell.status = given ? kStartingNumber : 0;
    cell.readOnly = given;
  }
  board.locked = true;
  board.RecheckBoard(board.First());
  board.ClearHistory();
}

const std::vector<testing::Puzzle>& ThePuzzles() {
  static const std::vector<testing::Puzzle> puzzles =
      testing::MakePuzzleSet(testing::kPuzzleSetSize, testing::kPuzzleSetSeed);
  return puzzles;
}

// One puzzle per iteration, round the set; placing the givens is not timed.
void AttemptSolvePerPuzzle(benchmark::State& state) {
  const auto& puzzles = ThePuzzles();
  YesScreen screen;
  Board board(screen);
  Cell& clicked = board.AtGrid(4, 4);
  size_t next = 0;
  int64_t completed = 0, attempted = 0;
  for (auto _ : state) {
    state.PauseTiming();
    PlaceLocked(board, puzzles[next].givens);
    next = (next + 1) % puzzles.size();
    state.ResumeTiming();

    AttemptSolve(board, clicked);

    ++attempted;
    completed += clicked.fixedCount == 81;
  }
  state.counters["puzzles_per_second"] =
      benchmark::Counter(static_cast<double>(attempted), benchmark::Counter::kIsRate);
  state.counters["completed_share"] =
      attempted ? static_cast<double>(completed) / static_cast<double>(attempted) : 0.0;
}
BENCHMARK(AttemptSolvePerPuzzle)->Unit(benchmark::kMicrosecond);

// The whole set per iteration, placing included: no pause in the loop.
void AttemptSolveWholeSet(benchmark::State& state) {
  const auto& puzzles = ThePuzzles();
  YesScreen screen;
  Board board(screen);
  Cell& clicked = board.AtGrid(4, 4);
  int64_t completed = 0, attempted = 0;
  for (auto _ : state) {
    for (const testing::Puzzle& puzzle : puzzles) {
      PlaceLocked(board, puzzle.givens);
      AttemptSolve(board, clicked);
      ++attempted;
      completed += clicked.fixedCount == 81;
    }
  }
  state.counters["puzzles_per_second"] =
      benchmark::Counter(static_cast<double>(attempted), benchmark::Counter::kIsRate);
  state.counters["completed_share"] =
      attempted ? static_cast<double>(completed) / static_cast<double>(attempted) : 0.0;
  state.counters["repaints_per_puzzle"] =
      attempted ? static_cast<double>(screen.repaints) / static_cast<double>(attempted) : 0.0;
}
BENCHMARK(AttemptSolveWholeSet)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kovalo

BENCHMARK_MAIN();
