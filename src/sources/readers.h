// The page readers: one per puzzle site, plus the walk of the main weekly
// site's solution page. Each walks a fetched page from one fixed marker to
// the next and reports what it found as a PageReading; ApplyReading then puts
// that on the board.
//
// Reading and applying are apart because the pages are read on the download
// worker's thread while only the user-interface thread may touch the board:
// the worker hands the whole reading over in one piece. The readers are pure:
// they look at nothing but their arguments (and the local time zone, for the
// weekday name of the target), accept any bytes and never read past the page.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "board/board.h"
#include "board/geometry.h"

namespace kovalo {

enum class ReaderOutcome { Done, Failed };

// An answer entry that leaves the cell's answer as it is.
constexpr int kAnswerUnchanged = -1;

// The longest title a reader makes from a page of pageSize bytes. A title
// holds at most two pieces of the page (the random site's puzzle name and
// start text, which may overlap) and at most 26 bytes of the reader's own;
// the longest such frame is the level site's «Sudoku -9999999, Thursday ».
constexpr size_t TitleSizeLimit(size_t pageSize) { return 2 * pageSize + 26; }

// What a reader puts in place, in the order it is applied. Grids run in
// reading order: entry k belongs to grid row k / 9, column k % 9.
struct PageReading {
  std::optional<std::string> title;  // the main window's new title
  std::optional<std::string> date;   // the puzzle's new date, "%d %d %d"
  // 1 ... 9: placed as a given (text that digit, status Plain); 0: untouched.
  std::array<int, kCells> givens{};
  // 0 ... 9: written as the cell's answer; kAnswerUnchanged: untouched.
  std::array<int, kCells> answers;
  // Failed only where a reader says so; what was found before the failure
  // is still reported.
  ReaderOutcome outcome = ReaderOutcome::Done;

  PageReading() { answers.fill(kAnswerUnchanged); }
};

// The level site's puzzle page, for the target moment and the selection time
// its address was built with. Title from the heading ("Sudoku %d, %s %s"),
// then from the puzzle id when the page has one ("%s, %s"). Answers from the
// hidden answer string: nonzero digits only, the rest unchanged. Always done.
PageReading ReadLevelPage(std::string_view page, time_t target, int32_t selectionTime);

// The second weekly site's day file. Answers are written for all 81 cells,
// 0 included. Title from the puzzle id. Always done.
PageReading ReadSecondWeeklyFile(std::string_view page, time_t target);

// The random site's solution page. Title "Random %s, %s" and the date printed
// on the page (none when it has no readable day and year, so the worker's
// date of today stays). Answers: every digit shown, nonzero only. Failed when
// the page is not a solution page or a grid cell is missing.
PageReading ReadRandomSolutionPage(std::string_view page);

// The main weekly site's puzzle page. Title from the heading with the
// target's weekday name put in. No answers (they come from the solution
// page). Failed when a grid cell is missing.
PageReading ReadMainWeeklyPage(std::string_view page, time_t target);

// The main weekly site's solution page: the answers it shows, nonzero only;
// cells after the walk stops keep their answer. No title, date or givens;
// always done. The fetching part stays with the download worker.
PageReading ReadSolutionPageAnswers(std::string_view page);

// Puts a reading in place: the title through the board's screen, the date
// into puzzleDate, the givens and the answers into the cells. Texts and
// statuses are written directly: no history step, no change handler, no
// repaint.
void ApplyReading(const PageReading& reading, Board& board, std::string& puzzleDate);

}  // namespace kovalo
