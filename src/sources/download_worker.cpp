#include "sources/download_worker.h"

#include <cstdio>

#include "download/download.h"
#include "download/result_classifiers.h"
#include "download/run_state.h"
#include "sources/readers.h"
#include "sources/site_service.h"

namespace kovalo {

std::optional<std::string> FetchWithEngine(const std::string& address, bool classify) {
  // The bundled sites on this machine are started when first needed.
  EnsureSiteService(address);
  CDlf handle;
  handle.Prepare(0, kMaxPuzzlePage);
  std::string url = address;
  const char* resultText = nullptr;
  int length = 0;
  const int result = DownloadUrl(resultText, 0, url, length, 2);
  if ((result != kDownloadOk && result != kDownloadNotHtml) || length <= 0) return std::nullopt;
  const char* page = SlotPageBuffer(0);
  if (!page) return std::nullopt;
  // No path: a classifier that recognises the text deletes nothing.
  if (classify && AnyResultClassifierHits(SlotResultText(0), "")) return std::nullopt;
  return std::string(page, static_cast<size_t>(length));
}

void ReadAnswersFromSolutionPage(const std::string& address, const FetchPage& fetch,
                                 WorkerWindow& window) {
  const std::optional<std::string> page = fetch(address);
  if (!page) return;
  const PageReading reading = ReadSolutionPageAnswers(*page);
  window.OnUiThread([&] {
    std::string unchangedDate = window.puzzleDate();
    ApplyReading(reading, window.board(), unchangedDate);
  });
}

namespace {

// Every cell writable and empty, with no answer and no status.
void EmptyBoard(Board& board) {
  for (Cell& cell : board.cells()) {
    cell.readOnly = false;
    cell.answer = 0;
    cell.status = Blank;
    cell.savedStatus = 0;
    cell.savedText.clear();
    cell.text.clear();
  }
  board.screen().Repaint();
}

constexpr const char* kDownloadingTitle = "Downloading From Website";
constexpr const char* kFailedTitle = "Download Form Website Failed";

// placedNothing: no given reached the board (a failed fetch, or a page
// without the markers).
void NormalFinish(WorkerWindow& window, bool placedNothing) {
  window.OnUiThread([&] {
    Board& board = window.board();
    board.replaying = false;
    board.steps.clear();
    board.stepCount = 0;
    window.firstSaveFlag() = 1;
    board.screen().EnableControl(IDC_UNDO, false);
    board.screen().EnableControl(IDC_REDO, false);
    for (Cell& cell : board.cells()) {
      cell.savedText = cell.text;
      cell.savedStatus = cell.status;
    }
    // The givens become read-only starting numbers, as the Lock button
    // makes them.
    board.OnLock();
    board.ClearHistory();
    // A download that brought nothing says so, rather than go on saying it
    // is downloading.
    if (placedNothing && board.screen().Title() == kDownloadingTitle)
      board.screen().SetTitle(kFailedTitle);
    window.StartDownloadEndTimer();
  });
}

void FailurePath(WorkerWindow& window, const WorkerRequest& request, bool randomPuzzle) {
  // Another random puzzle, with the controls still disabled, until too many
  // have failed in a row. The pause ends at once when the window closes.
  const int failed = request.failedRandomPages + 1;
  if (randomPuzzle && failed < kRandomPagesInARow && WaitWhileRunning(request.randomRetryDelay)) {
    window.PostRandomSudokuClick(failed);
    return;
  }
  window.OnUiThread([&] {
    Board& board = window.board();
    board.screen().SetTitle(kFailedTitle);
    window.StartDownloadEndTimer();
    for (Cell& cell : board.cells()) {
      cell.status = Blank;
      cell.text.clear();
    }
    board.ClearHistory();
    board.screen().Repaint();
  });
}

}  // namespace

int DownloadWorker(const WorkerRequest& request, WorkerWindow& window, const FetchPage& fetchPuzzle,
                   const FetchPage& fetchAnswers) {
  window.OnUiThread([&] {
    EmptyBoard(window.board());
    window.board().screen().SetTitle(kDownloadingTitle);
  });

  const std::optional<DownloadPlan> plan =
      PlanDownload(request.puzzleRequest, request.now, request.sites);
  std::optional<PageReading> reading;
  if (plan) {
    window.OnUiThread([&] { window.puzzleDate() = plan->dateText; });
    if (plan->request.site == PuzzleSite::MainWeekly)
      ReadAnswersFromSolutionPage(plan->solutionAddress, fetchAnswers, window);
    if (const std::optional<std::string> page = fetchPuzzle(plan->pageAddress)) {
      switch (plan->request.site) {
        case PuzzleSite::Level:
          reading = ReadLevelPage(*page, plan->target, plan->selectionTime);
          break;
        case PuzzleSite::SecondWeekly: reading = ReadSecondWeeklyFile(*page, plan->target); break;
        case PuzzleSite::Random: reading = ReadRandomSolutionPage(*page); break;
        case PuzzleSite::MainWeekly: reading = ReadMainWeeklyPage(*page, plan->target); break;
      }
      window.OnUiThread([&] {
        ApplyReading(*reading, window.board(), window.puzzleDate());
        window.board().screen().Repaint();
      });
    }
  }

  if (reading && reading->outcome == ReaderOutcome::Failed) {
    FailurePath(window, request, plan->request.site == PuzzleSite::Random);
  } else {
    bool placedNothing = true;
    if (reading)
      for (int given : reading->givens) placedNothing = placedNothing && given == 0;
    NormalFinish(window, placedNothing);
  }
  return 0;
}

bool ConfirmPuzzleLoad(Board& board, const std::string& caption) {
  if (board.IsEmptyOfKinds()) return true;
  return board.screen().ShowMessage("Are you sure you wish to load this puzzle from the internet",
                                    caption, Buttons::YesNo) == Reply::Yes;
}

}  // namespace kovalo
