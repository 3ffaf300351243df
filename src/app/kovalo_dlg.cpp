// The main window: its widgets, their places and the forwarding of every
// press, edit and menu command to the session.
#include "app/kovalo_dlg.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFrame>
#include <QMenuBar>
#include <QMimeData>
#include <QResizeEvent>
#include <QShortcut>
#include <QUrl>

#include "app/about_box.h"
#include "app/butt.h"
#include "app/control_table.h"
#include "app/program_icon.h"
#include "app/puzzle_commands.h"
#include "app/tooltip_filter.h"
#include "saves/qt/saves_list.h"

namespace kovalo {

CKovaloDlg::CKovaloDlg(std::string workingFolder, std::time_t startUp)
    : session_(screen_, handOver_, std::move(workingFolder), startUp),
      clock(session_.clock),
      randomRetryDelay(session_.randomRetryDelay),
      openInBrowser(session_.openInBrowser),
      fetchAnswers(session_.fetchAnswers) {
  // A sizing border and a minimise box, but no maximise box.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  // The tooltips show whether or not the window is active.
  setAttribute(Qt::WA_AlwaysShowToolTips);
  screen_.SetTitle(session_.Title());
  setWindowIcon(ProgramIcon());

  CreateMenus();
  client_ = new QWidget(this);
  client_->installEventFilter(this);
  setCentralWidget(client_);
  CreateBoard();
  CreateButtons();
  CreateSavesList();

  puzzleCommands_ = new PuzzleCommands(*this);
  screen_.repainted = [this] { puzzleCommands_->RefreshSameDigits(); };
  // A puzzle text or file dropped anywhere on the window.
  setAcceptDrops(true);

  resize(kInitialClientWidth, kInitialClientHeight + menuBar()->sizeHint().height());
  setMinimumSize(kMinimumWidth, kMinimumHeight);
  LayOutClientArea(kInitialClientWidth, kInitialClientHeight);

  openInBrowser = [](const std::string& address) {
    QDesktopServices::openUrl(QUrl(QString::fromStdString(address)));
  };
  session_.savesChanged = [this] { savesList_->Relist(); };
  session_.Start();
  savesList_->SelectRow(savesList_->RowCount() - 1, true);
}

CKovaloDlg::~CKovaloDlg() {
  // A download still running stops at once, and no step of its worker
  // reaches the board any more; the widgets go before the game they show.
  session_.Close();
  // Nothing follows the cells' focus while they go.
  screen_.repainted = nullptr;
  delete puzzleCommands_;
  delete client_;
}

void CKovaloDlg::CreateMenus() {
  QMenu* info = menuBar()->addMenu("Info");
  connect(info->addAction("About Program"), &QAction::triggered, this, [this] {
    AboutBox box(this);
    box.exec();
  });
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
    for (int j = 0; j < 3; ++j)
      boxes_[i + 3 * j] = new CBigBox(i, j, session_.board(), *this, client_);
}

void CKovaloDlg::CreateButtons() {
  for (const ButtonRow& row : kButtonTable) {
    auto* button = new CButt(row, client_);
    buttons_[row.index] = button;
    const int id = row.id;
    connect(button, &QAbstractButton::clicked, this, [this, id] { OnButton(id); });
    if (id == IDC_CHECKING) {
      button->setChecked(true);
      session_.board().checking = true;
    }
    if (id == IDC_NORMAL) button->setChecked(true);
  }
  screen_.EnableControl(IDC_UNDO, false);
  screen_.EnableControl(IDC_REDO, false);
}

void CKovaloDlg::CreateSavesList() {
  savesList_ = new CSaves(session_.saveBook(), client_);
  connect(savesList_, &CSaves::deleteSaveChosen, this, &CKovaloDlg::OnDeleteSave);
  // The list shows whole rows of 22 pixels only, so it is a little shorter
  // than the room it is given.
  const int frame = 2 * savesList_->frameWidth();
  const int rows = (kSavesListBottom - kSavesListTop - frame) / CSaves::kRowHeight;
  const int listHeight = rows * CSaves::kRowHeight + frame;
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
    case IDC_SAVE_POSITION: OnSavePosition(); break;
    case IDC_LOAD_POSITION: OnLoadPosition(); break;
    default: session_.PressControl(controlId, Button(controlId)->isChecked()); break;
  }
}

void CKovaloDlg::OnSavePosition() {
  if (const std::optional<uint32_t> saved = session_.SavePosition())
    savesList_->SelectRow(savesList_->RowOfReference(*saved));
}

void CKovaloDlg::OnLoadPosition() {
  const int row = savesList_->SelectedRow();
  if (row >= 0) session_.LoadPosition(savesList_->RowReference(row));
}

void CKovaloDlg::OnDeleteSave() {
  const int row = savesList_->SelectedRow();
  if (row < 0) return;
  // The row below takes the deleted one's place; the last row's place goes
  // to the row above it.
  if (session_.DeleteSave(savesList_->RowReference(row)))
    savesList_->SelectRow(std::min(row, savesList_->RowCount() - 1));
}

void CKovaloDlg::dragEnterEvent(QDragEnterEvent* event) {
  if (PuzzleCommands::CanTakeDrop(event->mimeData())) event->acceptProposedAction();
}

void CKovaloDlg::dropEvent(QDropEvent* event) {
  event->acceptProposedAction();
  puzzleCommands_->TakeDrop(event->mimeData());
}

void CKovaloDlg::closeEvent(QCloseEvent* event) {
  session_.Close();
  event->accept();
}

// ---------------------------------------------------------------- CellHost

void CKovaloDlg::CellEdited(Cell& cell, const std::string& text) {
  session_.CellEdited(cell, text);
}

void CKovaloDlg::CellCommand(Cell& cell, int commandId) { session_.CellCommand(cell, commandId); }

void CKovaloDlg::FocusCell(int cellNumber) { CellWidget(cellNumber)->setFocus(Qt::TabFocusReason); }

void CKovaloDlg::PressUndo() { Button(IDC_UNDO)->click(); }

void CKovaloDlg::PressRedo() { Button(IDC_REDO)->click(); }

}  // namespace kovalo
