// The "Puzzle" menu, the buttons' keys and the same-digit frames.
#include "app/puzzle_commands.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QMenuBar>
#include <QMimeData>
#include <QSettings>
#include <QShortcut>
#include <QUrl>

#include "app/butt.h"
#include "app/kovalo_dlg.h"
#include "board/same_digits.h"

namespace kovalo {

namespace {

// The setting that keeps the choice of the same-digit marking.
constexpr const char* kSameDigitsKey = "Puzzle/MarkSameDigits";

struct ButtonKey {
  QKeyCombination keys;
  int controlId;
};
constexpr ButtonKey kButtonKeys[] = {
    {Qt::CTRL | Qt::Key_S, IDC_SAVE_POSITION},
    {Qt::CTRL | Qt::Key_O, IDC_LOAD_POSITION},
    {Qt::CTRL | Qt::Key_L, IDC_LOCK},
    {Qt::CTRL | Qt::Key_F, IDC_FILL},
};

}  // namespace

QString KeyboardShortcutsText() {
  return "Ctrl+S: Save Position\n"
         "Ctrl+O: Load Position\n"
         "Ctrl+L: Lock Start#'s\n"
         "Ctrl+F: Fill\n"
         "Ctrl+Z: Undo\n"
         "Ctrl+Y, Ctrl+Shift+Z: Redo\n"
         "Ctrl+Shift+V: Paste Puzzle\n"
         "Ctrl+Shift+C: Copy Puzzle\n"
         "Ctrl+H: Hint (in a cell)\n"
         "Up, Down: the cell above or below\n"
         "Left, Right at the start or end of a cell's text: the cell beside it\n"
         "Ctrl+Home, Ctrl+End: the first or last cell\n"
         "Tab, Shift+Tab: the next or previous cell in the board's order\n";
}

PuzzleCommands::PuzzleCommands(CKovaloDlg& window) : QObject(&window), window_(window) {
  CreateMenu();
  CreateButtonKeys();
  for (int n = 0; n < kCells; ++n) {
    CSmallBox* cell = window_.CellWidget(n);
    connect(cell, &CSmallBox::CellFocused, this, &PuzzleCommands::MarkSameDigits);
    connect(cell, &CSmallBox::CellFocusLeft, this, [this] { MarkSameDigits(-1); });
  }
}

void PuzzleCommands::CreateMenu() {
  QMenu* menu = window_.menuBar()->addMenu("Puzzle");
  QAction* paste = menu->addAction("Paste Puzzle");
  paste->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V));
  connect(paste, &QAction::triggered, this, &PuzzleCommands::OnPastePuzzle);
  connect(menu->addAction("Open Puzzle..."), &QAction::triggered, this,
          &PuzzleCommands::OnOpenPuzzle);
  QAction* copy = menu->addAction("Copy Puzzle");
  copy->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
  connect(copy, &QAction::triggered, this, [this] { window_.session().CopyPuzzle(); });
  menu->addSeparator();
  sameDigits_ = menu->addAction("Mark Same Digits");
  sameDigits_->setCheckable(true);
  sameDigits_->setChecked(QSettings().value(kSameDigitsKey, true).toBool());
  connect(sameDigits_, &QAction::toggled, this, [this](bool on) {
    QSettings().setValue(kSameDigitsKey, on);
    MarkSameDigits(focused_);
  });
  menu->addSeparator();
  connect(menu->addAction("Keyboard Shortcuts"), &QAction::triggered, this, [this] {
    window_.windowScreen().ShowMessage(KeyboardShortcutsText().toStdString(), "Keyboard Shortcuts",
                                       Buttons::Ok, nullptr);
  });
}

void PuzzleCommands::CreateButtonKeys() {
  for (const ButtonKey& key : kButtonKeys) {
    const int id = key.controlId;
    // A disabled button ignores its key, as it ignores a click.
    connect(new QShortcut(QKeySequence(key.keys), &window_), &QShortcut::activated, this,
            [this, id] { window_.Button(id)->click(); });
  }
}

void PuzzleCommands::OnPastePuzzle() {
  const QClipboard* clipboard = QGuiApplication::clipboard();
  const QString text = clipboard ? clipboard->text() : QString();
  window_.session().PastePuzzle(text.toStdString());
}

void PuzzleCommands::OnOpenPuzzle() {
  const QString path =
      QFileDialog::getOpenFileName(&window_, "Open Puzzle", QString(),
                                   "Sudoku puzzles (*.txt *.sdk *.ss *.sdm);;All files (*)");
  if (!path.isEmpty()) window_.session().OpenPuzzleFile(path.toStdString());
}

bool PuzzleCommands::CanTakeDrop(const QMimeData* data) {
  if (data->hasUrls()) return !data->urls().isEmpty() && data->urls().front().isLocalFile();
  return data->hasText();
}

void PuzzleCommands::TakeDrop(const QMimeData* data) {
  // The first file of several, as a program opens the first file named.
  if (data->hasUrls() && !data->urls().isEmpty() && data->urls().front().isLocalFile())
    window_.session().OpenPuzzleFile(data->urls().front().toLocalFile().toStdString());
  else if (data->hasText())
    window_.session().PastePuzzle(data->text().toStdString());
}

void PuzzleCommands::MarkSameDigits(int focused) {
  focused_ = focused;
  std::vector<int> same;
  if (focused >= 0 && sameDigits_->isChecked())
    same = SameDigitCells(window_.session().board(), focused);
  std::vector<bool> marked(kCells, false);
  for (int n : same) marked[n] = true;
  for (int n = 0; n < kCells; ++n) window_.CellWidget(n)->SetSameDigitMark(marked[n]);
}

}  // namespace kovalo
