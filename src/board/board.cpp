// Re-evaluation, history, lock and reset of the board.
#include "board/board.h"

#include <climits>
#include <cstdio>
#include <cstdlib>

namespace kovalo {

Board::Board(Screen& screen) : screen_(screen) {
  for (int n = 0; n < kCells; ++n) {
    Cell& cell = cells_[n];
    cell.number = n;
    cell.rowInBox = PlaceOfNumber(n).rowInBox;
    cell.colInBox = PlaceOfNumber(n).colInBox;
  }
}

// ---------------------------------------------------------------- re-evaluation

void Board::RecheckBoard(Cell& tallyCell) {
  for (Cell& cell : cells_)
    if (cell.status != kStartingNumber) cell.status = (cell.status & ~0x0Du) | Plain;
  // Checking reads texts and Fixed flags only, which it never changes, so
  // the texts' character sets are taken once for the whole board.
  std::array<CharSet, kCells> texts;
  for (int n = 0; n < kCells; ++n) texts[n] = CharSet::Of(cells_[n].text);
  for (Cell& cell : cells_)
    if (!cell.IsFixed()) CheckCell(cell, texts);

  tallyCell.fixedCount = tallyCell.matchCount = tallyCell.unverifiedCount = 0;
  for (const Cell& cell : cells_) {
    if (cell.text.size() != 1 || !cell.IsFixed()) continue;
    ++tallyCell.fixedCount;
    // A "%d" scan of one character: a digit reads as itself, anything else
    // leaves nothing that could equal a known answer.
    const char c = cell.text[0];
    const int digit = (c >= '0' && c <= '9') ? c - '0' : -1;
    if (digit == cell.answer)
      ++tallyCell.matchCount;
    else
      ++tallyCell.unverifiedCount;
  }
  lastFixedCount = tallyCell.fixedCount;
  screen_.Repaint();
}

void Board::CheckCell(Cell& x) {
  std::array<CharSet, kCells> texts;
  for (int n = 0; n < kCells; ++n) texts[n] = CharSet::Of(cells_[n].text);
  CheckCell(x, texts);
}

void Board::CheckCell(Cell& x, const std::array<CharSet, kCells>& texts) {
  if (x.text.empty()) {
    x.status = 0;
    return;
  }
  // A character of x standing in a Fixed peer makes x a Clash; one standing
  // in any other peer makes a Plain x Shared. Clash wins whatever order the
  // peers are met in, so the peers' characters are gathered first.
  CharSet inFixed, inOthers;
  const PeerWalk& walk = PeerWalkOf(x.number);
  for (int i = 0; i < walk.size; ++i) {
    const int peer = walk.numbers[i];
    (cells_[peer].IsFixed() ? inFixed : inOthers) |= texts[peer];
  }
  const CharSet& mine = texts[x.number];
  if (mine.Meets(inFixed))
    x.status = (x.status & ~0x0Cu) | 0x03u;
  else if (mine.Meets(inOthers) && x.Kind() == Plain)
    x.status = (x.status & ~kKindMask) | Shared;
}

void Board::ShowCompletion(Cell& tallyCell) {
  if (tallyCell.fixedCount != 81) return;
  const char* text;
  if (tallyCell.matchCount == 81)
    text = "You have Successfully Completed the puzzle and your answers match the websites answers";
  else if (tallyCell.unverifiedCount == 81)
    text =
        "You have Successfully Completed the puzzle but your answers could not be verified with "
        "the website at this time";
  else
    text = "You have incorrectly finished the puzzle";
  screen_.ShowMessage(text, "", Buttons::Ok, &tallyCell);
}

bool Board::IsEmptyOfKinds() const {
  for (const Cell& cell : cells_)
    if (cell.Kind() != Blank) return false;
  return true;
}

// ---------------------------------------------------------------- history

void Board::RecordStepFor(Cell& x, int chain) {
  const uint32_t word = static_cast<uint32_t>(x.number) | ((chain == 1 || batch) ? kChainBit : 0);
  if (stepCount < static_cast<int>(steps.size()))
    steps[stepCount] = word;
  else
    steps.push_back(word);
  ++stepCount;
  RecordCellStep(x);
  screen_.EnableControl(IDC_UNDO, true);
}

void Board::SetCellText(Cell& x, const std::string& text, int chain) {
  if (replaying) {
    x.text = text;
    return;
  }
  // The text is set before the cell records its entry, so that the entry
  // holds the text after the step.
  x.text = text;
  RecordStepFor(x, chain);
}

void Board::RecordCellStep(Cell& x) {
  const uint32_t entry = ((x.status & 0xFFFF) << 16) | (x.savedStatus & 0xFFFF);
  std::string texts = x.savedText;
  texts += kHistorySeparator;
  texts += x.text;
  const size_t pos = static_cast<size_t>(x.historyPos);
  x.statusHistory.resize(pos);
  x.textHistory.resize(pos);
  x.statusHistory.push_back(entry);
  x.textHistory.push_back(std::move(texts));
  ++x.historyPos;
  // A new step discards the board's redo tail.
  steps.resize(static_cast<size_t>(stepCount));
  x.savedText = x.text;
  x.savedStatus = x.status;
}

void Board::UndoCellStep(Cell& x) {
  if (x.historyPos == 0) return;
  --x.historyPos;
  const uint32_t entry = x.statusHistory[x.historyPos];
  x.status = x.savedStatus = entry & 0xFFFF;
  x.readOnly = x.status == kStartingNumber;
  const std::string& texts = x.textHistory[x.historyPos];
  const size_t cut = texts.find(kHistorySeparator);
  x.savedText = cut == std::string::npos ? std::string() : texts.substr(0, cut);
  x.text = x.savedText;
}

void Board::RedoCellStep(Cell& x) {
  if (x.historyPos >= static_cast<int>(x.statusHistory.size())) return;
  const uint32_t entry = x.statusHistory[x.historyPos];
  x.status = x.savedStatus = entry >> 16;
  x.readOnly = x.status == kStartingNumber;
  const std::string& texts = x.textHistory[x.historyPos];
  const size_t cut = texts.find(kHistorySeparator);
  x.savedText = cut == std::string::npos ? texts : texts.substr(cut + 1);
  x.text = x.savedText;
  ++x.historyPos;
  if (x.IsFixed()) StrikeFromPeersUnrecorded(x);
}

void Board::StrikeFromPeersUnrecorded(const Cell& x) {
  if (x.text.empty()) return;  // an empty text is "found" everywhere and strikes nothing
  const PeerWalk& walk = PeerWalkOf(x.number);
  for (int i = 0; i < walk.size; ++i) {
    Cell& peer = cells_[walk.numbers[i]];
    const size_t at = peer.text.find(x.text);
    if (at != std::string::npos) peer.text.erase(at, 1);
  }
}

void Board::ClearHistory() {
  for (Cell& cell : cells_) {
    cell.statusHistory.clear();
    cell.textHistory.clear();
    cell.historyPos = 0;
    cell.savedStatus = cell.status;
    cell.savedText = cell.text;
  }
  steps.clear();
  stepCount = 0;
  screen_.EnableControl(IDC_UNDO, false);
  screen_.EnableControl(IDC_REDO, false);
}

void Board::OnUndo() {
  replaying = true;
  screen_.SetWaitCursor(true);
  while (stepCount > 0) {
    --stepCount;
    screen_.EnableControl(IDC_REDO, true);
    const uint32_t word = steps[stepCount];
    UndoCellStep(cells_[word & 0xFFFF]);
    if (!(word & kChainBit)) break;
    RecheckBoard(First());
  }
  if (stepCount == 0) screen_.EnableControl(IDC_UNDO, false);
  replaying = false;
  RecheckBoard(First());
  screen_.Repaint();
  screen_.SetWaitCursor(false);
  ShowCompletion(First());
}

void Board::OnRedo() {
  replaying = true;
  screen_.SetWaitCursor(true);
  const int total = static_cast<int>(steps.size());
  if (stepCount < total) {
    do {
      screen_.EnableControl(IDC_UNDO, true);
      RedoCellStep(cells_[steps[stepCount] & 0xFFFF]);
      ++stepCount;
    } while (stepCount < total && (steps[stepCount] & kChainBit));
  }
  if (stepCount >= total) screen_.EnableControl(IDC_REDO, false);
  RecheckBoard(First());
  replaying = false;
  screen_.Repaint();
  screen_.SetWaitCursor(false);
}

// ---------------------------------------------------------------- editing

void Board::PlayerEdited(Cell& x, const std::string& text) {
  x.text = text;
  CellChangeHandler(x);
}

void Board::CellChangeHandler(Cell& x) {
  if (inCellChange) return;
  inCellChange = true;
  // A cell emptied by the player, or left holding only "0", stops being
  // fixed: "0" is no digit a cell can be settled on.
  std::string copy = x.text;
  const size_t zero = copy.find('0');
  if (zero != std::string::npos) copy.erase(zero, 1);
  if (copy.empty()) x.status &= ~kFixed;
  RecordStepFor(x, 0);
  RecheckBoard(x);
  ShowCompletion(x);
  inCellChange = false;
}

// ---------------------------------------------------------------- lock and reset

void Board::OnLock() {
  screen_.SetControlChecked(IDC_CHECKING, false);
  checking = false;

  for (const Cell& cell : cells_) {
    if (cell.Kind() > Plain) {
      screen_.ShowMessage(
          "You have Already some Numbers that are impossible. Please Correct them before clicking "
          "lock starting numbers",
          "", Buttons::Ok);
      screen_.Repaint();
      return;
    }
  }
  for (const Cell& cell : cells_) {
    if (cell.status == kStartingNumber) {
      const Reply reply = screen_.ShowMessage(
          "You have Already Set some. Did you really want to set some more number as being "
          "starting numbers?",
          "", Buttons::YesNo);
      if (reply != Reply::Yes) {
        screen_.Repaint();
        return;
      }
      break;
    }
  }
  for (Cell& cell : cells_) {
    if (cell.text.size() != 1) continue;
    if (cell.status == Plain) {
      cell.status = kStartingNumber;
      SetCellText(cell, cell.text, 0);
      cell.readOnly = true;
    } else if (!cell.IsFixed()) {
      // A digit the player fixed stays fixed, or the next Fill would
      // overwrite it with candidates.
      cell.status = 0;
    }
  }
  if (!locked) {
    // The counter stops at the largest number rather than wrap round to
    // numbers already given out.
    if (userPuzzleCounter < INT_MAX) ++userPuzzleCounter;
    if (userPuzzleCounter <= 10000) userPuzzleCounter = 10000;
  }
  locked = true;
  screen_.Repaint();
}

void Board::OnReset() {
  if (!firstResetDone_) {
    firstResetDone_ = true;
    ResetEverything();
    return;
  }
  if (screen_.ShowMessage("Reset Everything to blank?", "", Buttons::YesNo) == Reply::Yes) {
    ResetEverything();
  } else if (screen_.ShowMessage("Reset All but starting numbers?", "", Buttons::YesNo) ==
             Reply::Yes) {
    ResetAllButStartingNumbers();
  }
}

void Board::ResetEverything() {
  firstResetDone_ = true;
  locked = false;
  for (Cell& cell : cells_) {
    cell.text.clear();
    cell.readOnly = false;
    cell.status = 0;
    cell.answer = 0;
  }
  if (writeCount) writeCount(userPuzzleCounter);
  char title[64];
  std::snprintf(title, sizeof title, "Number %d, User defined", userPuzzleCounter);
  screen_.SetTitle(title);
  ClearHistory();
  screen_.Repaint();
}

void Board::ResetAllButStartingNumbers() {
  for (Cell& cell : cells_) {
    if (cell.status == kStartingNumber) continue;
    cell.text.clear();
    cell.status = 0;
    cell.readOnly = false;  // an undone lock may have left it read-only
  }
  ClearHistory();
  screen_.Repaint();
}

void Board::OnChecking(bool ticked) {
  checking = ticked;
  screen_.Repaint();
}

// ---------------------------------------------------------------- colours

CellColours ColoursOf(uint32_t status, bool locked, bool checking) {
  using namespace rgb;
  constexpr CellColours kDefault{kWhite, kBlack, true};
  if (!locked) {
    if (status == 0) return kDefault;
    if (status == Plain) return {kNavy, kLightOrange, false};
    return {kRed, kViolet, false};
  }
  const uint32_t kind = status & kKindMask;
  const bool fixed = (status & kFixed) != 0;
  switch (kind) {
    case Start: return {kAzure, kWhite, false};
    case Plain:
      if (fixed) return {kLightCyan, kBlack, false};
      return checking ? CellColours{kGreen, kWhite, false} : kDefault;
    case Clash: return checking ? CellColours{kRed, kWhite, false} : kDefault;
    case Shared: return checking ? CellColours{kYellow, kBlack, false} : kDefault;
    default: return kDefault;
  }
}

}  // namespace kovalo
