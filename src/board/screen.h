// The one way the core reaches the screen. The main dialog implements it;
// tests replace it with a scripted fake. Everything the core shows or asks
// the player goes through here, so the core never includes a widget header.
#pragma once

#include <string>
#include <vector>

namespace kovalo {

struct Cell;

// Control ids of the main window, as the control table numbers them.
enum ControlId : int {
  IDC_LOCK = 1000,
  IDC_RESET = 1001,
  IDC_CHECKING = 1002,
  IDC_FILL = 1003,
  IDC_WEBSITE = 1004,
  IDC_UNDO = 1010,
  IDC_REDO = 1011,
  IDC_SAVE_POSITION = 1012,
  IDC_LOAD_POSITION = 1013,
  IDC_MONDAY = 1100,  // ... 1106 for Sunday
  IDC_SUNDAY = 1106,
  IDC_RANDOM = 1110,
  IDC_SECOND_WEEKLY = 1111,
  IDC_EASY = 1112,
  IDC_MEDIUM = 1113,
  IDC_HARD = 1114,
  IDC_EVIL = 1115,
  IDC_NORMAL = 1116,
};

// Commands of the cells' context menu and of the window's menus.
enum CommandId : int {
  ID_MARK_AS_FIXED = 32773,
  ID_UNMARK_FIXED = 32774,
  ID_UNMARK_AND_REFILL = 32776,
  ID_MARK_SINGLE_DIGIT_FIELDS = 32778,
  ID_COPY_ANSWERS = 32780,
  ID_MARK_LONE_NUMBERS = 32783,
  ID_DO_BOTH_UNTIL_STABLE = 32785,
  ID_RULE_OUT_COMBINATIONS = 32787,
  ID_DELETE_SAVE = 32789,
  ID_ABOUT_PROGRAM = 32791,
  ID_ATTEMPT_SOLVE = 32793,
  ID_HINT = 32795,  // the last entry of the cells' menu, and Ctrl+H in a cell
};

enum class Buttons { Ok, YesNo };
enum class Reply { Ok, Yes, No };

class Screen {
 public:
  virtual ~Screen() = default;

  // A message box brought to the foreground. owner is the cell whose window
  // owns the box, or nullptr for the main window.
  virtual Reply ShowMessage(const std::string& text, const std::string& caption, Buttons buttons,
                            const Cell* owner = nullptr) = 0;

  virtual void SetTitle(const std::string& title) = 0;
  virtual std::string Title() const = 0;

  virtual void EnableControl(int controlId, bool enable) = 0;
  virtual void SetControlChecked(int controlId, bool checked) = 0;

  // Invalidate and paint the board at once: every cell shows its present
  // text, read-only state and colours.
  virtual void Repaint() = 0;

  // Plain 8-bit text; false when the clipboard could not be written.
  virtual bool SetClipboardText(const std::string& text) = 0;

  virtual void SetWaitCursor(bool on) = 0;

  // Frames the cells a hint concerns, by cell number, until the board
  // changes; none for an empty list.
  virtual void MarkHintCells(const std::vector<int>& cells) = 0;
};

// The program-error box, caption "Porgram Error", owned by the main window.
inline void ShowProgramError(Screen& screen, const std::string& text) {
  screen.ShowMessage(text, "Porgram Error", Buttons::Ok);
}

}  // namespace kovalo
