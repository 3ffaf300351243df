// The download worker: fetches one puzzle on a thread of its own, reads it
// there, and has the user-interface thread put it on the board and lock it.
//
// Only the user-interface thread touches the board and the window. The
// worker therefore hands every change to the window as a step that the
// window runs on that thread and waits for, in the order the worker takes
// them; between two steps the player may go on editing cells.
#pragma once

#include <chrono>
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>

#include "board/board.h"
#include "sources/sites.h"

namespace kovalo {

// Largest page a puzzle fetch takes.
constexpr int64_t kMaxPuzzlePage = 1000000;
// Random pages that may fail in a row before the download ends as failed,
// and the pause before each new one, so that a failing site is not asked
// again and again at once.
constexpr int kRandomPagesInARow = 20;
constexpr std::chrono::milliseconds kRandomRetryDelay{500};

// What the worker needs from the main window.
class WorkerWindow {
 public:
  virtual ~WorkerWindow() = default;
  // Runs step on the user-interface thread and waits for it. Returns false,
  // without running it, once the window is closing.
  virtual bool OnUiThread(const std::function<void()>& step) = 0;

  // The following are for steps running on the user-interface thread.
  virtual Board& board() = 0;
  virtual std::string& puzzleDate() = 0;
  virtual int& firstSaveFlag() = 0;
  // Starts a zero-length timer of the window, whose tick enables the
  // download controls again once the present step has returned.
  virtual void StartDownloadEndTimer() = 0;
  // Has the Random Sudoku handler run as if its button were pressed, after
  // the present step; returns at once. failedRandomPages random pages have
  // failed in a row so far: the handler hands the count to the next worker,
  // and ends the download as failed when the player declines the new page.
  virtual void PostRandomSudokuClick(int failedRandomPages) = 0;
};

// A fetched page, or nothing when the fetch failed.
using FetchPage = std::function<std::optional<std::string>(const std::string& address)>;

// The engine's fetch as the worker makes it: slot 0, 1000000 bytes, 2
// retries; a page counts only with result 0 (or the not-HTML
// result) and a length above 0. With classify, a result text that any result
// classifier recognises also counts as failed. A loopback address on which
// nothing listens gets the bundled sites started first.
std::optional<std::string> FetchWithEngine(const std::string& address, bool classify);

// Fetches the main weekly site's solution page at address and puts the
// answers it shows into the cells (in a step of window when given, else
// directly: the caller is then on the user-interface thread). Title, date
// and statuses stay as they are.
void ReadAnswersFromSolutionPage(const std::string& address, const FetchPage& fetch,
                                 WorkerWindow& window);

struct WorkerRequest {
  int32_t puzzleRequest = -1;  // PuzzleRequest as the button wrote it
  std::time_t now = 0;         // the moment the worker started
  SiteAddresses sites;
  int failedRandomPages = 0;  // random pages failed in a row before this one
  std::chrono::milliseconds randomRetryDelay = kRandomRetryDelay;
};

// The worker's steps for one request. fetch does the fetching for both the
// puzzle and the answers (FetchWithEngine with and without classifiers in the
// program). Returns 0.
int DownloadWorker(const WorkerRequest& request, WorkerWindow& window, const FetchPage& fetchPuzzle,
                   const FetchPage& fetchAnswers);

// True when a download may replace the board: at once when every cell's
// kind is Blank, else only when the player says Yes to the question.
bool ConfirmPuzzleLoad(Board& board, const std::string& caption);

}  // namespace kovalo
