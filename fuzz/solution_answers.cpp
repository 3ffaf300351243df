// The main weekly site's solution page as ReadAnswersFromSolutionPage walks
// it, with the input as the fetched page and the step run at once: only the
// answers it shows (1 ... 9) are written, everything else stays.
#include "reader_check.h"
#include "sources/download_worker.h"
#include "support/fake_screen.h"

using namespace kovalo;

namespace {

class DirectWindow : public WorkerWindow {
 public:
  testing::FakeScreen screen;
  Board board_{screen};
  std::string date = "4 10 2006";
  int flag = 0;

  bool OnUiThread(const std::function<void()>& step) override {
    step();
    return true;
  }
  Board& board() override { return board_; }
  std::string& puzzleDate() override { return date; }
  int& firstSaveFlag() override { return flag; }
  void StartDownloadEndTimer() override {}
  void PostRandomSudokuClick(int) override {}
};

// The answer each cell holds before the page is read: 0 ... 9 in turn.
int Before(int k) { return (k * 7) % 10; }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::UseFixedTimeZone();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string page(fuzz::Bytes(data, size));
  DirectWindow window;
  window.screen.title = "Sudoku 10 April 2006";
  for (int k = 0; k < kCells; ++k) {
    window.board_.AtGrid(k / 9, k % 9).answer = Before(k);
    window.board_.AtGrid(k / 9, k % 9).text = "5";
  }
  const std::string address = "http://127.0.0.1/DailySudoku.asp?day=10/04/2006&solution=1";
  std::string asked;
  ReadAnswersFromSolutionPage(
      address,
      [&](const std::string& a) -> std::optional<std::string> {
        asked = a;
        return page;
      },
      window);
  FUZZ_CHECK(asked == address);

  const PageReading reading = ReadSolutionPageAnswers(page);
  fuzz::CheckReading(reading, page, false);
  FUZZ_CHECK(!reading.title && !reading.date);
  for (int k = 0; k < kCells; ++k) {
    FUZZ_CHECK(reading.givens[k] == 0);
    FUZZ_CHECK(reading.answers[k] == kAnswerUnchanged ||
               (reading.answers[k] >= 1 && reading.answers[k] <= 9));
    const Cell& cell = window.board_.AtGrid(k / 9, k % 9);
    FUZZ_CHECK(cell.answer ==
               (reading.answers[k] == kAnswerUnchanged ? Before(k) : reading.answers[k]));
    FUZZ_CHECK(cell.text == "5");
  }
  FUZZ_CHECK(window.date == "4 10 2006");
  FUZZ_CHECK(window.screen.title == "Sudoku 10 April 2006");
  return 0;
}
