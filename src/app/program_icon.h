// The program icon: a small drawn Sudoku grid.
#pragma once

#include <QIcon>

namespace kovalo {
QIcon ProgramIcon();
}
