// One keystroke end to end in the widget layer, offscreen: key event ->
// change handler -> recheck -> repaint of the cells whose look changed, and
// the pending paint of the edited cell itself.
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
    QApplication::processEvents();  // paints the edited cell too
  }
  state.counters["steps"] = dlg.board().stepCount;
}
BENCHMARK(Keystroke)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
}  // namespace kovalo
