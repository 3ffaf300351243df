// Saved positions with large month files: the start-up listing, one Save,
// one Delete, and painting the visible rows of the saves list while it
// scrolls.
//
//   build/bench/saves/kovalo_saves_bench
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>

#include "month_files.h"
#include "saves/qt/save_row_delegate.h"
#include "saves/qt/saves_list.h"
#include "saves/save_book.h"

namespace kovalo {
namespace {

std::time_t StartUp() {
  std::tm fields{};
  fields.tm_year = 2026 - 1900;
  fields.tm_mon = 11;
  fields.tm_mday = 7;
  fields.tm_hour = 14;
  fields.tm_isdst = -1;
  return std::mktime(&fields);
}

// A working folder with both months' files of count saves each.
const std::string& Folder(int count) {
  static std::map<int, std::string> folders;
  std::string& folder = folders[count];
  if (folder.empty()) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "kovalo-saves-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    folder = pattern + "/";
    std::filesystem::create_directories(folder + "Saves");
    std::ofstream(folder + "Saves/Sudoku 12-2026.ini", std::ios::binary) << MonthFile(count, 12);
    std::ofstream(folder + "Saves/Sudoku 11-2026.ini", std::ios::binary) << MonthFile(count, 11);
  }
  return folder;
}

void RemoveFolders() {
  std::error_code ignored;
  for (int count : {1000, 10000}) std::filesystem::remove_all(Folder(count), ignored);
}

// The start-up listing as the main window does it: both files read by a
// fresh store, the book's rows sorted into the list, the last row selected
// and scrolled to the top.
void BM_StartUpListing(benchmark::State& state) {
  const std::string& folder = Folder(static_cast<int>(state.range(0)));
  int rows = 0;
  for (auto _ : state) {
    IniStore store;
    SaveFiles files(store, folder, StartUp());
    SaveBook book(files);
    book.Load();
    CSaves list(book, nullptr);
    list.resize(729, 88);
    list.Relist();
    list.SelectRow(list.RowCount() - 1, true);
    rows = list.RowCount();
    benchmark::DoNotOptimize(rows);
  }
  state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_StartUpListing)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// One Save into a month file that already holds count saves: the locked
// read-modify-write and the atomic, synced replace of the whole file.
void BM_Save(benchmark::State& state) {
  const std::string& folder = Folder(static_cast<int>(state.range(0)));
  IniStore store;
  SaveFiles files(store, folder, StartUp());
  SaveBook book(files);
  book.Load();
  const std::string position = book.Saves(SaveMonth::Current).front().position;
  const std::string answers = book.Saves(SaveMonth::Current).front().answers;
  for (auto _ : state) {
    const SaveBook::SaveOutcome outcome = book.Save("1234 12/03/26 ,PM,02:05:09 PM 4+", position,
                                                    answers, "Sudoku 1234, Thursday Medium");
    if (!outcome.written) state.SkipWithError("save failed");
  }
  state.counters["saves"] = static_cast<double>(book.Saves(SaveMonth::Current).size());
}
BENCHMARK(BM_Save)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// Deleting the first save of a month file of count saves, the costliest
// place: every save above it moves down one. A Save (not timed) puts one
// back each time.
void BM_DeleteFirst(benchmark::State& state) {
  const std::string& folder = Folder(static_cast<int>(state.range(0)));
  IniStore store;
  SaveFiles files(store, folder, StartUp());
  SaveBook book(files);
  book.Load();
  const SaveEntry first = book.Saves(SaveMonth::Current).front();
  for (auto _ : state) {
    if (book.Delete(EncodeReference({SaveMonth::Current, 0})) != SaveBook::DeleteOutcome::Deleted)
      state.SkipWithError("delete failed");
    state.PauseTiming();
    book.Save(first.description, first.position, first.answers, first.title);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_DeleteFirst)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// One frame of scrolling: the list moves one row and paints every visible
// row. range(0) is the number of rows the list shows (4 in the window as it
// opens; 40 in a list made taller).
void BM_PaintVisibleRows(benchmark::State& state) {
  const int visible = static_cast<int>(state.range(0));
  IniStore store;
  SaveFiles files(store, Folder(10000), StartUp());
  SaveBook book(files);
  book.Load();
  CSaves list(book, nullptr);
  list.Relist();
  list.resize(729, visible * CSaves::kRowHeight + 2 * list.frameWidth());
  list.SelectRow(list.RowCount() / 2);
  QImage frame(list.viewport()->size(), QImage::Format_RGB32);
  int top = 0;
  for (auto _ : state) {
    top = (top + 1) % (list.RowCount() - visible);
    list.verticalScrollBar()->setValue(top);
    list.viewport()->render(&frame);
  }
  // The frame holds rows, not the bare list.
  const QColor drawn = frame.pixelColor(600, CSaves::kRowHeight / 2);
  if (drawn != QColor(192, 192, 192) && drawn != QColor(0, 128, 192))
    state.SkipWithError("no rows were painted");
  state.counters["rows"] = visible;
}
BENCHMARK(BM_PaintVisibleRows)->Arg(4)->Arg(40)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kovalo

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  kovalo::RemoveFolders();
  return 0;
}
