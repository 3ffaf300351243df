// The main window as a player meets it: controls where the table puts them,
// tooltips, typing, Tab, lock colours, Reset's questions, resizing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QInputMethodEvent>
#include <QMenuBar>
#include <QTest>
#include <QToolTip>
#include <QWindow>
#include <deque>

#include <QClipboard>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <ctime>
#include <filesystem>

#include "app/about_box.h"
#include "app/butt.h"
#include "app/control_table.h"
#include "app/kovalo_dlg.h"
#include "app/tooltip_filter.h"
#include "app/tooltips.h"
#include "download/run_state.h"
#include "qt_app.h"
#include "saves/qt/saves_list.h"

namespace kovalo {
namespace {

QColor ColourOf(uint32_t rgb) { return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

class WidgetTest : public ::testing::Test {
 protected:
  WidgetTest() {
    testing::EnsureQtApplication();
    folder = testing::FreshFolder();
    dlg = std::make_unique<CKovaloDlg>(folder);
    dlg->messageHook = [this](const std::string& text, const std::string& caption, Buttons b) {
      shown.push_back(text);
      captions.push_back(caption);
      if (b == Buttons::Ok) return Reply::Ok;
      if (replies.empty()) {
        ADD_FAILURE() << "unscripted question: " << text;
        return Reply::No;
      }
      Reply r = replies.front();
      replies.pop_front();
      return r;
    };
    dlg->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
  }

  ~WidgetTest() override {
    dlg.reset();
    std::filesystem::remove_all(folder);
  }

  CSmallBox* CellAt(int row, int col) { return dlg->CellWidget(NumberOfGrid(row, col)); }
  void TypeInto(int row, int col, const char* keys) {
    CSmallBox* cell = CellAt(row, col);
    cell->setFocus();
    QTest::keyClicks(cell, keys);
  }
  QColor BackgroundOf(int row, int col) {
    return CellAt(row, col)->palette().color(QPalette::Base);
  }
  QColor TextColourOf(int row, int col) {
    return CellAt(row, col)->palette().color(QPalette::Text);
  }

  std::string folder;
  std::unique_ptr<CKovaloDlg> dlg;
  std::vector<std::string> shown;
  std::vector<std::string> captions;
  std::deque<Reply> replies;
};

TEST_F(WidgetTest, ControlsStandWhereTheTablePutsThem) {
  for (const ButtonRow& row : kButtonTable) {
    SCOPED_TRACE(row.label);
    CButt* button = dlg->Button(row.id);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text().toStdString(), row.label);
    EXPECT_EQ(button->kind(), row.kind);
    EXPECT_EQ(button->geometry(),
              QRect(row.rect.left, row.rect.top, row.rect.Width(), row.rect.Height()));
    EXPECT_EQ(button->parentWidget(), dlg->ClientArea());
  }
  EXPECT_EQ(dlg->Button(1102)->text(), "Wd");
  // The saves list, then the header boxes directly under it.
  const QRect list = dlg->SavesList()->geometry();
  EXPECT_EQ(list.left(), 0);
  EXPECT_EQ(list.top(), 60);
  EXPECT_LE(list.bottom() + 1, 152);
  EXPECT_EQ(list.width(), dlg->ClientArea()->width());
  int left = 0;
  for (int i = 0; i < kHeaderBoxCount; ++i) {
    const QRect header = dlg->HeaderBox(i)->geometry();
    EXPECT_EQ(header.left(), left) << i;
    EXPECT_EQ(header.width(), kHeaderBoxWidths[i]) << i;
    EXPECT_EQ(header.top(), list.bottom() + 1 + 2) << i;
    EXPECT_EQ(header.bottom() + 1, 158) << i;
    left += kHeaderBoxWidths[i] + 2;
  }
}

TEST_F(WidgetTest, InitialStateAfterStartUp) {
  EXPECT_EQ(dlg->ClientArea()->size(), QSize(729, 453));
  EXPECT_TRUE(dlg->Button(IDC_CHECKING)->isChecked());
  EXPECT_TRUE(dlg->board().checking);
  EXPECT_TRUE(dlg->Button(IDC_NORMAL)->isChecked());
  EXPECT_FALSE(dlg->Button(IDC_EASY)->isChecked());
  EXPECT_FALSE(dlg->Button(IDC_UNDO)->isEnabled());
  EXPECT_FALSE(dlg->Button(IDC_REDO)->isEnabled());
  EXPECT_EQ(dlg->windowTitle(), "Number 10000, User defined");
  EXPECT_TRUE(shown.empty());  // the start-up reset asks nothing
  for (int n = 0; n < kCells; ++n) EXPECT_TRUE(dlg->CellWidget(n)->toPlainText().isEmpty());
  // "Info" first; the player's newer commands in "Puzzle" after it.
  ASSERT_EQ(dlg->menuBar()->actions().size(), 2);
  EXPECT_EQ(dlg->menuBar()->actions()[0]->text(), "Info");
  EXPECT_EQ(dlg->menuBar()->actions()[1]->text(), "Puzzle");
}

TEST_F(WidgetTest, BoardFillsTheAreaBelowTheButtonsAndFollowsTheSize) {
  for (QSize size : {QSize(729, 453), QSize(1000, 700), QSize(500, 400)}) {
    dlg->ClientArea()->resize(size);
    QApplication::processEvents();
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) {
        const ControlRect r = BoxRect(i, j, size.width(), size.height());
        EXPECT_EQ(dlg->Box(i + 3 * j)->geometry(), QRect(r.left, r.top, r.Width(), r.Height()))
            << size.width() << "x" << size.height() << " box " << i << "," << j;
      }
    EXPECT_EQ(dlg->Box(8)->geometry().bottom() + 1, size.height());
    EXPECT_EQ(dlg->SavesList()->width(), size.width());
    EXPECT_EQ(dlg->Button(IDC_RANDOM)->geometry(), QRect(365, 40, 115, 18));
  }
}

TEST_F(WidgetTest, WindowDoesNotShrinkBelowItsMinimum) {
  dlg->resize(200, 100);
  QApplication::processEvents();
  EXPECT_GE(dlg->width(), 380);
  EXPECT_GE(dlg->height(), 370);
}

TEST_F(WidgetTest, TooltipsOfButtonsAndHeaderBoxes) {
  struct Row {
    int id;
    const char* text;
  };
  const Row rows[] = {
      {1102, "Click to download Wendsdays Puzzle from the website selected"},
      {1116, "Check to select a the orginal weekly website having a varies difficulty levels"},
      {1112, "Check to select a 3rd alternate weekly website haveing an easy game level"},
      {1003, "Click to fill any blank boxes with all the possible chooses for each blank box"},
      {1200, "Puzzle Number"},
      {1208, "Puzzle Skill Level"},
  };
  for (const Row& row : rows) EXPECT_EQ(TooltipText(row.id).value_or(""), row.text) << row.id;
  // Every one of the 23 buttons and 9 header boxes is a tool with a text.
  for (const ButtonRow& row : kButtonTable) {
    EXPECT_EQ(TooltipToolId(dlg->Button(row.id)), row.id);
    EXPECT_TRUE(TooltipText(row.id).has_value()) << row.id;
  }
  for (int i = 0; i < kHeaderBoxCount; ++i) {
    EXPECT_EQ(TooltipToolId(dlg->HeaderBox(i)), 1200 + i);
    EXPECT_TRUE(TooltipText(1200 + i).has_value());
  }
  // Cells and the saves list are no tools.
  EXPECT_EQ(TooltipToolId(dlg->CellWidget(0)), 0);
  EXPECT_EQ(TooltipToolId(dlg->SavesList()), 0);
  EXPECT_FALSE(TooltipText(0).has_value());
}

TEST_F(WidgetTest, LongTooltipsWrapAt200Pixels) {
  for (int id : {1000, 1207}) {
    const QString wrapped = WrappedTooltip(id);
    const QStringList lines = wrapped.split('\n');
    EXPECT_GT(lines.size(), 2) << id;
    const QFontMetrics metrics(QToolTip::font());
    for (const QString& line : lines) {
      if (line.contains(' ')) {
        EXPECT_LE(metrics.horizontalAdvance(line), 200) << line.toStdString();
      }
    }
    EXPECT_EQ(wrapped.split('\n').join(' ').toStdString(), TooltipText(id).value());
  }
  EXPECT_FALSE(WrappedTooltip(1200).contains('\n'));
}

TEST_F(WidgetTest, TypedDigitRecordsOneStepAndRecoloursTheBoard) {
  TypeInto(0, 0, "5");
  EXPECT_EQ(dlg->board().stepCount, 1);
  EXPECT_TRUE(dlg->Button(IDC_UNDO)->isEnabled());
  EXPECT_EQ(dlg->board().AtGrid(0, 0).text, "5");
  EXPECT_EQ(BackgroundOf(0, 0), ColourOf(rgb::kNavy));
  EXPECT_EQ(TextColourOf(0, 0), ColourOf(rgb::kLightOrange));
  // The same digit in the row turns both cells violet on red.
  TypeInto(0, 7, "5");
  EXPECT_EQ(dlg->board().stepCount, 2);
  EXPECT_EQ(BackgroundOf(0, 0), ColourOf(rgb::kRed));
  EXPECT_EQ(TextColourOf(0, 7), ColourOf(rgb::kViolet));
  // Another digit after it makes «57»: one more step.
  TypeInto(0, 0, "7");
  EXPECT_EQ(dlg->board().AtGrid(0, 0).text, "57");
  EXPECT_EQ(dlg->board().stepCount, 3);
}

TEST_F(WidgetTest, OnlyDigitsReachACellFromTheKeyboard) {
  TypeInto(2, 2, "a1 b2\t");
  EXPECT_EQ(dlg->board().AtGrid(2, 2).text, "12");
  QTest::keyClick(CellAt(2, 2), Qt::Key_Return);
  EXPECT_EQ(dlg->board().AtGrid(2, 2).text, "12");
  QTest::keyClick(CellAt(2, 2), Qt::Key_Backspace);
  EXPECT_EQ(dlg->board().AtGrid(2, 2).text, "1");
}

TEST_F(WidgetTest, AllNineDigitsStayVisibleInACell) {
  TypeInto(4, 4, "123456789");
  CSmallBox* cell = CellAt(4, 4);
  EXPECT_EQ(cell->toPlainText(), "123456789");
  // The wrapped text fits inside the cell's viewport.
  EXPECT_LE(cell->document()->size().height(), cell->viewport()->height());
  EXPECT_LE(cell->document()->idealWidth(), cell->viewport()->width());
}

TEST_F(WidgetTest, TabWalksTheCellsInBoardOrder) {
  struct Row {
    int fromRow, fromCol, toRow, toCol;
  };
  const Row rows[] = {
      {0, 0, 0, 1}, {0, 2, 1, 0}, {1, 2, 2, 0}, {2, 2, 0, 3},
      {2, 8, 3, 0}, {5, 5, 3, 6}, {5, 8, 6, 0}, {8, 8, 0, 0},
  };
  for (const Row& row : rows) {
    CellAt(row.fromRow, row.fromCol)->setFocus();
    QTest::keyClick(CellAt(row.fromRow, row.fromCol), Qt::Key_Tab);
    EXPECT_TRUE(CellAt(row.toRow, row.toCol)->hasFocus())
        << "from " << row.fromRow << "," << row.fromCol;
  }
  CellAt(0, 0)->setFocus();
  QTest::keyClick(CellAt(0, 0), Qt::Key_Tab, Qt::ShiftModifier);
  EXPECT_TRUE(CellAt(0, 1)->hasFocus());
  EXPECT_EQ(dlg->board().stepCount, 0);
}

TEST_F(WidgetTest, LockColoursAndReadOnlyStartingNumbers) {
  TypeInto(0, 0, "4");
  TypeInto(4, 4, "9");
  TypeInto(8, 8, "12");
  QTest::mouseClick(dlg->Button(IDC_LOCK), Qt::LeftButton);
  EXPECT_TRUE(shown.empty());
  EXPECT_TRUE(CellAt(0, 0)->isReadOnly());
  EXPECT_EQ(BackgroundOf(0, 0), ColourOf(rgb::kAzure));
  EXPECT_EQ(TextColourOf(0, 0), ColourOf(rgb::kWhite));
  EXPECT_FALSE(CellAt(8, 8)->isReadOnly());
  EXPECT_FALSE(dlg->Button(IDC_CHECKING)->isChecked());
  // «12» is plain but Checking is off: white.
  EXPECT_EQ(BackgroundOf(8, 8), ColourOf(rgb::kWhite));
  QTest::mouseClick(dlg->Button(IDC_CHECKING), Qt::LeftButton);
  EXPECT_TRUE(dlg->board().checking);
  EXPECT_EQ(BackgroundOf(8, 8), ColourOf(rgb::kGreen));
  // A starting number cannot be typed over.
  TypeInto(0, 0, "7");
  EXPECT_EQ(dlg->board().AtGrid(0, 0).text, "4");
}

TEST_F(WidgetTest, UndoAndRedoButtonsAndKeys) {
  TypeInto(0, 0, "5");
  TypeInto(4, 4, "3");
  QTest::keyClick(CellAt(4, 4), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(CellAt(4, 4)->toPlainText(), "");
  QTest::mouseClick(dlg->Button(IDC_UNDO), Qt::LeftButton);
  EXPECT_EQ(CellAt(0, 0)->toPlainText(), "");
  EXPECT_FALSE(dlg->Button(IDC_UNDO)->isEnabled());
  QTest::keyClick(CellAt(0, 0), Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(CellAt(0, 0)->toPlainText(), "5");
  QTest::mouseClick(dlg->Button(IDC_REDO), Qt::LeftButton);
  EXPECT_EQ(CellAt(4, 4)->toPlainText(), "3");
  EXPECT_FALSE(dlg->Button(IDC_REDO)->isEnabled());
  // Undo and redo wrote the texts; none of that was recorded as an edit.
  EXPECT_EQ(dlg->board().steps.size(), 2u);
}

TEST_F(WidgetTest, ResetQuestionsAnsweredByTheScript) {
  TypeInto(0, 0, "4");
  QTest::mouseClick(dlg->Button(IDC_LOCK), Qt::LeftButton);
  TypeInto(4, 4, "6");
  replies = {Reply::No, Reply::Yes};
  QTest::mouseClick(dlg->Button(IDC_RESET), Qt::LeftButton);
  EXPECT_EQ(shown, (std::vector<std::string>{"Reset Everything to blank?",
                                             "Reset All but starting numbers?"}));
  EXPECT_EQ(captions, (std::vector<std::string>{"", ""}));
  EXPECT_EQ(CellAt(4, 4)->toPlainText(), "");
  EXPECT_EQ(CellAt(0, 0)->toPlainText(), "4");
  replies = {Reply::Yes};
  QTest::mouseClick(dlg->Button(IDC_RESET), Qt::LeftButton);
  EXPECT_EQ(CellAt(0, 0)->toPlainText(), "");
  EXPECT_FALSE(CellAt(0, 0)->isReadOnly());
  EXPECT_EQ(dlg->windowTitle(), "Number 10001, User defined");
}

TEST_F(WidgetTest, RightClickOpensTheMenuWithoutMovingTheFocus) {
  CSmallBox* typed = CellAt(0, 0);
  CSmallBox* clicked = CellAt(4, 4);
  QWindow* window = dlg->windowHandle();
  auto inWindow = [&](QWidget* w) { return w->mapTo(dlg.get(), w->rect().center()); };
  QTest::mouseClick(window, Qt::LeftButton, {}, inWindow(typed));
  ASSERT_TRUE(typed->hasFocus());
  bool menuOpened = false;
  QTimer::singleShot(0, [&] {
    if (QWidget* menu = QApplication::activePopupWidget()) {
      menuOpened = true;
      menu->close();
    }
  });
  QTest::mouseClick(window, Qt::RightButton, {}, inWindow(clicked));
  EXPECT_TRUE(menuOpened);
  EXPECT_EQ(dlg->focusWidget(), typed);
  // The offscreen platform leaves the window inactive after a popup.
  dlg->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
  ASSERT_TRUE(typed->hasFocus());
  QTest::keyClicks(QApplication::focusWidget(), "7");
  EXPECT_EQ(dlg->board().AtGrid(0, 0).text, "7");
  EXPECT_EQ(dlg->board().AtGrid(4, 4).text, "");
  // The left button still moves the focus.
  QTest::mouseClick(window, Qt::LeftButton, {}, inWindow(clicked));
  EXPECT_TRUE(clicked->hasFocus());
}

TEST_F(WidgetTest, InputMethodTextKeepsItsDigitsOnly) {
  struct Row {
    const char* preedit;
    const char* commit;
    const char* text;  // the cell's text after it
    int steps;         // steps recorded
  };
  const Row rows[] = {
      {"", "a5 x", "5", 1},
      {"", "ab ", "5", 0},
      {"", "12", "512", 1},
      {"x7", "", "512", 0},
  };
  CSmallBox* cell = CellAt(3, 3);
  cell->setFocus();
  for (const Row& row : rows) {
    const int before = dlg->board().stepCount;
    QInputMethodEvent event(row.preedit, {});
    event.setCommitString(row.commit);
    QApplication::sendEvent(cell, &event);
    EXPECT_EQ(dlg->board().AtGrid(3, 3).text, row.text) << row.commit;
    EXPECT_EQ(cell->toPlainText().toStdString(), row.text) << row.commit;
    EXPECT_EQ(dlg->board().stepCount - before, row.steps) << row.commit;
  }
  // A starting number takes nothing.
  TypeInto(0, 0, "4");
  QTest::mouseClick(dlg->Button(IDC_LOCK), Qt::LeftButton);
  QInputMethodEvent event;
  event.setCommitString("9");
  QApplication::sendEvent(CellAt(0, 0), &event);
  EXPECT_EQ(dlg->board().AtGrid(0, 0).text, "4");
}

TEST_F(WidgetTest, WindowHasAMinimiseBoxButNoMaximiseBox) {
  for (Qt::WindowFlags flags : {dlg->windowFlags(), dlg->windowHandle()->flags()}) {
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
    EXPECT_TRUE(flags & Qt::WindowTitleHint);
  }
  EXPECT_NE(dlg->minimumSize(), dlg->maximumSize());  // the sizing border stays
}

TEST_F(WidgetTest, TooltipShowsWhileTheWindowIsInactive) {
  QWidget other;
  other.resize(120, 80);
  other.show();
  other.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
  ASSERT_FALSE(dlg->isActiveWindow());
  CButt* wd = dlg->Button(1102);
  QTest::mouseMove(dlg->windowHandle(), wd->mapTo(dlg.get(), wd->rect().center()));
  EXPECT_TRUE(QTest::qWaitFor([] { return QToolTip::isVisible(); }, 5000));
  EXPECT_EQ(QToolTip::text(), WrappedTooltip(1102));
  QToolTip::hideText();
}

TEST_F(WidgetTest, CheckBoxAndRadioButtonsAreBordered) {
  for (int id : {IDC_CHECKING, IDC_NORMAL, IDC_EVIL}) {
    CButt* button = dlg->Button(id);
    const QImage image = button->grab().toImage();
    const QRgb border = button->palette().color(QPalette::Mid).rgb();
    const int right = image.width() - 1, bottom = image.height() - 1;
    for (QPoint at : {QPoint(0, 0), QPoint(right, 0), QPoint(0, bottom), QPoint(right, bottom),
                      QPoint(right / 2, 0), QPoint(right / 2, bottom)})
      EXPECT_EQ(image.pixel(at), border) << id << " at " << at.x() << "," << at.y();
  }
}

TEST_F(WidgetTest, RadioButtonsFormOneGroup) {
  QTest::mouseClick(dlg->Button(IDC_HARD), Qt::LeftButton);
  EXPECT_TRUE(dlg->Button(IDC_HARD)->isChecked());
  EXPECT_FALSE(dlg->Button(IDC_NORMAL)->isChecked());
  QTest::mouseClick(dlg->Button(IDC_SECOND_WEEKLY), Qt::LeftButton);
  EXPECT_FALSE(dlg->Button(IDC_HARD)->isChecked());
  EXPECT_TRUE(dlg->Button(IDC_CHECKING)->isChecked());  // the check box is not in the group
}

}  // namespace
}  // namespace kovalo

namespace kovalo {
namespace {

// An easy puzzle that singles and box-line elimination solve completely.
const char kEasyPuzzle[] =
    "53..7....6..195....98....6.8...6...34..8.3..17...2...6.6....28....419..5....8..79";

TEST_F(WidgetTest, CountIsReadAtStartAndWrittenByReset) {
  const std::string restartFolder = testing::FreshFolder();
  std::tm date{};
  date.tm_year = 2026 - 1900;
  date.tm_mon = 11;
  date.tm_mday = 7;
  date.tm_hour = 12;
  const std::time_t startUp = std::mktime(&date);
  {
    IniStore store;
    SaveFiles files(store, restartFolder, startUp);
    ASSERT_EQ(files.EnsureSavesFolder(), 0);
    ASSERT_TRUE(files.WriteCount(10000));
  }
  CKovaloDlg second(restartFolder, startUp);
  second.messageHook = [](const std::string&, const std::string&, Buttons) { return Reply::Yes; };
  EXPECT_EQ(second.windowTitle(), "Number 10001, User defined");
  EXPECT_EQ(second.saveFiles().currentMonthPath(), restartFolder + "Saves/Sudoku 12-2026.ini");
  // Reset answered Yes, no lock since start: the counter and "Count" stay 10001.
  QTest::mouseClick(second.Button(IDC_RESET), Qt::LeftButton);
  EXPECT_EQ(second.windowTitle(), "Number 10001, User defined");
  IniStore fresh;
  EXPECT_EQ(fresh.ReadString(restartFolder + "Saves/Sudoku 12-2026.ini", "Sudoku", "Count"),
            "10001");
  std::filesystem::remove_all(restartFolder);
}

TEST_F(WidgetTest, FillRefusesBeforeTheLock) {
  QTest::mouseClick(dlg->Button(IDC_FILL), Qt::LeftButton);
  EXPECT_EQ(shown, std::vector<std::string>{"Sudoku Puzzle Has not been locked yet"});
  EXPECT_EQ(captions,
            std::vector<std::string>{"Unable to fill in squares untill puzzle is locked"});
}

TEST_F(WidgetTest, TypedPuzzleLockedFilledAndSolvedFromTheMenu) {
  for (int k = 0; k < 81; ++k)
    if (kEasyPuzzle[k] != '.') {
      const char digit[2] = {kEasyPuzzle[k], 0};
      TypeInto(k / 9, k % 9, digit);
    }
  QTest::mouseClick(dlg->Button(IDC_LOCK), Qt::LeftButton);
  QTest::mouseClick(dlg->Button(IDC_FILL), Qt::LeftButton);
  EXPECT_EQ(CellAt(0, 2)->toPlainText(), "124");  // row 5 3 7, column 8, box 6 9 8
  EXPECT_FALSE(dlg->Button(IDC_UNDO)->isEnabled());

  replies = {Reply::Yes};
  dlg->CellCommand(dlg->board().AtGrid(0, 2), ID_ATTEMPT_SOLVE);
  const std::string solved =
      "534678912672195348198342567859761423426853791713924856961537284287419635345286179";
  for (int k = 0; k < 81; ++k)
    EXPECT_EQ(CellAt(k / 9, k % 9)->toPlainText().toStdString(), std::string(1, solved[k])) << k;
  const std::string verdict =
      "You have Successfully Completed the puzzle but your answers could not be verified with the "
      "website at this time";
  EXPECT_EQ(std::count(shown.begin(), shown.end(), verdict), 2);
  EXPECT_EQ(BackgroundOf(0, 2), ColourOf(rgb::kLightCyan));

  // Undo takes the attempt back group by group to the filled board.
  while (dlg->Button(IDC_UNDO)->isEnabled())
    QTest::mouseClick(dlg->Button(IDC_UNDO), Qt::LeftButton);
  EXPECT_EQ(CellAt(0, 2)->toPlainText(), "124");
  EXPECT_EQ(CellAt(0, 0)->toPlainText(), "5");
}

TEST_F(WidgetTest, ContextMenuHoldsTheCommandsAndTheHelpPopup) {
  CSmallBox* cell = CellAt(3, 3);
  QStringList seen;
  QTimer::singleShot(0, [&] {
    QMenu* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    for (QAction* action : menu->actions()) {
      seen << action->text();
      if (action->menu())
        for (QAction* inner : action->menu()->actions()) seen << "Help/" + inner->text();
    }
    menu->close();
  });
  cell->OpenContextMenu(QPoint(5, 5));
  EXPECT_EQ(seen,
            (QStringList{"Mark as Fixed", "Unmark as Fixed", "UnMark and Refill Adjacent Boxes",
                         "Copy Answers to clipboard", "Help", "Help/Mark all Single Digit Fields",
                         "Help/Mark any Numbers that are alone",
                         "Help/Do Both Above until no more changes",
                         "Help/Rule Out impossible Combinations",
                         "Help/Attempt to Solve the puzzle", "Hint"}));
}

TEST_F(WidgetTest, MarkAsFixedFromTheMenuAndCopyToTheClipboard) {
  TypeInto(0, 0, "7");
  TypeInto(0, 5, "17");
  dlg->CellCommand(dlg->board().AtGrid(0, 0), ID_MARK_AS_FIXED);
  EXPECT_EQ(CellAt(0, 5)->toPlainText(), "1");
  dlg->CellCommand(dlg->board().AtGrid(0, 0), ID_COPY_ANSWERS);
  EXPECT_EQ(QApplication::clipboard()->text(), "7     1");
  EXPECT_EQ(shown.back(), "*** Some numbers only were copied to clipboard ***");
  QTest::mouseClick(dlg->Button(IDC_UNDO), Qt::LeftButton);
  EXPECT_EQ(CellAt(0, 5)->toPlainText(), "17");
}

TEST_F(WidgetTest, AboutBoxNamesTheVersionAndClosesWithOk) {
  AboutBox box(dlg.get());
  QStringList texts;
  for (QLabel* label : box.findChildren<QLabel*>()) texts << label->text();
  EXPECT_TRUE(texts.contains("Kovalo Version 1.0"));
  QTimer::singleShot(0, [&] {
    auto* buttons = box.findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    QTest::mouseClick(buttons->button(QDialogButtonBox::Ok), Qt::LeftButton);
  });
  EXPECT_EQ(box.exec(), QDialog::Accepted);
}

TEST_F(WidgetTest, ClosingTheWindowStopsEverything) {
  RunState.store(-1);
  dlg->close();
  EXPECT_EQ(RunState.load(), 1);
  EXPECT_FALSE(dlg->isVisible());
  RunState.store(-1);  // the next test starts a new program
}

}  // namespace
}  // namespace kovalo
