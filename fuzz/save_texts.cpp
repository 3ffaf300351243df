// Position and answers texts as a save holds them, any bytes: every cell
// text read is a number from 1 to 999999999 or empty, every answer 0 ... 9,
// and what is read, written again as a board's texts, reads back the same.
// Any bytes as a title are shown as valid UTF-8. The input is a position
// text (also taken as a title), a NUL byte, and an answers text.
#include "saves/save_texts.h"
#include "fuzz_check.h"
#include "support/fake_screen.h"

using namespace kovalo;

namespace {

bool IsCellText(const std::string& text) {
  if (text.empty()) return true;
  if (text.size() > 9 || text.front() < '1' || text.front() > '9') return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto [positionText, answersText] = fuzz::SplitAtNul(fuzz::Bytes(data, size));

  const SavedPosition position = ReadPositionText(positionText);
  const std::array<int, kCells> answers = ReadAnswersText(answersText);
  for (int k = 0; k < kCells; ++k) {
    FUZZ_CHECK(IsCellText(position.texts[k]));
    FUZZ_CHECK(answers[k] >= 0 && answers[k] <= 9);
  }
  const int flag = FirstSaveFlagOf(positionText);
  // The flag is the last token; ReadPositionText takes it as the 163rd,
  // which is the same when the text has at least 162 blanks.
  size_t blanks = 0;
  for (char c : positionText) blanks += c == ' ';
  if (blanks == 2 * kCells) FUZZ_CHECK(flag == position.firstSaveFlag);

  // Written again and read back: the same texts, states, flag and answers.
  testing::FakeScreen screen;
  Board board(screen);
  for (int k = 0; k < kCells; ++k) {
    Cell& cell = board.AtGrid(k / 9, k % 9);
    cell.text = position.texts[k];
    cell.status = position.states[k];
    cell.answer = answers[k];
  }
  const std::string again = PositionText(board, position.firstSaveFlag);
  const SavedPosition reread = ReadPositionText(again);
  FUZZ_CHECK(reread.texts == position.texts);
  FUZZ_CHECK(reread.states == position.states);
  FUZZ_CHECK(reread.firstSaveFlag == position.firstSaveFlag);
  FUZZ_CHECK(FirstSaveFlagOf(again) == position.firstSaveFlag);
  FUZZ_CHECK(ReadAnswersText(AnswersText(board)) == answers);

  // The check columns agree with what was read.
  const SaveChecks checks = CheckSave(positionText, answersText);
  bool known = true;
  for (int answer : answers) known = known && answer != 0;
  FUZZ_CHECK(checks.answersKnown == known);
  if (checks.completion == Completion::CompletedCorrect) FUZZ_CHECK(known);
  FUZZ_CHECK(CheckSave(again, AnswersText(board)).answersKnown == known);

  // A title of these bytes is shown as valid UTF-8: itself when it is UTF-8,
  // else one character per byte.
  const std::string shown = TitleForDisplay(positionText);
  FUZZ_CHECK(IsValidUtf8(shown));
  if (IsValidUtf8(positionText))
    FUZZ_CHECK(shown == positionText);
  else
    FUZZ_CHECK(shown.size() >= positionText.size() && shown.size() <= 3 * positionText.size());
  return 0;
}
