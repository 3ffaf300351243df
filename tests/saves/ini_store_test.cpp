// The INI store: values come back verbatim, files it does not understand are
// kept as they stand, hostile files give defined results, a file is read once,
// and a write is never seen half done.
#include "saves/ini_store.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <thread>
#include <vector>

#include "temp_dir.h"

namespace kovalo {
namespace {

using testing::Fixture;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

constexpr const char* kSection = "Sudoku";

std::string FixturePath(const std::string& name) {
  return std::string(KOVALO_TEST_DATA) + "/saves/" + name;
}

// ---------------------------------------------------------------- verbatim values

TEST(IniStoreRead, FixtureValuesAsTheyStand) {
  struct Case {
    const char* fixture;
    const char* section;
    std::string key;
    std::string expected;
  };
  const Case cases[] = {
      {"verbatim.ini", "Sudoku", "Items", "2"},
      {"verbatim.ini", "Sudoku", "Item 0 A", "1234 12/03/26 ,PM,02:05:09 PM 4+"},
      {"verbatim.ini", "Sudoku", "Item 0 B", " 1 2  3 "},
      {"verbatim.ini", "Sudoku", "Item 0 C", ""},
      {"verbatim.ini", "Sudoku", "Equation", "a=b=c"},
      {"verbatim.ini", "Sudoku", "Spaced Key", "value"},
      {"verbatim.ini", "Sudoku", "Quoted", "\"quoted\""},
      {"verbatim.ini", "Sudoku", "Tabbed", "\ttab\t"},
      {"verbatim.ini", "sudoku", "ITEM 0 b", " 1 2  3 "},
      {"verbatim.ini", "Sudoku", "Item 1 B", ""},
      {"verbatim.ini", "Other", "Items", ""},
      // Keys before any section belong to none; the first of two keys wins,
      // across every section of the name; an unclosed '[' opens no section;
      // ';' lines are comments.
      {"junk.ini", "Sudoku", "Items", "5"},
      {"junk.ini", "Sudoku", "Count", "42"},
      {"junk.ini", "Other", "Count", "1"},
      {"junk.ini", "Other", "Items", "7"},
      {"junk.ini", "Trailer", "X", "y"},
      {"junk.ini", "Sudoku", "x", ""},
      {"crlf.ini", "Sudoku", "Item 0 B", " 5 "},
      {"crlf.ini", "Other", "x", "y"},
      {"binary.ini", "Sudoku", "Items", "3"},
      {"binary.ini", "Sudoku", "\xff\xff", std::string("\0\x01", 2)},
      {"binary.ini", "Sudoku", "Text", std::string("\xc3\xa9\0z ", 5)},
      {"binary.ini", "Sudoku", "Count", "\x80 12"},
  };
  IniStore store;
  for (const Case& c : cases)
    EXPECT_EQ(store.ReadString(FixturePath(c.fixture), c.section, c.key), c.expected)
        << c.fixture << " [" << c.section << "] " << c.key;
}

TEST(IniStoreWrite, ValuesComeBackAsWritten) {
  const std::string values[] = {
      " leading",
      "trailing ",
      "  both  ",
      "",
      " ",
      "a=b",
      "=",
      "\"q\"",
      "'",
      ";not a comment",
      "[not a section]",
      "\t",
      " 1 2  3 ",
      "Number 10000, User defined",
      std::string(2999, 'x'),
      std::string("nul\0inside", 10),
      "\xc3\xa9t\xc3\xa9",
  };
  TempDir dir;
  const std::string path = dir / "f.ini";
  IniStore store;
  for (std::size_t i = 0; i < std::size(values); ++i) {
    const std::string key = "Item " + std::to_string(i) + " B";
    ASSERT_TRUE(store.WriteString(path, kSection, key, values[i]));
    EXPECT_EQ(store.ReadString(path, kSection, key), values[i]) << key << ", from memory";
  }
  IniStore fresh;
  for (std::size_t i = 0; i < std::size(values); ++i) {
    const std::string key = "Item " + std::to_string(i) + " B";
    EXPECT_EQ(fresh.ReadString(path, kSection, key), values[i]) << key << ", from disk";
  }
}

TEST(IniStoreWrite, NamesIgnoreCaseOnBothReadAndWrite) {
  TempDir dir;
  const std::string path = dir / "f.ini";
  IniStore store;
  ASSERT_TRUE(store.WriteString(path, "Sudoku", "Count", "5"));
  for (const auto& [section, key] : std::vector<std::pair<std::string, std::string>>{
           {"sudoku", "count"}, {"SUDOKU", "COUNT"}, {"SuDoKu", "cOuNt"}})
    EXPECT_EQ(store.ReadString(path, section, key), "5") << section << "/" << key;
  ASSERT_TRUE(store.WriteString(path, "SUDOKU", "COUNT", "6"));
  EXPECT_EQ(ReadBytes(path), "[Sudoku]\nCount=6\n");
}

TEST(IniStoreRead, IntegerIsTheLeadingDecimalNumber) {
  struct Case {
    std::optional<std::string> value;  // nullopt: the key is missing
    int expected;
  };
  const Case cases[] = {
      {std::nullopt, 77},
      {"", 77},
      {"12", 12},
      {"007", 7},
      {"  12abc", 12},
      {"\t-5", -5},
      {"+7", 7},
      {"12 34", 12},
      {"abc", 0},
      {"- 5", 0},
      {"0x1F", 0},
      {" ", 0},
      {"2147483647", INT_MAX},
      {"2147483648", INT_MAX},
      {"99999999999999999999999", INT_MAX},
      {"-2147483648", INT_MIN},
      {"-2147483649", INT_MIN},
      {"-99999999999999999999", INT_MIN},
  };
  TempDir dir;
  const std::string path = dir / "f.ini";
  std::string contents = "[Sudoku]\n";
  for (std::size_t i = 0; i < std::size(cases); ++i)
    if (cases[i].value) contents += "k" + std::to_string(i) + "=" + *cases[i].value + "\n";
  WriteBytes(path, contents);
  IniStore store;
  for (std::size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(store.ReadInt(path, kSection, "k" + std::to_string(i), 77), cases[i].expected)
        << "value \"" << cases[i].value.value_or("(missing)") << "\"";
}

TEST(IniStoreRead, LongValuesAreCutAt2999Characters) {
  struct Case {
    std::size_t written;
    std::size_t read;
  };
  const Case cases[] = {{0, 0},       {2998, 2998}, {2999, 2999},
                        {3000, 2999}, {5000, 2999}, {1 << 20, 2999}};
  TempDir dir;
  const std::string path = dir / "f.ini";
  IniStore store;
  for (const Case& c : cases) {
    std::string value(c.written, 'v');
    if (c.written > 0) value.front() = ' ';  // the cut keeps the front
    ASSERT_TRUE(store.WriteString(path, kSection, "Item 0 B", value));
    EXPECT_EQ(store.ReadString(path, kSection, "Item 0 B"), value.substr(0, c.read))
        << c.written << " written";
    // The file keeps the whole value.
    EXPECT_EQ(ReadBytes(path).size(), std::string("[Sudoku]\nItem 0 B=\n").size() + c.written);
  }
  EXPECT_EQ(store.ReadString(path, kSection, "Missing", std::string(4000, 'd')),
            std::string(2999, 'd'));
}

// ---------------------------------------------------------------- rewriting

TEST(IniStoreWrite, RewriteKeepsEveryOtherLineAsItStands) {
  struct Write {
    const char* section;
    const char* key;
    const char* value;
  };
  struct Case {
    const char* name;
    std::string before;
    std::vector<Write> writes;
    std::string after;
  };
  std::string binaryAfter = Fixture("binary.ini");
  binaryAfter.replace(binaryAfter.find("Items=3"), 7, "Items=4");
  const Case cases[] = {
      {"junk",
       Fixture("junk.ini"),
       {{"Sudoku", "Item 0 A", "new"}, {"Sudoku", "Count", "43"}, {"Fresh", "Key", "v"}},
       Fixture("junk.after.ini")},
      {"crlf",
       Fixture("crlf.ini"),
       {{"Sudoku", "Items", "2"}, {"Sudoku", "Count", "10000"}},
       Fixture("crlf.after.ini")},
      {"binary", Fixture("binary.ini"), {{"Sudoku", "Items", "4"}}, binaryAfter},
      {"empty", "", {{"Sudoku", "Count", "1"}}, "[Sudoku]\nCount=1\n"},
      {"no section", "junk only\n", {{"Sudoku", "Count", "1"}}, "junk only\n[Sudoku]\nCount=1\n"},
      {"unterminated, appended",
       "[Sudoku]\nItems=1",
       {{"Sudoku", "Count", "5"}},
       "[Sudoku]\nItems=1\nCount=5\n"},
      {"unterminated, changed",
       "[Sudoku]\nItems=1",
       {{"Sudoku", "Items", "2"}},
       "[Sudoku]\nItems=2"},
      {"empty section first",
       "[Sudoku]\n[Other]\nx=1\n",
       {{"Sudoku", "Count", "1"}},
       "[Sudoku]\nCount=1\n[Other]\nx=1\n"},
      {"after the last key",
       "[Sudoku]\nItems=1\n\n; note\n[Other]\n",
       {{"Sudoku", "Count", "1"}},
       "[Sudoku]\nItems=1\nCount=1\n\n; note\n[Other]\n"},
      {"spelling kept",
       "[Sudoku]\n  count  =  7 \n",
       {{"Sudoku", "Count", "8"}},
       "[Sudoku]\n  count  =8\n"},
  };
  TempDir dir;
  for (const Case& c : cases) {
    const std::string path = dir / (std::string(c.name) + ".ini");
    WriteBytes(path, c.before);
    IniStore store;
    for (const Write& w : c.writes) ASSERT_TRUE(store.WriteString(path, w.section, w.key, w.value));
    EXPECT_EQ(ReadBytes(path), c.after) << c.name;
  }
}

TEST(IniStoreWrite, LineBreaksInValuesCannotAddKeysOrSections) {
  struct Case {
    std::string value;
    std::string stored;
  };
  const Case cases[] = {
      {"1\n[Evil]\nItems=99", "1 [Evil] Items=99"},
      {"x\r\nItems=5", "x  Items=5"},
      {"\n", " "},
      {"a\rb", "a b"},
      {"\r\n[Sudoku]\r\n", "  [Sudoku]  "},
  };
  TempDir dir;
  for (const Case& c : cases) {
    const std::string path = dir / "f.ini";
    WriteBytes(path, "[Sudoku]\nItems=1\n");
    IniStore store;
    ASSERT_TRUE(store.WriteString(path, kSection, "Item 0 D", c.value));
    EXPECT_EQ(ReadBytes(path), "[Sudoku]\nItems=1\nItem 0 D=" + c.stored + "\n");
    IniStore fresh;
    EXPECT_EQ(fresh.ReadString(path, kSection, "Item 0 D"), c.stored);
    EXPECT_EQ(fresh.ReadInt(path, kSection, "Items", -1), 1);
    EXPECT_EQ(fresh.ReadString(path, "Evil", "Items"), "");
  }
}

TEST(IniStoreWrite, NamesAFileCannotHoldAreRefused) {
  const std::pair<std::string, std::string> cases[] = {
      {"Sudoku", ""},       {"Sudoku", "a=b"},    {"Sudoku", " Count"}, {"Sudoku", "Count\t"},
      {"Sudoku", ";Count"}, {"Sudoku", "[Count"}, {"Sudoku", "a\nb"},   {"Sudoku", "a\rb"},
      {"", "Count"},        {"Sud]oku", "Count"}, {" Sudoku", "Count"}, {"Sud\noku", "Count"},
  };
  TempDir dir;
  const std::string path = dir / "f.ini";
  WriteBytes(path, "[Sudoku]\nItems=1\n");
  IniStore store;
  for (const auto& [section, key] : cases) {
    EXPECT_FALSE(store.WriteString(path, section, key, "1")) << "[" << section << "] " << key;
    EXPECT_EQ(store.ReadString(path, section, key, "default"), "default");
  }
  EXPECT_EQ(ReadBytes(path), "[Sudoku]\nItems=1\n");
}

// ---------------------------------------------------------------- hostile files

// What a writer killed in mid-write leaves behind is its file's one
// temporary: the next write of the same file writes over it and renames it
// into place. Nothing else in the folder is touched, and a link in the
// temporary's place is not followed.
TEST(IniStoreHostile, TheNextWriteTakesOverALeftoverTemporary) {
  struct Row {
    std::string name;
    bool kept;
  };
  const Row rows[] = {
      {".f.ini.tmp", false},
      {".f.ini.1234.0.tmp", true},  // as older versions named theirs
      {".g.ini.tmp", true},
      {"f.ini.tmp", true},
  };
  TempDir dir;
  for (const Row& row : rows) WriteBytes(dir / row.name, "[Sudoku]\nCount=torn and longer");
  IniStore store;
  ASSERT_TRUE(store.WriteString(dir / "f.ini", kSection, "Count", "1"));
  EXPECT_EQ(ReadBytes(dir / "f.ini"), "[Sudoku]\nCount=1\n");
  for (const Row& row : rows)
    EXPECT_EQ(std::filesystem::exists(dir / row.name), row.kept) << row.name;

  WriteBytes(dir / "elsewhere", "kept");
  ASSERT_EQ(::symlink((dir / "elsewhere").c_str(), TemporaryFilePath(dir / "f.ini").c_str()), 0);
  EXPECT_FALSE(store.WriteString(dir / "f.ini", kSection, "Count", "2"));
  EXPECT_EQ(ReadBytes(dir / "elsewhere"), "kept");
  EXPECT_EQ(ReadBytes(dir / "f.ini"), "[Sudoku]\nCount=1\n");
}

TEST(IniStoreHostile, MegabyteLinesAreReadAndKept) {
  TempDir dir;
  const std::string path = dir / "f.ini";
  const std::string head = "[Sudoku]\nJunk" + std::string(4 << 20, 'x') +
                           "\nItems=7\nBig=" + std::string(2 << 20, 'y') + "\n";
  const std::string tail = "[" + std::string(3 << 20, 'z');  // no ']' and no line end
  WriteBytes(path, head + tail);
  IniStore store;
  EXPECT_EQ(store.ReadInt(path, kSection, "Items", -1), 7);
  EXPECT_EQ(store.ReadString(path, kSection, "Big"), std::string(2999, 'y'));
  ASSERT_TRUE(store.WriteString(path, kSection, "Count", "1"));
  EXPECT_TRUE(ReadBytes(path) == head + "Count=1\n" + tail);
}

TEST(IniStoreHostile, PathsThatAreNoFileGiveDefaultsAndRefuseWrites) {
  TempDir dir;
  const std::string missingFolder = dir / "no/such/folder/f.ini";
  const std::string folder = dir / "folder.ini";
  const std::string fifo = dir / "fifo.ini";
  ASSERT_EQ(::mkdir(folder.c_str(), 0777), 0);
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
  IniStore store;
  for (const std::string& path : {missingFolder, folder, fifo}) {
    EXPECT_EQ(store.ReadInt(path, kSection, "Items", 5), 5) << path;
    EXPECT_EQ(store.ReadString(path, kSection, "Item 0 B", "d"), "d") << path;
    EXPECT_FALSE(store.WriteString(path, kSection, "Count", "1")) << path;
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "no"));
  EXPECT_TRUE(std::filesystem::is_directory(folder));
  EXPECT_TRUE(std::filesystem::is_fifo(fifo));
}

TEST(IniStoreHostile, EmptyAndMissingFilesReadAsNoKeys) {
  TempDir dir;
  const std::string empty = dir / "empty.ini";
  const std::string missing = dir / "missing.ini";
  WriteBytes(empty, "");
  IniStore store;
  for (const std::string& path : {empty, missing}) {
    EXPECT_EQ(store.ReadInt(path, kSection, "Items", 0), 0);
    EXPECT_EQ(store.ReadString(path, kSection, "Item 0 B"), "");
    ASSERT_TRUE(store.WriteString(path, kSection, "Items", "1"));
    EXPECT_EQ(ReadBytes(path), "[Sudoku]\nItems=1\n");
  }
}

// Files found by fuzzing the store: a write must leave every other key's
// value as it was read before, and the file's other bytes as they stand.
TEST(IniStoreHostile, WritesKeepOtherValuesOfOddlyEndedFiles) {
  struct Case {
    const char* what;
    std::string before;
    const char* key;  // written in [s] with value "w"
    std::string after;
    const char* otherSection;
    const char* otherKey;
    const char* otherValue;  // as read before and after the write
  };
  const Case cases[] = {
      {"a CR ending the file, new key after it", "[s]\na=1\nb=2\r", "n", "[s]\na=1\nb=2\r\nn=w\n",
       "s", "b", "2"},
      {"a CR ending the file, new section after it", "[t]\nb=2\r", "n", "[t]\nb=2\r\n[s]\nn=w\n",
       "t", "b", "2"},
      {"a CR ending the file, key before it changed", "[s]\na=1\nb=2\r", "a", "[s]\na=w\nb=2\r",
       "s", "b", "2"},
      {"a CR inside a value stays in it", "[s]\nb=2\r3\n", "n", "[s]\nb=2\r3\nn=w\n", "s", "b",
       "2\r3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::string path = dir / "f.ini";
    WriteBytes(path, c.before);
    IniStore store;
    EXPECT_EQ(store.ReadString(path, c.otherSection, c.otherKey), c.otherValue);
    ASSERT_TRUE(store.WriteString(path, "s", c.key, "w"));
    EXPECT_EQ(ReadBytes(path), c.after);
    IniStore fresh;
    EXPECT_EQ(fresh.ReadString(path, c.otherSection, c.otherKey), c.otherValue);
    EXPECT_EQ(fresh.ReadString(path, "s", c.key), "w");
  }
}

// ---------------------------------------------------------------- caching

class CountingDisk : public IniDisk {
 public:
  explicit CountingDisk(std::atomic<int>& reads) : reads_(reads) {}
  DiskFile Read(const std::string& path) override {
    ++reads_;
    return IniDisk::Read(path);
  }

 private:
  std::atomic<int>& reads_;
};

class FailingDisk : public IniDisk {
 public:
  bool Replace(const std::string&, const std::string&) override { return false; }
};

std::string ManyKeys(int count, const std::string& prefix) {
  std::string contents = "[Sudoku]\n";
  for (int i = 0; i < count; ++i)
    contents += "Item " + std::to_string(i) + " B=" + prefix + std::to_string(i) + "\n";
  return contents;
}

TEST(IniStoreCache, AFileIsReadOnceForAllItsKeysAndOwnWrites) {
  TempDir dir;
  const std::string path = dir / "f.ini";
  WriteBytes(path, ManyKeys(200, " v"));
  std::atomic<int> reads{0};
  IniStore store(std::make_unique<CountingDisk>(reads));
  for (int round = 0; round < 2; ++round)
    for (int i = 0; i < 200; ++i)
      ASSERT_EQ(store.ReadString(path, kSection, "Item " + std::to_string(i) + " B"),
                " v" + std::to_string(i));
  EXPECT_EQ(reads, 1);

  for (int i = 0; i < 10; ++i)
    ASSERT_TRUE(store.WriteString(path, kSection, "Item " + std::to_string(i) + " A", "a"));
  for (int i = 0; i < 10; ++i)
    EXPECT_EQ(store.ReadString(path, kSection, "Item " + std::to_string(i) + " A"), "a");
  EXPECT_EQ(reads, 1) << "its own writes need no reading back";
}

TEST(IniStoreCache, AChangeOnDiskIsNoticedByItsStamp) {
  TempDir dir;
  const std::string path = dir / "f.ini";
  WriteBytes(path, "[Sudoku]\nCount=10000\n");
  std::atomic<int> reads{0};
  IniStore store(std::make_unique<CountingDisk>(reads));
  ASSERT_EQ(store.ReadInt(path, kSection, "Count", 0), 10000);

  // Another size.
  WriteBytes(path, "[Sudoku]\nCount=123456\n");
  EXPECT_EQ(store.ReadInt(path, kSection, "Count", 0), 123456);
  EXPECT_EQ(reads, 2);

  // Same size and modification time, but a new file renamed into place.
  struct stat before;
  ASSERT_EQ(::stat(path.c_str(), &before), 0);
  WriteBytes(dir / "other", "[Sudoku]\nCount=654321\n");
  const struct timespec times[2] = {before.st_atim, before.st_mtim};
  ASSERT_EQ(::utimensat(AT_FDCWD, (dir / "other").c_str(), times, 0), 0);
  ASSERT_EQ(::rename((dir / "other").c_str(), path.c_str()), 0);
  EXPECT_EQ(store.ReadInt(path, kSection, "Count", 0), 654321);
  EXPECT_EQ(reads, 3);

  // Deleted: the keys are gone.
  ASSERT_EQ(::unlink(path.c_str()), 0);
  EXPECT_EQ(store.ReadInt(path, kSection, "Count", 0), 0);
}

// An in-place edit that keeps inode, size and modification time still sets
// the change time, which is part of the stamp: it is seen.
TEST(IniStoreCache, AnEditKeepingSizeAndModificationTimeIsSeen) {
  TempDir dir;
  const std::string path = dir / "f.ini";
  WriteBytes(path, "[Sudoku]\nCount=11111\n");
  std::atomic<int> reads{0};
  IniStore store(std::make_unique<CountingDisk>(reads));
  ASSERT_EQ(store.ReadInt(path, kSection, "Count", 0), 11111);

  struct stat before;
  ASSERT_EQ(::stat(path.c_str(), &before), 0);
  // File times come from a clock that ticks every few milliseconds: the
  // edit must fall in a later tick than the first write for any stamp to
  // tell them apart.
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(15);
    file << "22222";
  }
  const struct timespec times[2] = {before.st_atim, before.st_mtim};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  struct stat after;
  ASSERT_EQ(::stat(path.c_str(), &after), 0);
  ASSERT_EQ(after.st_ino, before.st_ino);
  ASSERT_EQ(after.st_size, before.st_size);
  ASSERT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
  EXPECT_EQ(store.ReadInt(path, kSection, "Count", 0), 22222);
  EXPECT_EQ(reads, 2);
  EXPECT_EQ(store.ReadInt(path, kSection, "Count", 0), 22222);
  EXPECT_EQ(reads, 2) << "read once per change";
}

TEST(IniStoreCache, AFailedWriteChangesNeitherFileNorMemory) {
  TempDir dir;
  const std::string path = dir / "f.ini";
  WriteBytes(path, "[Sudoku]\nItems=1\n");
  IniStore store(std::make_unique<FailingDisk>());
  EXPECT_FALSE(store.WriteString(path, kSection, "Items", "2"));
  EXPECT_FALSE(store.WriteString(path, kSection, "Count", "3"));
  EXPECT_EQ(store.ReadInt(path, kSection, "Items", 0), 1);
  EXPECT_EQ(store.ReadInt(path, kSection, "Count", -1), -1);
  EXPECT_EQ(ReadBytes(path), "[Sudoku]\nItems=1\n");
}

// ---------------------------------------------------------------- atomic replace

TEST(IniStoreAtomic, ReplaceKeepsPermissionsAndFailsCleanly) {
  TempDir dir;
  const std::string path = dir / "f.ini";
  WriteBytes(path, "old");
  for (mode_t mode : {0600, 0640, 0644}) {
    ASSERT_EQ(::chmod(path.c_str(), mode), 0);
    ASSERT_TRUE(ReplaceFileAtomically(path, "new"));
    struct stat st;
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, mode);
  }
  EXPECT_EQ(ReadBytes(path), "new");

  EXPECT_FALSE(ReplaceFileAtomically(dir / "missing/f.ini", "x"));
  const std::string folder = dir / "folder";
  ASSERT_EQ(::mkdir(folder.c_str(), 0777), 0);
  WriteBytes(folder + "/inside", "x");
  EXPECT_FALSE(ReplaceFileAtomically(folder, "x"));
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"f.ini", "folder"})) << "no temporary file left";
}

// A reader that looks at the file in a loop while the store rewrites it must
// only ever see one whole version or the other.
TEST(IniStoreAtomic, ReadersNeverSeeATornFile) {
  TempDir dir;
  const std::string path = dir / "f.ini";
  const std::string a(100000, 'a'), b(100000, 'b');
  const std::string fileA = "[Sudoku]\nBlob=" + a + "\n", fileB = "[Sudoku]\nBlob=" + b + "\n";
  IniStore store;
  ASSERT_TRUE(store.WriteString(path, kSection, "Blob", a));

  std::atomic<bool> done{false};
  int looks = 0, torn = 0;
  std::thread reader([&] {
    while (!done) {
      const std::string now = ReadBytes(path);
      ++looks;
      if (now != fileA && now != fileB) ++torn;
    }
  });
  for (int i = 0; i < 100; ++i)
    ASSERT_TRUE(store.WriteString(path, kSection, "Blob", i % 2 ? a : b));
  done = true;
  reader.join();
  EXPECT_GT(looks, 0);
  EXPECT_EQ(torn, 0) << "of " << looks << " looks";
}

// A writer process killed at arbitrary moments leaves the old file or the
// new one, and its leftover temporary files do not disturb the next run.
TEST(IniStoreAtomic, AKilledWriterLeavesAWholeFile) {
  TempDir dir;
  const std::string path = dir / "f.ini";
  // Large enough that a kill often lands inside the writing of the file.
  const std::string a(1 << 20, 'a'), b(1 << 20, 'b');
  const std::string fileA = "[Sudoku]\nBlob=" + a + "\n", fileB = "[Sudoku]\nBlob=" + b + "\n";
  ASSERT_TRUE(IniStore().WriteString(path, kSection, "Blob", a));

  std::mt19937 random(12345);
  std::uniform_int_distribution<int> killDelay(0, 30000);
  for (int round = 0; round < 30; ++round) {
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(pipeFds[0]);
      IniStore writer;
      for (unsigned i = 0;; ++i) {
        writer.WriteString(path, kSection, "Blob", i % 2 ? a : b);
        if (::write(pipeFds[1], "w", 1) != 1) ::_exit(0);
      }
    }
    ::close(pipeFds[1]);
    // Let it finish a write, then kill it at a moment that varies from
    // round to round, somewhere in the writes that follow.
    char mark;
    EXPECT_EQ(::read(pipeFds[0], &mark, 1), 1);
    std::this_thread::sleep_for(std::chrono::microseconds(killDelay(random)));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::close(pipeFds[0]);
    const std::string now = ReadBytes(path);
    EXPECT_TRUE(now == fileA || now == fileB)
        << "round " << round << ": " << now.size() << " bytes";
  }

  // A torn temporary, as a killed writer leaves it.
  WriteBytes(TemporaryFilePath(path), "[Sudoku]\nBlob=torn");
  IniStore store;
  EXPECT_EQ(store.ReadString(path, kSection, "Blob").size(), 2999u);
  ASSERT_TRUE(store.WriteString(path, kSection, "Blob", "done"));
  EXPECT_EQ(IniStore().ReadString(path, kSection, "Blob"), "done");
}

// ---------------------------------------------------------------- threads

TEST(IniStoreThreads, ConcurrentWritersLoseNoKey) {
  TempDir dir;
  const std::string path = dir / "f.ini";
  IniStore store;
  constexpr int kThreads = 4, kKeys = 25;
  std::vector<std::thread> threads;
  std::atomic<int> failures{0};
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (int k = 0; k < kKeys; ++k) {
        const std::string key = "Item " + std::to_string(t * kKeys + k) + " B";
        if (!store.WriteString(path, kSection, key, " " + key)) ++failures;
        if (store.ReadString(path, kSection, key) != " " + key) ++failures;
      }
    });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures, 0);
  IniStore fresh;
  for (int i = 0; i < kThreads * kKeys; ++i) {
    const std::string key = "Item " + std::to_string(i) + " B";
    EXPECT_EQ(fresh.ReadString(path, kSection, key), " " + key);
  }
}

// ---------------------------------------------------------------- transactions

class RecordingDisk : public IniDisk {
 public:
  int replaces = 0, locks = 0, reads = 0;
  bool failLock = false;
  bool Replace(const std::string& path, const std::string& contents) override {
    ++replaces;
    return IniDisk::Replace(path, contents);
  }
  DiskFile Read(const std::string& path) override {
    ++reads;
    return IniDisk::Read(path);
  }
  int Lock(const std::string& path) override {
    ++locks;
    return failLock ? -1 : IniDisk::Lock(path);
  }
};

TEST(IniStoreTransaction, SeveralKeysOneReplaceOrNone) {
  TempDir dir;
  const std::string path = dir / "f.ini";
  WriteBytes(path, "[Sudoku]\r\nItems=1\r\nItem 0 A=a\r\n");
  auto disk = std::make_unique<RecordingDisk>();
  RecordingDisk& seen = *disk;
  IniStore store(std::move(disk));

  struct Step {
    std::string name;
    bool accept;
    bool failLock;
    bool expected;
    int replaces;  // after the step
    std::string file;
  };
  const std::string before = "[Sudoku]\r\nItems=1\r\nItem 0 A=a\r\n";
  const std::string after =
      "[Sudoku]\r\nItems=2\r\nItem 0 A=a\r\nItem 1 A= b\r\nItem 1 B=c\r\n[Other]\r\nX=y\r\n";
  const std::vector<Step> steps = {
      {"edit declines: nothing written", false, false, false, 0, before},
      {"no lock: edit not called", true, true, false, 0, before},
      {"accepted: one replace", true, false, true, 1, after},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    seen.failLock = step.failLock;
    bool called = false;
    const bool ok = store.Transact(path, [&](IniEdit& file) {
      called = true;
      EXPECT_EQ(file.ReadInt("Sudoku", "Items", 0), 1);
      EXPECT_TRUE(file.Write("Sudoku", "Items", "2"));
      EXPECT_TRUE(file.Write("Sudoku", "Item 1 A", " b"));
      EXPECT_TRUE(file.Write("Sudoku", "Item 1 B", "c"));
      EXPECT_TRUE(file.Write("Other", "X", "y"));
      EXPECT_FALSE(file.Write("Sudoku", "=bad", "z"));
      // Reads inside see the writes before they reach the disk.
      EXPECT_EQ(file.ReadString("Sudoku", "Item 1 A"), " b");
      return step.accept;
    });
    EXPECT_EQ(ok, step.expected);
    EXPECT_EQ(called, !step.failLock);
    EXPECT_EQ(seen.replaces, step.replaces);
    EXPECT_EQ(ReadBytes(path), step.file);
    // Memory agrees with the file.
    EXPECT_EQ(store.ReadString(path, "Sudoku", "Items"), step.expected ? "2" : "1");
  }
  EXPECT_EQ(store.ReadString(path, "Other", "X"), "y");
  // A transaction that writes nothing replaces nothing.
  EXPECT_TRUE(store.Transact(path, [](IniEdit&) { return true; }));
  EXPECT_EQ(seen.replaces, 1);
}

TEST(IniStoreTransaction, ChangesElsewhereAreReadInsideTheLockAndCountedAsGenerations) {
  TempDir dir;
  const std::string path = dir / "f.ini";
  auto disk = std::make_unique<RecordingDisk>();
  RecordingDisk& seen = *disk;
  IniStore mine(std::move(disk)), theirs;
  ASSERT_TRUE(mine.WriteString(path, "Sudoku", "Items", "1"));
  uint64_t generation = 0;
  mine.View(path, [&](const IniEdit& file) { generation = file.Generation(); });
  ASSERT_TRUE(mine.WriteString(path, "Sudoku", "Count", "10001"));
  mine.View(path, [&](const IniEdit& file) {
    EXPECT_EQ(file.Generation(), generation) << "own writes are no change from elsewhere";
  });

  ASSERT_TRUE(theirs.WriteString(path, "Sudoku", "Items", "7"));
  ASSERT_TRUE(mine.Transact(path, [&](IniEdit& file) {
    EXPECT_NE(file.Generation(), generation);
    EXPECT_EQ(file.ReadInt("Sudoku", "Items", 0), 7);
    return file.Write("Sudoku", "Items", std::to_string(file.ReadInt("Sudoku", "Items", 0) + 1));
  }));
  EXPECT_EQ(theirs.ReadInt(path, "Sudoku", "Items", 0), 8);
  EXPECT_EQ(theirs.ReadInt(path, "Sudoku", "Count", 0), 10001);
  EXPECT_GE(seen.locks, 3);
  EXPECT_TRUE(std::filesystem::exists(dir / ".f.ini.lock"));
  EXPECT_EQ(LockFilePath("/a/b/Sudoku 12-2026.ini"), "/a/b/.Sudoku 12-2026.ini.lock");
  EXPECT_EQ(LockFilePath("f.ini"), ".f.ini.lock");

  // Keys as the file holds them, in file order, duplicates included.
  WriteBytes(path, "[Sudoku]\n Items = 3\nitem 0 a=x\n[Other]\nk=v\n[sudoku]\nITEMS=9\n");
  std::vector<std::string> keys;
  mine.View(path, [&](const IniEdit& file) {
    file.ForEachKey("SUDOKU", [&](std::string_view key, std::string_view value) {
      keys.push_back(std::string(key) + "=" + std::string(value));
    });
    EXPECT_EQ(file.ReadString("Sudoku", "items"), " 3");
  });
  EXPECT_EQ(keys, (std::vector<std::string>{"Items= 3", "item 0 a=x", "ITEMS=9"}));
}

// Two processes adding one to a counter many times: under the lock, with
// the file read afresh each time, no increment is lost.
TEST(IniStoreTransaction, TwoProcessesCountingLoseNoIncrement) {
  TempDir dir;
  const std::string path = dir / "f.ini";
  ASSERT_TRUE(IniStore().WriteString(path, "Sudoku", "Items", "0"));
  constexpr int kEach = 150;
  std::vector<pid_t> children;
  for (int c = 0; c < 2; ++c) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      IniStore store;
      for (int i = 0; i < kEach; ++i)
        if (!store.Transact(path, [](IniEdit& file) {
              return file.Write("Sudoku", "Items",
                                std::to_string(file.ReadInt("Sudoku", "Items", 0) + 1));
            }))
          ::_exit(1);
      ::_exit(0);
    }
    children.push_back(child);
  }
  for (pid_t child : children) {
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  EXPECT_EQ(IniStore().ReadInt(path, "Sudoku", "Items", 0), 2 * kEach);
}

}  // namespace
}  // namespace kovalo
