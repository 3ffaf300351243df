// What players of other Sudoku programs expect, in the real window: moving
// between the cells with the keys (Up and Down by the grid, Left and Right
// out of a text's start and end, Ctrl+Home and Ctrl+End to the corners,
// nothing wrapping, Tab in board order as before); the "Puzzle" menu's
// paste and copy, a dropped file and text, the buttons' keys, the hint with
// its frames and the same-digit frames.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QMenuBar>
#include <QMimeData>
#include <QTest>
#include <QTextCursor>
#include <QUrl>
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "app/butt.h"
#include "app/kovalo_dlg.h"
#include "board/same_digits.h"
#include "qt_app.h"
#include "support/board_text.h"

namespace kovalo {
namespace {

class PlayerWindowTest : public ::testing::Test {
 protected:
  PlayerWindowTest() {
    testing::EnsureQtApplication();
    folder = testing::FreshFolder();
    dlg = std::make_unique<CKovaloDlg>(folder);
    dlg->messageHook = [this](const std::string& text, const std::string& caption, Buttons) {
      shown.push_back(caption + ": " + text);
      return Reply::Yes;
    };
    dlg->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
    dlg->activateWindow();
  }
  ~PlayerWindowTest() override {
    dlg.reset();
    std::filesystem::remove_all(folder);
  }

  CSmallBox* CellAt(int row, int col) { return dlg->CellWidget(NumberOfGrid(row, col)); }
  void TypeInto(int row, int col, const char* keys) {
    CellAt(row, col)->setFocus();
    QTest::keyClicks(CellAt(row, col), keys);
  }
  // Where the focus is, as "row,col" of the cell that has it.
  std::string FocusedCell() {
    for (int row = 0; row < 9; ++row)
      for (int col = 0; col < 9; ++col)
        if (CellAt(row, col)->hasFocus()) return std::to_string(row) + "," + std::to_string(col);
    return "none";
  }

  QAction* PuzzleMenuEntry(const QString& text) {
    for (QAction* menu : dlg->menuBar()->actions())
      if (menu->text() == "Puzzle")
        for (QAction* entry : menu->menu()->actions())
          if (entry->text() == text) return entry;
    ADD_FAILURE() << "no entry " << text.toStdString();
    return nullptr;
  }
  void Drop(QMimeData* data) {
    QDragEnterEvent enter(QPoint(200, 300), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(dlg.get(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(200, 300), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(dlg.get(), &drop);
  }

  std::string folder;
  std::unique_ptr<CKovaloDlg> dlg;
  std::vector<std::string> shown;
};

constexpr const char* kPuzzle =
    "53..7....6..195....98....6.8...6...34..8.3..17...2...6.6....28....419..5....8..79";

constexpr int kEnd = -1;  // the cursor at the end of the text
constexpr int kAll = -2;  // the whole text selected

struct KeyRow {
  const char* name;
  int fromRow, fromCol;
  int cursor;  // before the key: a position, kEnd or kAll
  Qt::Key key;
  Qt::KeyboardModifiers modifiers;
  int toRow, toCol;
  int cursorAfter;  // in the cell that has the focus: a position, or kAll
};

TEST_F(PlayerWindowTest, KeysMoveBetweenTheCells) {
  // Texts of a few cells: (0,0) "12", (3,4) "345", (4,3) "6", (8,8) "789".
  TypeInto(0, 0, "12");
  TypeInto(3, 4, "345");
  TypeInto(4, 3, "6");
  TypeInto(8, 8, "789");
  const int steps = dlg->board().stepCount;

  const Qt::KeyboardModifiers none = Qt::NoModifier;
  const KeyRow rows[] = {
      {"Down goes by the grid, not by board order", 3, 3, kEnd, Qt::Key_Down, none, 4, 3, kAll},
      {"Down into the next box row", 2, 5, kEnd, Qt::Key_Down, none, 3, 5, kAll},
      {"Up selects the whole text it comes to", 4, 4, kEnd, Qt::Key_Up, none, 3, 4, kAll},
      {"Up from a text's start", 4, 3, 0, Qt::Key_Up, none, 3, 3, kAll},
      {"Up at the top row stays", 0, 5, kEnd, Qt::Key_Up, none, 0, 5, 0},
      {"Down at the bottom row stays", 8, 2, kEnd, Qt::Key_Down, none, 8, 2, 0},
      {"Down from the keypad", 6, 6, kEnd, Qt::Key_Down, Qt::KeypadModifier, 7, 6, kAll},
      {"Left from an empty cell", 4, 4, kEnd, Qt::Key_Left, none, 4, 3, kAll},
      {"Left at the left edge stays", 6, 0, kEnd, Qt::Key_Left, none, 6, 0, 0},
      {"Left at the start of a text", 3, 4, 0, Qt::Key_Left, none, 3, 3, kAll},
      {"Left inside a text moves the cursor", 3, 4, kEnd, Qt::Key_Left, none, 3, 4, 2},
      {"Left with the whole text selected", 3, 4, kAll, Qt::Key_Left, none, 3, 3, kAll},
      {"Right from an empty cell into the next box", 2, 2, kEnd, Qt::Key_Right, none, 2, 3, kAll},
      {"Right at the end of a text", 0, 0, kEnd, Qt::Key_Right, none, 0, 1, kAll},
      {"Right inside a text moves the cursor", 0, 0, 1, Qt::Key_Right, none, 0, 0, 2},
      {"Right with the whole text selected", 3, 4, kAll, Qt::Key_Right, none, 3, 5, kAll},
      {"Right at the right edge stays", 5, 8, kEnd, Qt::Key_Right, none, 5, 8, 0},
      {"Right at the right edge, end of a text", 8, 8, kEnd, Qt::Key_Right, none, 8, 8, 3},
      {"Home keeps its meaning", 3, 4, kEnd, Qt::Key_Home, none, 3, 4, 0},
      {"End keeps its meaning", 3, 4, 0, Qt::Key_End, none, 3, 4, 3},
      {"Ctrl+Home to the first cell", 5, 5, kEnd, Qt::Key_Home, Qt::ControlModifier, 0, 0, kAll},
      {"Ctrl+End to the last cell", 1, 1, kEnd, Qt::Key_End, Qt::ControlModifier, 8, 8, kAll},
      {"Shift+Left selects inside the text", 3, 4, 0, Qt::Key_Left, Qt::ShiftModifier, 3, 4, 0},
      {"Shift+Down selects inside the text", 3, 4, 0, Qt::Key_Down, Qt::ShiftModifier, 3, 4, 3},
      {"Tab keeps board order", 2, 2, kEnd, Qt::Key_Tab, none, 0, 3, 0},
      {"Tab from the last cell goes to the first", 8, 8, kEnd, Qt::Key_Tab, none, 0, 0, 2},
  };
  for (const KeyRow& row : rows) {
    SCOPED_TRACE(row.name);
    CSmallBox* from = CellAt(row.fromRow, row.fromCol);
    from->setFocus();
    if (row.cursor == kAll) {
      from->selectAll();
    } else {
      QTextCursor cursor = from->textCursor();
      cursor.setPosition(row.cursor == kEnd ? from->document()->characterCount() - 1 : row.cursor);
      from->setTextCursor(cursor);
    }

    QTest::keyClick(from, row.key, row.modifiers);

    ASSERT_EQ(FocusedCell(), std::to_string(row.toRow) + "," + std::to_string(row.toCol));
    const CSmallBox* to = CellAt(row.toRow, row.toCol);
    const QTextCursor cursor = to->textCursor();
    if (row.cursorAfter == kAll) {
      EXPECT_EQ(cursor.selectionStart(), 0);
      EXPECT_EQ(cursor.selectionEnd(), to->toPlainText().size());
    } else {
      EXPECT_EQ(cursor.position(), row.cursorAfter);
    }
  }
  // Moving changed no text and recorded nothing.
  EXPECT_EQ(dlg->board().stepCount, steps);
  EXPECT_EQ(CellAt(3, 4)->toPlainText(), "345");
  EXPECT_TRUE(shown.empty());
}

TEST_F(PlayerWindowTest, StartingNumbersAreLeftAndReachedByTheKeys) {
  TypeInto(0, 0, "5");
  TypeInto(1, 0, "7");
  QTest::mouseClick(dlg->Button(IDC_LOCK), Qt::LeftButton);
  ASSERT_TRUE(CellAt(0, 0)->isReadOnly());

  CellAt(0, 0)->setFocus();
  QTest::keyClick(CellAt(0, 0), Qt::Key_Down);
  EXPECT_EQ(FocusedCell(), "1,0");
  EXPECT_EQ(CellAt(1, 0)->textCursor().selectedText(), "7");
  QTest::keyClick(CellAt(1, 0), Qt::Key_Right);
  EXPECT_EQ(FocusedCell(), "1,1");
  // A digit typed after Up replaces the whole text of the cell it came to.
  TypeInto(2, 1, "89");
  CellAt(1, 1)->setFocus();
  QTest::keyClick(CellAt(1, 1), Qt::Key_Down);
  QTest::keyClicks(CellAt(2, 1), "3");
  EXPECT_EQ(CellAt(2, 1)->toPlainText(), "3");
  EXPECT_EQ(dlg->board().AtGrid(2, 1).text, "3");
  QTest::keyClick(CellAt(2, 1), Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(FocusedCell(), "0,0");
  EXPECT_EQ(CellAt(0, 0)->toPlainText(), "5");
}

TEST_F(PlayerWindowTest, PastedDroppedAndCopiedPuzzles) {
  const std::vector<QString> menus = [&] {
    std::vector<QString> texts;
    for (QAction* menu : dlg->menuBar()->actions()) texts.push_back(menu->text());
    return texts;
  }();
  EXPECT_EQ(menus, (std::vector<QString>{"Info", "Puzzle"}));

  // Pasted with its key: starting numbers, locked, no history.
  QGuiApplication::clipboard()->setText(kPuzzle);
  QTest::keyClick(dlg.get(), Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(testing::GridOf(dlg->board()), kPuzzle);
  EXPECT_TRUE(dlg->CellWidget(0)->isReadOnly());
  EXPECT_TRUE(shown.empty()) << shown.front();

  // The cells that show the focused cell's digit are framed, and only while
  // the marking is on.
  auto framed = [&] {
    std::vector<int> cells;
    for (int n = 0; n < kCells; ++n)
      if (dlg->CellWidget(n)->sameDigitMarked()) cells.push_back(n);
    return cells;
  };
  dlg->CellWidget(NumberOfGrid(0, 0))->setFocus();  // a 5
  EXPECT_EQ(framed(), SameDigitCells(dlg->board(), NumberOfGrid(0, 0)));
  EXPECT_FALSE(framed().empty());
  PuzzleMenuEntry("Mark Same Digits")->trigger();
  EXPECT_TRUE(framed().empty());
  PuzzleMenuEntry("Mark Same Digits")->trigger();
  EXPECT_FALSE(framed().empty());

  // Bad text: a message, and the board as it was.
  QGuiApplication::clipboard()->setText(QString(kPuzzle).left(80));
  PuzzleMenuEntry("Paste Puzzle")->trigger();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].rfind("Paste Puzzle: ", 0), 0u) << shown[0];
  EXPECT_EQ(testing::GridOf(dlg->board()), kPuzzle);

  // A dropped file; then a dropped text with more than one solution.
  const std::string other =
      "000000010400000000020000000000050407008000300001090000300400200050100000000806000";
  {
    std::ofstream out(folder + "other.sdm");
    out << other << "\n" << kPuzzle << "\n";
  }
  auto* file = new QMimeData;
  file->setUrls({QUrl::fromLocalFile(QString::fromStdString(folder + "other.sdm"))});
  Drop(file);
  std::string otherGrid = other;
  std::replace(otherGrid.begin(), otherGrid.end(), '0', '.');
  EXPECT_EQ(testing::GridOf(dlg->board()), otherGrid);
  EXPECT_EQ(shown.size(), 1u);
  auto* text = new QMimeData;
  text->setText(QString(81, '.').replace(0, 1, "5"));
  Drop(text);
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_NE(shown[1].find("more than one solution"), std::string::npos) << shown[1];
  EXPECT_EQ(dlg->board().AtGrid(0, 0).text, "5");
  delete file;
  delete text;

  // Copied back out as one line.
  QGuiApplication::clipboard()->setText(kPuzzle);
  PuzzleMenuEntry("Paste Puzzle")->trigger();
  QGuiApplication::clipboard()->clear();
  PuzzleMenuEntry("Copy Puzzle")->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), kPuzzle);
}

TEST_F(PlayerWindowTest, ButtonKeysAndTheHint) {
  QGuiApplication::clipboard()->setText(kPuzzle);
  PuzzleMenuEntry("Paste Puzzle")->trigger();
  // Ctrl+F fills the blank cells; Ctrl+S saves.
  QTest::keyClick(dlg.get(), Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(dlg->board().AtGrid(0, 2).text.size() > 1, true);
  QTest::keyClick(dlg.get(), Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(dlg->saveBook().Saves(SaveMonth::Current).size(), 1u);

  // The hint names a step and frames its cells; the board stays.
  const std::vector<std::string> before = testing::TextsOf(dlg->board());
  CSmallBox* cell = dlg->CellWidget(40);
  cell->setFocus();
  QTest::keyClick(cell, Qt::Key_H, Qt::ControlModifier);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].rfind("Hint: ", 0), 0u) << shown[0];
  EXPECT_EQ(testing::TextsOf(dlg->board()), before);
  int framed = 0;
  for (int n = 0; n < kCells; ++n) framed += dlg->CellWidget(n)->hintMarked() ? 1 : 0;
  EXPECT_GT(framed, 0);
  // The frames go with the next change of the board.
  QTest::keyClick(cell, Qt::Key_End);
  QTest::keyClick(cell, Qt::Key_Backspace);
  ASSERT_NE(testing::TextsOf(dlg->board()), before);
  for (int n = 0; n < kCells; ++n) EXPECT_FALSE(dlg->CellWidget(n)->hintMarked()) << n;

  PuzzleMenuEntry("Keyboard Shortcuts")->trigger();
  ASSERT_EQ(shown.size(), 2u);
  for (const char* key : {"Ctrl+S", "Ctrl+O", "Ctrl+L", "Ctrl+F", "Ctrl+Shift+V", "Ctrl+H"})
    EXPECT_NE(shown[1].find(key), std::string::npos) << key;
}

}  // namespace
}  // namespace kovalo
