// The download worker's steps on a window that runs them at once, with pages
// served from the fixtures: what a finished, a failed and a retried download
// leave on the board and in the window.
#include "sources/download_worker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>

#include "download/run_state.h"
#include "sources/source_test_util.h"
#include "support/fake_screen.h"

namespace kovalo {
namespace {

using testing::LocalMoment;
using testing::LocalZone;
using testing::ReadFixture;

class FakeWindow : public WorkerWindow {
 public:
  testing::FakeScreen screen;
  Board theBoard{screen};
  std::string date;
  int flag = 0;
  int timers = 0;
  int randomClicks = 0;
  int steps = 0;
  bool closing = false;

  bool OnUiThread(const std::function<void()>& step) override {
    if (closing) return false;
    ++steps;
    step();
    return true;
  }
  Board& board() override { return theBoard; }
  std::string& puzzleDate() override { return date; }
  int& firstSaveFlag() override { return flag; }
  void StartDownloadEndTimer() override { ++timers; }
  void PostRandomSudokuClick(int failed) override {
    ++randomClicks;
    failedRandomPages = failed;
  }
  int failedRandomPages = -1;
};

const SiteAddresses kSites{"http://main/", "http://second/", "http://level/", "http://random/"};

class WorkerTest : public ::testing::Test {
 protected:
  WorkerTest() { RunState.store(kRunStateRunning); }
  ~WorkerTest() override { RunState.store(kRunStateRunning); }

  // Serves a page for every address that starts with a key of pages.
  FetchPage Serve(std::map<std::string, std::string> pages) {
    return [this, pages](const std::string& address) -> std::optional<std::string> {
      fetched.push_back(address);
      for (const auto& [prefix, page] : pages)
        if (address.rfind(prefix, 0) == 0) return page;
      return std::nullopt;
    };
  }
  void Run(int32_t request, time_t now, const FetchPage& fetch) {
    DownloadWorker(WorkerRequest{request, now, kSites}, window, fetch, fetch);
  }
  std::string Givens() const {
    std::string givens;
    for (int k = 0; k < 81; ++k) {
      const Cell& cell = window.theBoard.AtGrid(k / 9, k % 9);
      givens += cell.text.empty() ? '0' : cell.text[0];
    }
    return givens;
  }

  LocalZone zone{"Europe/Berlin"};
  FakeWindow window;
  std::vector<std::string> fetched;
};

void ExpectLockedPuzzle(const FakeWindow& window, const std::string& givens) {
  const Board& board = window.theBoard;
  for (int k = 0; k < 81; ++k) {
    const Cell& cell = board.AtGrid(k / 9, k % 9);
    if (givens[k] == '0') {
      EXPECT_EQ(cell.text, "") << k;
      EXPECT_FALSE(cell.readOnly) << k;
      EXPECT_EQ(cell.status, 0u) << k;
    } else {
      EXPECT_EQ(cell.text, givens.substr(k, 1)) << k;
      EXPECT_TRUE(cell.readOnly) << k;
      EXPECT_EQ(cell.status, kStartingNumber) << k;
      EXPECT_EQ(cell.savedStatus, kStartingNumber) << k;
    }
    EXPECT_EQ(cell.historyPos, 0) << k;
  }
  EXPECT_TRUE(board.locked);
  EXPECT_EQ(board.stepCount, 0);
  EXPECT_TRUE(board.steps.empty());
  EXPECT_FALSE(window.screen.IsEnabled(IDC_UNDO));
  EXPECT_FALSE(window.screen.IsEnabled(IDC_REDO));
  EXPECT_EQ(window.flag, 1);
  EXPECT_EQ(window.timers, 1);
  EXPECT_EQ(window.randomClicks, 0);
}

TEST_F(WorkerTest, LevelSitePuzzleIsPlacedAndLocked) {
  // "Thu" with "Medium" on Thursday 20 April 2006.
  const time_t now = LocalMoment(2006, 4, 20, 19, 45);
  window.theBoard.AtGrid(4, 4).text = "5";  // whatever was on the board goes
  window.theBoard.AtGrid(4, 4).status = Plain;
  Run(WeekdayRequest(2010000, 3), now, Serve({{"http://level/", ReadFixture("level.html")}}));
  ASSERT_EQ(fetched.size(), 1u);
  EXPECT_EQ(fetched[0], "http://level/sudoku/?&ws_level=2&ws_seltime=1145320001");
  ExpectLockedPuzzle(
      window, "009183000340000900608007000002460001007005009004009006000004703000231008900000450");
  EXPECT_EQ(window.screen.title, "Sudoku 5320001, Thursday Medium");
  EXPECT_EQ(window.date, "4 20 2006");
  EXPECT_EQ(window.theBoard.AtGrid(0, 0).answer, 7);
  EXPECT_TRUE(window.screen.messages.empty());
}

TEST_F(WorkerTest, MainWeeklySiteTakesAnswersFromTheSolutionPageFirst) {
  const time_t now = LocalMoment(2006, 4, 10, 8, 0);  // a Monday
  Run(WeekdayRequest(0, 0), now,
      Serve({{"http://main/DailySudoku.asp?solution=please",
              ReadFixture("main_weekly_solution.html")},
             {"http://main/DailySudoku.asp?day=", ReadFixture("main_weekly_puzzle.html")}}));
  EXPECT_EQ(fetched,
            (std::vector<std::string>{"http://main/DailySudoku.asp?solution=please&day=10/04/2006",
                                      "http://main/DailySudoku.asp?day=10/04/2006"}));
  ExpectLockedPuzzle(
      window, "009003002750408093001006008492605000000090000000180500513000086000050940000000700");
  EXPECT_EQ(window.screen.title, "Daily 1734, Monday 10 April 2006");
  EXPECT_EQ(window.theBoard.AtGrid(8, 8).answer, 5);
}

TEST_F(WorkerTest, PageWithoutAGridEndsNormallyWithAnEmptyBoard) {
  Run(WeekdayRequest(1000000, 0), LocalMoment(2006, 4, 10, 8, 0),
      Serve({{"http://second/", "var nothing = 1;"}}));
  EXPECT_EQ(fetched, std::vector<std::string>{"http://second/DayFiles\\10-4-2006.js"});
  ExpectLockedPuzzle(window, std::string(81, '0'));
  EXPECT_EQ(window.screen.title, "Download Form Website Failed");  // nothing was placed
}

TEST_F(WorkerTest, FetchErrorEndsNormallyWithAnEmptyBoardAndTheFailureTitle) {
  Run(WeekdayRequest(1000000, 3), LocalMoment(2006, 4, 10, 8, 0), Serve({}));
  ExpectLockedPuzzle(window, std::string(81, '0'));
  EXPECT_EQ(window.screen.title, "Download Form Website Failed");
  EXPECT_EQ(window.date, "4 6 2006");  // the Thursday before that Monday
}

TEST_F(WorkerTest, TitleOfAPageWithoutGivensStays) {
  // The level page's heading, without its grid.
  std::string page = ReadFixture("level.html");
  page = page.substr(0, page.find("<!-- Sudoku engine by kovalo-sites,"));
  Run(WeekdayRequest(2010000, 3), LocalMoment(2006, 4, 20, 19, 45),
      Serve({{"http://level/", page}}));
  ExpectLockedPuzzle(window, std::string(81, '0'));
  EXPECT_EQ(window.screen.title, "Sudoku 5320001, Thursday Medium");
}

TEST_F(WorkerTest, FailedRandomPageStartsAnotherAfterHalfASecond) {
  const auto start = std::chrono::steady_clock::now();
  Run(RandomRequest(12335), LocalMoment(2006, 4, 10, 8, 0),
      Serve({{"http://random/", "<html>no solution here</html>"}}));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
  EXPECT_EQ(fetched, std::vector<std::string>{"http://random/solution.php?id=12345"});
  EXPECT_EQ(window.randomClicks, 1);
  EXPECT_EQ(window.failedRandomPages, 1);
  EXPECT_EQ(window.timers, 0);  // the controls stay disabled
  EXPECT_EQ(window.screen.title, "Downloading From Website");
}

TEST_F(WorkerTest, FailedRandomPageWhileClosingShowsTheFailure) {
  RunState.store(kRunStateClosing);
  Run(RandomRequest(100), LocalMoment(2006, 4, 10, 8, 0),
      Serve({{"http://random/", "<html>no solution here</html>"}}));
  EXPECT_EQ(window.randomClicks, 0);
  EXPECT_EQ(window.screen.title, "Download Form Website Failed");
  EXPECT_EQ(window.timers, 1);
}

TEST_F(WorkerTest, MainWeeklyPageCutShortFailsAndEmptiesTheBoard) {
  std::string page = ReadFixture("main_weekly_puzzle.html");
  // Cut the grid after the first rows: the cell walk runs out of cells.
  const size_t grid = page.find(">J<");
  ASSERT_NE(grid, std::string::npos);
  page = page.substr(0, page.find("<tr>", page.find("<tr>", page.find("<tr>", grid) + 4) + 4));
  Run(WeekdayRequest(0, 0), LocalMoment(2006, 4, 10, 8, 0),
      Serve({{"http://main/DailySudoku.asp?solution=please",
              ReadFixture("main_weekly_solution.html")},
             {"http://main/DailySudoku.asp?day=", page}}));
  EXPECT_EQ(window.screen.title, "Download Form Website Failed");
  EXPECT_EQ(Givens(), std::string(81, '0'));
  EXPECT_EQ(window.timers, 1);
  EXPECT_EQ(window.theBoard.stepCount, 0);
  // The solution page's answers stay in the cells.
  EXPECT_EQ(window.theBoard.AtGrid(0, 0).answer, 8);
}

TEST_F(WorkerTest, ClosingWindowTakesNoMoreSteps) {
  window.closing = true;
  Run(WeekdayRequest(2000000, 0), LocalMoment(2006, 4, 10, 8, 0),
      Serve({{"http://level/", ReadFixture("level.html")}}));
  EXPECT_EQ(window.steps, 0);
  EXPECT_EQ(Givens(), std::string(81, '0'));
  EXPECT_EQ(window.timers, 0);
}

TEST_F(WorkerTest, ConfirmPuzzleLoadAsksOnlyWhenACellIsNotBlank) {
  EXPECT_TRUE(ConfirmPuzzleLoad(window.theBoard, "Mon."));
  EXPECT_TRUE(window.screen.messages.empty());
  window.theBoard.AtGrid(8, 0).status = Shared;
  window.screen.replies = {Reply::No, Reply::Yes};
  EXPECT_FALSE(ConfirmPuzzleLoad(window.theBoard, "Wed."));
  EXPECT_TRUE(ConfirmPuzzleLoad(window.theBoard, "RANDOM"));
  ASSERT_EQ(window.screen.messages.size(), 2u);
  EXPECT_EQ(window.screen.messages[0].text,
            "Are you sure you wish to load this puzzle from the internet");
  EXPECT_EQ(window.screen.messages[0].caption, "Wed.");
  EXPECT_EQ(window.screen.messages[1].caption, "RANDOM");
}

}  // namespace
}  // namespace kovalo
