#include "board/qt/cell_widgets.h"

#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QSignalBlocker>
#include <QTextOption>
#include <algorithm>

#include "board/geometry.h"

namespace kovalo {
namespace {

QColor ColourOf(uint32_t rgb) { return QColor::fromRgb(QRgb{rgb}); }  // 0xRRGGBB, solid

bool IsUndoKey(const QKeyEvent* key) {
  return key->modifiers() == Qt::ControlModifier && key->key() == Qt::Key_Z;
}
bool IsRedoKey(const QKeyEvent* key) {
  return (key->modifiers() == Qt::ControlModifier && key->key() == Qt::Key_Y) ||
         (key->modifiers() == (Qt::ControlModifier | Qt::ShiftModifier) && key->key() == Qt::Key_Z);
}

// Keys that edit or move inside the text without adding a character.
bool IsEditingKey(int key) {
  switch (key) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End: return true;
    default: return false;
  }
}

// The digits of a text, in order: all of it that may reach a cell, whether
// typed, pasted or composed by an input method. A blank or a line break in a
// cell would split the position text that saving writes.
QString DigitsOf(const QString& text) {
  QString digits;
  for (QChar c : text)
    if (c >= '0' && c <= '9') digits += c;
  return digits;
}

// The marks' frames: a coloured band with a thin dark line outside it, so
// that it shows on every background colour of the table.
constexpr QRgb kSameDigitFrame = 0xFF8C00;  // dark orange
constexpr QRgb kHintFrame = 0xE000E0;       // magenta
void DrawFrame(QPainter& painter, QRect inside, QRgb colour, int width) {
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(Qt::black, 1));
  painter.drawRect(inside.adjusted(0, 0, -1, -1));
  painter.setPen(QPen(QColor::fromRgb(colour), 1));
  for (int i = 1; i <= width; ++i) painter.drawRect(inside.adjusted(i, i, -1 - i, -1 - i));
}

}  // namespace

CSmallBox::CSmallBox(Cell& cell, CellHost& host, CBigBox* box)
    : QTextEdit(box), cell_(cell), host_(host), box_(box) {
  setAcceptRichText(false);
  setUndoRedoEnabled(false);  // the board keeps the one history
  setFrameShape(QFrame::Box);
  setLineWidth(1);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setLineWrapMode(QTextEdit::WidgetWidth);
  QTextOption option(Qt::AlignHCenter);
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  document()->setDefaultTextOption(option);
  document()->setDocumentMargin(1);
  setTabChangesFocus(false);
  // No focus from a click as such: a right click opens the menu without
  // moving the focus, and mousePressEvent gives it for the other buttons.
  setFocusPolicy(Qt::TabFocus);
  // A text or file dropped on a cell is a puzzle for the window, not the
  // cell's text.
  setAcceptDrops(false);
  viewport()->setAcceptDrops(false);
  connect(this, &QTextEdit::textChanged, this, &CSmallBox::OnTextChanged);
  const CellPlace place = cell_.Place();
  setAccessibleName(QString("Row %1, column %2").arg(place.GridRow() + 1).arg(place.GridCol() + 1));
  UpdateAccessibleDescription();
}

QString CandidatesDescription(const QString& text, bool startingNumber) {
  if (text.isEmpty()) return "Empty";
  if (startingNumber) return "Starting number " + text;
  QStringList digits;
  for (QChar c : text) digits << QString(c);
  return (text.size() == 1 ? "Digit " : "Candidates ") + digits.join(' ');
}

void CSmallBox::UpdateAccessibleDescription() {
  const QString description = CandidatesDescription(toPlainText(), cell_.readOnly);
  if (accessibleDescription() != description) setAccessibleDescription(description);
}

bool CSmallBox::Sync() {
  bool changed = false;
  const QString text = QString::fromLatin1(cell_.text.data(), static_cast<int>(cell_.text.size()));
  if (toPlainText() != text) {
    const QSignalBlocker blocker(this);  // a program write is no player edit
    setPlainText(text);
    moveCursor(QTextCursor::End);
    changed = true;
  }
  if (isReadOnly() != cell_.readOnly) {
    setReadOnly(cell_.readOnly);
    changed = true;
  }
  if (changed) UpdateAccessibleDescription();
  return ApplyColours(ColoursOf(cell_.status, host_.BoardLocked(), host_.BoardChecking())) ||
         changed;
}

bool CSmallBox::ApplyColours(const CellColours& colours) {
  if (coloursShown_ && colours == shown_) return false;
  shown_ = colours;
  coloursShown_ = true;
  QPalette pal = palette();
  pal.setColor(QPalette::Base, ColourOf(colours.background));
  pal.setColor(QPalette::Text,
               colours.defaultText ? QPalette().color(QPalette::Text) : ColourOf(colours.text));
  setPalette(pal);
  return true;
}

void CSmallBox::OnTextChanged() {
  UpdateAccessibleDescription();
  host_.CellEdited(cell_, toPlainText().toLatin1().toStdString());
}

bool CSmallBox::event(QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride) {
    // Let the window's Undo and Redo keys through instead of the editor's.
    auto* key = static_cast<QKeyEvent*>(event);
    if (IsUndoKey(key) || IsRedoKey(key)) {
      event->ignore();
      return true;
    }
  }
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
      // Tab, with or without Shift, goes to the cell with the next number.
      host_.FocusCell((cell_.number + 1) % kCells);
      return true;
    }
  }
  return QTextEdit::event(event);
}

bool CSmallBox::MoveByKey(const QKeyEvent* key) {
  const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
  const CellPlace place = cell_.Place();
  int row = place.GridRow();
  int col = place.GridCol();
  if (modifiers == Qt::ControlModifier && key->key() == Qt::Key_Home) {
    row = col = 0;
  } else if (modifiers == Qt::ControlModifier && key->key() == Qt::Key_End) {
    row = col = 8;
  } else if (modifiers == Qt::NoModifier) {
    // Grid neighbours, not board order; nothing wraps at the edges. Left
    // and Right only leave the text from its start or its end, a selection
    // reaching there counted.
    const QTextCursor cursor = textCursor();
    switch (key->key()) {
      case Qt::Key_Up: row = std::max(row - 1, 0); break;
      case Qt::Key_Down: row = std::min(row + 1, 8); break;
      case Qt::Key_Left:
        if (cursor.selectionStart() != 0) return false;
        col = std::max(col - 1, 0);
        break;
      case Qt::Key_Right:
        if (cursor.selectionEnd() != document()->characterCount() - 1) return false;
        col = std::min(col + 1, 8);
        break;
      default: return false;
    }
    if (NumberOfGrid(row, col) == cell_.number) return true;  // at the edge: nothing
  } else {
    return false;
  }
  // The host moves the focus as Tab does; the cell that has it then shows
  // its whole text selected, so that a digit typed replaces it.
  host_.FocusCell(NumberOfGrid(row, col));
  if (auto* next = qobject_cast<CSmallBox*>(window()->focusWidget());
      next && next->cell().number == NumberOfGrid(row, col))
    next->selectAll();
  return true;
}

void CSmallBox::keyPressEvent(QKeyEvent* event) {
  if (MoveByKey(event)) return;
  if ((event->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier &&
      event->key() == Qt::Key_H) {
    host_.CellCommand(cell_, ID_HINT);
    return;
  }
  if (IsUndoKey(event)) {
    host_.PressUndo();
    return;
  }
  if (IsRedoKey(event)) {
    host_.PressRedo();
    return;
  }
  setFocus();
  if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) {
    // Copy, select all and the like; nothing that inserts text.
    if (event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut)) {
      QTextEdit::keyPressEvent(event);
      return;
    }
    if (!event->text().isEmpty() && event->text().at(0).isPrint()) return;
    QTextEdit::keyPressEvent(event);
    return;
  }
  const QString text = event->text();
  const bool digit = text.size() == 1 && text.at(0) >= '0' && text.at(0) <= '9';
  if (digit || IsEditingKey(event->key())) {
    QTextEdit::keyPressEvent(event);
    return;
  }
  event->ignore();  // only digits reach a cell from the keyboard
}

void CSmallBox::focusInEvent(QFocusEvent* event) {
  QTextEdit::focusInEvent(event);
  emit CellFocused(cell_.number);
}

void CSmallBox::focusOutEvent(QFocusEvent* event) {
  QTextEdit::focusOutEvent(event);
  emit CellFocusLeft(cell_.number);
}

void CSmallBox::SetSameDigitMark(bool on) {
  if (sameDigitMark_ == on) return;
  sameDigitMark_ = on;
  viewport()->update();
}

void CSmallBox::SetHintMark(bool on) {
  if (hintMark_ == on) return;
  hintMark_ = on;
  viewport()->update();
}

void CSmallBox::paintEvent(QPaintEvent* event) {
  QTextEdit::paintEvent(event);
  if (!sameDigitMark_ && !hintMark_) return;
  QPainter painter(viewport());
  QRect frame = viewport()->rect();
  // The hint's frame outside, the same digit's inside it when both show.
  if (hintMark_) {
    DrawFrame(painter, frame, kHintFrame, 2);
    frame.adjust(3, 3, -3, -3);
  }
  if (sameDigitMark_) DrawFrame(painter, frame, kSameDigitFrame, 2);
}

void CSmallBox::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) {
    event->accept();  // the menu opens without moving the focus
    return;
  }
  setFocus(Qt::MouseFocusReason);
  QTextEdit::mousePressEvent(event);
}

void CSmallBox::contextMenuEvent(QContextMenuEvent* event) {
  OpenContextMenu(event->pos());
  event->accept();
}

void CSmallBox::OpenContextMenu(const QPoint& at) {
  QMenu menu(this);
  menu.setTitle("SubMenu");
  struct Item {
    const char* text;
    int command;
  };
  const Item items[] = {{"Mark as Fixed", ID_MARK_AS_FIXED},
                        {"Unmark as Fixed", ID_UNMARK_FIXED},
                        {"UnMark and Refill Adjacent Boxes", ID_UNMARK_AND_REFILL},
                        {"Copy Answers to clipboard", ID_COPY_ANSWERS}};
  const Item help[] = {{"Mark all Single Digit Fields", ID_MARK_SINGLE_DIGIT_FIELDS},
                       {"Mark any Numbers that are alone", ID_MARK_LONE_NUMBERS},
                       {"Do Both Above until no more changes", ID_DO_BOTH_UNTIL_STABLE},
                       {"Rule Out impossible Combinations", ID_RULE_OUT_COMBINATIONS},
                       {"Attempt to Solve the puzzle", ID_ATTEMPT_SOLVE}};
  for (const Item& item : items) menu.addAction(item.text)->setData(item.command);
  QMenu* helpMenu = menu.addMenu("Help");
  for (const Item& item : help) helpMenu->addAction(item.text)->setData(item.command);
  menu.addAction("Hint")->setData(ID_HINT);

  // Centred horizontally on the click point.
  QPoint global = mapToGlobal(at);
  global.rx() -= menu.sizeHint().width() / 2;
  QAction* chosen = menu.exec(global);
  if (chosen) host_.CellCommand(cell_, chosen->data().toInt());
}

// Pasted text brings its digits only.
bool CSmallBox::canInsertFromMimeData(const QMimeData* source) const { return source->hasText(); }

void CSmallBox::insertFromMimeData(const QMimeData* source) {
  const QString digits = DigitsOf(source->text());
  if (!digits.isEmpty()) textCursor().insertText(digits);
}

// An input method's text brings its digits only, as typing does. Nothing is
// shown while it composes (the composition would not be digits), and a
// starting number takes nothing.
void CSmallBox::inputMethodEvent(QInputMethodEvent* event) {
  if (isReadOnly()) {
    event->ignore();
    return;
  }
  const QString digits = DigitsOf(event->commitString());
  if (digits.isEmpty() && event->replacementLength() == 0) {
    event->accept();  // nothing reaches the text, so nothing is recorded
    return;
  }
  QInputMethodEvent digitsOnly;
  digitsOnly.setCommitString(digits, event->replacementStart(), event->replacementLength());
  QTextEdit::inputMethodEvent(&digitsOnly);
  event->setAccepted(digitsOnly.isAccepted());
}

CBigBox::CBigBox(int boxRow, int boxCol, Board& board, CellHost& host, QWidget* parent)
    : QFrame(parent), boxCol_(boxCol), boxRow_(boxRow) {
  setFrameShape(QFrame::Box);
  setLineWidth(1);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      Cell& cell = board.At(CellPlace{boxRow, boxCol, i, j}.Number());
      cells_[i + 3 * j] = new CSmallBox(cell, host, this);
    }
}

void CBigBox::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  const QRect client = contentsRect();
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      const PixelRect r = CellRectInBox(i, j, client.width(), client.height());
      cells_[i + 3 * j]->setGeometry(client.left() + r.left, client.top() + r.top, r.Width(),
                                     r.Height());
    }
}

}  // namespace kovalo
