#include "app/kovalo_dlg.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFrame>
#include <QMenuBar>
#include <QMessageBox>
#include <QResizeEvent>
#include <QShortcut>
#include <QThread>
#include <QTimerEvent>
#include <QUrl>
#include <chrono>
#include <cstdio>

#include "app/about_box.h"
#include "app/butt.h"
#include "app/control_table.h"
#include "app/program_icon.h"
#include "app/save_row_delegate.h"
#include "app/tooltip_filter.h"
#include "download/download.h"
#include "download/run_state.h"
#include "saves/qt/saves_list.h"
#include "saves/save_texts.h"
#include "solver/solving_aids.h"

namespace kovalo {

CKovaloDlg::CKovaloDlg(std::string workingFolder, std::time_t startUp)
    : board_(*this),
      saveFiles_(iniStore_, std::move(workingFolder), startUp),
      sites_(ProgramSiteAddresses()) {
  SetRunState(kRunStateRunning);
  // A sizing border and a minimise box, but no maximise box.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  // The tooltips show whether or not the window is active.
  setAttribute(Qt::WA_AlwaysShowToolTips);
  setWindowTitle("Sudoku");
  setWindowIcon(ProgramIcon());
  board_.replaying = false;
  board_.locked = false;

  CreateMenus();
  client_ = new QWidget(this);
  client_->installEventFilter(this);
  setCentralWidget(client_);
  CreateBoard();
  CreateButtons();
  CreateSavesList();

  resize(kInitialClientWidth, kInitialClientHeight + menuBar()->sizeHint().height());
  setMinimumSize(kMinimumWidth, kMinimumHeight);
  LayOutClientArea(kInitialClientWidth, kInitialClientHeight);

  saveFiles_.EnsureSavesFolder();
  LoadSaveFiles();
  board_.userPuzzleCounter = saveFiles_.ReadUserPuzzleCounter();
  board_.writeCount = [this](int counter) { saveFiles_.WriteCount(counter); };

  // The start-up reset asks nothing.
  board_.OnReset();
  puzzleRequest_ = -1;

  fetchAnswers = [](const std::string& address) { return FetchWithEngine(address, false); };
  openInBrowser = [](const std::string& address) {
    QDesktopServices::openUrl(QUrl(QString::fromStdString(address)));
  };
  SetProgramErrorSink(
      [this](const std::string& text) { OnUiThread([&] { ShowProgramError(*this, text); }); });
}

CKovaloDlg::~CKovaloDlg() {
  // A download still running stops at once: the engine's loops see
  // RunState, and no step of the worker reaches this window any more.
  SetRunState(kRunStateClosing);
  CloseWorkerGate();
  if (worker_.joinable()) worker_.join();
  SetProgramErrorSink(nullptr);
}

void CKovaloDlg::CreateMenus() {
  QMenu* info = menuBar()->addMenu("Info");
  connect(info->addAction("About Program"), &QAction::triggered, this, &CKovaloDlg::OnAbout);
  // The usual keys for Undo and Redo press the window's buttons, wherever
  // the focus is; the cells' own editor history is off.
  connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), this), &QShortcut::activated, this,
          &CKovaloDlg::PressUndo);
  for (const QKeySequence& keys :
       {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)})
    connect(new QShortcut(keys, this), &QShortcut::activated, this, &CKovaloDlg::PressRedo);
}

void CKovaloDlg::CreateBoard() {
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) boxes_[i + 3 * j] = new CBigBox(i, j, board_, *this, client_);
}

void CKovaloDlg::CreateButtons() {
  for (const ButtonRow& row : kButtonTable) {
    auto* button = new CButt(row, client_);
    buttons_[row.index] = button;
    const int id = row.id;
    connect(button, &QAbstractButton::clicked, this, [this, id] { OnButton(id); });
    if (id == IDC_CHECKING) {
      button->setChecked(true);
      board_.checking = true;
    }
    if (id == IDC_NORMAL) button->setChecked(true);
  }
  EnableControl(IDC_UNDO, false);
  EnableControl(IDC_REDO, false);
}

void CKovaloDlg::CreateSavesList() {
  savesList_ = new CSaves(client_);
  savesList_->setItemDelegate(new SaveRowDelegate(saveBook_, *savesList_, savesList_));
  savesList_->SetSpokenRow([this](const ListedRow& row) {
    return SpokenSaveRow(row.text, saveBook_.Entry(row.reference));
  });
  connect(savesList_, &CSaves::deleteSaveChosen, this, &CKovaloDlg::OnDeleteSave);
  // The list shows whole rows of 22 pixels only, so it is a little shorter
  // than the room it is given.
  const int frame = 2 * savesList_->frameWidth();
  const int rows = (kSavesListBottom - kSavesListTop - frame) / 22;
  const int listHeight = rows * 22 + frame;
  savesList_->setGeometry(0, kSavesListTop, kInitialClientWidth, listHeight);
  int left = 0;
  const int top = kSavesListTop + listHeight + 2;
  for (int i = 0; i < kHeaderBoxCount; ++i) {
    auto* header = new QFrame(client_);
    header->setFrameShape(QFrame::Box);
    header->setGeometry(left, top, kHeaderBoxWidths[i], kHeaderBoxBottom - top);
    RegisterTooltipTool(header, kHeaderBoxIdBase + i);
    headerBoxes_[i] = header;
    left += kHeaderBoxWidths[i] + 2;
  }
}

void CKovaloDlg::LayOutClientArea(int width, int height) {
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      const ControlRect r = BoxRect(i, j, width, height);
      boxes_[i + 3 * j]->setGeometry(r.left, r.top, r.Width(), r.Height());
    }
  // The list follows the client width both ways, so that its scroll bar
  // never ends up outside the window.
  const QRect list = savesList_->geometry();
  savesList_->setGeometry(list.left(), list.top(), width, list.height());
}

void CKovaloDlg::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  // The window manager keeps the window at its minimum size; where none
  // does, the window grows back to it by itself.
  const QSize given = event->size();
  if (given.width() < kMinimumWidth || given.height() < kMinimumHeight)
    QMetaObject::invokeMethod(
        this, [this] { resize(size().expandedTo(minimumSize())); }, Qt::QueuedConnection);
}

bool CKovaloDlg::eventFilter(QObject* watched, QEvent* event) {
  if (watched == client_ && event->type() == QEvent::Resize) {
    const QSize size = static_cast<QResizeEvent*>(event)->size();
    if (size.width() > 0) LayOutClientArea(size.width(), size.height());
  }
  return QMainWindow::eventFilter(watched, event);
}

CSmallBox* CKovaloDlg::CellWidget(int cellNumber) const {
  const CellPlace p = PlaceOfNumber(cellNumber);
  return boxes_[p.BoxIndex()]->cell(p.CellIndex());
}

CButt* CKovaloDlg::Button(int controlId) const {
  for (CButt* button : buttons_)
    if (button && button->id() == controlId) return button;
  return nullptr;
}

void CKovaloDlg::OnButton(int controlId) {
  switch (controlId) {
    case IDC_LOCK: board_.OnLock(); break;
    case IDC_RESET: board_.OnReset(); break;
    case IDC_CHECKING: board_.OnChecking(Button(IDC_CHECKING)->isChecked()); break;
    case IDC_FILL: OnFill(board_); break;
    case IDC_WEBSITE: OnWebsite(); break;
    case IDC_RANDOM: OnRandomSudoku(0); break;
    case IDC_UNDO: board_.OnUndo(); break;
    case IDC_REDO: board_.OnRedo(); break;
    case IDC_SAVE_POSITION: OnSavePosition(); break;
    case IDC_LOAD_POSITION: OnLoadPosition(); break;
    default:
      if (controlId >= IDC_MONDAY && controlId <= IDC_SUNDAY) {
        OnWeekday(controlId - IDC_MONDAY);
      } else if (controlId >= IDC_SECOND_WEEKLY && controlId <= IDC_NORMAL) {
        if (auto base = SiteBaseForRadio(controlId, Button(controlId)->isChecked()))
          siteBase_ = *base;
      }
      break;
  }
}

// ---------------------------------------------------------------- saved positions

void CKovaloDlg::LoadSaveFiles() {
  saveBook_.Load();
  savesList_->SetRows(saveBook_.Rows());
  savesList_->SelectRow(savesList_->RowCount() - 1, true);
}

void CKovaloDlg::OnSavePosition() {
  const std::string title = Title();
  const SaveBook::SaveOutcome outcome =
      saveBook_.Save(DescriptionLine(title, puzzleDate_, clock()),
                     PositionText(board_, firstSaveFlag_), AnswersText(board_), title);
  // Nothing was saved: no row, and the next save is still a first save.
  if (!outcome.written) return;
  firstSaveFlag_ = 0;
  int row;
  if (outcome.relisted) {
    // Another copy of the program wrote the file too: its saves show up.
    savesList_->SetRows(saveBook_.Rows());
    row = savesList_->RowOfReference(outcome.reference);
  } else {
    row = savesList_->AddRow(saveBook_.RowOf(outcome.reference));
  }
  savesList_->SelectRow(row);
  savesList_->viewport()->update();
}

void CKovaloDlg::OnLoadPosition() {
  const int row = savesList_->SelectedRow();
  if (row < 0) return;
  // The entry, not a fresh look at the file, gives the title: another copy
  // of the program may have moved the saves in the file meanwhile.
  const SaveEntry* entry = saveBook_.Entry(savesList_->RowReference(row));
  SetTitle(entry ? entry->title : std::string());
  puzzleDate_ = PuzzleDateOfRow(savesList_->RowText(row), clock());
  if (entry) {
    const SavedPosition position = ReadPositionText(entry->position);
    const std::array<int, kCells> answers = ReadAnswersText(entry->answers);
    bool anyStartingNumber = false;
    int known = 0;
    for (int k = 0; k < kCells; ++k) {
      Cell& cell = board_.AtGrid(k / 9, k % 9);
      cell.text = position.texts[k];
      cell.savedText = cell.text;
      cell.status = position.states[k];
      cell.savedStatus = cell.status;
      cell.readOnly = cell.status == kSavedStartingNumber;
      anyStartingNumber = anyStartingNumber || cell.readOnly;
      cell.answer = answers[k];
      if (cell.answer != 0) ++known;
    }
    board_.locked = anyStartingNumber;
    firstSaveFlag_ = position.firstSaveFlag != 0 ? 2 : 0;
    // The answer page of the main weekly site for the puzzle's date. While
    // a download runs the engine is the worker's, and the answers stay.
    if (known < kCells && fetchAnswers && !DownloadRunning()) {
      LocalDate date;
      if (std::sscanf(puzzleDate_.c_str(), "%d %d %d", &date.month, &date.day, &date.year) == 3) {
        SetWaitCursor(true);
        ReadAnswersFromSolutionPage(MainWeeklySolutionAddress(sites_, date), fetchAnswers, *this);
        SetWaitCursor(false);
      }
    }
  }
  board_.ClearHistory();
  Repaint();
}

void CKovaloDlg::OnDeleteSave() {
  const int row = savesList_->SelectedRow();
  if (row < 0) return;
  const uint32_t deleted = savesList_->RowReference(row);
  switch (saveBook_.Delete(deleted)) {
    case SaveBook::DeleteOutcome::Deleted:
      savesList_->RemoveRow(row);
      for (int r = 0; r < savesList_->RowCount(); ++r)
        savesList_->SetRowReference(r, RenumberedReference(savesList_->RowReference(r), deleted));
      savesList_->SelectRow(row < savesList_->RowCount() ? row : row - 1);
      break;
    case SaveBook::DeleteOutcome::Relisted:
      // The file had changed elsewhere: the list shows it as it is now.
      savesList_->SetRows(saveBook_.Rows());
      savesList_->SelectRow(std::min(row, savesList_->RowCount() - 1));
      break;
    case SaveBook::DeleteOutcome::Failed: return;
  }
  savesList_->viewport()->update();
}

// ---------------------------------------------------------------- downloads

namespace {

const char* const kWeekdayCaptions[7] = {"Mon.", "Tue.", "Wed.", "Thur.", "Fri.", "Sat.", "Sun."};

// The download controls in the order they are switched.
constexpr int kDownloadControls[] = {IDC_MONDAY,     IDC_MONDAY + 1, IDC_MONDAY + 2,
                                     IDC_MONDAY + 3, IDC_MONDAY + 4, IDC_MONDAY + 5,
                                     IDC_SUNDAY,     IDC_RANDOM,     IDC_SECOND_WEEKLY,
                                     IDC_EASY,       IDC_MEDIUM,     IDC_HARD,
                                     IDC_EVIL,       IDC_NORMAL};

}  // namespace

void CKovaloDlg::OnWeekday(int weekdayIndex) {
  if (!ConfirmPuzzleLoad(board_, kWeekdayCaptions[weekdayIndex])) return;
  puzzleRequest_ = WeekdayRequest(siteBase_, weekdayIndex);
  SetDownloadControlsEnabled(false);
  StartWorker();
}

void CKovaloDlg::OnRandomSudoku(int failedRandomPages) {
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

void CKovaloDlg::OnWebsite() {
  if (openInBrowser) openInBrowser(WebsiteAddress(sites_, Title()));
}

void CKovaloDlg::StartWorker(int failedRandomPages) {
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

bool CKovaloDlg::DownloadRunning() const { return workerRunning_.load(); }

void CKovaloDlg::SetDownloadControlsEnabled(bool enable) {
  if (enable) StopDownloadsAndWait();
  for (int id : kDownloadControls) EnableControl(id, enable);
}

void CKovaloDlg::StartDownloadEndTimer() {
  if (!downloadEndTimer_) downloadEndTimer_ = startTimer(0);
}

void CKovaloDlg::timerEvent(QTimerEvent* event) {
  if (event->timerId() != downloadEndTimer_ || !downloadEndTimer_) return;
  killTimer(downloadEndTimer_);
  downloadEndTimer_ = 0;
  SetDownloadControlsEnabled(true);
}

void CKovaloDlg::PostRandomSudokuClick(int failedRandomPages) {
  // The button is disabled; its handler runs all the same.
  QMetaObject::invokeMethod(
      this, [this, failedRandomPages] { OnRandomSudoku(failedRandomPages); }, Qt::QueuedConnection);
}

// The worker's steps wait in a queue of this window's own, guarded by its
// mutex; a queued call only wakes the user-interface thread to run them.
// The queue, not the toolkit's event, carries the step across, so every
// hand-over goes through the one mutex.
bool CKovaloDlg::OnUiThread(const std::function<void()>& step) {
  if (QThread::currentThread() == thread()) {
    step();
    return true;
  }
  auto pending = std::make_shared<PendingStep>();
  pending->step = &step;
  {
    std::lock_guard<std::mutex> lock(gateMutex_);
    if (gateClosed_) return false;
    pendingSteps_.push_back(pending);
  }
  QMetaObject::invokeMethod(this, "RunPendingSteps", Qt::QueuedConnection);
  std::unique_lock<std::mutex> lock(gateMutex_);
  // A step that has begun is waited for even when the gate closes meanwhile
  // (a message box of the step may let the close request in): it still uses
  // what the worker handed it.
  gateChanged_.wait(lock, [&] { return pending->done || (gateClosed_ && !pending->running); });
  return pending->done;
}

void CKovaloDlg::RunPendingSteps() {
  for (;;) {
    std::shared_ptr<PendingStep> pending;
    {
      std::lock_guard<std::mutex> lock(gateMutex_);
      if (gateClosed_ || pendingSteps_.empty()) return;
      pending = pendingSteps_.front();
      pendingSteps_.pop_front();
      pending->running = true;
    }
    (*pending->step)();
    {
      std::lock_guard<std::mutex> lock(gateMutex_);
      pending->running = false;
      pending->done = true;
    }
    gateChanged_.notify_all();
  }
}

void CKovaloDlg::CloseWorkerGate() {
  {
    std::lock_guard<std::mutex> lock(gateMutex_);
    gateClosed_ = true;
    pendingSteps_.clear();
  }
  gateChanged_.notify_all();
}

void CKovaloDlg::OnAbout() {
  AboutBox box(this);
  box.exec();
}

void CKovaloDlg::closeEvent(QCloseEvent* event) {
  SetRunState(kRunStateClosing);
  CloseWorkerGate();
  event->accept();
}

// ---------------------------------------------------------------- Screen

Reply CKovaloDlg::ShowMessage(const std::string& text, const std::string& caption, Buttons buttons,
                              const Cell* owner) {
  if (messageHook) return messageHook(text, caption, buttons);
  QWidget* parent = owner ? static_cast<QWidget*>(CellWidget(owner->number)) : this;
  QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(caption),
                  QString::fromStdString(text),
                  buttons == Buttons::Ok ? QMessageBox::Ok : QMessageBox::Yes | QMessageBox::No,
                  parent);
  // The verdicts and questions have no caption: the text is the box's name.
  box.setAccessibleName(QString::fromStdString(caption.empty() ? text : caption));
  box.setAccessibleDescription(QString::fromStdString(text));
  raise();
  activateWindow();
  const int reply = box.exec();
  if (reply == QMessageBox::Yes) return Reply::Yes;
  if (reply == QMessageBox::No) return Reply::No;
  return Reply::Ok;
}

void CKovaloDlg::SetTitle(const std::string& title) {
  setWindowTitle(QString::fromStdString(title));
}

std::string CKovaloDlg::Title() const { return windowTitle().toStdString(); }

void CKovaloDlg::EnableControl(int controlId, bool enable) {
  if (CButt* button = Button(controlId)) button->setEnabled(enable);
}

void CKovaloDlg::SetControlChecked(int controlId, bool checked) {
  if (CButt* button = Button(controlId)) {
    const QSignalBlocker blocker(button);
    button->setChecked(checked);
  }
}

void CKovaloDlg::Repaint() {
  // Every cell shows its model at once. A cell whose text, read-only state
  // and colours are as they were would paint the same pixels again, so only
  // the changed ones are painted.
  for (int n = 0; n < kCells; ++n) {
    CSmallBox* cell = CellWidget(n);
    if (cell->Sync()) cell->viewport()->repaint();
  }
}

bool CKovaloDlg::SetClipboardText(const std::string& text) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) return false;
  clipboard->setText(QString::fromLatin1(text.data(), static_cast<int>(text.size())));
  return true;
}

void CKovaloDlg::SetWaitCursor(bool on) {
  if (on)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
}

// ---------------------------------------------------------------- CellHost

void CKovaloDlg::CellEdited(Cell& cell, const std::string& text) {
  board_.PlayerEdited(cell, text);
}

void CKovaloDlg::CellCommand(Cell& cell, int commandId) { RunCellCommand(board_, cell, commandId); }

void CKovaloDlg::FocusCell(int cellNumber) { CellWidget(cellNumber)->setFocus(Qt::TabFocusReason); }

void CKovaloDlg::PressUndo() { Button(IDC_UNDO)->click(); }

void CKovaloDlg::PressRedo() { Button(IDC_REDO)->click(); }

}  // namespace kovalo
