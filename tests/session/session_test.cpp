// The session's acts through the scripted screen: what Save, Load and
// Delete leave on the board, in the saves and on the screen, and the date
// text read back.
#include "session/session.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <deque>

#include "saves/temp_dir.h"
#include "support/board_text.h"
#include "support/fake_screen.h"

namespace kovalo {
namespace {

using testing::FakeScreen;
using testing::GridOf;
using testing::LoadGrid;
using testing::TempDir;

// Runs steps at once, and posted calls when the test says so.
class InlineUiThread : public UiThread {
 public:
  bool RunAndWait(const std::function<void()>& step) override {
    if (closed) return false;
    step();
    return true;
  }
  void Post(std::function<void()> call) override { posted.push_back(std::move(call)); }
  void Close() override { closed = true; }

  bool closed = false;
  std::deque<std::function<void()>> posted;
};

constexpr std::time_t kStartUp = 1796652309;  // Monday 7 December 2026, 14:05:09 UTC

class SessionTest : public ::testing::Test {
 protected:
  SessionTest() {
    setenv("TZ", "UTC", 1);
    tzset();
    session.clock = [] { return kStartUp; };
    session.fetchAnswers = nullptr;
    session.savesChanged = [this] { ++savesChanges; };
    session.Start();
  }

  TempDir folder;
  FakeScreen screen;
  InlineUiThread ui;
  Session session{screen, ui, folder.path(), kStartUp};
  int savesChanges = 0;
};

TEST_F(SessionTest, SaveThenLoadGivesBackTheBoardTheTitleBytesAndTheDate) {
  EXPECT_EQ(savesChanges, 1) << "start-up lists the saves";
  const std::string puzzle =
      "53..7....6..195....98....6.8...6...34..8.3..17...2...6.6....28....419..5....8..79";
  LoadGrid(session.board(), puzzle, Plain);
  session.PressControl(IDC_LOCK, false);
  // A title in an 8-bit code page, not UTF-8: its bytes must come back.
  const std::string title =
      "Sudoku 12, Friday Dif\xED"
      "cil";
  session.SetTitle(title);
  session.puzzleDate() = "12 4 2026";
  session.firstSaveFlag() = 1;

  const std::optional<uint32_t> saved = session.SavePosition();
  ASSERT_TRUE(saved);
  EXPECT_EQ(savesChanges, 2);
  EXPECT_EQ(session.firstSaveFlag(), 0) << "the next save is no first save";
  ASSERT_EQ(session.saveBook().Saves(SaveMonth::Current).size(), 1u);

  screen.replies = {Reply::Yes, Reply::Yes, Reply::Yes};
  session.PressControl(IDC_RESET, false);
  screen.replies.clear();
  EXPECT_NE(GridOf(session.board()), puzzle);
  session.SetTitle("something else");
  session.LoadPosition(*saved);
  EXPECT_EQ(GridOf(session.board()), puzzle);
  EXPECT_EQ(session.Title(), title);
  EXPECT_EQ(screen.title, title);
  EXPECT_EQ(session.puzzleDate(), "12 4 2026");
  EXPECT_EQ(session.firstSaveFlag(), 2) << "a first save loads as one";
  EXPECT_TRUE(session.board().locked);
  EXPECT_TRUE(session.board().At(0).readOnly);
  EXPECT_EQ(session.board().stepCount, 0) << "loading clears the history";

  EXPECT_TRUE(session.DeleteSave(*saved));
  EXPECT_EQ(savesChanges, 3);
  EXPECT_TRUE(session.saveBook().Saves(SaveMonth::Current).empty());
}

TEST_F(SessionTest, ASaveThatCannotBeWrittenSaysWhyAndChangesNothing) {
  // A month file the user made read-only is never replaced.
  testing::WriteBytes(session.saveFiles().currentMonthPath(), "[Sudoku]\nItems=0\n");
  ASSERT_EQ(chmod(session.saveFiles().currentMonthPath().c_str(), 0444), 0);
  session.firstSaveFlag() = 1;
  EXPECT_FALSE(session.SavePosition());
  ASSERT_EQ(screen.messages.size(), 1u);
  EXPECT_EQ(screen.messages[0].caption, "Save Position");
  EXPECT_NE(screen.messages[0].text.find("Sudoku 12-2026.ini"), std::string::npos)
      << screen.messages[0].text;
  EXPECT_EQ(session.firstSaveFlag(), 1) << "the next save is still a first save";
  EXPECT_EQ(savesChanges, 1) << "the list stays as it was";
  EXPECT_EQ(testing::ReadBytes(session.saveFiles().currentMonthPath()), "[Sudoku]\nItems=0\n");
}

TEST_F(SessionTest, DownloadsEndByPostedCallsAndNothingRunsOnceClosed) {
  // The random site's retry declined on a board that is not empty: the
  // download ends as failed and the controls come back after the step.
  LoadGrid(session.board(), std::string(80, '.') + "5", Plain);
  screen.replies.push_back(Reply::No);
  session.PostRandomSudokuClick(3);
  ASSERT_EQ(ui.posted.size(), 1u);
  ui.posted.front()();
  ui.posted.pop_front();
  EXPECT_EQ(screen.title, "Download Form Website Failed");
  ASSERT_EQ(ui.posted.size(), 1u) << "one enabling, however often it is asked for";
  session.StartDownloadEndTimer();
  EXPECT_EQ(ui.posted.size(), 1u);
  ui.posted.front()();
  EXPECT_TRUE(screen.IsEnabled(IDC_RANDOM));
  EXPECT_TRUE(screen.IsEnabled(IDC_MONDAY));

  session.Close();
  EXPECT_FALSE(session.OnUiThread([] { ADD_FAILURE() << "a step after the close ran"; }));
}

TEST(DateTextTest, ReadsWhatDateTextWrites) {
  struct Case {
    const char* text;
    bool read;
    int month, day, year;
  } cases[] = {
      {"12 7 2026", true, 12, 7, 2026},  {"  4 20 2006", true, 4, 20, 2006},
      {"1 2 3 and more", true, 1, 2, 3}, {"+1 -2 3", true, 1, -2, 3},
      {"12 7", false, 0, 0, 0},          {"", false, 0, 0, 0},
      {"a 7 2026", false, 0, 0, 0},      {"1 2 99999999999", false, 0, 0, 0},
  };
  for (const Case& c : cases) {
    const std::optional<LocalDate> date = ReadDateText(c.text);
    ASSERT_EQ(date.has_value(), c.read) << c.text;
    if (!date) continue;
    EXPECT_EQ(date->month, c.month) << c.text;
    EXPECT_EQ(date->day, c.day) << c.text;
    EXPECT_EQ(date->year, c.year) << c.text;
  }
  const LocalDate some{2026, 12, 8, 2};
  const std::optional<LocalDate> back = ReadDateText(DateText(some));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->year, 2026);
  EXPECT_EQ(back->month, 12);
  EXPECT_EQ(back->day, 8);
}

}  // namespace
}  // namespace kovalo
