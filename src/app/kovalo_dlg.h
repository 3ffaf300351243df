// CKovaloDlg: the main window. It owns the board's widgets, the 23 buttons,
// the saves list and its header boxes, shows the session's state and
// forwards the player's acts to the session, which holds the game.
#pragma once

#include <QMainWindow>
#include <array>
#include <chrono>
#include <ctime>
#include <functional>
#include <memory>
#include <string>

#include "app/window_screen.h"
#include "app/worker_hand_over.h"
#include "board/qt/cell_widgets.h"
#include "session/session.h"

class QFrame;

namespace kovalo {

class CButt;
class CSaves;
class PuzzleCommands;

class CKovaloDlg : public QMainWindow, public CellHost {
  Q_OBJECT
  // First of all, so that the game is there for everything below; the
  // hand-over before the session, which closes it when it ends.
  WorkerHandOver handOver_;
  WindowScreen screen_{*this};
  Session session_;

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
  WindowScreen& windowScreen() { return screen_; }

  // The game.
  Session& session() { return session_; }
  Board& board() { return session_.board(); }
  std::string& puzzleDate() { return session_.puzzleDate(); }
  int& firstSaveFlag() { return session_.firstSaveFlag(); }
  SaveFiles& saveFiles() { return session_.saveFiles(); }
  const SaveBook& saveBook() const { return session_.saveBook(); }
  int32_t siteBase() const { return session_.siteBase(); }
  int32_t puzzleRequest() const { return session_.puzzleRequest(); }
  bool DownloadRunning() const { return session_.DownloadRunning(); }
  void SetSiteAddresses(SiteAddresses sites) { session_.SetSiteAddresses(std::move(sites)); }
  // The session's settings, see Session.
  std::function<std::time_t()>& clock;
  std::chrono::milliseconds& randomRetryDelay;
  std::function<void(const std::string&)>& openInBrowser;
  FetchPage& fetchAnswers;

  // Tests answer message boxes through this instead of the player.
  std::function<Reply(const std::string& text, const std::string& caption, Buttons)> messageHook;

  // The title is the session's; the window shows it.
  void SetTitle(const std::string& title) { session_.SetTitle(title); }
  std::string Title() const { return session_.Title(); }
  void Repaint() { screen_.Repaint(); }

  // CellHost.
  void CellEdited(Cell& cell, const std::string& text) override;
  void CellCommand(Cell& cell, int commandId) override;
  void FocusCell(int cellNumber) override;
  void PressUndo() override;
  void PressRedo() override;
  bool BoardLocked() const override { return session_.board().locked; }
  bool BoardChecking() const override { return session_.board().checking; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateMenus();
  void CreateBoard();
  void CreateButtons();
  void CreateSavesList();
  void LayOutClientArea(int width, int height);
  void OnButton(int controlId);
  void OnSavePosition();
  void OnLoadPosition();
  void OnDeleteSave();

  QWidget* client_ = nullptr;
  std::array<CBigBox*, 9> boxes_{};
  std::array<CButt*, 23> buttons_{};
  CSaves* savesList_ = nullptr;
  PuzzleCommands* puzzleCommands_ = nullptr;
  std::array<QFrame*, 9> headerBoxes_{};
};

}  // namespace kovalo
