// What a screen reader finds in the window: read through Qt's accessibility
// interfaces of the real widgets, as assistive technology reads them.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "app/butt.h"
#include "app/control_table.h"
#include "app/kovalo_dlg.h"
#include "board/qt/cell_widgets.h"
#include "qt_app.h"
#include "saves/qt/saves_list.h"
#include "support/local_time.h"

namespace kovalo {
namespace {

const std::time_t kStartUp = testing::LocalMoment(2026, 12, 7, 14, 5, 9);

std::string Said(QObject* object, QAccessible::Text what) {
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(object);
  return iface ? iface->text(what).toStdString() : "(no accessible interface)";
}

class AccessibilityTest : public ::testing::Test {
 protected:
  AccessibilityTest() {
    testing::EnsureQtApplication();
    folder = testing::FreshFolder();
    dlg = std::make_unique<CKovaloDlg>(folder, kStartUp);
    dlg->clock = [] { return kStartUp; };
    dlg->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
  }
  ~AccessibilityTest() override {
    dlg.reset();
    std::filesystem::remove_all(folder);
  }
  CSmallBox* CellAt(int row, int col) { return dlg->CellWidget(NumberOfGrid(row, col)); }
  void TypeInto(int row, int col, const char* keys) {
    CellAt(row, col)->setFocus();
    QTest::keyClicks(CellAt(row, col), keys);
  }
  void Press(int id) { QTest::mouseClick(dlg->Button(id), Qt::LeftButton); }

  std::string folder;
  std::unique_ptr<CKovaloDlg> dlg;
};

TEST_F(AccessibilityTest, EveryCellIsNamedByItsRowAndColumn) {
  for (int row = 0; row < 9; ++row)
    for (int col = 0; col < 9; ++col) {
      CSmallBox* cell = CellAt(row, col);
      EXPECT_EQ(Said(cell, QAccessible::Name),
                "Row " + std::to_string(row + 1) + ", column " + std::to_string(col + 1));
      EXPECT_EQ(Said(cell, QAccessible::Value), "");
      EXPECT_EQ(Said(cell, QAccessible::Description), "Empty");
    }
}

TEST_F(AccessibilityTest, CellsSayTheirCandidatesAsTheyChange) {
  struct Row {
    int row, col;
    const char* keys;
    const char* value;
    const char* description;
  };
  // Typed before the lock: starting numbers once locked.
  const Row givens[] = {{0, 0, "5", "5", "Starting number 5"},
                        {8, 8, "9", "9", "Starting number 9"}};
  for (const Row& r : givens) TypeInto(r.row, r.col, r.keys);
  Press(IDC_LOCK);
  const Row typed[] = {
      {0, 1, "137", "137", "Candidates 1 3 7"},
      {4, 4, "8", "8", "Digit 8"},
      {2, 6, "24\b", "2", "Digit 2"},
      {6, 2, "1\b", "", "Empty"},
  };
  for (const Row& r : typed) TypeInto(r.row, r.col, r.keys);
  auto check = [&](const Row& r) {
    SCOPED_TRACE(::testing::Message() << "row " << r.row << " col " << r.col);
    EXPECT_EQ(Said(CellAt(r.row, r.col), QAccessible::Value), r.value);
    EXPECT_EQ(Said(CellAt(r.row, r.col), QAccessible::Description), r.description);
  };
  for (const Row& r : givens) check(r);
  for (const Row& r : typed) check(r);

  // A change the program makes (Undo of the last key) is said as well.
  Press(IDC_UNDO);
  EXPECT_EQ(Said(CellAt(6, 2), QAccessible::Value), "1");
  EXPECT_EQ(Said(CellAt(6, 2), QAccessible::Description), "Digit 1");
}

TEST_F(AccessibilityTest, EveryButtonSaysItsLabel) {
  for (const ButtonRow& row : kButtonTable) {
    CButt* button = dlg->Button(row.id);
    ASSERT_NE(button, nullptr) << row.label;
    EXPECT_EQ(Said(button, QAccessible::Name), row.label);
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(button);
    ASSERT_NE(iface, nullptr);
    // Pressable by assistive technology while enabled, and ticked ones say so.
    ASSERT_NE(iface->actionInterface(), nullptr) << row.label;
    EXPECT_EQ(iface->state().disabled, !button->isEnabled()) << row.label;
    if (button->isEnabled()) {
      const QString action = row.kind == ButtonKind::Push
                                 ? QAccessibleActionInterface::pressAction()
                                 : QAccessibleActionInterface::toggleAction();
      EXPECT_TRUE(iface->actionInterface()->actionNames().contains(action)) << row.label;
    }
    EXPECT_EQ(iface->state().checked, button->isChecked()) << row.label;
  }
}

TEST_F(AccessibilityTest, SaveRowsSayTheirColumns) {
  TypeInto(0, 1, "5");
  Press(IDC_LOCK);
  TypeInto(8, 8, "12");
  Press(IDC_SAVE_POSITION);
  TypeInto(8, 7, "3");
  Press(IDC_SAVE_POSITION);
  CSaves* list = dlg->SavesList();
  ASSERT_EQ(list->RowCount(), 2);

  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(list);
  ASSERT_NE(iface, nullptr);
  std::vector<std::string> rows;
  for (int i = 0; i < iface->childCount(); ++i) {
    QAccessibleInterface* child = iface->child(i);
    if (child && child->role() == QAccessible::ListItem)
      rows.push_back(child->text(QAccessible::Name).toStdString());
  }
  EXPECT_EQ(rows, (std::vector<std::string>{
                      "Number 010000, 12/07/26, 02:05:09 PM, Monday, site Number, level defined, "
                      "no answers, not completed",
                      "Number 010000, 12/07/26, 02:05:09 PM, Monday, site Number, level defined, "
                      "no answers, not completed"}));
}

// Answers every message box that opens, as a player would, and keeps what
// the accessibility interface says of it.
struct BoxReader {
  QStringList names, descriptions, labels;
  QTimer timer;
  BoxReader() {
    QObject::connect(&timer, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(box);
      names << iface->text(QAccessible::Name);
      descriptions << iface->text(QAccessible::Description);
      for (int i = 0; i < iface->childCount(); ++i)
        if (iface->child(i)->role() == QAccessible::StaticText)
          labels << iface->child(i)->text(QAccessible::Name);
      QAbstractButton* answer = box->button(QMessageBox::Yes);
      (answer ? answer : box->button(QMessageBox::Ok))->click();
    });
    timer.start(10);
  }
};

TEST_F(AccessibilityTest, VerdictBoxSaysItsText) {
  const char puzzle[] =
      "53..7....6..195....98....6.8...6...34..8.3..17...2...6.6....28....419..5....8..79";
  for (int k = 0; k < 81; ++k)
    if (puzzle[k] != '.') {
      const char digit[2] = {puzzle[k], 0};
      TypeInto(k / 9, k % 9, digit);
    }
  Press(IDC_LOCK);
  Press(IDC_FILL);
  BoxReader reader;
  dlg->CellCommand(dlg->board().AtGrid(0, 2), ID_ATTEMPT_SOLVE);
  const QString verdict =
      "You have Successfully Completed the puzzle but your answers could not be verified with the "
      "website at this time";
  EXPECT_TRUE(reader.names.contains(verdict)) << reader.names.join('|').toStdString();
  EXPECT_TRUE(reader.descriptions.contains(verdict)) << reader.descriptions.join('|').toStdString();
  EXPECT_TRUE(reader.labels.contains(verdict)) << reader.labels.join('|').toStdString();
}

}  // namespace
}  // namespace kovalo
