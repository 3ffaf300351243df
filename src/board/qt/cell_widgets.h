// The board's windows: nine CBigBox, each with nine CSmallBox edit fields.
// A CSmallBox shows its model cell (text, read-only state, colours) and
// hands the player's edits, keys and menu commands on to the main window.
#pragma once

#include <QFrame>
#include <QTextEdit>
#include <array>

#include "board/board.h"

namespace kovalo {

class CBigBox;

// What the cells need from the main window.
class CellHost {
 public:
  virtual ~CellHost() = default;
  virtual void CellEdited(Cell& cell, const std::string& text) = 0;
  virtual void CellCommand(Cell& cell, int commandId) = 0;
  virtual void FocusCell(int cellNumber) = 0;
  virtual void PressUndo() = 0;
  virtual void PressRedo() = 0;
  virtual bool BoardLocked() const = 0;
  virtual bool BoardChecking() const = 0;
};

// What a screen reader says of a cell beside its name ("Row 1, column 2")
// and its value (the text): "Empty", "Digit 5", "Candidates 1 3 7" or
// "Starting number 5".
QString CandidatesDescription(const QString& text, bool startingNumber);

// Every cell's accessible name is "Row r, column c" (1-based), its value its
// text, its description the text in words.
class CSmallBox : public QTextEdit {
  Q_OBJECT
 public:
  CSmallBox(Cell& cell, CellHost& host, CBigBox* box);

  Cell& cell() { return cell_; }
  CBigBox* box() const { return box_; }

  // Shows the model cell: text, read-only state and colours. The player's
  // change handler does not run for it. True when anything shown changed.
  bool Sync();

  // The cell's context menu, as the right button opens it, at a point in
  // the cell's coordinates.
  void OpenContextMenu(const QPoint& at);

  // Frames drawn over the cell's background, which keeps its colour: one
  // for a cell that shows the focused cell's digit, one for a cell that the
  // hint concerns.
  void SetSameDigitMark(bool on);
  bool sameDigitMarked() const { return sameDigitMark_; }
  void SetHintMark(bool on);
  bool hintMarked() const { return hintMark_; }

 signals:
  // The cell got or lost the keyboard focus, so that the window can mark
  // the cells that show its digit.
  void CellFocused(int cellNumber);
  void CellFocusLeft(int cellNumber);

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void insertFromMimeData(const QMimeData* source) override;
  bool canInsertFromMimeData(const QMimeData* source) const override;

 private:
  void OnTextChanged();
  bool ApplyColours(const CellColours& colours);
  void UpdateAccessibleDescription();
  // Up, Down, Left at the start, Right at the end, Ctrl+Home and Ctrl+End:
  // true when the key moved, or would move past the board's edge.
  bool MoveByKey(const QKeyEvent* key);

  Cell& cell_;
  CellHost& host_;
  CBigBox* box_;
  CellColours shown_{};
  bool coloursShown_ = false;
  bool sameDigitMark_ = false;
  bool hintMark_ = false;
};

class CBigBox : public QFrame {
  Q_OBJECT
 public:
  CBigBox(int boxRow, int boxCol, Board& board, CellHost& host, QWidget* parent);

  int boxRow() const { return boxRow_; }
  int boxCol() const { return boxCol_; }
  // Cells by cell index: rowInBox + 3 * colInBox.
  CSmallBox* cell(int cellIndex) const { return cells_[cellIndex]; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  int boxCol_;
  int boxRow_;
  std::array<CSmallBox*, 9> cells_{};
};

}  // namespace kovalo
