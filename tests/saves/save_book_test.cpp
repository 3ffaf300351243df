// The save book against real month files: the start-up listing, Save and
// Delete, damaged files, and two programs writing one file at once.
#include "saves/save_book.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include "save_program.h"
#include "support/local_time.h"
#include "temp_dir.h"

namespace kovalo {
namespace {

using testing::CurrentPath;
using testing::kStartUp;
using testing::PreviousPath;
using testing::Program;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

void WriteMonth(const std::string& path, const std::string& contents) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  WriteBytes(path, contents);
}

std::string Position(const std::string& firstCell, int flag) {
  std::string text = firstCell + " ";
  for (int k = 1; k < 81; ++k) text += " ";
  for (int k = 0; k < 81; ++k) text += "0 ";
  return text + std::to_string(flag);
}

std::vector<std::string> TextsOf(const std::vector<ListedRow>& rows) {
  std::vector<std::string> texts;
  for (const ListedRow& row : rows) texts.push_back(row.text);
  return texts;
}
std::vector<uint32_t> ReferencesOf(const std::vector<ListedRow>& rows) {
  std::vector<uint32_t> references;
  for (const ListedRow& row : rows) references.push_back(row.reference);
  return references;
}

TEST(SaveBookListing, BothMonthsFromHandWrittenFiles) {
  TempDir dir;
  WriteMonth(PreviousPath(dir),
             "[Sudoku]\nItems=2\n"
             "Item 0 A=55 11/20/26 ,AM,09:00:00 AM 1+\nItem 0 B=" +
                 Position("5", 1) +
                 "\nItem 0 C=5\nItem 0 D=Sudoku 55, Friday Easy\n"
                 "Item 1 A=56 11/21/26 ,PM,01:00:00 PM\nItem 1 B=" +
                 Position("", 0) + "\nItem 1 C=0\nItem 1 D=Puzzle 56, x\n");
  WriteMonth(CurrentPath(dir),
             "[Sudoku]\nCount=10004\nItems=3\n"
             "Item 0 A=1234 12/03/26 ,PM,02:05:09 PM 4+\nItem 0 B=" +
                 Position("1", 2) +
                 "\nItem 0 C=\nItem 0 D=Sudoku 1234, Thursday Medium\n"
                 "Item 1 A=10005 12/07/26 ,AM,10:00:00 AM\nItem 1 B=" +
                 Position("9", 0) +
                 "\nItem 1 D=Number 10005, User defined\n"
                 "item 2 a=1234 12/03/26 ,PM,03:00:00 PM 4+\nITEM 2 B=" +
                 Position("", 0) + "\n");
  Program program(dir.path());
  const std::vector<ListedRow> rows = program.book.Rows();
  EXPECT_EQ(TextsOf(rows), (std::vector<std::string>{
                               "55 11/20/26 ,AM,09:00:00 AM 1+ 1st",
                               "56 11/21/26 ,PM,01:00:00 PM",
                               "100001234 12/03/26 ,PM,02:05:09 PM 4+ 1st",
                               "100010005 12/07/26 ,AM,10:00:00 AM",
                               "100001234 12/03/26 ,PM,03:00:00 PM 4+",
                           }));
  EXPECT_EQ(ReferencesOf(rows), (std::vector<uint32_t>{0x80000000u, 0x80010000u, 0u, 1u, 2u}));
  // The same rows, read one at a time.
  EXPECT_EQ(program.book.References(), ReferencesOf(rows));
  for (const ListedRow& row : rows) EXPECT_EQ(program.book.RowText(row.reference), row.text);
  const SaveEntry* first = program.book.Entry(0x80000000u);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->title, "Sudoku 55, Friday Easy");
  EXPECT_EQ(first->position, Position("5", 1));
  EXPECT_EQ(first->answers, "5");
  EXPECT_EQ(program.book.Entry(1u)->answers, "");  // a missing key reads empty
  EXPECT_EQ(program.book.Entry(2u)->title, "");
  EXPECT_EQ(program.book.Entry(3u), nullptr);
  EXPECT_EQ(program.book.Entry(0x80020000u), nullptr);
  // The file itself keeps its numbers.
  EXPECT_EQ(program.store.ReadString(CurrentPath(dir), kSavesSection, "Item 0 A"),
            "1234 12/03/26 ,PM,02:05:09 PM 4+");
}

TEST(SaveBookSave, AFreshMonthGetsItsFileAndEverySaveComesBackAfterARestart) {
  TempDir dir;
  std::vector<std::string> positions;
  {
    Program program(dir.path());
    EXPECT_TRUE(program.book.Rows().empty());
    for (int i = 0; i < 3; ++i) {
      // The first cell empty: the value begins with a blank.
      positions.push_back(Position(i == 1 ? "" : std::to_string(i + 1), i == 0 ? 1 : 0));
      const SaveBook::SaveOutcome outcome =
          program.book.Save("12" + std::to_string(i) + " 12/07/26 ,PM,02:05:09 PM",
                            positions.back(), "1 2 3", "Sudoku 12" + std::to_string(i) + ", x");
      EXPECT_TRUE(outcome.written);
      EXPECT_FALSE(outcome.relisted);
      EXPECT_EQ(outcome.reference, static_cast<uint32_t>(i));
      EXPECT_EQ(program.book.RowOf(outcome.reference).text, "1000001" + std::to_string(20 + i) +
                                                                " 12/07/26 ,PM,02:05:09 PM" +
                                                                (i == 0 ? " 1st" : ""));
    }
    IniStore fresh;
    EXPECT_EQ(fresh.ReadString(CurrentPath(dir), kSavesSection, "Items"), "3");
    EXPECT_EQ(fresh.ReadString(CurrentPath(dir), kSavesSection, "Item 0 A"),
              "120 12/07/26 ,PM,02:05:09 PM");
    EXPECT_EQ(fresh.ReadString(CurrentPath(dir), kSavesSection, "Item 2 D"), "Sudoku 122, x");
  }
  Program restarted(dir.path());
  ASSERT_EQ(restarted.book.Saves(SaveMonth::Current).size(), 3u);
  for (int i = 0; i < 3; ++i) {
    const SaveEntry& entry = restarted.book.Saves(SaveMonth::Current)[i];
    EXPECT_EQ(entry.position, positions[i]) << i;
    EXPECT_EQ(entry.answers, "1 2 3");
    EXPECT_EQ(entry.title, "Sudoku 12" + std::to_string(i) + ", x");
  }
}

// Deletes through the book and renumbers rows as the list does.
struct ListedBook {
  Program& program;
  std::vector<ListedRow> rows;
  explicit ListedBook(Program& p) : program(p), rows(p.book.Rows()) {}
  SaveBook::DeleteOutcome DeleteRow(std::size_t row) {
    const uint32_t deleted = rows[row].reference;
    const SaveBook::DeleteOutcome outcome = program.book.Delete(deleted);
    if (outcome == SaveBook::DeleteOutcome::Deleted) {
      rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(row));
      for (ListedRow& r : rows) r.reference = RenumberedReference(r.reference, deleted);
    } else if (outcome == SaveBook::DeleteOutcome::Relisted) {
      rows = program.book.Rows();
    }
    return outcome;
  }
  // What each row loads.
  std::vector<std::string> Loads() const {
    std::vector<std::string> titles;
    for (const ListedRow& row : rows) {
      const SaveEntry* entry = program.book.Entry(row.reference);
      titles.push_back(entry ? std::string(entry->title) : "<none>");
    }
    return titles;
  }
};

void SaveTitled(Program& program, const std::string& title) {
  ASSERT_TRUE(
      program.book.Save(title + " 12/07/26 ,PM,02:05:09 PM", Position("4", 0), "4", title).written);
}

TEST(SaveBookDelete, SavesAboveMoveDownAndTheLastPlaceIsEmptied) {
  TempDir dir;
  WriteMonth(PreviousPath(dir),
             "[Sudoku]\nItems=3\nItem 0 A=p0 x\nItem 0 D=p0\nItem 1 A=p1 x\nItem 1 D=p1\n"
             "Item 2 A=p2 x\nItem 2 D=p2\n");
  Program program(dir.path());
  for (const char* title : {"c0", "c1", "c2"}) SaveTitled(program, title);
  ListedBook listed(program);
  ASSERT_EQ(listed.Loads(), (std::vector<std::string>{"p0", "p1", "p2", "c0", "c1", "c2"}));

  // A previous month's save: every row still loads the save it loaded.
  EXPECT_EQ(listed.DeleteRow(1), SaveBook::DeleteOutcome::Deleted);
  EXPECT_EQ(listed.Loads(), (std::vector<std::string>{"p0", "p2", "c0", "c1", "c2"}));
  EXPECT_EQ(listed.rows[1].reference, 0x80010000u);
  EXPECT_EQ(listed.DeleteRow(2), SaveBook::DeleteOutcome::Deleted);
  EXPECT_EQ(listed.Loads(), (std::vector<std::string>{"p0", "p2", "c1", "c2"}));

  IniStore fresh;
  const std::string previous = PreviousPath(dir);
  EXPECT_EQ(fresh.ReadString(previous, kSavesSection, "Items"), "2");
  EXPECT_EQ(fresh.ReadString(previous, kSavesSection, "Item 1 A"), "p2 x");
  EXPECT_EQ(fresh.ReadString(previous, kSavesSection, "Item 1 D"), "p2");
  for (char letter : {'A', 'B', 'C', 'D'})
    EXPECT_EQ(fresh.ReadString(previous, kSavesSection, SaveKey(2, letter), "missing"), "");
  EXPECT_EQ(fresh.ReadString(CurrentPath(dir), kSavesSection, "Items"), "2");

  // The only save left of a month goes: "Items" 0, empty keys at 0.
  EXPECT_EQ(listed.DeleteRow(0), SaveBook::DeleteOutcome::Deleted);
  EXPECT_EQ(listed.DeleteRow(0), SaveBook::DeleteOutcome::Deleted);
  EXPECT_EQ(fresh.ReadString(previous, kSavesSection, "Items"), "0");
  EXPECT_EQ(fresh.ReadString(previous, kSavesSection, "Item 0 A", "missing"), "");
  EXPECT_EQ(listed.Loads(), (std::vector<std::string>{"c1", "c2"}));
  EXPECT_EQ(Program(dir.path()).book.Rows().size(), 2u);
}

TEST(SaveBookDelete, AnotherCopysChangesAreNeverDeletedBlindly) {
  TempDir dir;
  Program one(dir.path());
  for (const char* title : {"s0", "s1", "s2"}) SaveTitled(one, title);
  Program two(dir.path());
  ListedBook listedOne(one), listedTwo(two);

  // Two deletes save 0; one's row for save 0 now names what was save 1.
  EXPECT_EQ(listedTwo.DeleteRow(0), SaveBook::DeleteOutcome::Deleted);
  EXPECT_EQ(listedOne.DeleteRow(0), SaveBook::DeleteOutcome::Relisted);
  EXPECT_EQ(listedOne.Loads(), (std::vector<std::string>{"s1", "s2"}));
  EXPECT_EQ(Program(dir.path()).book.Saves(SaveMonth::Current).size(), 2u);

  // Two adds a save; one's row for save 0 is still save 0: it goes, and one
  // sees two's save too.
  SaveTitled(two, "t3");
  EXPECT_EQ(listedOne.DeleteRow(0), SaveBook::DeleteOutcome::Relisted);
  EXPECT_EQ(listedOne.Loads(), (std::vector<std::string>{"s2", "t3"}));
  // And a save of one's lands after two's, never over it.
  const SaveBook::SaveOutcome outcome =
      one.book.Save("x 12/07/26 ,PM,02:05:09 PM", Position("", 0), "", "o4");
  EXPECT_TRUE(outcome.written);
  EXPECT_TRUE(two.book.Save("y 12/07/26 ,PM,02:05:09 PM", Position("", 0), "", "t5").relisted);
  EXPECT_FALSE(two.book.Save("z 12/07/26 ,PM,02:05:09 PM", Position("", 0), "", "t6").relisted);
  ListedBook last(two);
  EXPECT_EQ(last.Loads(), (std::vector<std::string>{"s2", "t3", "o4", "t5", "t6"}));
}

// Save writes save n at n = "Items", over any stale keys there, and the
// list shows after the Save what a restart shows.
TEST(SaveBookSave, TheNewSaveGoesAtItemsOverStaleKeys) {
  struct Case {
    const char* name;
    std::string contents;
    std::vector<std::string> titles;  // listed after the Save and after a restart
    std::string items;                // "Items" written
  };
  const Case cases[] = {
      {"stale saves above items",
       "[Sudoku]\nItems=1\nItem 0 D=a\nItem 1 A=old\nItem 1 D=b\nItem 2 D=c\n",
       {"a", "new"},
       "2"},
      {"every save stale", "[Sudoku]\nItems=0\nItem 0 D=a\n", {"new"}, "1"},
      {"items as held", "[Sudoku]\nItems=2\nItem 0 D=a\nItem 1 D=b\n", {"a", "b", "new"}, "3"},
      {"items beyond held", "[Sudoku]\nItems=5\nItem 0 D=a\nItem 1 D=b\n", {"a", "b", "new"}, "3"},
      {"negative items", "[Sudoku]\nItems=-1\nItem 0 D=a\n", {"a", "new"}, "2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    WriteMonth(CurrentPath(dir), c.contents);
    Program program(dir.path());
    const SaveBook::SaveOutcome outcome =
        program.book.Save("n 12/07/26 ,PM,02:05:09 PM", Position("", 0), "", "new");
    ASSERT_TRUE(outcome.written);
    EXPECT_FALSE(outcome.relisted);
    Program restarted(dir.path());
    for (const Program* p : std::vector<const Program*>{&program, &restarted}) {
      std::vector<std::string> titles;
      for (const SaveEntry& entry : p->book.Saves(SaveMonth::Current))
        titles.push_back(entry.title);
      EXPECT_EQ(titles, c.titles);
    }
    EXPECT_EQ(restarted.store.ReadString(CurrentPath(dir), "Sudoku", "Items"), c.items);
    EXPECT_EQ(restarted.store.ReadString(CurrentPath(dir), "Sudoku",
                                         SaveKey(std::stoi(c.items) - 1, 'A')),
              "n 12/07/26 ,PM,02:05:09 PM");
  }
}

// Titles are kept as bytes, whatever their code page: one read from a file
// is written back by the next Save with the same bytes.
TEST(SaveBookSave, TitlesKeepTheirBytes) {
  const std::string titles[] = {
      "Sudoku 7, Monday Dif\xED"
      "cil",  // Windows-1252
      "Sudoku 7, Monday Dif\xC3\xAD"
      "cil",                                  // UTF-8
      "Sudoku 7, \x93Hard\x94 \x80\x81\xFF",  // 1252 with its unused bytes
  };
  for (const std::string& title : titles) {
    SCOPED_TRACE(title);
    TempDir dir;
    WriteMonth(CurrentPath(dir),
               "[Sudoku]\nItems=1\nItem 0 A=7 12/01/26 x\nItem 0 D=" + title + "\n");
    Program program(dir.path());
    const SaveEntry loaded = program.book.Saves(SaveMonth::Current).at(0);
    EXPECT_EQ(std::string(loaded.title), title);
    ASSERT_TRUE(
        program.book
            .Save(DescriptionLine(loaded.title, "", kStartUp), Position("", 0), "", loaded.title)
            .written);
    EXPECT_NE(ReadBytes(CurrentPath(dir)).find("\nItem 1 D=" + title + "\n"), std::string::npos);
    EXPECT_EQ(std::string(Program(dir.path()).book.Saves(SaveMonth::Current).at(1).title), title);
  }
}

TEST(SaveBookHostile, DamagedFilesListWhatTheyHoldAndLoseNothing) {
  const std::string big(3 << 20, 'x');
  struct Case {
    std::string name;
    std::string contents;
    std::vector<std::string> titles;  // of the listed saves
    std::string stale = {};           // a line beyond "Items" that a Save writes over
  };
  const std::vector<Case> cases = {
      {"two billion items", "[Sudoku]\nItems=2000000000\nItem 0 D=a\nItem 1 D=b\n", {"a", "b"}},
      {"negative items", "[Sudoku]\nItems=-7\nItem 0 D=a\nItem 1 D=b\n", {"a", "b"}},
      {"items below what is held",
       "[Sudoku]\nItems=1\nItem 0 D=a\nItem 1 D=b\n",
       {"a"},
       "Item 1 D=b"},
      {"missing in the middle", "[Sudoku]\nItems=3\nItem 0 D=a\nItem 2 D=c\n", {"a", "", "c"}},
      {"far key", "[Sudoku]\nItems=2\nItem 0 D=a\nItem 1 D=b\nItem 999999999 D=z\n", {"a", "b"}},
      {"names that only look alike",
       "[Sudoku]\nItems=5\nItem 0 D=a\nItem 01 D=no\nItem -1 D=no\nItem 1 E=no\nItem x D=no\n",
       {"a"}},
      {"megabyte value", "[Sudoku]\nItems=1\nItem 0 D=" + big + "\n", {big.substr(0, 2999)}},
      {"binary junk",
       std::string("\0\xff", 2) + "[Sudoku\n=\n[Sudoku]\r\nItems=1\r\nItem 0 D=\x01\x02\r\n" +
           std::string(1, '\0'),
       {"\x01\x02"}},
      {"no section", "Items=3\nItem 0 D=a\n", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    WriteMonth(CurrentPath(dir), c.contents);
    Program program(dir.path());
    std::vector<std::string> titles;
    for (const SaveEntry& entry : program.book.Saves(SaveMonth::Current))
      titles.push_back(entry.title);
    EXPECT_EQ(titles, c.titles);

    // A save and a delete keep every line the file held, but for stale keys.
    const std::string before = ReadBytes(CurrentPath(dir));
    ASSERT_TRUE(
        program.book.Save("n 12/07/26 ,PM,02:05:09 PM", Position("", 0), "", "new").written);
    ListedBook listed(program);
    EXPECT_EQ(listed.Loads().back(), "new");
    EXPECT_EQ(listed.DeleteRow(listed.rows.size() - 1), SaveBook::DeleteOutcome::Deleted);
    const std::string after = ReadBytes(CurrentPath(dir));
    std::size_t kept = 0, lines = 0;
    std::istringstream in(before);
    for (std::string line; std::getline(in, line);) {
      if (line.rfind("Items=", 0) == 0 || line == c.stale) continue;
      ++lines;
      if (after.find(line) != std::string::npos) ++kept;
    }
    EXPECT_EQ(kept, lines);
  }
}

TEST(SaveBookHostile, AMonthFileThatCannotBeReadIsNeitherListedNorReplaced) {
  TempDir dir;
  std::filesystem::create_directories(CurrentPath(dir));  // a folder in its place
  Program program(dir.path());
  EXPECT_TRUE(program.book.Rows().empty());
  EXPECT_FALSE(program.book.Save("n x", Position("", 0), "", "t").written);
  EXPECT_TRUE(program.book.Rows().empty());
  EXPECT_TRUE(std::filesystem::is_directory(CurrentPath(dir)));

  if (::geteuid() != 0) {  // root reads anything
    TempDir locked;
    WriteMonth(CurrentPath(locked), "[Sudoku]\nItems=1\nItem 0 D=a\n");
    ASSERT_EQ(::chmod(CurrentPath(locked).c_str(), 0), 0);
    Program other(locked.path());
    EXPECT_TRUE(other.book.Rows().empty());
    EXPECT_FALSE(other.book.Save("n x", Position("", 0), "", "t").written);
    ::chmod(CurrentPath(locked).c_str(), 0644);
    EXPECT_EQ(ReadBytes(CurrentPath(locked)), "[Sudoku]\nItems=1\nItem 0 D=a\n");
  }
}

TEST(SaveBookHostile, DeleteMovesLongValuesWhole) {
  TempDir dir;
  const std::string big(100000, 'q');
  WriteMonth(CurrentPath(dir), "[Sudoku]\nItems=2\nItem 0 D=a\nItem 1 D=b\nItem 1 B=" + big + "\n");
  Program program(dir.path());
  ListedBook listed(program);
  EXPECT_EQ(listed.DeleteRow(0), SaveBook::DeleteOutcome::Deleted);
  IniStore fresh;
  fresh.View(CurrentPath(dir), [&](const IniEdit& file) {
    EXPECT_EQ(file.Value(kSavesSection, "Item 0 B").value_or(""), big);
    EXPECT_EQ(file.Value(kSavesSection, "Item 0 D").value_or(""), "b");
  });
}

// Saves whose keys are missing every other place, with a section after
// them: a delete has to add a key line among the others for nearly every
// save it moves, and still makes one pass over the file.
TEST(SaveBookHostile, DeleteAmongGapsAndSectionsAfter) {
  TempDir dir;
  constexpr int kSaves = 8000;
  std::string file = "[Sudoku]\nItems=" + std::to_string(kSaves) + "\n";
  for (int k = 0; k < kSaves; k += 2) file += SaveKey(k, 'D') + "=t" + std::to_string(k) + "\n";
  file += "[Other]\nItem 1 D=not a save\n";
  WriteMonth(CurrentPath(dir), file);
  Program program(dir.path());
  ASSERT_EQ(program.book.Saves(SaveMonth::Current).size(), static_cast<std::size_t>(kSaves - 1));
  ListedBook listed(program);
  const std::size_t first = std::find_if(listed.rows.begin(), listed.rows.end(),
                                         [&](const ListedRow& row) {
                                           return program.book.Entry(row.reference)->title == "t0";
                                         }) -
                            listed.rows.begin();
  ASSERT_EQ(listed.DeleteRow(first), SaveBook::DeleteOutcome::Deleted);

  Program restarted(dir.path());
  const std::vector<SaveEntry>& saves = restarted.book.Saves(SaveMonth::Current);
  ASSERT_EQ(saves.size(), static_cast<std::size_t>(kSaves - 2));
  for (int k = 0; k < static_cast<int>(saves.size()); ++k)
    ASSERT_EQ(saves[k].title, k % 2 ? "t" + std::to_string(k + 1) : "") << k;
  EXPECT_EQ(IniStore().ReadString(CurrentPath(dir), "Other", "Item 1 D"), "not a save");
  const std::string after = ReadBytes(CurrentPath(dir));
  EXPECT_LT(after.find("Item 1 D=t2"), after.find("[Other]"));
}

// ---------------------------------------------------------------- processes

// Saves count times in a child process, writing one byte to report each
// save that Save reported written; returns the child's id.
pid_t SaveInChild(const std::string& folder, const std::string& name, int count, int reportFd) {
  const pid_t child = ::fork();
  if (child != 0) return child;
  Program program(folder);
  for (int i = 0; i < count; ++i) {
    const std::string title = name + " " + std::to_string(i);
    if (!program.book.Save(title + " 12/07/26 ,PM,02:05:09 PM", Position("7", 0), "7", title)
             .written)
      ::_exit(2);
    if (reportFd >= 0 && ::write(reportFd, "s", 1) != 1) ::_exit(3);
  }
  ::_exit(0);
}

std::set<std::string> SavedTitles(const std::string& folder, std::size_t& count) {
  Program program(folder);
  std::set<std::string> titles;
  for (const SaveEntry& entry : program.book.Saves(SaveMonth::Current)) titles.insert(entry.title);
  count = program.book.Saves(SaveMonth::Current).size();
  return titles;
}

TEST(SaveBookProcesses, TwoProgramsSavingAtOnceKeepEverySave) {
  TempDir dir;
  Program(dir.path());  // makes the Saves folder
  const pid_t a = SaveInChild(dir.path(), "a", 100, -1);
  const pid_t b = SaveInChild(dir.path(), "b", 100, -1);
  for (pid_t child : {a, b}) {
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  std::size_t count = 0;
  const std::set<std::string> titles = SavedTitles(dir.path(), count);
  EXPECT_EQ(count, 200u);
  EXPECT_EQ(titles.size(), 200u);
  EXPECT_TRUE(titles.count("a 99") && titles.count("b 0") && titles.count("b 99"));
  EXPECT_EQ(IniStore().ReadInt(CurrentPath(dir), kSavesSection, "Items", 0), 200);
}

// A hundred programs, each saving as fast as it can, killed at a random
// moment, which is most often in the middle of a save.
TEST(SaveBookProcesses, AProgramKilledInMidSaveLosesNoSaveItReported) {
  constexpr int kRounds = 100;
  TempDir dir;
  Program(dir.path());
  std::mt19937 random(2026);
  std::uniform_int_distribution<int> delay(0, 5000);
  std::size_t reported = 0;
  // A partial copy of a killed program's save goes with the next save.
  auto temporaries = [&] {
    std::size_t found = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir / "Saves"))
      found += entry.path().extension() == ".tmp";
    return found;
  };
  std::size_t killedInMidWrite = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int round = 0; round < kRounds; ++round) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t child = SaveInChild(dir.path(), "r" + std::to_string(round), 1000000, fds[1]);
    ::close(fds[1]);
    char mark;
    ASSERT_EQ(::read(fds[0], &mark, 1), 1);
    std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the saving program ended by itself: " << status;
    std::size_t done = 1;
    while (::read(fds[0], &mark, 1) == 1) ++done;
    ::close(fds[0]);
    reported += done;

    // Whole, counted right, and holding every reported save: "Items" never
    // counts a save whose keys are missing, nor misses one that is there.
    std::size_t count = 0;
    const std::set<std::string> titles = SavedTitles(dir.path(), count);
    const int items = IniStore().ReadInt(CurrentPath(dir), kSavesSection, "Items", 0);
    ASSERT_EQ(static_cast<std::size_t>(items), count) << round;
    ASSERT_GE(count, reported) << round;
    ASSERT_LE(count, reported + 1) << round;  // at most the one in flight
    ASSERT_EQ(titles.size(), count) << round;
    for (std::size_t i = 0; i < done; ++i)
      ASSERT_TRUE(titles.count("r" + std::to_string(round) + " " + std::to_string(i))) << round;
    reported = count;
    const std::size_t partial = temporaries();
    ASSERT_LE(partial, 1u) << round;
    killedInMidWrite += partial;
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  Program next(dir.path());
  ASSERT_TRUE(next.book.Save("n 12/07/26 ,PM,02:05:09 PM", Position("7", 0), "7", "next").written);
  EXPECT_EQ(temporaries(), 0u);
  std::printf(
      "[ figures  ] %d programs killed in mid-save: %zu saves in the file, all reported ones "
      "there, "
      "%.2f s; %zu killed while writing the file\n",
      kRounds, reported, seconds, killedInMidWrite);
}

}  // namespace
}  // namespace kovalo
