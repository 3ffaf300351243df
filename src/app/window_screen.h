// The main window as the session's Screen: message boxes, the title bar,
// the buttons' states, the cells' painting, the clipboard and the cursor.
#pragma once

#include <functional>
#include <vector>

#include "board/screen.h"

namespace kovalo {

class CKovaloDlg;

class WindowScreen : public Screen {
 public:
  explicit WindowScreen(CKovaloDlg& window) : window_(window) {}

  Reply ShowMessage(const std::string& text, const std::string& caption, Buttons buttons,
                    const Cell* owner) override;
  // Shows the session's title: the title's bytes are kept by the session.
  void SetTitle(const std::string& title) override;
  std::string Title() const override;
  void EnableControl(int controlId, bool enable) override;
  void SetControlChecked(int controlId, bool checked) override;
  void Repaint() override;
  bool SetClipboardText(const std::string& text) override;
  void SetWaitCursor(bool on) override;
  void MarkHintCells(const std::vector<int>& cells) override;

  // Told after every repaint of the board.
  std::function<void()> repainted;

 private:
  CKovaloDlg& window_;
  std::vector<int> hintCells_;
};

}  // namespace kovalo
