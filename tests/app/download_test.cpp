// Downloads from the main window against the puzzle sites on a loopback
// server: the worker on its own thread, the controls disabled meanwhile and
// enabled again by the end timer, retries and failures, closing mid-way.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>

#include "app/butt.h"
#include "app/kovalo_dlg.h"
#include "download/run_state.h"
#include "qt_app.h"
#include "support/local_time.h"
#include "support/puzzle_sites_server.h"

namespace kovalo {
namespace {

constexpr int kDownloadControls[] = {1100, 1101, 1102, 1103, 1104, 1105, 1106,
                                     1110, 1111, 1112, 1113, 1114, 1115, 1116};

using testing::LocalMoment;

class DownloadWindowTest : public ::testing::Test {
 protected:
  DownloadWindowTest() : server(KOVALO_TEST_DATA "/sources") {
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    testing::EnsureQtApplication();
    folder = testing::FreshFolder();
    // The scratch file goes into the working folder, as the program's does.
    oldFolder = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    // A file of the player's own, under the name the engine is handed.
    std::ofstream(folder + "a.tmp") << kPlayersFile;
    dlg = std::make_unique<CKovaloDlg>(folder);
    dlg->SetSiteAddresses(server.Sites());
    dlg->clock = [] { return LocalMoment(2006, 4, 20, 19); };  // a Thursday
    dlg->messageHook = [this](const std::string& text, const std::string&, Buttons b) {
      shown.push_back(text);
      return b == Buttons::Ok ? Reply::Ok : Reply::Yes;
    };
    dlg->show();
  }
  ~DownloadWindowTest() override {
    dlg.reset();
    std::filesystem::current_path(oldFolder);
    std::filesystem::remove_all(folder);
  }

  bool ControlsEnabled() const {
    for (int id : kDownloadControls)
      if (!dlg->Button(id)->isEnabled()) return false;
    return true;
  }
  bool ControlsDisabled() const {
    for (int id : kDownloadControls)
      if (dlg->Button(id)->isEnabled()) return false;
    return true;
  }
  // Presses a button and waits until the download is over and the end
  // timer has enabled the controls again.
  void PressAndWait(int id) {
    QTest::mouseClick(dlg->Button(id), Qt::LeftButton);
    EXPECT_TRUE(ControlsDisabled());
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return ControlsEnabled() && !dlg->DownloadRunning(); }, 20000));
  }
  std::string Givens() const {
    std::string givens;
    for (int k = 0; k < 81; ++k) {
      const std::string& text = dlg->board().AtGrid(k / 9, k % 9).text;
      givens += text.empty() ? '0' : text[0];
    }
    return givens;
  }
  void ExpectLocked(const std::string& givens) {
    EXPECT_EQ(Givens(), givens);
    for (int k = 0; k < 81; ++k) {
      const bool given = givens[k] != '0';
      EXPECT_EQ(dlg->CellWidget(NumberOfGrid(k / 9, k % 9))->isReadOnly(), given) << k;
      EXPECT_EQ(dlg->board().AtGrid(k / 9, k % 9).status, given ? kStartingNumber : 0u) << k;
    }
    EXPECT_TRUE(dlg->board().locked);
    EXPECT_EQ(dlg->board().stepCount, 0);
    EXPECT_FALSE(dlg->Button(IDC_UNDO)->isEnabled());
    EXPECT_FALSE(dlg->Button(IDC_REDO)->isEnabled());
    EXPECT_EQ(dlg->firstSaveFlag(), 1);
    ExpectPlayersFileKept();
  }
  void ExpectPlayersFileKept() {
    std::ifstream in(folder + "a.tmp");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, kPlayersFile);
  }
  static constexpr const char* kPlayersFile = "the player's own notes";

  testing::PuzzleSitesServer server;
  std::string folder;
  std::filesystem::path oldFolder;
  std::unique_ptr<CKovaloDlg> dlg;
  std::vector<std::string> shown;
};

TEST_F(DownloadWindowTest, LevelSitePuzzleArrivesLocked) {
  QTest::mouseClick(dlg->Button(IDC_MEDIUM), Qt::LeftButton);
  EXPECT_EQ(dlg->siteBase(), 2010000);
  PressAndWait(1103);  // Thu
  EXPECT_EQ(dlg->puzzleRequest(), 2010003);
  ExpectLocked("009183000340000900608007000002460001007005009004009006000004703000231008900000450");
  EXPECT_EQ(dlg->windowTitle(), "Sudoku 5320001, Thursday Medium");
  EXPECT_EQ(dlg->puzzleDate(), "4 20 2006");
  EXPECT_EQ(server.Requests(),
            std::vector<std::string>{"/level/sudoku/?&ws_level=2&ws_seltime=1145320001"});
  EXPECT_TRUE(shown.empty());
}

TEST_F(DownloadWindowTest, EveryWeekdayOfTheMainSiteAsksBeforeReplacingAPuzzle) {
  PressAndWait(1100);  // Mon: 17 April 2006
  ExpectLocked("009003002750408093001006008492605000000090000000180500513000086000050940000000700");
  EXPECT_EQ(dlg->windowTitle(), "Daily 1734, Monday 10 April 2006");
  EXPECT_EQ(dlg->board().AtGrid(0, 0).answer, 8);
  EXPECT_TRUE(shown.empty());
  PressAndWait(1106);  // Sun: the board is not empty now, so the question comes
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0], "Are you sure you wish to load this puzzle from the internet");
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(requests[0], "/main/DailySudoku.asp?solution=please&day=17/04/2006");
  EXPECT_EQ(requests[1], "/main/DailySudoku.asp?day=17/04/2006");
  EXPECT_EQ(requests[3], "/main/DailySudoku.asp?day=16/04/2006");
}

TEST_F(DownloadWindowTest, SecondWeeklyAndRandomSites) {
  QTest::mouseClick(dlg->Button(IDC_SECOND_WEEKLY), Qt::LeftButton);
  PressAndWait(1102);  // Wd
  ExpectLocked("010980000000304005836050000050040090904020060070010050040000031362000080000500704");
  EXPECT_EQ(dlg->windowTitle(), "Puzzle 1734, Wendsday");
  PressAndWait(IDC_RANDOM);
  ExpectLocked("001004002004006008005120003807002000009735000260000400400000720000957004000008109");
  EXPECT_EQ(dlg->windowTitle(), "Random 12345, April 10, 2006");
  EXPECT_EQ(dlg->puzzleDate(), "4 10 2006");
  const int32_t request = dlg->puzzleRequest();
  EXPECT_GE(request, 10);
  EXPECT_LE(request, 32777);
}

TEST_F(DownloadWindowTest, FailedRandomPageIsReplacedByAnotherUntilOneReads) {
  server.Override("/random/solution.php", "<html>Busy, try again</html>");
  QTest::mouseClick(dlg->Button(IDC_RANDOM), Qt::LeftButton);
  // The retries keep the controls disabled.
  ASSERT_TRUE(QTest::qWaitFor([&] { return server.Requests().size() >= 3; }, 20000));
  EXPECT_TRUE(ControlsDisabled());
  server.ClearOverride("/random/solution.php");
  ASSERT_TRUE(QTest::qWaitFor([&] { return ControlsEnabled() && !dlg->DownloadRunning(); }, 20000));
  ExpectLocked("001004002004006008005120003807002000009735000260000400400000720000957004000008109");
  EXPECT_EQ(dlg->windowTitle(), "Random 12345, April 10, 2006");
  EXPECT_TRUE(shown.empty());  // an empty board asks nothing before each retry
}

TEST_F(DownloadWindowTest, RandomPagesFailingTwentyTimesInARowEndTheDownload) {
  dlg->randomRetryDelay = std::chrono::milliseconds(1);
  server.Override("/random/solution.php", "<html>Busy, try again</html>");
  PressAndWait(IDC_RANDOM);
  EXPECT_EQ(server.Requests().size(), 20u);
  EXPECT_EQ(dlg->windowTitle(), "Download Form Website Failed");
  EXPECT_EQ(Givens(), std::string(81, '0'));
  ExpectPlayersFileKept();
}

TEST_F(DownloadWindowTest, DecliningTheRetrysPuzzleEndsTheDownloadAsFailed) {
  // A page cut inside its grid: the first givens are placed, then it fails,
  // so the retry finds a board that is not empty and asks.
  std::ifstream in(KOVALO_TEST_DATA "/sources/random_solution.html");
  std::string page((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  size_t cut = page.find("class=\"grid\">");
  for (int k = 0; k < 20; ++k) cut = page.find("<td class=\"", cut + 1);
  ASSERT_NE(cut, std::string::npos);
  server.Override("/random/solution.php", page.substr(0, cut));
  dlg->messageHook = [this](const std::string& text, const std::string&, Buttons) {
    shown.push_back(text);
    return Reply::No;
  };
  PressAndWait(IDC_RANDOM);
  EXPECT_EQ(shown, std::vector<std::string>{
                       "Are you sure you wish to load this puzzle from the internet"});
  EXPECT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(dlg->windowTitle(), "Download Form Website Failed");
  EXPECT_EQ(Givens().substr(0, 9), "001004002");  // the board as it stands
}

TEST_F(DownloadWindowTest, ClosingDuringTheRetrysPauseEndsAtOnce) {
  dlg->randomRetryDelay = std::chrono::minutes(1);
  server.Override("/random/solution.php", "<html>Busy, try again</html>");
  QTest::mouseClick(dlg->Button(IDC_RANDOM), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return server.Requests().size() == 1; }, 5000));
  const auto start = std::chrono::steady_clock::now();
  dlg->close();
  dlg.reset();  // joins the worker
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_EQ(server.Requests().size(), 1u);
}

TEST_F(DownloadWindowTest, MissingPageSaysTheDownloadFailed) {
  server.Override("/second/", "<html>Sorry, that day was not found</html>");
  QTest::mouseClick(dlg->Button(IDC_SECOND_WEEKLY), Qt::LeftButton);
  PressAndWait(1100);
  EXPECT_EQ(dlg->windowTitle(), "Download Form Website Failed");
  EXPECT_EQ(Givens(), std::string(81, '0'));
  EXPECT_TRUE(dlg->board().locked);  // the rest of the normal finish
  EXPECT_EQ(dlg->firstSaveFlag(), 1);
  ExpectPlayersFileKept();  // the not-found classifier recognised the page
}

TEST_F(DownloadWindowTest, MainWeeklyPageWithoutItsGridFails) {
  server.Override("/main/DailySudoku.asp?day=",
                  "<table><font>x<font>Daily 9<font>>J<<tr><td>1</table>");
  PressAndWait(1101);
  EXPECT_EQ(dlg->windowTitle(), "Download Form Website Failed");
  EXPECT_EQ(Givens(), std::string(81, '0'));
  EXPECT_EQ(dlg->board().stepCount, 0);
  EXPECT_EQ(dlg->board().AtGrid(0, 0).answer, 8);  // the solution page's answers stay
  ExpectPlayersFileKept();
}

TEST_F(DownloadWindowTest, CellsStayEditableDuringADownload) {
  server.Stall("/level/", 1500);
  QTest::mouseClick(dlg->Button(IDC_EASY), Qt::LeftButton);
  QTest::mouseClick(dlg->Button(1100), Qt::LeftButton);
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return dlg->windowTitle() == "Downloading From Website"; }, 5000));
  CSmallBox* cell = dlg->CellWidget(40);
  cell->setFocus();
  QTest::keyClicks(cell, "7");
  EXPECT_EQ(dlg->board().At(40).text, "7");
  ASSERT_TRUE(QTest::qWaitFor([&] { return ControlsEnabled() && !dlg->DownloadRunning(); }, 20000));
  // The stalled page came back empty: a failed fetch, then the lock.
  EXPECT_EQ(dlg->board().At(40).status, kStartingNumber);
  EXPECT_TRUE(cell->isReadOnly());
}

TEST_F(DownloadWindowTest, WebsiteOpensTheSiteTheTitleNames) {
  std::vector<std::string> opened;
  dlg->openInBrowser = [&](const std::string& address) { opened.push_back(address); };
  const SiteAddresses sites = server.Sites();
  QTest::mouseClick(dlg->Button(IDC_WEBSITE), Qt::LeftButton);  // a hand-typed puzzle
  QTest::mouseClick(dlg->Button(IDC_EASY), Qt::LeftButton);
  PressAndWait(1102);
  QTest::mouseClick(dlg->Button(IDC_WEBSITE), Qt::LeftButton);
  PressAndWait(IDC_RANDOM);
  QTest::mouseClick(dlg->Button(IDC_WEBSITE), Qt::LeftButton);
  EXPECT_EQ(opened, (std::vector<std::string>{sites.mainWeekly + "daily.asp",
                                              sites.level + "sudoku/", sites.random}));
}

TEST_F(DownloadWindowTest, ClosingDuringADownloadEndsPromptly) {
  server.Stall("/level/", 60000);
  QTest::mouseClick(dlg->Button(IDC_HARD), Qt::LeftButton);
  QTest::mouseClick(dlg->Button(1104), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return server.Requests().size() == 1; }, 5000));
  const auto start = std::chrono::steady_clock::now();
  dlg->close();
  dlg.reset();  // joins the worker
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_LT(took, std::chrono::seconds(10)) << "the stalled page would have taken a minute";
  EXPECT_EQ(RunState.load(), kRunStateClosing);
}

}  // namespace
}  // namespace kovalo
