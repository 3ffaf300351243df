// The cells' marks and hint key on real cell widgets with a scripted host:
// the frames drawn over a background that keeps its colour, Ctrl+H and the
// menu's "Hint" handed to the host, and the focus reported for the marking.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include "board/qt/cell_widgets.h"
#include "qt_app.h"
#include "support/fake_screen.h"

namespace kovalo {
namespace {

class ScriptedHost : public CellHost {
 public:
  void CellEdited(Cell&, const std::string&) override {}
  void CellCommand(Cell& cell, int commandId) override {
    commands.emplace_back(cell.number, commandId);
  }
  void FocusCell(int) override {}
  void PressUndo() override {}
  void PressRedo() override {}
  bool BoardLocked() const override { return true; }
  bool BoardChecking() const override { return true; }
  std::vector<std::pair<int, int>> commands;
};

class CellMarksTest : public ::testing::Test {
 protected:
  CellMarksTest() {
    box = new CBigBox(0, 0, board, host, &window);
    box->setGeometry(0, 0, 240, 240);
    window.resize(240, 240);
    window.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
  }

  // The colour at a point of a cell's viewport, as the cell paints it.
  static QRgb PixelOf(CSmallBox* cell, QPoint inViewport) {
    const QImage image = cell->grab().toImage();
    return image.pixel(cell->viewport()->geometry().topLeft() + inViewport) & 0xFFFFFF;
  }

  // The application before any widget, also when a test runs alone.
  bool qtApplication = (testing::EnsureQtApplication(), true);
  testing::FakeScreen screen;
  Board board{screen};
  ScriptedHost host;
  QWidget window;
  CBigBox* box = nullptr;
};

TEST_F(CellMarksTest, FramesShowOverTheBackgroundWhichKeepsItsColour) {
  // Cells by cell index: a green (plain, checking) cell and a white blank one.
  board.At(0).status = Plain;
  board.At(1).status = Blank;
  for (int i = 0; i < 9; ++i) box->cell(i)->Sync();
  CSmallBox* green = box->cell(0);
  CSmallBox* white = box->cell(1);
  const QPoint centre = green->viewport()->rect().center();

  struct Row {
    const char* name;
    CSmallBox* cell;
    bool same, hint;
    QRgb edge, band, inner, middle;  // at 0, 1, 4 pixels in, and the centre
  };
  const QRgb kGreen = rgb::kGreen, kWhite = rgb::kWhite, kOrange = 0xFF8C00, kMagenta = 0xE000E0;
  const Row rows[] = {
      {"green, unmarked", green, false, false, kGreen, kGreen, kGreen, kGreen},
      {"green, same digit", green, true, false, 0x000000, kOrange, kGreen, kGreen},
      {"green, hint", green, false, true, 0x000000, kMagenta, kGreen, kGreen},
      {"green, both", green, true, true, 0x000000, kMagenta, kOrange, kGreen},
      {"white, same digit", white, true, false, 0x000000, kOrange, kWhite, kWhite},
      {"white, unmarked again", white, false, false, kWhite, kWhite, kWhite, kWhite},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    row.cell->SetSameDigitMark(row.same);
    row.cell->SetHintMark(row.hint);
    EXPECT_EQ(row.cell->sameDigitMarked(), row.same);
    EXPECT_EQ(row.cell->hintMarked(), row.hint);
    EXPECT_EQ(PixelOf(row.cell, QPoint(0, 0)), row.edge);
    EXPECT_EQ(PixelOf(row.cell, QPoint(1, 1)), row.band);
    EXPECT_EQ(PixelOf(row.cell, QPoint(4, 4)), row.inner);
    EXPECT_EQ(PixelOf(row.cell, centre), row.middle);
    // The palette, which the colour table sets, is not touched by a mark.
    EXPECT_EQ(row.cell->palette().color(QPalette::Base).rgb() & 0xFFFFFF, row.middle);
  }
}

TEST_F(CellMarksTest, HintFromTheKeyAndTheMenuGoesToTheHost) {
  CSmallBox* cell = box->cell(4);
  cell->setFocus();
  QTest::keyClick(cell, Qt::Key_H, Qt::ControlModifier);
  QTimer::singleShot(0, [] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    menu->setActiveAction(menu->actions().last());
    QTest::keyClick(menu, Qt::Key_Return);
  });
  cell->OpenContextMenu(QPoint(5, 5));
  const std::vector<std::pair<int, int>> expected = {{cell->cell().number, ID_HINT},
                                                     {cell->cell().number, ID_HINT}};
  EXPECT_EQ(host.commands, expected);
  EXPECT_EQ(cell->toPlainText(), "");  // Ctrl+H is no Backspace here
}

}  // namespace
}  // namespace kovalo
