// The two months' saves in memory, and Save and Delete as transactions of
// the INI store.
#include "saves/save_book.h"
#include "text/ascii_case.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace kovalo {

namespace {

constexpr char kLetters[4] = {'A', 'B', 'C', 'D'};

// "Item <n> <letter>" in any case, as the store would find it for SaveKey:
// n written without leading zeros. Gives n and the letter's place 0 ... 3,
// or false.
bool ReadSaveKey(std::string_view name, int& index, int& letter) {
  if (name.size() < 8) return false;
  if (!StartsWithIgnoringAsciiCase(name, "item ")) return false;
  const std::string_view tail = name.substr(name.size() - 2);
  if (tail[0] != ' ') return false;
  letter = AsciiLower(tail[1]) - 'a';
  if (letter < 0 || letter > 3) return false;
  const std::string_view digits = name.substr(5, name.size() - 7);
  if (digits.empty() || digits.size() > 9 || (digits.size() > 1 && digits[0] == '0')) return false;
  index = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    index = index * 10 + (c - '0');
  }
  return true;
}

// What one walk over a month file's keys finds: "Items" and every save key,
// in file order.
struct FileWalk {
  int items = 0;
  bool itemsSeen = false;
  int held = 0;  // the number of the last save with any nonempty value, plus one
  struct SaveValue {
    int index, letter;
    std::string_view value;
  };
  std::vector<SaveValue> values;

  FileWalk() = default;
  explicit FileWalk(const IniEdit& file) {
    file.ForEachKey(kSavesSection,
                    [&](std::string_view key, std::string_view value) { Visit(key, value); });
  }

  void Visit(std::string_view key, std::string_view value) {
    int index, letter;
    if (ReadSaveKey(key, index, letter)) {
      // Keys beyond the saves a month can hold are no saves.
      if (index >= kMaxSavesPerMonth) return;
      values.push_back({index, letter, value});
      if (!value.empty()) held = std::max(held, index + 1);
    } else if (!itemsSeen && IniNamesEqual(key, "Items")) {
      // The first "Items" is the one that counts, as for every key.
      itemsSeen = true;
      items = value.empty() ? 0 : NumberOfToken(value);
    }
  }

  // "Items", unless it is negative or beyond the saves held. Keys at and
  // above it are stale: a Save writes over them.
  int Count() const {
    const int count = (items < 0 || items > held) ? held : items;
    return std::min(count, kMaxSavesPerMonth);
  }

  // The counted saves, with views of the values walked.
  std::vector<SaveEntry> Saves() const {
    const int count = Count();
    std::vector<SaveEntry> saves(static_cast<std::size_t>(count));
    std::vector<std::array<bool, 4>> found(static_cast<std::size_t>(count));
    for (const SaveValue& v : values) {
      // The first key of a name is the one that counts.
      if (v.index >= count || found[v.index][v.letter]) continue;
      found[v.index][v.letter] = true;
      ValueOf(saves[v.index], v.letter) = SaveText(v.value.substr(0, kIniValueCapacity - 1));
    }
    for (SaveEntry& entry : saves) entry.firstSaveFlag = FirstSaveFlagOf(entry.position);
    return saves;
  }

  static SaveText& ValueOf(SaveEntry& entry, int letter) {
    switch (letter) {
      case 0: return entry.description;
      case 1: return entry.position;
      case 2: return entry.answers;
      default: return entry.title;
    }
  }
};

}  // namespace

std::string SaveKey(int index, char letter) {
  return "Item " + std::to_string(index) + " " + letter;
}

int SaveCountOfFile(const IniEdit& file) { return FileWalk(file).Count(); }

int FreeSaveIndexOfFile(const IniEdit& file) { return FileWalk(file).Count(); }

std::vector<SaveEntry> SavesOfFile(const IniEdit& file) { return FileWalk(file).Saves(); }

SaveBook::SaveBook(SaveFiles& files) : files_(files) {}

IniScan SaveBook::LoadMonth(SaveMonth month) {
  Month& m = MonthOf(month);
  // The entries view this text, which therefore never moves.
  auto text = std::make_unique<std::string>();
  FileWalk walk;
  const IniScan scan = files_.store().ScanSection(
      PathOf(month), kSavesSection, *text,
      [&](std::string_view key, std::string_view value) { walk.Visit(key, value); });
  m.saves = walk.Saves();
  m.texts.clear();
  m.texts.push_back(std::move(text));
  m.generation = scan.generation;
  return scan;
}

std::string SaveBook::Load() {
  std::string message;
  for (SaveMonth month : {SaveMonth::Previous, SaveMonth::Current}) {
    const IniScan scan = LoadMonth(month);
    StoreFailure failure;
    if (scan.state == FileState::Unreadable) failure = {StoreProblem::Unreadable, PathOf(month), 0};
    // Reading needs no lock, but a Save or Delete will: say now that it
    // would fail.
    else if (scan.state == FileState::Present &&
             !files_.store().LockIsFree(PathOf(month), &failure) &&
             failure.problem != StoreProblem::Busy)
      failure = {};
    if (failure.problem == StoreProblem::None) continue;
    if (!message.empty()) message += '\n';
    message += StoreFailureText(failure);
  }
  return message;
}

const SaveEntry* SaveBook::Entry(uint32_t reference) const {
  const SaveReference r = DecodeReference(reference);
  const std::vector<SaveEntry>& list = Saves(r.month);
  return r.index < static_cast<int>(list.size()) ? &list[r.index] : nullptr;
}

ListedRow SaveBook::RowOf(uint32_t reference) const {
  const SaveEntry* entry = Entry(reference);
  if (!entry) return {"", reference};
  std::string text = DecodeReference(reference).month == SaveMonth::Current
                         ? CurrentMonthRowText(entry->description)
                         : entry->description;
  if (entry->firstSaveFlag != 0) text += " 1st";
  return {std::move(text), reference};
}

std::vector<uint32_t> SaveBook::References() const {
  std::vector<uint32_t> references;
  references.reserve(previous_.saves.size() + current_.saves.size());
  for (SaveMonth month : {SaveMonth::Previous, SaveMonth::Current})
    for (int k = 0; k < static_cast<int>(Saves(month).size()); ++k)
      references.push_back(EncodeReference({month, k}));
  return references;
}

std::vector<ListedRow> SaveBook::Rows() const {
  std::vector<ListedRow> rows;
  rows.reserve(previous_.saves.size() + current_.saves.size());
  for (SaveMonth month : {SaveMonth::Previous, SaveMonth::Current})
    for (int k = 0; k < static_cast<int>(Saves(month).size()); ++k)
      rows.push_back(RowOf(EncodeReference({month, k})));
  return rows;
}

SaveBook::SaveOutcome SaveBook::Save(const std::string& description, const std::string& position,
                                     const std::string& answers, const std::string& title) {
  SaveOutcome outcome;
  // The Saves folder may have been removed since start-up.
  files_.EnsureSavesFolder();
  int index = 0;
  bool changedElsewhere = false;
  uint64_t generation = 0;
  const std::string& path = files_.currentMonthPath();
  const bool written = files_.store().Transact(
      path,
      [&](IniEdit& file) {
        index = FileWalk(file).Count();
        if (index >= kMaxSavesPerMonth) return false;
        changedElsewhere = file.Generation() != current_.generation;
        file.Write(kSavesSection, "Items", std::to_string(index + 1));
        file.Write(kSavesSection, SaveKey(index, 'A'), description);
        file.Write(kSavesSection, SaveKey(index, 'B'), position);
        file.Write(kSavesSection, SaveKey(index, 'C'), answers);
        file.Write(kSavesSection, SaveKey(index, 'D'), title);
        generation = file.Generation();
        return true;
      },
      &outcome.failure);
  // The book holds the month; the store need not.
  files_.store().Forget(path);
  if (!written) {
    outcome.message = outcome.failure.problem == StoreProblem::None
                          ? "The file \"" + path + "\" holds as many saves as a month can."
                          : StoreFailureText(outcome.failure);
    outcome.message += " The position was not saved.";
    return outcome;
  }
  outcome.written = true;
  outcome.reference = EncodeReference({SaveMonth::Current, index});
  if (changedElsewhere || index != static_cast<int>(current_.saves.size())) {
    LoadMonth(SaveMonth::Current);
    outcome.relisted = true;
    return outcome;
  }
  // As the file keeps it: values are read back cut, and a line break is
  // written as a blank.
  auto cut = [](const std::string& value) {
    std::string kept = value.substr(0, kIniValueCapacity - 1);
    for (char& c : kept)
      if (c == '\r' || c == '\n') c = ' ';
    return kept;
  };
  const std::string values[4] = {cut(description), cut(position), cut(answers), cut(title)};
  auto text = std::make_unique<std::string>(values[0] + values[1] + values[2] + values[3]);
  SaveEntry entry;
  std::size_t at = 0;
  for (int letter = 0; letter < 4; ++letter) {
    FileWalk::ValueOf(entry, letter) =
        SaveText(std::string_view(*text).substr(at, values[letter].size()));
    at += values[letter].size();
  }
  entry.firstSaveFlag = FirstSaveFlagOf(entry.position);
  current_.texts.push_back(std::move(text));
  current_.saves.push_back(entry);
  current_.generation = generation;
  return outcome;
}

SaveBook::DeleteOutcome SaveBook::Delete(uint32_t reference, std::string* message) {
  const SaveReference r = DecodeReference(reference);
  Month& month = MonthOf(r.month);
  std::vector<SaveEntry>& list = month.saves;
  const int k = r.index;
  if (k >= static_cast<int>(list.size())) {
    LoadMonth(r.month);
    return DeleteOutcome::Relisted;
  }
  bool changedElsewhere = false, stillThere = true;
  uint64_t generation = 0;
  StoreFailure failure;
  const std::string& path = PathOf(r.month);
  const bool written = files_.store().Transact(
      path,
      [&](IniEdit& file) {
        const int n = FileWalk(file).Count();
        changedElsewhere = file.Generation() != month.generation;
        if (changedElsewhere) {
          // Delete only the save the row shows.
          auto value = [&](char letter) {
            return file.ReadString(kSavesSection, SaveKey(k, letter));
          };
          stillThere = k < n && list[k].description == value('A') &&
                       list[k].position == value('B') && list[k].answers == value('C') &&
                       list[k].title == value('D');
          if (!stillThere) return false;
        }
        // Values are moved as they stand, whatever their length.
        for (int j = k; j + 1 < n; ++j)
          for (char letter : kLetters) {
            const std::optional<std::string_view> above =
                file.Value(kSavesSection, SaveKey(j + 1, letter));
            const std::string moved = above ? std::string(*above) : std::string();
            file.Write(kSavesSection, SaveKey(j, letter), moved);
          }
        const int last = std::max(n - 1, k);
        for (char letter : kLetters) file.Write(kSavesSection, SaveKey(last, letter), "");
        file.Write(kSavesSection, "Items", std::to_string(std::max(n - 1, 0)));
        generation = file.Generation();
        return true;
      },
      &failure);
  files_.store().Forget(path);
  if (changedElsewhere) {
    LoadMonth(r.month);
    return DeleteOutcome::Relisted;
  }
  if (!written) {
    if (message) *message = StoreFailureText(failure) + " The save was not deleted.";
    return DeleteOutcome::Failed;
  }
  list.erase(list.begin() + k);
  month.generation = generation;
  return DeleteOutcome::Deleted;
}

}  // namespace kovalo
