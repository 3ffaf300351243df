#include "app/program_icon.h"

namespace kovalo {

QIcon ProgramIcon() {
  // The same PNGs that the desktop's icon theme gets, built into the
  // program, so that the window and the menu show one icon.
  QIcon icon;
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
    icon.addFile(QString(":/icons/kovalo-%1.png").arg(size), QSize(size, size));
  return icon;
}

}  // namespace kovalo
