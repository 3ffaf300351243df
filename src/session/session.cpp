// The game's acts, from a press of a button to the board, the saves and the
// download worker.
#include "session/session.h"

#include <chrono>

#include "download/download.h"
#include "download/run_state.h"
#include "saves/load_position.h"
#include "saves/save_texts.h"
#include "solver/hint.h"
#include "solver/solving_aids.h"

namespace kovalo {

namespace {

const char* const kWeekdayCaptions[7] = {"Mon.", "Tue.", "Wed.", "Thur.", "Fri.", "Sat.", "Sun."};

// The download controls in the order they are switched.
constexpr int kDownloadControls[] = {IDC_MONDAY,     IDC_MONDAY + 1, IDC_MONDAY + 2,
                                     IDC_MONDAY + 3, IDC_MONDAY + 4, IDC_MONDAY + 5,
                                     IDC_SUNDAY,     IDC_RANDOM,     IDC_SECOND_WEEKLY,
                                     IDC_EASY,       IDC_MEDIUM,     IDC_HARD,
                                     IDC_EVIL,       IDC_NORMAL};

}  // namespace

Session::Session(Screen& view, UiThread& uiThread, std::string workingFolder, std::time_t startUp)
    : view_(view),
      uiThread_(uiThread),
      board_(*this),
      saveFiles_(iniStore_, std::move(workingFolder), startUp),
      title_("Sudoku"),
      sites_(ProgramSiteAddresses()) {
  SetRunState(kRunStateRunning);
  board_.replaying = false;
  board_.locked = false;
  fetchAnswers = [](const std::string& address) { return FetchWithEngine(address, false); };
  // The engine's program errors reach the player from any thread.
  SetProgramErrorSink(
      [this](const std::string& text) { OnUiThread([&] { ShowProgramError(view_, text); }); });
}

Session::~Session() {
  Close();
  if (worker_.joinable()) worker_.join();
  SetProgramErrorSink(nullptr);
}

void Session::Start() {
  saveFiles_.EnsureSavesFolder();
  // Whatever can be read is listed; a month file that could not be read or
  // locked is named.
  const std::string unread = saveBook_.Load();
  if (savesChanged) savesChanged();
  if (!unread.empty()) view_.ShowMessage(unread, "Saved Positions", Buttons::Ok, nullptr);
  board_.userPuzzleCounter = saveFiles_.ReadUserPuzzleCounter();
  board_.writeCount = [this](int counter) { saveFiles_.WriteCount(counter); };
  // The start-up reset asks nothing.
  board_.OnReset();
  puzzleRequest_ = -1;
}

void Session::SetTitle(const std::string& title) {
  title_ = title;
  view_.SetTitle(title);
}

void Session::Close() {
  // The engine's loops see RunState; the worker's next step is refused.
  SetRunState(kRunStateClosing);
  uiThread_.Close();
}

// ---------------------------------------------------------------- the board

void Session::PressControl(int controlId, bool checked) {
  switch (controlId) {
    case IDC_LOCK: board_.OnLock(); break;
    case IDC_RESET: board_.OnReset(); break;
    case IDC_CHECKING: board_.OnChecking(checked); break;
    case IDC_FILL: OnFill(board_); break;
    case IDC_WEBSITE: OnWebsite(); break;
    case IDC_RANDOM: OnRandomSudoku(0); break;
    case IDC_UNDO: board_.OnUndo(); break;
    case IDC_REDO: board_.OnRedo(); break;
    default:
      if (controlId >= IDC_MONDAY && controlId <= IDC_SUNDAY) {
        OnWeekday(controlId - IDC_MONDAY);
      } else if (controlId >= IDC_SECOND_WEEKLY && controlId <= IDC_NORMAL) {
        if (auto base = SiteBaseForRadio(controlId, checked)) siteBase_ = *base;
      }
      break;
  }
}

void Session::CellEdited(Cell& cell, const std::string& text) { board_.PlayerEdited(cell, text); }

void Session::CellCommand(Cell& cell, int commandId) {
  if (commandId == ID_HINT)
    ShowHint(cell);
  else
    RunCellCommand(board_, cell, commandId);
}

void Session::ShowHint(const Cell& clicked) {
  const Hint hint = FindHint(board_);
  view_.MarkHintCells(hint.cells);
  view_.ShowMessage(hint.text, "Hint", Buttons::Ok, &clicked);
}

// ---------------------------------------------------------------- puzzles in and out

bool Session::PastePuzzle(std::string_view text) {
  return EnterPuzzle(ReadPuzzleText(text), "Paste Puzzle");
}

bool Session::OpenPuzzleFile(const std::string& path) {
  return EnterPuzzle(ReadPuzzleFile(path), "Open Puzzle");
}

bool Session::EnterPuzzle(const PuzzleReading& reading, const std::string& caption) {
  if (!reading.Accepted() || !PlacePuzzle(board_, reading.digits)) {
    view_.ShowMessage(reading.error, caption, Buttons::Ok, nullptr);
    return false;
  }
  // A puzzle of the player's own, as if typed: no date, no site's answers.
  puzzleDate_.clear();
  firstSaveFlag_ = 0;
  const std::string note = SolutionCountNote(CountSolutions(reading.digits));
  if (!note.empty()) view_.ShowMessage(note, caption, Buttons::Ok, nullptr);
  return true;
}

void Session::CopyPuzzle() { view_.SetClipboardText(PuzzleLine(board_)); }

// ---------------------------------------------------------------- saved positions

std::optional<uint32_t> Session::SavePosition() {
  const SaveBook::SaveOutcome outcome =
      saveBook_.Save(DescriptionLine(title_, puzzleDate_, clock()),
                     PositionText(board_, firstSaveFlag_), AnswersText(board_), title_);
  // Nothing was saved: no row, and the next save is still a first save.
  if (!outcome.written) {
    view_.ShowMessage(outcome.message, "Save Position", Buttons::Ok, nullptr);
    return std::nullopt;
  }
  firstSaveFlag_ = 0;
  if (savesChanged) savesChanged();
  return outcome.reference;
}

void Session::LoadPosition(uint32_t reference) {
  // The entry, not a fresh look at the file, gives the title: another copy
  // of the program may have moved the saves in the file meanwhile.
  const SaveEntry* entry = saveBook_.Entry(reference);
  SetTitle(entry ? entry->title : std::string());
  puzzleDate_ = PuzzleDateOfRow(saveBook_.RowOf(reference).text, clock());
  if (entry) {
    firstSaveFlag_ = ApplySavedPosition(*entry, board_);
    // The answer page of the main weekly site for the puzzle's date. While
    // a download runs the engine is the worker's, and the answers stay.
    const std::optional<LocalDate> date = ReadDateText(puzzleDate_);
    if (date && KnownAnswers(board_) < kCells && fetchAnswers && !DownloadRunning()) {
      view_.SetWaitCursor(true);
      ReadAnswersFromSolutionPage(MainWeeklySolutionAddress(sites_, *date), fetchAnswers, *this);
      view_.SetWaitCursor(false);
    }
  }
  board_.ClearHistory();
  view_.Repaint();
}

bool Session::DeleteSave(uint32_t reference) {
  std::string failure;
  if (saveBook_.Delete(reference, &failure) == SaveBook::DeleteOutcome::Failed) {
    view_.ShowMessage(failure, "Delete Save", Buttons::Ok, nullptr);
    return false;
  }
  // Deleted, or the file had changed elsewhere and the list shows it as it
  // is now.
  if (savesChanged) savesChanged();
  return true;
}

// ---------------------------------------------------------------- downloads

void Session::OnWeekday(int weekdayIndex) {
  if (!ConfirmPuzzleLoad(board_, kWeekdayCaptions[weekdayIndex])) return;
  puzzleRequest_ = WeekdayRequest(siteBase_, weekdayIndex);
  SetDownloadControlsEnabled(false);
  StartWorker(0);
}

void Session::OnRandomSudoku(int failedRandomPages) {
  if (!ConfirmPuzzleLoad(board_, "RANDOM")) {
    // Declining the retry's new page ends the running download as failed,
    // with the board as it stands.
    if (failedRandomPages > 0) {
      SetTitle("Download Form Website Failed");
      StartDownloadEndTimer();
    }
    return;
  }
  // Seeded per press from the millisecond tick.
  PuzzleNumberGenerator generator(
      static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                std::chrono::steady_clock::now().time_since_epoch())
                                .count()));
  SetDownloadControlsEnabled(false);
  puzzleRequest_ = RandomRequest(generator.Next());
  StartWorker(failedRandomPages);
}

void Session::OnWebsite() {
  if (openInBrowser) openInBrowser(WebsiteAddress(sites_, title_));
}

void Session::StartWorker(int failedRandomPages) {
  // The worker before this one has handed over its last step already.
  if (worker_.joinable()) worker_.join();
  WorkerRequest request;
  request.puzzleRequest = puzzleRequest_;
  request.now = clock();
  request.sites = sites_;
  request.failedRandomPages = failedRandomPages;
  request.randomRetryDelay = randomRetryDelay;
  workerRunning_ = true;
  worker_ = std::thread([this, request] {
    DownloadWorker(
        request, *this, [](const std::string& a) { return FetchWithEngine(a, true); },
        [](const std::string& a) { return FetchWithEngine(a, false); });
    workerRunning_ = false;
  });
}

void Session::SetDownloadControlsEnabled(bool enable) {
  if (enable) StopDownloadsAndWait();
  for (int id : kDownloadControls) view_.EnableControl(id, enable);
}

bool Session::OnUiThread(const std::function<void()>& step) { return uiThread_.RunAndWait(step); }

void Session::StartDownloadEndTimer() {
  // After the worker's present step, once the engine's transfers have
  // ended; asked twice before it runs, it runs once.
  if (downloadEndPending_) return;
  downloadEndPending_ = true;
  uiThread_.Post([this] {
    downloadEndPending_ = false;
    SetDownloadControlsEnabled(true);
  });
}

void Session::PostRandomSudokuClick(int failedRandomPages) {
  // The button is disabled; its handler runs all the same.
  uiThread_.Post([this, failedRandomPages] { OnRandomSudoku(failedRandomPages); });
}

}  // namespace kovalo
