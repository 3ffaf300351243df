// The program icon: a Sudoku grid, drawn once as data/icons/kovalo.svg.
#pragma once

#include <QIcon>

namespace kovalo {
QIcon ProgramIcon();
}
