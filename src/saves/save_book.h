// The saves of the current and the previous month as the program holds
// them: one list per month mirroring its file, and the acts that change a
// month file (Save, Delete), each one locked transaction of the INI store
// that replaces the file once.
//
// Entry k of a month's list is save k of its file ("Item k A" ... "Item k D")
// for as long as nobody else writes the file. Another copy of the program
// may save or delete in the same file at any time; the book notices that
// from the store's generation of the file, never deletes a save other than
// the one its row shows, and reads the month again, telling the caller to
// list the rows again.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "saves/ini_store.h"
#include "saves/save_files.h"
#include "saves/save_texts.h"

namespace kovalo {

struct SaveEntry {
  // The four values of the save as the file holds them, each cut at
  // kIniValueCapacity - 1 characters.
  std::string description;  // "Item k A"
  std::string position;     // "Item k B"
  std::string answers;      // "Item k C"
  std::string title;        // "Item k D": the window title when it was saved
  // Worked out from the texts above.
  int firstSaveFlag = 0;
  // The two check columns, worked out when the row is first drawn: most
  // rows of a long list never are.
  const SaveChecks& Checks() const {
    if (!checks_) checks_ = CheckSave(position, answers);
    return *checks_;
  }

  // Whether two entries show the same save (their four values are equal).
  bool SameSave(const SaveEntry& other) const {
    return description == other.description && position == other.position &&
           answers == other.answers && title == other.title;
  }

 private:
  mutable std::optional<SaveChecks> checks_;
};

struct ListedRow {
  std::string text;    // as the list shows and sorts it
  uint32_t reference;  // see EncodeReference
};

// The saves a month file holds, in file order. The count is "Items", except
// that a negative count, or one beyond the last save with any value in the
// file, is taken as that last save's number plus one; never more than
// kMaxSavesPerMonth. Keys of a save that are missing read as empty texts.
std::vector<SaveEntry> SavesOfFile(const IniEdit& file);
// The same count without taking the values.
int SaveCountOfFile(const IniEdit& file);
// Where the next save goes: after the counted saves and after any save
// beyond "Items" that still has values, so that no value is overwritten.
int FreeSaveIndexOfFile(const IniEdit& file);

// "Item %d A" and its B, C and D siblings.
std::string SaveKey(int index, char letter);

class SaveBook {
 public:
  explicit SaveBook(SaveFiles& files);

  // Reads both months' files afresh.
  void Load();

  const std::vector<SaveEntry>& Saves(SaveMonth month) const {
    return month == SaveMonth::Current ? current_ : previous_;
  }
  // The entry a row's reference names; nullptr when there is none.
  const SaveEntry* Entry(uint32_t reference) const;

  // Every save's row: the previous month's first, each month in file order.
  // A previous month's row text is the description, a current month's has
  // its leading number raised by 100000000 (CurrentMonthRowText); both end
  // in " 1st" for a first save.
  std::vector<ListedRow> Rows() const;
  ListedRow RowOf(uint32_t reference) const;

  struct SaveOutcome {
    bool written = false;    // false: the file could not be written, nothing changed
    bool relisted = false;   // the file had changed elsewhere and was read again
    uint32_t reference = 0;  // of the new save
  };
  // Appends a save to the current month's file at FreeSaveIndexOfFile:
  // "Items" one more than that and the four keys of the new save, in one
  // replace of the file.
  SaveOutcome Save(const std::string& description, const std::string& position,
                   const std::string& answers, const std::string& title);

  enum class DeleteOutcome {
    Deleted,   // the save is gone; rows of that month above it move down one
    Relisted,  // the file had changed elsewhere: the month was read again
               // (and the save deleted only when it was still there)
    Failed,    // the file could not be written; nothing changed
  };
  // Deletes the save that reference names: the saves above it move down one
  // place, the last place is emptied and "Items" becomes one less.
  DeleteOutcome Delete(uint32_t reference);

 private:
  std::vector<SaveEntry>& List(SaveMonth month) {
    return month == SaveMonth::Current ? current_ : previous_;
  }
  const std::string& PathOf(SaveMonth month) const {
    return month == SaveMonth::Current ? files_.currentMonthPath() : files_.previousMonthPath();
  }
  void LoadMonth(SaveMonth month);

  SaveFiles& files_;
  std::vector<SaveEntry> current_, previous_;
  // The store's generation of each month's file when this book last read or
  // wrote it.
  uint64_t currentGeneration_ = 0, previousGeneration_ = 0;
  uint64_t& GenerationOf(SaveMonth month) {
    return month == SaveMonth::Current ? currentGeneration_ : previousGeneration_;
  }
};

}  // namespace kovalo
