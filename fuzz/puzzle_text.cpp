// Pasted text and opened files, any bytes: a reading is either 81 digits
// that place on the board and come back the same through the copied line,
// or a refusal with its reason, never both and never neither.
#include "board/puzzle_text.h"
#include "fuzz_check.h"
#include "support/fake_screen.h"

using namespace kovalo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const PuzzleReading reading = ReadPuzzleText(fuzz::Bytes(data, size));
  if (!reading.Accepted()) {
    FUZZ_CHECK(reading.digits.empty());
    return 0;
  }
  FUZZ_CHECK(reading.digits.size() == 81);
  for (char c : reading.digits) FUZZ_CHECK(c >= '0' && c <= '9');

  testing::FakeScreen screen;
  Board board(screen);
  FUZZ_CHECK(PlacePuzzle(board, reading.digits));
  FUZZ_CHECK(screen.messages.empty());
  FUZZ_CHECK(ReadPuzzleText(PuzzleLine(board)).digits == reading.digits);
  return 0;
}
