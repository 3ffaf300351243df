// What the session shows, shown in the main window's widgets.
#include "app/window_screen.h"

#include <QApplication>
#include <QClipboard>
#include <QMessageBox>

#include "app/butt.h"
#include "app/kovalo_dlg.h"
#include "saves/save_texts.h"

namespace kovalo {

Reply WindowScreen::ShowMessage(const std::string& text, const std::string& caption,
                                Buttons buttons, const Cell* owner) {
  if (window_.messageHook) return window_.messageHook(text, caption, buttons);
  QWidget* parent = owner ? static_cast<QWidget*>(window_.CellWidget(owner->number)) : &window_;
  QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(caption),
                  QString::fromStdString(text),
                  buttons == Buttons::Ok ? QMessageBox::Ok : QMessageBox::Yes | QMessageBox::No,
                  parent);
  // The verdicts and questions have no caption: the text is the box's name.
  box.setAccessibleName(QString::fromStdString(caption.empty() ? text : caption));
  box.setAccessibleDescription(QString::fromStdString(text));
  window_.raise();
  window_.activateWindow();
  const int reply = box.exec();
  if (reply == QMessageBox::Yes) return Reply::Yes;
  if (reply == QMessageBox::No) return Reply::No;
  return Reply::Ok;
}

void WindowScreen::SetTitle(const std::string& title) {
  // The session keeps the bytes; shown, they are UTF-8 where they are valid
  // UTF-8 and Windows-1252 otherwise.
  window_.setWindowTitle(QString::fromStdString(TitleForDisplay(title)));
}

std::string WindowScreen::Title() const { return window_.Title(); }

void WindowScreen::EnableControl(int controlId, bool enable) {
  if (CButt* button = window_.Button(controlId)) button->setEnabled(enable);
}

void WindowScreen::SetControlChecked(int controlId, bool checked) {
  if (CButt* button = window_.Button(controlId)) {
    const QSignalBlocker blocker(button);
    button->setChecked(checked);
  }
}

void WindowScreen::MarkHintCells(const std::vector<int>& cells) {
  for (int n : hintCells_) window_.CellWidget(n)->SetHintMark(false);
  hintCells_ = cells;
  for (int n : hintCells_) window_.CellWidget(n)->SetHintMark(true);
}

void WindowScreen::Repaint() {
  // A hint's frames last until the board changes.
  if (!hintCells_.empty()) MarkHintCells({});
  // Every cell shows its model at once. A cell whose text, read-only state
  // and colours are as they were would paint the same pixels again, so only
  // the changed ones are painted.
  for (int n = 0; n < kCells; ++n) {
    CSmallBox* cell = window_.CellWidget(n);
    if (cell->Sync()) cell->viewport()->repaint();
  }
  if (repainted) repainted();
}

bool WindowScreen::SetClipboardText(const std::string& text) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) return false;
  clipboard->setText(QString::fromLatin1(text.data(), static_cast<int>(text.size())));
  return true;
}

void WindowScreen::SetWaitCursor(bool on) {
  if (on)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
}

}  // namespace kovalo
