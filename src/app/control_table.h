// The controls of the main window: ids, labels, kinds and client-area
// rectangles, in the order they are created.
#pragma once

#include <array>

#include "board/geometry.h"

namespace kovalo {

enum class ButtonKind { Push, CheckBox, Radio };

using ControlRect = PixelRect;

struct ButtonRow {
  int index;  // position in the dialog's array of 23 buttons
  int id;
  const char* label;
  ButtonKind kind;
  ControlRect rect;
};

extern const std::array<ButtonRow, 23> kButtonTable;

// The header boxes under the saves list: ids 1200 + i, these widths, each
// two pixels after the one before it, from x 0.
constexpr int kHeaderBoxCount = 9;
constexpr int kHeaderBoxIdBase = 1200;
constexpr std::array<int, kHeaderBoxCount> kHeaderBoxWidths = {58, 62, 85, 15, 80, 10, 55, 15, 60};
constexpr int kHeaderBoxBottom = 158;

constexpr int kSavesListTop = 60;
constexpr int kSavesListBottom = 152;
constexpr int kBoardTop = 160;
constexpr int kInitialClientWidth = 729;   // 486 dialog units at 8 points
constexpr int kInitialClientHeight = 453;  // 279 dialog units at 8 points
constexpr int kMinimumWidth = 380;
constexpr int kMinimumHeight = 370;

// The rectangle of box (boxRow, boxCol) in a client area of width w and
// height h: the board's boxes on the area below kBoardTop.
ControlRect BoxRect(int boxRow, int boxCol, int w, int h);

}  // namespace kovalo
