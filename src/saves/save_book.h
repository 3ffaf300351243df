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
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "saves/ini_store.h"
#include "saves/save_files.h"
#include "saves/save_texts.h"

namespace kovalo {

// One value of a save as the book holds it: a view of the one copy of the
// month's values that the book keeps, good until the book reads that month
// again. It turns into a std::string where one is wanted.
class SaveText : public std::string_view {
 public:
  SaveText() = default;
  explicit SaveText(std::string_view text) : std::string_view(text) {}
  operator std::string() const { return std::string(*this); }
};

struct SaveEntry {
  // The four values of the save as the file holds them, each cut at
  // kIniValueCapacity - 1 characters.
  SaveText description;  // "Item k A"
  SaveText position;     // "Item k B"
  SaveText answers;      // "Item k C"
  SaveText title;        // "Item k D": the window title when it was saved, as bytes
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

// The saves a month file holds, in file order, with views into the file's
// text (valid while file is). The count is "Items", except that a negative
// count, or one beyond the last save with any value in the file, is taken as
// that last save's number plus one; never more than kMaxSavesPerMonth. Keys
// of a save that are missing read as empty texts.
std::vector<SaveEntry> SavesOfFile(const IniEdit& file);
// The same count without taking the values.
int SaveCountOfFile(const IniEdit& file);
// Where the next save goes: save n at n = that count, over any stale keys
// the file holds at and above it.
int FreeSaveIndexOfFile(const IniEdit& file);

// "Item %d A" and its B, C and D siblings.
std::string SaveKey(int index, char letter);

class SaveBook {
 public:
  explicit SaveBook(SaveFiles& files);

  // Reads both months' files afresh, keeping one copy of each: the file's
  // text, which the entries view. Lists what it can read; the text returned
  // is empty, or names the files that could not be read or whose lock
  // another program holds (a Save or Delete there would fail), one line
  // each, for a message box.
  std::string Load();

  const std::vector<SaveEntry>& Saves(SaveMonth month) const {
    return month == SaveMonth::Current ? current_.saves : previous_.saves;
  }
  // The entry a row's reference names; nullptr when there is none. Entries
  // and their texts are good until the next Load, Save or Delete.
  const SaveEntry* Entry(uint32_t reference) const;

  // For a list that shows the book without a copy of its own: every save's
  // reference (the previous month's first, each month in file order), and
  // a row's text made when asked for, as RowOf gives it.
  std::vector<uint32_t> References() const;
  std::string RowText(uint32_t reference) const { return RowOf(reference).text; }

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
    // When not written: why, and the text for a message box.
    StoreFailure failure;
    std::string message;
  };
  // Adds a save to the current month's file at FreeSaveIndexOfFile:
  // "Items" one more than that and the four keys of the new save, in one
  // replace of the file. Nothing changes, in the file or here, when it
  // cannot be written.
  SaveOutcome Save(const std::string& description, const std::string& position,
                   const std::string& answers, const std::string& title);

  enum class DeleteOutcome {
    Deleted,   // the save is gone; rows of that month above it move down one
    Relisted,  // the file had changed elsewhere: the month was read again
               // (and the save deleted only when it was still there)
    Failed,    // the file could not be written; nothing changed
  };
  // Deletes the save that reference names: the saves above it move down one
  // place, the last place is emptied and "Items" becomes one less. When
  // Failed, message (if given) gets the text for a message box.
  DeleteOutcome Delete(uint32_t reference, std::string* message = nullptr);

 private:
  // A month's saves, and the texts their values point into: the file's
  // text as read, then one text per save added since.
  struct Month {
    std::vector<SaveEntry> saves;
    std::vector<std::unique_ptr<std::string>> texts;
    // The store's generation of the file when this book last read or wrote
    // it.
    uint64_t generation = 0;
  };
  Month& MonthOf(SaveMonth month) { return month == SaveMonth::Current ? current_ : previous_; }
  const std::string& PathOf(SaveMonth month) const {
    return month == SaveMonth::Current ? files_.currentMonthPath() : files_.previousMonthPath();
  }
  IniScan LoadMonth(SaveMonth month);

  SaveFiles& files_;
  Month current_, previous_;
};

}  // namespace kovalo
