// The texts a save is made of, and what the saves list reads back from them:
// the position and answers texts of a board, the description line, the
// texts of the list's rows, and the save references the rows carry.
//
// Everything here is a pure function of its arguments (and the local time
// zone for calendar dates): bytes in, a value out. Any text is accepted; none
// of these can fail, loop for long or read past its input.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "board/board.h"

namespace kovalo {

// The status word of a locked starting number as saves store it.
constexpr uint32_t kSavedStartingNumber = 33;

// ---------------------------------------------------------------- building

// The 81 cells in grid reading order: each text followed by a blank, then
// each status word as "%d ", then the first-save flag as "%d".
std::string PositionText(const Board& board, int firstSaveFlag);

// Each cell's answer as "%d " in grid reading order, trailing blanks removed.
std::string AnswersText(const Board& board);

// The puzzle number of a window title: what lies after its first blank and
// before its first ", "; empty when the title has no ", " after a blank.
std::string PuzzleNumberText(const std::string& title);

// The save's description line at the moment now:
// "<number> mm/dd/yy ,PM,hh:mm:ss PM", then " <days>+" when the day count is
// not 0. The date is puzzleDate ("%d %d %d": month, day, year), or today when
// it is empty or no valid date; the day count is the number of whole days
// from that date at now's time of day to now.
std::string DescriptionLine(const std::string& title, const std::string& puzzleDate,
                            std::time_t now);

// ---------------------------------------------------------------- reading

// Splits a position or answers text into one token per cell. A token is read
// at the front of what remains: empty when that is empty or begins with a
// blank. What remains then continues after its first blank; when no blank is
// left it stays as it is, so its last token is read again for every further
// cell.
class TokenReader {
 public:
  explicit TokenReader(std::string_view text) : rest_(text) {}
  std::string_view Next();

 private:
  std::string_view rest_;
};

// A cell text token: a decimal number (a fraction included) from 1 to
// 999999999 gives that number rounded to a whole one, in decimal; anything
// else gives an empty text.
std::string CellTextOfToken(std::string_view token);

// A status, flag or answer token: its leading whole number (blanks skipped,
// optional sign), 0 when there is none, held within the range of int.
int NumberOfToken(std::string_view token);

struct SavedPosition {
  std::array<std::string, kCells> texts;  // grid reading order
  std::array<uint32_t, kCells> states{};
  int firstSaveFlag = 0;  // as stored: any value
};
SavedPosition ReadPositionText(std::string_view text);

// Answers in grid reading order. Only 1 ... 9 is an answer; any other value
// reads as 0 (none known), so that a damaged text can neither pass for a
// known answer nor give a cell a digit it can never hold.
std::array<int, kCells> ReadAnswersText(std::string_view text);

// The first-save flag of a position text: the number after its last blank,
// 0 when it has none.
int FirstSaveFlagOf(std::string_view positionText);

// ---------------------------------------------------------------- the list

enum class Completion { NotCompleted, FilledNotVerifiable, CompletedCorrect };

// What the two check columns of a save's row show.
struct SaveChecks {
  bool answersKnown = false;  // all 81 answers are digits 1 ... 9
  Completion completion = Completion::NotCompleted;
  bool operator==(const SaveChecks&) const = default;
};
// Completed and correct needs every cell to hold one digit and 81 known
// answers equal to them; every cell holding one character otherwise is
// filled in but not verifiable.
SaveChecks CheckSave(std::string_view positionText, std::string_view answersText);

// A current month's description as the list shows it: its leading number n
// (after any leading blanks) replaced by 100000000 + n mod 100000000, when
// the text has a blank; a text without a leading number counts it as 0.
std::string CurrentMonthRowText(const std::string& description);

// Rows are kept in case-insensitive text order.
bool RowTextLess(std::string_view a, std::string_view b);

// The part of a row text that every row of its group begins with: the first
// word, the blank after it and one more character.
std::string_view GroupPrefix(std::string_view rowText);
bool InGroup(std::string_view rowText, std::string_view groupPrefix);

// A row text taken apart into the columns the list draws.
struct RowColumns {
  enum Shape {
    WholeText,      // no blank after the number: whole is drawn alone
    NumberAndRest,  // no blank after the date: number, and rest in the date column
    AllColumns,
  };
  Shape shape = WholeText;
  std::string whole;
  std::string number;  // the leading number modulo 1000000, "%06d"
  std::string date;    // mm/dd/yy, or the rest (NumberAndRest)
  std::string time;    // "hh:mm:ss PM", no day count
  bool firstSave = false;
  int weekday = -1;  // 0 = Sunday ... 6 = Saturday; -1: none
};
RowColumns ReadRowText(const std::string& rowText);

// The weekday names of the list, 0 = Sunday.
const char* RowWeekdayName(int weekday);

// The puzzle's date ("%d %d %d") for a loaded row: its date column when that
// is a valid mm/dd/yy date (years below 100 in this century), else today.
std::string PuzzleDateOfRow(std::string_view rowText, std::time_t now);

// The site and level words of a saved title (its first and fourth word) and
// their colours as 0x00RRGGBB; a level that reads as a nonzero number is not
// shown.
std::string TitleWord(std::string_view title, int index);
uint32_t SiteColour(std::string_view siteWord, bool groupRow);
uint32_t LevelColour(std::string_view levelWord);
bool LevelShown(std::string_view levelWord);

// A saved title (kept as the bytes it was saved with) as text to show, in
// UTF-8: a title that is valid UTF-8 is shown as it is; any other was written
// in the 8-bit code page of older copies and is read as Windows-1252 (the
// five bytes that code page leaves unused become the control characters of
// the same number).
std::string TitleForDisplay(std::string_view title);
// Whether text is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool IsValidUtf8(std::string_view text);

// ---------------------------------------------------------------- references

// Which save a row shows. Current month: the index itself. Previous month:
// bit 31 and the index in bits 16 ... 30; bits 0 ... 15 do not count.
enum class SaveMonth { Current, Previous };
struct SaveReference {
  SaveMonth month = SaveMonth::Current;
  int index = 0;
  bool operator==(const SaveReference&) const = default;
};
uint32_t EncodeReference(SaveReference reference);
SaveReference DecodeReference(uint32_t value);
// The reference a row keeps after the row with deleted was removed: its
// index one less when it is of the same month and its index greater.
uint32_t RenumberedReference(uint32_t value, uint32_t deleted);

// Indexes a reference can hold: a month file holds at most this many saves.
constexpr int kMaxSavesPerMonth = 0x8000;

}  // namespace kovalo
