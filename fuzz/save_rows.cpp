// The saves list's row texts, any bytes: the columns a row is taken apart
// into, the current month's row number, the puzzle date of a loaded row, the
// group of a row and the title words, each within its bounds. The input is
// a row text, a NUL byte, and a puzzle date for a description line.
#include <cstring>

#include "fuzz_check.h"
#include "saves/save_texts.h"

using namespace kovalo;

namespace {

constexpr std::time_t kNow = 1144663200;  // 10 April 2006, 10:00 UTC

bool AllDigits(std::string_view text) {
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::UseFixedTimeZone();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto [rowView, dateView] = fuzz::SplitAtNul(fuzz::Bytes(data, size));
  const std::string row(rowView);

  const RowColumns columns = ReadRowText(row);
  FUZZ_CHECK(columns.weekday >= -1 && columns.weekday <= 6);
  FUZZ_CHECK(columns.firstSave == (row.find(" 1st") != std::string::npos));
  if (columns.shape == RowColumns::WholeText) {
    FUZZ_CHECK(columns.whole.size() <= row.size());
    FUZZ_CHECK(columns.whole.find(' ') == std::string::npos);
  } else {
    FUZZ_CHECK(columns.number.size() == 6 && AllDigits(columns.number));
    FUZZ_CHECK(columns.date.size() < row.size());
    FUZZ_CHECK(columns.time.size() < row.size());
  }
  if (columns.weekday >= 0) FUZZ_CHECK(*RowWeekdayName(columns.weekday) != '\0');

  const std::string current = CurrentMonthRowText(row);
  if (row.find(' ') == std::string::npos) {
    FUZZ_CHECK(current == row);
  } else {
    // 100000000 + n mod 100000000: nine digits, the first a 1.
    FUZZ_CHECK(current.size() >= 9 && current[0] == '1' && AllDigits(current.substr(0, 9)));
    FUZZ_CHECK(current.substr(9) == row.substr(row.find(' ')));
  }

  FUZZ_CHECK(fuzz::IsDateText(PuzzleDateOfRow(row, kNow)));

  const std::string_view prefix = GroupPrefix(row);
  FUZZ_CHECK(prefix.size() <= row.size() && InGroup(row, prefix));
  FUZZ_CHECK(!RowTextLess(row, row));
  for (int word = 0; word < 5; ++word) {
    const std::string text = TitleWord(row, word);
    FUZZ_CHECK(text.size() <= row.size() && text.find(' ') == std::string::npos);
    FUZZ_CHECK(SiteColour(text, word % 2 == 0) <= 0xFFFFFF);
    FUZZ_CHECK(LevelColour(text) <= 0xFFFFFF);
  }

  // A description line from a title and a puzzle date out of the input:
  // its row always has all columns and a date.
  const std::string line = DescriptionLine("Fuzz 123, row", std::string(dateView), kNow);
  const RowColumns described = ReadRowText(CurrentMonthRowText(line));
  FUZZ_CHECK(described.shape == RowColumns::AllColumns);
  FUZZ_CHECK(described.number == "000123");
  FUZZ_CHECK(described.weekday >= 0);
  const std::string title = DescriptionLine(row, "", kNow);
  FUZZ_CHECK(!title.empty());

  // References: what a value decodes to encodes to a value decoding the same.
  if (size >= 8) {
    uint32_t value, deleted;
    std::memcpy(&value, data, 4);
    std::memcpy(&deleted, data + 4, 4);
    const SaveReference reference = DecodeReference(value);
    FUZZ_CHECK(reference.index >= 0 && reference.index <= 0xFFFF);
    if (reference.month == SaveMonth::Previous) FUZZ_CHECK(reference.index < kMaxSavesPerMonth);
    FUZZ_CHECK(DecodeReference(EncodeReference(reference)) == reference);
    const SaveReference renumbered = DecodeReference(RenumberedReference(value, deleted));
    FUZZ_CHECK(renumbered.month == reference.month);
  }
  return 0;
}
