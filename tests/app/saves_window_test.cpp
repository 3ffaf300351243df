// Saved positions through the main window's own widgets: Save, a restart,
// Load, Delete from the right-button menu, and the rows as they are drawn.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "app/butt.h"
#include "app/kovalo_dlg.h"
#include "qt_app.h"
#include "saves/qt/save_row_delegate.h"
#include "saves/qt/saves_list.h"
#include "saves/save_texts.h"
#include "support/local_time.h"

namespace kovalo {
namespace {

const std::time_t kStartUp = testing::LocalMoment(2026, 12, 7, 14, 5, 9);

class SavesWindowTest : public ::testing::Test {
 protected:
  SavesWindowTest() {
    testing::EnsureQtApplication();
    folder = testing::FreshFolder();
  }
  ~SavesWindowTest() override {
    dlg.reset();
    std::filesystem::remove_all(folder);
  }

  // Starts the program (again) on the folder, its clock standing at now.
  void Start(std::time_t now = kStartUp) {
    dlg.reset();
    dlg = std::make_unique<CKovaloDlg>(folder, kStartUp);
    dlg->clock = [now] { return now; };
    dlg->messageHook = [](const std::string&, const std::string&, Buttons) { return Reply::Ok; };
    dlg->fetchAnswers = [this](const std::string& address) -> std::optional<std::string> {
      fetched.push_back(address);
      return std::nullopt;
    };
    dlg->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
  }

  CSaves* List() { return dlg->SavesList(); }
  CSmallBox* CellAt(int row, int col) { return dlg->CellWidget(NumberOfGrid(row, col)); }
  void TypeInto(int row, int col, const char* keys) {
    CellAt(row, col)->setFocus();
    QTest::keyClicks(CellAt(row, col), keys);
  }
  void Press(int id) { QTest::mouseClick(dlg->Button(id), Qt::LeftButton); }
  QRect RowRect(int row) { return List()->visualRect(List()->model()->index(row, 0)); }
  void ClickRow(int row) {
    List()->scrollTo(List()->model()->index(row, 0));
    QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, RowRect(row).center());
  }
  // Right-clicks the row and chooses "Delete Save" from the menu it opens.
  void DeleteRowFromMenu(int row) {
    List()->scrollTo(List()->model()->index(row, 0));
    QStringList items;
    QTimer::singleShot(0, [&] {
      QMenu* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      ASSERT_NE(menu, nullptr);
      for (QAction* action : menu->actions()) items << action->text();
      menu->actions().front()->trigger();
      menu->close();
    });
    QTest::mouseClick(List()->viewport(), Qt::RightButton, {}, RowRect(row).center());
    EXPECT_EQ(items, QStringList{"Delete Save"});
  }
  std::vector<std::string> RowTexts() {
    std::vector<std::string> texts;
    for (int row = 0; row < List()->RowCount(); ++row) texts.push_back(List()->RowText(row));
    return texts;
  }
  std::string MonthFile() { return folder + "Saves/Sudoku 12-2026.ini"; }
  void WriteMonthFile(const std::string& name, const std::string& contents) {
    std::filesystem::create_directories(folder + "Saves");
    std::ofstream(folder + "Saves/" + name, std::ios::binary) << contents;
  }

  std::string folder;
  std::unique_ptr<CKovaloDlg> dlg;
  std::vector<std::string> fetched;
};

TEST_F(SavesWindowTest, SavedBoardsComeBackAfterARestartAndGoWithDelete) {
  Start();
  EXPECT_EQ(List()->RowCount(), 0);
  EXPECT_EQ(dlg->windowTitle(), "Number 10000, User defined");
  // A typed puzzle: starting numbers locked, then a candidate list. The
  // first cell stays empty.
  TypeInto(0, 1, "5");
  TypeInto(4, 4, "9");
  Press(IDC_LOCK);
  TypeInto(8, 8, "12");
  Press(IDC_SAVE_POSITION);
  ASSERT_EQ(RowTexts(), (std::vector<std::string>{"100010000 12/07/26 ,PM,02:05:09 PM"}));
  EXPECT_EQ(List()->SelectedRow(), 0);
  TypeInto(8, 7, "3");
  Press(IDC_SAVE_POSITION);
  ASSERT_EQ(List()->RowCount(), 2);
  EXPECT_EQ(List()->SelectedRow(), 1);

  Start();
  ASSERT_EQ(List()->RowCount(), 2);
  EXPECT_EQ(List()->SelectedRow(), 1) << "the last row at start-up";
  EXPECT_TRUE(List()->viewport()->rect().intersects(RowRect(1)));
  EXPECT_TRUE(dlg->board().AtGrid(0, 1).text.empty()) << "a fresh board";

  ClickRow(0);
  EXPECT_EQ(List()->SelectedRow(), 0);
  Press(IDC_LOAD_POSITION);
  const Board& board = dlg->board();
  EXPECT_EQ(dlg->windowTitle(), "Number 10000, User defined");
  EXPECT_EQ(dlg->puzzleDate(), "12 7 2026");
  EXPECT_EQ(CellAt(0, 1)->toPlainText(), "5");
  EXPECT_TRUE(CellAt(0, 1)->isReadOnly());
  EXPECT_EQ(board.AtGrid(0, 1).status, kStartingNumber);
  EXPECT_EQ(board.AtGrid(4, 4).text, "9");
  EXPECT_EQ(board.AtGrid(8, 8).text, "12");
  EXPECT_FALSE(CellAt(8, 8)->isReadOnly());
  EXPECT_EQ(board.AtGrid(8, 7).text, "") << "typed only before the second save";
  EXPECT_EQ(board.AtGrid(0, 0).text, "");
  EXPECT_TRUE(board.locked);
  EXPECT_FALSE(dlg->Button(IDC_UNDO)->isEnabled());
  // No answers were known: the answer page of the puzzle's date is asked for.
  ASSERT_EQ(fetched.size(), 1u);
  EXPECT_NE(fetched[0].find("DailySudoku.asp?solution=please&day=07/12/2026"), std::string::npos)
      << fetched[0];

  ClickRow(1);
  Press(IDC_LOAD_POSITION);
  EXPECT_EQ(board.AtGrid(8, 7).text, "3");

  DeleteRowFromMenu(0);
  EXPECT_EQ(List()->RowCount(), 1);
  EXPECT_EQ(List()->SelectedRow(), 0);
  Press(IDC_LOAD_POSITION);
  EXPECT_EQ(board.AtGrid(8, 7).text, "3") << "the row left loads the second save";
  DeleteRowFromMenu(0);
  EXPECT_EQ(List()->RowCount(), 0);
  EXPECT_EQ(List()->SelectedRow(), -1);

  Start();
  EXPECT_EQ(List()->RowCount(), 0);
  IniStore fresh;
  EXPECT_EQ(fresh.ReadString(MonthFile(), "Sudoku", "Items"), "0");
}

TEST_F(SavesWindowTest, FirstSaveMarksFollowTheFlag) {
  Start(testing::LocalMoment(2026, 12, 7, 9, 0, 0));
  // As a download leaves it: the puzzle of four days ago, its first save due.
  dlg->SetTitle("Sudoku 1234, Thursday Medium");
  dlg->puzzleDate() = "12 3 2026";
  dlg->firstSaveFlag() = 1;
  Press(IDC_SAVE_POSITION);
  Press(IDC_SAVE_POSITION);
  EXPECT_EQ(RowTexts(), (std::vector<std::string>{"100001234 12/03/26 ,AM,09:00:00 AM 4+",
                                                  "100001234 12/03/26 ,AM,09:00:00 AM 4+ 1st"}));
  EXPECT_EQ(dlg->firstSaveFlag(), 0);
  IniStore fresh;
  EXPECT_EQ(fresh.ReadString(MonthFile(), "Sudoku", "Item 0 A"),
            "1234 12/03/26 ,AM,09:00:00 AM 4+");
  EXPECT_EQ(fresh.ReadString(MonthFile(), "Sudoku", "Item 0 D"), "Sudoku 1234, Thursday Medium");

  // Loading the first save and saving again marks the new save too.
  ClickRow(1);
  Press(IDC_LOAD_POSITION);
  EXPECT_EQ(dlg->firstSaveFlag(), 2);
  Press(IDC_SAVE_POSITION);
  EXPECT_EQ(List()->RowCount(), 3);
  EXPECT_EQ(List()->RowText(List()->SelectedRow()), "100001234 12/03/26 ,AM,09:00:00 AM 4+ 1st");
}

std::string Repeat(const std::string& piece, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += piece;
  return text;
}

const std::string kSolution =
    "534678912672195348198342567859761423426853791713924856961537284287419635345286179";

std::string Cells(const std::string& digits, int flag = 0) {
  std::string text;
  for (char c : digits) text += (c == '.' ? std::string() : std::string(1, c)) + " ";
  return text + Repeat("2 ", 81) + std::to_string(flag);
}

// How many pixels of box are not within a small distance of colour.
int PixelsNotNear(const QImage& image, const QRect& box, const QColor& colour);
std::string Answers(const std::string& digits) {
  std::string text;
  for (char c : digits) text += std::string(1, c) + " ";
  text.pop_back();
  return text;
}

TEST_F(SavesWindowTest, AnswersAreFetchedOnlyWhenSomeAreMissing) {
  std::string oneMissing = kSolution;
  oneMissing[40] = '0';
  WriteMonthFile("Sudoku 12-2026.ini",
                 "[Sudoku]\nItems=2\nItem 0 A=1 12/01/26 ,PM,01:00:00 PM 6+\nItem 0 B=" +
                     Cells(kSolution) + "\nItem 0 C=" + Answers(kSolution) +
                     "\nItem 0 D=Sudoku 1, x\nItem 1 A=2 12/02/26 ,PM,01:00:00 PM 5+\nItem 1 B=" +
                     Cells(kSolution) + "\nItem 1 C=" + Answers(oneMissing) +
                     "\nItem 1 D=Sudoku 2, x\n");
  Start();
  ASSERT_EQ(List()->RowCount(), 2);
  ClickRow(0);
  Press(IDC_LOAD_POSITION);
  EXPECT_TRUE(fetched.empty());
  EXPECT_EQ(dlg->board().AtGrid(4, 4).answer, kSolution[40] - '0');
  ClickRow(1);
  Press(IDC_LOAD_POSITION);
  ASSERT_EQ(fetched.size(), 1u);
  EXPECT_NE(fetched[0].find("day=02/12/2026"), std::string::npos) << fetched[0];
  EXPECT_EQ(dlg->board().AtGrid(4, 4).answer, 0);
  EXPECT_FALSE(dlg->board().locked) << "no status 33 in these saves";
}

TEST_F(SavesWindowTest, TwoWindowsOnOneFolderShowEachOthersSavesAndDeleteOnlyWhatTheyShow) {
  Start();
  auto other = std::make_unique<CKovaloDlg>(folder, kStartUp);
  other->clock = [] { return kStartUp; };
  other->SetTitle("Sudoku 2, Friday Hard");
  dlg->SetTitle("Sudoku 1, Friday Easy");
  Press(IDC_SAVE_POSITION);
  QTest::mouseClick(other->Button(IDC_SAVE_POSITION), Qt::LeftButton);
  // The other window's save came after this one's: it lists both.
  ASSERT_EQ(other->SavesList()->RowCount(), 2);
  EXPECT_EQ(other->SavesList()->RowText(other->SavesList()->SelectedRow()).substr(0, 10),
            "100000002 ");
  Press(IDC_SAVE_POSITION);
  EXPECT_EQ(List()->RowCount(), 3) << "this window sees the other's save at its next";
  EXPECT_EQ(RowRect(0).height(), 22);

  // The other window deletes save 0; this window's row for save 0 now names
  // what was save 1 in the file: nothing is deleted, the list is read again.
  other->SavesList()->SelectRow(0);
  ASSERT_EQ(other->SavesList()->RowText(0).substr(0, 10), "100000001 ");
  QTimer::singleShot(0, [] {
    if (QMenu* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
      menu->actions().front()->trigger();
      menu->close();
    }
  });
  other->SavesList()->OpenRowMenu(
      other->SavesList()->visualRect(other->SavesList()->model()->index(0, 0)).center());
  IniStore fresh;
  ASSERT_EQ(fresh.ReadString(MonthFile(), "Sudoku", "Items"), "2");
  ClickRow(0);
  ASSERT_EQ(List()->RowText(0).substr(0, 10), "100000001 ");
  DeleteRowFromMenu(0);
  EXPECT_EQ(fresh.ReadString(MonthFile(), "Sudoku", "Items"), "2");
  std::vector<std::string> titles;
  for (int row = 0; row < List()->RowCount(); ++row)
    titles.push_back(dlg->saveBook().Entry(List()->RowReference(row))->title);
  EXPECT_EQ(titles, (std::vector<std::string>{"Sudoku 1, Friday Easy", "Sudoku 2, Friday Hard"}));
}

// ---------------------------------------------------------------- drawing

// How many pixels of box are within a small distance of colour.
int PixelsNear(const QImage& image, const QRect& box, const QColor& colour) {
  int count = 0;
  for (int y = box.top(); y <= box.bottom(); ++y)
    for (int x = box.left(); x <= box.right(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
              std::abs(c.blue() - colour.blue()) <
          40)
        ++count;
    }
  return count;
}

int PixelsNotNear(const QImage& image, const QRect& box, const QColor& colour) {
  return box.width() * box.height() - PixelsNear(image, box, colour);
}

TEST_F(SavesWindowTest, RowsShowTheirGroupChecksAndFirstSave) {
  std::string oneWrong = kSolution;
  oneWrong[0] = oneWrong[0] == '1' ? '2' : '1';
  std::string oneEmpty = kSolution;
  oneEmpty[5] = '.';
  auto item = [](int k, const std::string& a, const std::string& b, const std::string& c,
                 const std::string& d) {
    const std::string n = std::to_string(k);
    return "Item " + n + " A=" + a + "\nItem " + n + " B=" + b + "\nItem " + n + " C=" + c +
           "\nItem " + n + " D=" + d + "\n";
  };
  // Sorted as listed: rows 0 ... 3.
  WriteMonthFile("Sudoku 11-2026.ini",
                 "[Sudoku]\nItems=4\n" +
                     item(0, "1234 11/26/26 ,PM,01:00:00 PM", Cells(kSolution), Answers(kSolution),
                          "Sudoku 1234, Thursday Medium") +
                     item(1, "1234 11/26/26 ,PM,02:00:00 PM", Cells(oneWrong, 1),
                          Answers(kSolution), "Sudoku 1234, Thursday Medium") +
                     item(2, "12345 11/27/26 ,PM,03:00:00 PM", Cells(oneEmpty),
                          Answers(Repeat("0", 81)), "Random 12345, x Hard") +
                     item(3, "55 11/28/26 ,PM,03:00:00 PM", Cells(kSolution), "",
                          "Puzzle 55, x 2026"));
  Start();
  ASSERT_EQ(List()->RowCount(), 4);
  ASSERT_EQ(List()->RowText(0), "1234 11/26/26 ,PM,01:00:00 PM");
  ASSERT_EQ(List()->RowText(2), "12345 11/27/26 ,PM,03:00:00 PM");
  ClickRow(0);

  // Drawn at full size, as the list's delegate draws each row.
  const SaveBook& book = dlg->saveBook();
  QImage image(500, 22 * 4, QImage::Format_RGB32);
  image.fill(Qt::black);
  {
    QPainter painter(&image);
    const std::string group = List()->RowText(0);
    for (int row = 0; row < 4; ++row)
      DrawSaveRow(painter, QRect(0, 22 * row, 500, 22), List()->RowText(row),
                  book.Entry(List()->RowReference(row)),
                  InGroup(List()->RowText(row), GroupPrefix(group)), row == 0);
  }
  auto box = [](int row, int x, int width) { return QRect(x, 22 * row + 4, width, 14); };
  const QColor groupFill(0, 128, 192), otherFill(192, 192, 192);
  // Group: the same number; 12345 only begins alike.
  EXPECT_EQ(image.pixelColor(150, 22 * 0 + 20), groupFill);
  EXPECT_EQ(image.pixelColor(150, 22 * 1 + 20), groupFill);
  EXPECT_EQ(image.pixelColor(150, 22 * 2 + 20), otherFill);
  EXPECT_EQ(image.pixelColor(150, 22 * 3 + 20), otherFill);
  // Frames: green around the selected row, black around the others.
  EXPECT_EQ(image.pixelColor(100, 0), QColor(0, 255, 0));
  EXPECT_EQ(image.pixelColor(100, 22), QColor(0, 0, 0));

  // Answers column: checks for rows 0 and 1, crosses for 2 and 3.
  EXPECT_GT(PixelsNear(image, box(0, 310, 10), QColor(128, 255, 128)), 3);
  EXPECT_GT(PixelsNear(image, box(1, 310, 10), QColor(128, 255, 128)), 3);
  EXPECT_GT(PixelsNear(image, box(2, 310, 10), QColor(140, 0, 0)), 3);
  EXPECT_GT(PixelsNear(image, box(3, 310, 10), QColor(140, 0, 0)), 3);
  // Completion: green check, yellow check, red cross; no answers: not verifiable.
  EXPECT_GT(PixelsNear(image, box(0, 380, 15), QColor(128, 255, 128)), 3);
  EXPECT_GT(PixelsNear(image, box(1, 380, 15), QColor(255, 255, 0)), 3);
  EXPECT_EQ(PixelsNear(image, box(1, 380, 15), QColor(128, 255, 128)), 0);
  EXPECT_GT(PixelsNear(image, box(2, 380, 15), QColor(140, 0, 0)), 3);
  EXPECT_GT(PixelsNear(image, box(3, 380, 15), QColor(180, 180, 0)), 3);
  // The first-save disc only on row 1.
  EXPECT_GT(PixelsNear(image, box(1, 213, 15), QColor(128, 255, 255)), 20);
  EXPECT_EQ(PixelsNear(image, box(0, 213, 15), QColor(128, 255, 255)), 0);
  EXPECT_EQ(PixelsNear(image, box(2, 213, 15), QColor(0, 64, 192)), 0);
  // Site and level colours: "Random" in its brown, "Hard" in red; a level
  // that is a number is not drawn.
  EXPECT_GT(PixelsNear(image, box(2, 320, 55), QColor(160, 96, 0)), 3);
  EXPECT_GT(PixelsNear(image, box(2, 400, 60), QColor(255, 0, 0)), 3);
  EXPECT_EQ(PixelsNotNear(image, box(3, 400, 60), otherFill), 0);

  // The list's own painting is the same drawing.
  const QImage shown = List()->viewport()->grab().toImage();
  const QRect first = RowRect(List()->SelectedRow());
  EXPECT_EQ(shown.pixelColor(first.left() + 150, first.top() + 20), groupFill);
}

// Every word of a row stands out from the row's fill: a colour that would
// vanish is drawn darker, the others stay; a long site word stops short of
// the completion symbol.
TEST(SaveRowColoursTest, WordsStayReadableAndSiteWordsStopBeforeTheSymbol) {
  testing::EnsureQtApplication();  // for the fonts
  const QColor grey(192, 192, 192), blue(0, 128, 192);
  struct Case {
    QColor ink, fill;
    bool kept;
  } cases[] = {
      {QColor(192, 192, 192), grey, false},  // "defined", "Failed" outside the group
      {QColor(192, 192, 192), blue, true},  {QColor(0, 255, 0), grey, true},
      {QColor(255, 255, 0), grey, true},    {QColor(255, 0, 0), grey, true},
      {QColor(255, 0, 255), grey, true},    {QColor(128, 128, 128), grey, true},
      {QColor(0, 160, 160), grey, true},    {QColor(255, 255, 255), blue, true},
      {QColor(0, 128, 192), blue, false},
  };
  for (const Case& c : cases) {
    const QColor drawn = ReadableColour(c.ink, c.fill);
    EXPECT_EQ(drawn == c.ink, c.kept)
        << c.ink.name().toStdString() << " on " << c.fill.name().toStdString();
    const int distance = std::abs(drawn.red() - c.fill.red()) +
                         std::abs(drawn.green() - c.fill.green()) +
                         std::abs(drawn.blue() - c.fill.blue());
    EXPECT_GT(distance, 90) << c.ink.name().toStdString();
  }

  SaveEntry entry;
  entry.title = SaveText("Verylongsitenameforthislist 7, x defined");
  QImage image(500, 22, QImage::Format_RGB32);
  {
    QPainter painter(&image);
    DrawSaveRow(painter, QRect(0, 0, 500, 22), "7 11/26/26 ,PM,01:00:00 PM", &entry, false, false);
  }
  // The site word in its grey reaches the symbol's room no more.
  EXPECT_GT(PixelsNear(image, QRect(322, 4, 40, 14), QColor(128, 128, 128)), 3);
  EXPECT_EQ(PixelsNear(image, QRect(378, 4, 18, 14), QColor(128, 128, 128)), 0);
  // "defined" is drawn, darker than the fill.
  EXPECT_GT(PixelsNotNear(image, QRect(400, 4, 60, 14), grey), 10);
}

}  // namespace
}  // namespace kovalo
