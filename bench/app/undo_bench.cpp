// Pressing Undo group by group back through a whole solving attempt, in the
// widget layer offscreen: every chained step rechecks and repaints the board.
#include <benchmark/benchmark.h>

#include <QTest>
#include <filesystem>

#include "app/butt.h"
#include "app/kovalo_dlg.h"
#include "solver/solving_aids.h"

namespace kovalo {
namespace {

// An easy puzzle that singles and box-line elimination solve completely.
const char kPuzzle[] =
    "53..7....6..195....98....6.8...6...34..8.3..17...2...6.6....28....419..5....8..79";

std::string ScratchFolder() {
  const auto folder = std::filesystem::temp_directory_path() / "kovalo-undo-bench";
  std::filesystem::create_directories(folder);
  return folder.string() + "/";
}

void PutPuzzleAndLock(CKovaloDlg& dlg) {
  Board& board = dlg.board();
  board.ResetEverything();
  for (int k = 0; k < 81; ++k) {
    Cell& cell = board.AtGrid(k / 9, k % 9);
    cell.text = kPuzzle[k] == '.' ? std::string() : std::string(1, kPuzzle[k]);
  }
  board.RecheckBoard(board.First());
  board.OnLock();
}

void UndoWholeAttempt(benchmark::State& state) {
  CKovaloDlg dlg(ScratchFolder());
  dlg.messageHook = [](const std::string&, const std::string&, Buttons) { return Reply::Yes; };
  dlg.show();
  (void)QTest::qWaitForWindowExposed(&dlg);
  CButt* undo = dlg.Button(IDC_UNDO);
  int groups = 0;
  int steps = 0;
  for (auto _ : state) {
    state.PauseTiming();
    PutPuzzleAndLock(dlg);
    AttemptSolve(dlg.board(), dlg.board().AtGrid(0, 0));
    steps = dlg.board().stepCount;
    groups = 0;
    state.ResumeTiming();
    while (dlg.board().stepCount > 0) {
      undo->click();
      ++groups;
    }
  }
  state.counters["groups"] = groups;
  state.counters["steps"] = steps;
}
BENCHMARK(UndoWholeAttempt)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
}  // namespace kovalo
