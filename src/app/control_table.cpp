#include "app/control_table.h"

namespace kovalo {

// Each row starts from a 78 x 19 rectangle (the third row from 75 x 18) and
// every next control stands 2 pixels to the right, widened or narrowed;
// "Save Position" rose by a row after "Redo", so its top is -1.
const std::array<ButtonRow, 23> kButtonTable = {{
    {1, 1001, "Reset", ButtonKind::Push, {0, 0, 78, 19}},
    {0, 1000, "Lock Start#'s", ButtonKind::Push, {80, 0, 183, 19}},
    {2, 1002, "Checking", ButtonKind::CheckBox, {185, 0, 273, 19}},
    {3, 1003, "Fill", ButtonKind::Push, {275, 0, 309, 19}},
    {12, 1010, "Undo", ButtonKind::Push, {311, 0, 371, 19}},
    {4, 1004, "Website", ButtonKind::Push, {0, 20, 78, 39}},
    {5, 1100, "Mon", ButtonKind::Push, {80, 20, 111, 39}},
    {6, 1101, "Tue", ButtonKind::Push, {113, 20, 144, 39}},
    {7, 1102, "Wd", ButtonKind::Push, {146, 20, 177, 39}},
    {8, 1103, "Thu", ButtonKind::Push, {179, 20, 210, 39}},
    {9, 1104, "Fri", ButtonKind::Push, {212, 20, 243, 39}},
    {10, 1105, "Sat", ButtonKind::Push, {245, 20, 276, 39}},
    {11, 1106, "Sun", ButtonKind::Push, {278, 20, 309, 39}},
    {13, 1011, "Redo", ButtonKind::Push, {311, 20, 371, 39}},
    {14, 1012, "Save Position", ButtonKind::Push, {373, -1, 480, 18}},
    {15, 1013, "Load Position", ButtonKind::Push, {373, 20, 480, 39}},
    {22, 1116, "Normal", ButtonKind::Radio, {0, 40, 75, 58}},
    {18, 1112, "Easy", ButtonKind::Radio, {75, 40, 140, 58}},
    {19, 1113, "Medium", ButtonKind::Radio, {140, 40, 220, 58}},
    {20, 1114, "Hard", ButtonKind::Radio, {220, 40, 275, 58}},
    {21, 1115, "Evil", ButtonKind::Radio, {275, 40, 325, 58}},
    {17, 1111, "#2", ButtonKind::Radio, {325, 40, 365, 58}},
    {16, 1110, "Random Sudoku", ButtonKind::Push, {365, 40, 480, 58}},
}};

ControlRect BoxRect(int boxRow, int boxCol, int w, int h) {
  const PixelRect box = BoxRectOnBoard(boxRow, boxCol, w, h - kBoardTop);
  return {box.left, kBoardTop + box.top, box.right, kBoardTop + box.bottom};
}

}  // namespace kovalo
