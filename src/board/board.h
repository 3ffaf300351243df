// The board model: 81 cells with their status words and histories, the
// board-wide flags, whole-board re-evaluation and the completion verdict,
// the cell change handler, lock, reset and undo/redo.
//
// The cells' texts live here; the widgets only show them. A write by the
// program is a plain assignment to Cell::text and never runs the change
// handler, which only the player's editing (PlayerEdited) reaches.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "board/geometry.h"
#include "board/screen.h"

namespace kovalo {

// Status word: the low four bits are the kind, bit 5 is Fixed.
constexpr uint32_t kKindMask = 0x0F;
constexpr uint32_t kFixed = 0x20;
enum Kind : uint32_t { Blank = 0, Start = 1, Plain = 2, Clash = 3, Shared = 4 };
constexpr uint32_t kStartingNumber = Start | kFixed;  // 0x21, always exactly this
constexpr uint32_t kChainBit = 1u << 23;
constexpr char kHistorySeparator = 0x7F;

struct Cell {
  std::string text;       // the candidate digits, as the cell shows them
  bool readOnly = false;  // exactly while status is kStartingNumber

  uint32_t status = 0;
  int colInBox = 0;
  int rowInBox = 0;
  int answer = 0;  // the site's digit, 0 when none is known
  int unverifiedCount = 0;
  int matchCount = 0;
  int historyPos = 0;
  uint32_t savedStatus = 0;
  int fixedCount = 0;
  int changed = 0;  // work flag of the solving aids
  std::vector<std::string> textHistory;
  std::vector<uint32_t> statusHistory;
  std::string savedText;

  int number = 0;  // cell number, 0..80
  CellPlace Place() const { return PlaceOfNumber(number); }
  uint32_t Kind() const { return status & kKindMask; }
  bool IsFixed() const { return (status & kFixed) != 0; }
};

// The characters a text holds, as a set: what the re-evaluation compares.
struct CharSet {
  uint64_t bits[4] = {0, 0, 0, 0};
  static CharSet Of(const std::string& text) {
    CharSet set;
    for (unsigned char c : text) set.bits[c >> 6] |= uint64_t{1} << (c & 63);
    return set;
  }
  CharSet& operator|=(const CharSet& other) {
    for (int i = 0; i < 4; ++i) bits[i] |= other.bits[i];
    return *this;
  }
  bool Meets(const CharSet& other) const {
    return ((bits[0] & other.bits[0]) | (bits[1] & other.bits[1]) | (bits[2] & other.bits[2]) |
            (bits[3] & other.bits[3])) != 0;
  }
};

class Board {
 public:
  explicit Board(Screen& screen);
  Board(const Board&) = delete;
  Board& operator=(const Board&) = delete;

  Screen& screen() { return screen_; }

  // Cells by cell number (board order), and by grid row and column.
  Cell& At(int cellNumber) { return cells_[cellNumber]; }
  const Cell& At(int cellNumber) const { return cells_[cellNumber]; }
  Cell& AtGrid(int row, int col) { return cells_[NumberOfGrid(row, col)]; }
  const Cell& AtGrid(int row, int col) const { return cells_[NumberOfGrid(row, col)]; }
  Cell& First() { return cells_[0]; }
  std::array<Cell, kCells>& cells() { return cells_; }
  const std::array<Cell, kCells>& cells() const { return cells_; }

  // Board-wide flags, one set per program.
  bool locked = false;
  bool checking = true;
  bool batch = false;
  bool replaying = false;
  bool inCellChange = false;

  // The board's history: one step word per recorded change; steps at
  // stepCount and beyond are the redo tail.
  std::vector<uint32_t> steps;
  int stepCount = 0;

  // fixedCount of the latest RecheckBoard, whichever cell it was handed.
  int lastFixedCount = 0;

  // Number given to puzzles typed in by hand.
  int userPuzzleCounter = 10000;
  // Where reset everything writes "Count"; unset, nothing is written.
  std::function<void(int)> writeCount;

  // Re-evaluation and verdict.
  void RecheckBoard(Cell& tallyCell);
  void CheckCell(Cell& x);
  // The same with the character sets of all 81 texts, by cell number.
  void CheckCell(Cell& x, const std::array<CharSet, kCells>& texts);
  void ShowCompletion(Cell& tallyCell);

  // History.
  void SetCellText(Cell& x, const std::string& text, int chain);
  void RecordCellStep(Cell& x);
  void UndoCellStep(Cell& x);
  void RedoCellStep(Cell& x);
  void ClearHistory();
  // Appends a step word for x and records x's step, as SetCellText does
  // when it records (without consulting replaying).
  void RecordStepFor(Cell& x, int chain);

  // The player changed x's text to text: store it, then the change handler.
  void PlayerEdited(Cell& x, const std::string& text);
  // The cell change handler on x's present text.
  void CellChangeHandler(Cell& x);

  // Button handlers.
  void OnLock();
  void OnReset();
  void OnChecking(bool ticked);
  void OnUndo();
  void OnRedo();

  void ResetEverything();
  void ResetAllButStartingNumbers();

  // Tallies of the whole board, as RecheckBoard counts them.
  bool IsEmptyOfKinds() const;  // every cell's kind is Blank

 private:
  // Deletes the first occurrence of digits from every peer, as a redone
  // fixed cell does (written directly, not recorded).
  void StrikeFromPeersUnrecorded(const Cell& x);

  Screen& screen_;
  std::array<Cell, kCells> cells_;
  bool firstResetDone_ = false;
};

// The colours a cell is painted with. A colour is 0x00RRGGBB; a cell with
// defaultText keeps the edit control's own text colour.
struct CellColours {
  uint32_t background;
  uint32_t text;
  bool defaultText;
  bool operator==(const CellColours&) const = default;
};
CellColours ColoursOf(uint32_t status, bool locked, bool checking);

namespace rgb {
constexpr uint32_t kWhite = 0xFFFFFF, kAzure = 0x0080FF, kRed = 0xFF0000, kGreen = 0x008000,
                   kYellow = 0xFFFF00, kLightCyan = 0xA0FFFF, kNavy = 0x000080, kBlack = 0x000000,
                   kLightOrange = 0xFFC080, kViolet = 0x8000FF;
}

}  // namespace kovalo
