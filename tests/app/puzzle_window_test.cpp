// Puzzles in and out through the real window: the "Puzzle" menu's paste
// and copy, a dropped file and text, the buttons' keys, and the hint with
// its frames.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QMenuBar>
#include <QMimeData>
#include <QTest>
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

constexpr const char* kPuzzle =
    "53..7....6..195....98....6.8...6...34..8.3..17...2...6.6....28....419..5....8..79";

class PuzzleWindowTest : public ::testing::Test {
 protected:
  PuzzleWindowTest() {
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
  ~PuzzleWindowTest() override {
    dlg.reset();
    std::filesystem::remove_all(folder);
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

TEST_F(PuzzleWindowTest, PastedDroppedAndCopiedPuzzles) {
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

TEST_F(PuzzleWindowTest, ButtonKeysAndTheHint) {
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
