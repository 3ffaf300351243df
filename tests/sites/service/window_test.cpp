// Downloads through the real main window from kovalo-sites: one per site
// and level, the service on a free loopback port of the test's own; and
// once with nothing listening there, so that the window's download starts
// the service itself.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QTest>
#include <filesystem>

#include <thread>

#include "app/butt.h"
#include "app/kovalo_dlg.h"
#include "board/board.h"
#include "qt_app.h"
#include "service_processes.h"
#include "site_requests.h"
#include "sites_server.h"
#include "sources/sites.h"
#include "support/local_time.h"

namespace kovalo {
namespace {

using testing::FreeLoopbackPort;
using testing::ServicesOnPort;

using sites::CivilDate;
using sites::Puzzle;

const char* LevelWord(sites::Level level) {
  static constexpr const char* kWords[] = {"Easy", "Medium", "Hard", "Evil"};
  return kWords[static_cast<int>(level)];
}

SiteAddresses SitesOn(int port) {
  const std::string base = "http://127.0.0.1:" + std::to_string(port);
  return {base + "/main/", base + "/second/", base + "/level/", base + "/random/"};
}

class SitesWindowTest : public ::testing::Test {
 protected:
  SitesWindowTest() {
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    testing::EnsureQtApplication();
    folder = testing::FreshFolder();
    oldFolder = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    dlg = std::make_unique<CKovaloDlg>(folder);
    dlg->clock = [] { return testing::LocalMoment(2026, 12, 10, 19); };  // a Thursday
    dlg->messageHook = [](const std::string&, const std::string&, Buttons b) {
      return b == Buttons::Ok ? Reply::Ok : Reply::Yes;
    };
    dlg->show();
  }
  ~SitesWindowTest() override {
    dlg.reset();
    std::filesystem::current_path(oldFolder);
    std::filesystem::remove_all(folder);
  }

  void PressAndWait(int id) {
    QTest::mouseClick(dlg->Button(id), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(dlg->Button(id)->isEnabled() && !dlg->DownloadRunning(), 20000);
  }
  std::string Title() const { return dlg->windowTitle().toStdString(); }

  // The board holds the puzzle's givens as locked starting numbers and its
  // solution as every cell's answer.
  void ExpectOnBoard(const Puzzle& puzzle) {
    for (int k = 0; k < 81; ++k) {
      const Cell& cell = dlg->board().AtGrid(k / 9, k % 9);
      const char given = puzzle.givens[k];
      EXPECT_EQ(cell.text, given == '.' ? std::string() : std::string(1, given)) << "cell " << k;
      EXPECT_EQ(cell.status, given == '.' ? 0u : kStartingNumber) << "cell " << k;
      EXPECT_EQ(cell.answer, puzzle.solution[k] - '0') << "cell " << k;
    }
  }

  std::string folder;
  std::filesystem::path oldFolder;
  std::unique_ptr<CKovaloDlg> dlg;
};

// A service in this process on a free port.
class ServedSitesWindowTest : public SitesWindowTest {
 protected:
  ServedSitesWindowTest() : server(QuickToStop()) {
    port = server.Bind("127.0.0.1", 0);
    thread = std::thread([this] { server.Run(); });
    dlg->SetSiteAddresses(SitesOn(port));
  }
  ~ServedSitesWindowTest() override {
    server.Stop();
    thread.join();
  }
  // Kept-alive connections of the download engine end soon after a stop.
  static sites::ServerOptions QuickToStop() {
    sites::ServerOptions options;
    options.readTimeout = std::chrono::milliseconds(300);
    return options;
  }
  sites::SitesServer server;
  int port = 0;
  std::thread thread;
};

TEST_F(ServedSitesWindowTest, MainWeeklySite) {
  PressAndWait(1104);  // Fri.: 4 December 2026
  ExpectOnBoard(sites::MainWeeklyPuzzle({2026, 12, 4}));
  EXPECT_EQ(Title(), "Daily 9277, Friday 4 December 2026");
  EXPECT_EQ(dlg->puzzleDate(), "12 4 2026");
}

TEST_F(ServedSitesWindowTest, SecondWeeklySite) {
  QTest::mouseClick(dlg->Button(IDC_SECOND_WEEKLY), Qt::LeftButton);
  PressAndWait(1102);  // Wed.: 9 December 2026
  const Puzzle puzzle = sites::SecondWeeklyPuzzle({2026, 12, 9});
  ExpectOnBoard(puzzle);
  EXPECT_EQ(Title(), std::string("Puzzle 9282, rated ") + LevelWord(puzzle.level) + ", Wendsday");
  EXPECT_EQ(dlg->puzzleDate(), "12 9 2026");
}

TEST_F(ServedSitesWindowTest, LevelSiteAtEachLevel) {
  const int radios[] = {IDC_EASY, IDC_MEDIUM, IDC_HARD, IDC_EVIL};
  // Mon., Wed., Fri. and Sun. before Thursday 10 December 2026.
  const int buttons[] = {1100, 1102, 1104, 1106};
  const CivilDate dates[] = {{2026, 12, 7}, {2026, 12, 9}, {2026, 12, 4}, {2026, 12, 6}};
  for (int k = 0; k < 4; ++k) {
    SCOPED_TRACE(k);
    QTest::mouseClick(dlg->Button(radios[k]), Qt::LeftButton);
    PressAndWait(buttons[k]);
    const CivilDate date = dates[k];
    const Puzzle puzzle = sites::LevelSitePuzzle(k + 1, date);
    EXPECT_EQ(static_cast<int>(puzzle.level), k);
    ExpectOnBoard(puzzle);
    const int32_t selectionTime = sites::LevelSelectionTimeFor(k + 1, date);
    EXPECT_EQ(Title(), "Sudoku " + std::to_string(selectionTime % 10000000) + ", rated " +
                           LevelWord(puzzle.level) + ", " + WeekdayName(sites::WeekdayOf(date)));
  }
}

TEST_F(ServedSitesWindowTest, RandomSite) {
  PressAndWait(IDC_RANDOM);
  const int id = dlg->puzzleRequest();
  ASSERT_GE(id, 10);
  ASSERT_LE(id, 32777);
  ExpectOnBoard(sites::RandomSitePuzzle(id));
  const CivilDate published = sites::RandomPublishedDate(id);
  EXPECT_EQ(Title(), "Random " + std::to_string(id) + ", " + sites::EnglishMonth(published.month) +
                         " " + std::to_string(published.day) + ", " +
                         std::to_string(published.year));
  EXPECT_EQ(dlg->puzzleDate(), std::to_string(published.month) + " " +
                                   std::to_string(published.day) + " " +
                                   std::to_string(published.year));
}

TEST_F(SitesWindowTest, ADownloadStartsTheServiceWhenNothingListens) {
  // kovalo-sites is found on PATH here: the test program's folder has none.
  const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  const std::string programFolder =
      std::filesystem::path(KOVALO_SITES_PROGRAM).parent_path().string();
  setenv("PATH", (programFolder + ":" + oldPath).c_str(), 1);
  const int port = FreeLoopbackPort();
  dlg->SetSiteAddresses(SitesOn(port));
  ASSERT_TRUE(ServicesOnPort(KOVALO_SITES_PROGRAM, port).empty());

  QTest::mouseClick(dlg->Button(IDC_HARD), Qt::LeftButton);
  PressAndWait(1103);  // Thu.: today, 10 December 2026
  const std::vector<pid_t> services = ServicesOnPort(KOVALO_SITES_PROGRAM, port);
  EXPECT_EQ(services.size(), 1u);
  ExpectOnBoard(sites::LevelSitePuzzle(3, {2026, 12, 10}));

  PressAndWait(IDC_RANDOM);  // finds it running
  ExpectOnBoard(sites::RandomSitePuzzle(dlg->puzzleRequest()));
  EXPECT_EQ(ServicesOnPort(KOVALO_SITES_PROGRAM, port), services);
  for (pid_t pid : services) kill(pid, SIGTERM);
  setenv("PATH", oldPath.c_str(), 1);
}

}  // namespace
}  // namespace kovalo
