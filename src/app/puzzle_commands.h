// The commands players of other Sudoku programs expect: the "Puzzle" menu
// (pasting, opening and copying a puzzle, the marking of same digits, the
// list of keyboard shortcuts), the keys of the buttons used most, and the
// marking of the cells that show the focused cell's digit.
#pragma once

#include <QObject>
#include <QString>

class QAction;
class QMimeData;

namespace kovalo {

class CKovaloDlg;

// Every key the window knows, one "key: what it does" line each, as the
// "Keyboard Shortcuts" box lists them.
QString KeyboardShortcutsText();

class PuzzleCommands : public QObject {
  Q_OBJECT
 public:
  // Adds the "Puzzle" menu to window's menu bar, after "Info", and the
  // buttons' keys; follows the focus of window's cells.
  explicit PuzzleCommands(CKovaloDlg& window);

  // Whether a drag may drop here: a local file or a text.
  static bool CanTakeDrop(const QMimeData* data);
  // A dropped file or text, entered as a puzzle.
  void TakeDrop(const QMimeData* data);

  // Frames every other cell that shows the one digit of cell focused, when
  // the marking is on; -1 clears every frame.
  void MarkSameDigits(int focused);
  // The frames again, after the board has changed.
  void RefreshSameDigits() { MarkSameDigits(focused_); }

 private:
  void CreateMenu();
  void CreateButtonKeys();
  void OnPastePuzzle();
  void OnOpenPuzzle();

  CKovaloDlg& window_;
  QAction* sameDigits_ = nullptr;
  int focused_ = -1;
};

}  // namespace kovalo
