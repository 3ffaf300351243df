// One keystroke end to end in the widget layer, offscreen: key event ->
// change handler -> recheck -> repaint of the 81 cells.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTest>
#include <cstdlib>
#include <filesystem>

#include "app/kovalo_dlg.h"

namespace kovalo {
namespace {

std::string ScratchFolder() {
  const auto folder = std::filesystem::temp_directory_path() / "kovalo-keystroke-bench";
  std::filesystem::create_directories(folder);
  return folder.string() + "/";
}

void Keystroke(benchmark::State& state) {
  CKovaloDlg dlg(ScratchFolder());
  dlg.messageHook = [](const std::string&, const std::string&, Buttons) { return Reply::No; };
  dlg.show();
  (void)QTest::qWaitForWindowExposed(&dlg);
  // A board in play: every cell holds candidates, so each repaint draws text.
  for (Cell& cell : dlg.board().cells()) cell.text = "123456789";
  dlg.Repaint();
  CSmallBox* cell = dlg.CellWidget(40);
  cell->setFocus();
  bool typeDigit = true;
  for (auto _ : state) {
    // Alternately add a digit and take it away again, so the text stays short.
    if (typeDigit)
      QTest::keyClick(cell, Qt::Key_5);
    else
      QTest::keyClick(cell, Qt::Key_Backspace);
    typeDigit = !typeDigit;
  }
  state.counters["steps"] = dlg.board().stepCount;
}
BENCHMARK(Keystroke)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
}  // namespace kovalo

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
