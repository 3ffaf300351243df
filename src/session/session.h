// Session: one game, without a window. It owns the board, the two months'
// saves, the download in progress, the puzzle's date, the first-save flag
// and the title, and offers the player's acts as functions. The main window
// forwards every press, edit and menu command here and shows what the
// session tells its Screen; tests call the same functions through a fake.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "board/board.h"
#include "board/puzzle_text.h"
#include "board/screen.h"
#include "saves/ini_store.h"
#include "saves/save_book.h"
#include "saves/save_files.h"
#include "session/ui_thread.h"
#include "sources/download_worker.h"
#include "sources/sites.h"

namespace kovalo {

class Session : private Screen, public WorkerWindow {
 public:
  // view shows what the session shows; uiThread carries the worker's steps
  // to the thread that owns the board. workingFolder ends in '/': the Saves
  // folder is below it. startUp is the moment whose month names the save
  // files.
  Session(Screen& view, UiThread& uiThread, std::string workingFolder, std::time_t startUp);
  ~Session() override;
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Start-up: makes the Saves folder, lists both months' saves, reads the
  // user puzzle counter and resets the board without asking.
  void Start();

  // ------------------------------------------------ what the window shows
  Board& board() override { return board_; }
  const Board& board() const { return board_; }
  const SaveBook& saveBook() const { return saveBook_; }
  SaveFiles& saveFiles() { return saveFiles_; }
  std::string& puzzleDate() override { return puzzleDate_; }
  int& firstSaveFlag() override { return firstSaveFlag_; }
  int32_t siteBase() const { return siteBase_; }
  int32_t puzzleRequest() const { return puzzleRequest_; }
  // The title as the puzzle's page or the save gave it, byte for byte.
  std::string Title() const override { return title_; }
  void SetTitle(const std::string& title) override;

  // ------------------------------------------------ the player's acts
  // A press of the button or check box with controlId; checked is the
  // button's state after the press.
  void PressControl(int controlId, bool checked);
  void CellEdited(Cell& cell, const std::string& text);
  void CellCommand(Cell& cell, int commandId);
  // "Save Position". The reference of the new save, or nothing when nothing
  // was saved.
  std::optional<uint32_t> SavePosition();
  // "Load Position" of the save that reference names.
  void LoadPosition(uint32_t reference);
  // "Delete Save" of the save that reference names. False when nothing was
  // deleted.
  bool DeleteSave(uint32_t reference);
  // "Paste Puzzle", or a text dropped on the window: the puzzle it holds
  // becomes the board's starting numbers as if typed and locked. False, with
  // a message that says what was wrong and where and the board as it was,
  // when it holds none.
  bool PastePuzzle(std::string_view text);
  // The same for a puzzle file: named on the command line, or dropped.
  bool OpenPuzzleFile(const std::string& path);
  // "Copy Puzzle": the starting numbers as one 81-character line, '.' for
  // every other cell, on the clipboard.
  void CopyPuzzle();

  // The close request: a download still running stops at once, and no step
  // of its worker reaches the board any more.
  void Close();

  // True while a download worker has not yet returned.
  bool DownloadRunning() const { return workerRunning_.load(); }

  // ------------------------------------------------ settings
  // Where downloads go; the program takes the addresses from the
  // environment. Tests point them at their own servers.
  void SetSiteAddresses(SiteAddresses sites) { sites_ = std::move(sites); }
  // The worker's clock; the program reads the system's.
  std::function<std::time_t()> clock = [] { return std::time(nullptr); };
  // The pause before each new random page after a failed one.
  std::chrono::milliseconds randomRetryDelay = kRandomRetryDelay;
  // Opens an address in the desktop's browser.
  std::function<void(const std::string&)> openInBrowser;
  // Fetches the answer page for Load Position; the program uses the
  // download engine.
  FetchPage fetchAnswers;
  // Told after start-up, a Save and a Delete: the saves have changed.
  std::function<void()> savesChanged;

  // ------------------------------------------------ WorkerWindow
  bool OnUiThread(const std::function<void()>& step) override;
  void StartDownloadEndTimer() override;
  void PostRandomSudokuClick(int failedRandomPages) override;

 private:
  // Screen, for the board and the worker: the title stays here, the rest
  // is shown by the view.
  Reply ShowMessage(const std::string& text, const std::string& caption, Buttons buttons,
                    const Cell* owner) override {
    return view_.ShowMessage(text, caption, buttons, owner);
  }
  void EnableControl(int controlId, bool enable) override {
    view_.EnableControl(controlId, enable);
  }
  void SetControlChecked(int controlId, bool checked) override {
    view_.SetControlChecked(controlId, checked);
  }
  void Repaint() override { view_.Repaint(); }
  bool SetClipboardText(const std::string& text) override { return view_.SetClipboardText(text); }
  void SetWaitCursor(bool on) override { view_.SetWaitCursor(on); }
  void MarkHintCells(const std::vector<int>& cells) override { view_.MarkHintCells(cells); }

  bool EnterPuzzle(const PuzzleReading& reading, const std::string& caption);
  // "Hint": the next step of the aids in words, its cells framed.
  void ShowHint(const Cell& clicked);
  void OnWeekday(int weekdayIndex);
  // failedRandomPages is 0 for a press of the button, and the count of
  // random pages failed in a row for the worker's retry.
  void OnRandomSudoku(int failedRandomPages);
  void OnWebsite();
  void StartWorker(int failedRandomPages);
  // Enabling first waits until the download engine has ended its transfers.
  void SetDownloadControlsEnabled(bool enable);

  Screen& view_;
  UiThread& uiThread_;
  Board board_;
  IniStore iniStore_;
  SaveFiles saveFiles_;
  SaveBook saveBook_{saveFiles_};
  std::string title_;
  std::string puzzleDate_;
  int firstSaveFlag_ = 0;
  int32_t siteBase_ = 0;
  int32_t puzzleRequest_ = -1;
  SiteAddresses sites_;
  // An enabling of the download controls is waiting to run.
  bool downloadEndPending_ = false;
  std::thread worker_;
  std::atomic<bool> workerRunning_{false};
};

}  // namespace kovalo
