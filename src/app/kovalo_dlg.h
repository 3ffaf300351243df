// CKovaloDlg: the main window. It owns the board's widgets, the 23 buttons,
// the saves list and its header boxes, shows the core's state and forwards
// the player's acts to the core. It is also the core's Screen.
#pragma once

#include <QMainWindow>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "board/board.h"
#include "board/qt/cell_widgets.h"
#include "board/screen.h"
#include "saves/ini_store.h"
#include "saves/save_book.h"
#include "saves/save_files.h"
#include "sources/download_worker.h"
#include "sources/sites.h"

class QFrame;

namespace kovalo {

class CButt;
class CSaves;

class CKovaloDlg : public QMainWindow, public Screen, public CellHost, public WorkerWindow {
  Q_OBJECT
 public:
  // workingFolder ends in '/': the Saves folder is made below it.
  // startUp is the moment whose month names the save files.
  explicit CKovaloDlg(std::string workingFolder, std::time_t startUp = std::time(nullptr));
  ~CKovaloDlg() override;

  CBigBox* Box(int boxIndex) const { return boxes_[boxIndex]; }
  CSmallBox* CellWidget(int cellNumber) const;
  CButt* Button(int controlId) const;
  QFrame* HeaderBox(int i) const { return headerBoxes_[i]; }
  CSaves* SavesList() const { return savesList_; }
  QWidget* ClientArea() const { return client_; }
  const std::string& puzzleDate() const { return puzzleDate_; }
  SaveFiles& saveFiles() { return saveFiles_; }
  const SaveBook& saveBook() const { return saveBook_; }
  int32_t siteBase() const { return siteBase_; }
  int32_t puzzleRequest() const { return puzzleRequest_; }

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

  // Enables or disables the fourteen download controls; enabling first
  // waits until the download engine has ended its transfers.
  void SetDownloadControlsEnabled(bool enable);
  // True while a download worker has not yet returned.
  bool DownloadRunning() const;

  // Tests answer message boxes through this instead of the player.
  std::function<Reply(const std::string& text, const std::string& caption, Buttons)> messageHook;

  // Screen.
  Reply ShowMessage(const std::string& text, const std::string& caption, Buttons buttons,
                    const Cell* owner) override;
  void SetTitle(const std::string& title) override;
  std::string Title() const override;
  void EnableControl(int controlId, bool enable) override;
  void SetControlChecked(int controlId, bool checked) override;
  void Repaint() override;
  bool SetClipboardText(const std::string& text) override;
  void SetWaitCursor(bool on) override;

  // WorkerWindow.
  bool OnUiThread(const std::function<void()>& step) override;
  Board& board() override { return board_; }
  std::string& puzzleDate() override { return puzzleDate_; }
  int& firstSaveFlag() override { return firstSaveFlag_; }
  void StartDownloadEndTimer() override;
  void PostRandomSudokuClick(int failedRandomPages) override;

  // CellHost.
  void CellEdited(Cell& cell, const std::string& text) override;
  void CellCommand(Cell& cell, int commandId) override;
  void FocusCell(int cellNumber) override;
  void PressUndo() override;
  void PressRedo() override;
  bool BoardLocked() const override { return board_.locked; }
  bool BoardChecking() const override { return board_.checking; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void timerEvent(QTimerEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateMenus();
  void CreateBoard();
  void CreateButtons();
  void CreateSavesList();
  void LayOutClientArea(int width, int height);
  void OnButton(int controlId);
  void OnAbout();
  void OnWeekday(int weekdayIndex);
  // failedRandomPages is 0 for a press of the button, and the count of
  // random pages failed in a row for the worker's retry.
  void OnRandomSudoku(int failedRandomPages);
  Q_INVOKABLE void RunPendingSteps();
  void OnWebsite();
  // Saved positions.
  void LoadSaveFiles();
  void OnSavePosition();
  void OnLoadPosition();
  void OnDeleteSave();
  void StartWorker(int failedRandomPages = 0);
  // No step of the worker runs after this; its waits end at once.
  void CloseWorkerGate();

  Board board_;
  IniStore iniStore_;
  SaveFiles saveFiles_;
  SaveBook saveBook_{saveFiles_};
  std::string puzzleDate_;
  int firstSaveFlag_ = 0;
  int32_t siteBase_ = 0;
  int32_t puzzleRequest_ = -1;
  SiteAddresses sites_;
  int downloadEndTimer_ = 0;

  // The download worker and the gate through which its steps reach the
  // user-interface thread.
  std::thread worker_;
  std::atomic<bool> workerRunning_{false};
  struct PendingStep {
    const std::function<void()>* step = nullptr;
    bool running = false;
    bool done = false;
  };
  std::deque<std::shared_ptr<PendingStep>> pendingSteps_;
  std::mutex gateMutex_;
  std::condition_variable gateChanged_;
  bool gateClosed_ = false;
  QWidget* client_ = nullptr;
  std::array<CBigBox*, 9> boxes_{};
  std::array<CButt*, 23> buttons_{};
  CSaves* savesList_ = nullptr;
  std::array<QFrame*, 9> headerBoxes_{};
};

}  // namespace kovalo
