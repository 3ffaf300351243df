// Kovalo: play and solve 9 x 9 Sudoku puzzles.
#include "app/kovalo_app.h"

int main(int argc, char** argv) {
  kovalo::CKovaloApp app(argc, argv);
  return app.Run();
}
