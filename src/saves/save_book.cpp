// The two months' saves in memory, and Save and Delete as transactions of
// the INI store.
#include "saves/save_book.h"

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
  const std::string_view word = name.substr(0, 5);
  if ((word[0] | 0x20) != 'i' || (word[1] | 0x20) != 't' || (word[2] | 0x20) != 'e' ||
      (word[3] | 0x20) != 'm' || word[4] != ' ')
    return false;
  const std::string_view tail = name.substr(name.size() - 2);
  if (tail[0] != ' ') return false;
  letter = (tail[1] | 0x20) - 'a';
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

  explicit FileWalk(const IniEdit& file) {
    file.ForEachKey(kSavesSection, [&](std::string_view key, std::string_view value) {
      int index, letter;
      if (ReadSaveKey(key, index, letter)) {
        // Keys beyond the saves a month can hold are no saves.
        if (index >= kMaxSavesPerMonth) return;
        values.push_back({index, letter, value});
        if (!value.empty()) held = std::max(held, index + 1);
      } else if (!itemsSeen && key.size() == 5 && (key[0] | 0x20) == 'i' &&
                 (key[1] | 0x20) == 't' && (key[2] | 0x20) == 'e' && (key[3] | 0x20) == 'm' &&
                 (key[4] | 0x20) == 's') {
        // The first "Items" is the one that counts, as for every key.
        itemsSeen = true;
        items = value.empty() ? 0 : NumberOfToken(value);
      }
    });
  }

  // "Items", unless it is negative or beyond the saves held.
  int Count() const {
    const int count = (items < 0 || items > held) ? held : items;
    return std::min(count, kMaxSavesPerMonth);
  }
  int FreeIndex() const { return std::max(Count(), held); }
};

SaveEntry EntryOf(std::string description, std::string position, std::string answers,
                  std::string title) {
  SaveEntry entry;
  entry.description = std::move(description);
  entry.position = std::move(position);
  entry.answers = std::move(answers);
  entry.title = std::move(title);
  entry.firstSaveFlag = FirstSaveFlagOf(entry.position);
  return entry;
}

}  // namespace

std::string SaveKey(int index, char letter) {
  return "Item " + std::to_string(index) + " " + letter;
}

int SaveCountOfFile(const IniEdit& file) { return FileWalk(file).Count(); }

int FreeSaveIndexOfFile(const IniEdit& file) { return FileWalk(file).FreeIndex(); }

std::vector<SaveEntry> SavesOfFile(const IniEdit& file) {
  const FileWalk walk(file);
  const int count = walk.Count();
  std::vector<std::array<std::string, 4>> values(static_cast<std::size_t>(count));
  std::vector<std::array<bool, 4>> found(static_cast<std::size_t>(count));
  for (const FileWalk::SaveValue& v : walk.values) {
    // The first key of a name is the one that counts.
    if (v.index >= count || found[v.index][v.letter]) continue;
    found[v.index][v.letter] = true;
    values[v.index][v.letter] = std::string(v.value.substr(0, kIniValueCapacity - 1));
  }
  std::vector<SaveEntry> saves;
  saves.reserve(values.size());
  for (auto& v : values)
    saves.push_back(EntryOf(std::move(v[0]), std::move(v[1]), std::move(v[2]), std::move(v[3])));
  return saves;
}

SaveBook::SaveBook(SaveFiles& files) : files_(files) {}

void SaveBook::LoadMonth(SaveMonth month) {
  files_.store().View(PathOf(month), [&](const IniEdit& file) {
    List(month) = SavesOfFile(file);
    GenerationOf(month) = file.Generation();
  });
}

void SaveBook::Load() {
  LoadMonth(SaveMonth::Previous);
  LoadMonth(SaveMonth::Current);
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

std::vector<ListedRow> SaveBook::Rows() const {
  std::vector<ListedRow> rows;
  rows.reserve(previous_.size() + current_.size());
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
  const bool written = files_.store().Transact(files_.currentMonthPath(), [&](IniEdit& file) {
    index = FileWalk(file).FreeIndex();
    if (index >= kMaxSavesPerMonth) return false;
    changedElsewhere = file.Generation() != currentGeneration_;
    file.Write(kSavesSection, "Items", std::to_string(index + 1));
    file.Write(kSavesSection, SaveKey(index, 'A'), description);
    file.Write(kSavesSection, SaveKey(index, 'B'), position);
    file.Write(kSavesSection, SaveKey(index, 'C'), answers);
    file.Write(kSavesSection, SaveKey(index, 'D'), title);
    generation = file.Generation();
    return true;
  });
  if (!written) return outcome;
  outcome.written = true;
  outcome.reference = EncodeReference({SaveMonth::Current, index});
  if (changedElsewhere || index != static_cast<int>(current_.size())) {
    LoadMonth(SaveMonth::Current);
    outcome.relisted = true;
  } else {
    // As the file keeps it: values are read back cut.
    auto cut = [](const std::string& value) { return value.substr(0, kIniValueCapacity - 1); };
    current_.push_back(EntryOf(cut(description), cut(position), cut(answers), cut(title)));
    currentGeneration_ = generation;
  }
  return outcome;
}

SaveBook::DeleteOutcome SaveBook::Delete(uint32_t reference) {
  const SaveReference r = DecodeReference(reference);
  std::vector<SaveEntry>& list = List(r.month);
  const int k = r.index;
  if (k >= static_cast<int>(list.size())) {
    LoadMonth(r.month);
    return DeleteOutcome::Relisted;
  }
  bool changedElsewhere = false, stillThere = true;
  uint64_t generation = 0;
  const bool written = files_.store().Transact(PathOf(r.month), [&](IniEdit& file) {
    const int n = FileWalk(file).Count();
    changedElsewhere = file.Generation() != GenerationOf(r.month);
    if (changedElsewhere) {
      // Delete only the save the row shows.
      auto value = [&](char letter) { return file.ReadString(kSavesSection, SaveKey(k, letter)); };
      stillThere =
          k < n && list[k].SameSave(EntryOf(value('A'), value('B'), value('C'), value('D')));
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
  });
  if (changedElsewhere) {
    LoadMonth(r.month);
    return DeleteOutcome::Relisted;
  }
  if (!written) return DeleteOutcome::Failed;
  list.erase(list.begin() + k);
  GenerationOf(r.month) = generation;
  return DeleteOutcome::Deleted;
}

}  // namespace kovalo
