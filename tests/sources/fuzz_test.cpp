// Every reader on bytes it was never meant to see: random bytes, heaps of
// markers, truncations and mutations of the real pages. Each page is handed
// over in a heap block of exactly its size, so a read past the end shows
// under the address sanitizer; every reading must be well formed. The seed
// is fixed and the number of pages bounded.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <random>

#include "sources/readers.h"
#include "sources/source_test_util.h"

namespace kovalo {
namespace {

using testing::LocalMoment;
using testing::LocalZone;
using testing::ReadFixture;

struct Reader {
  const char* name;
  std::function<PageReading(std::string_view)> read;
  bool mayFail;
};

const time_t kTarget = 1144663200;  // 10 April 2006, 10:00 UTC

const Reader kReaders[] = {
    {"level", [](std::string_view p) { return ReadLevelPage(p, kTarget, 1145320001); }, false},
    {"second weekly", [](std::string_view p) { return ReadSecondWeeklyFile(p, kTarget); }, false},
    {"random", [](std::string_view p) { return ReadRandomSolutionPage(p); }, true},
    {"main weekly", [](std::string_view p) { return ReadMainWeeklyPage(p, kTarget); }, true},
    {"solution page", [](std::string_view p) { return ReadSolutionPageAnswers(p); }, false},
};

const char* const kFixtures[] = {"level.html", "second_weekly.js", "random_solution.html",
                                 "main_weekly_puzzle.html", "main_weekly_solution.html"};

// Every marker the readers look for, and a few bits of cell text.
const char* const kTokens[] = {
    "<B>Here is the puzzle.",
    "<td ",
    "\">",
    "<",
    ">",
    "<!-- Sudoku engine by kovalo-sites,",
    "<TABLE ",
    "<INPUT ",
    "</TD>",
    "VALUE=\"",
    "<INPUT NAME=ws_cheat TYPE=hidden VALUE=\"",
    "\"",
    "sPuzzleID = '",
    " - '",
    "#",
    "iGridUnsolved= new Array(",
    ",",
    "Solution to Sudoku ",
    "Puzzle ",
    "Puzzle started ",
    " and end",
    "class=\"grid\">",
    "<tr>",
    "<td class=\"",
    "</s",
    "<table",
    "<font",
    "<br>",
    "</font>",
    "\r\n",
    "  ",
    " to corr",
    ", ",
    ">J<",
    "<td",
    "1",
    "5",
    "9",
    "0",
    "Apr 10, 2006",
    " ",
    "\t",
};

std::mt19937 engine(20060410);
size_t Below(size_t n) { return n == 0 ? 0 : engine() % n; }

// Three decimal numbers, each perhaps signed, one blank between them.
bool IsDateText(const std::string& text) {
  int numbers = 0;
  size_t i = 0;
  while (i < text.size()) {
    if (numbers > 0 && text[i++] != ' ') return false;
    if (i < text.size() && text[i] == '-') ++i;
    const size_t first = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    if (i == first) return false;
    ++numbers;
  }
  return numbers == 3;
}

// Runs every reader on an exact-size copy of page and checks each reading.
void ReadEverywhere(std::string_view page, const std::string& what) {
  std::unique_ptr<char[]> copy(new char[page.size() == 0 ? 1 : page.size()]);
  if (!page.empty()) std::memcpy(copy.get(), page.data(), page.size());
  const std::string_view exact(copy.get(), page.size());
  for (const Reader& reader : kReaders) {
    const PageReading reading = reader.read(exact);
    for (int k = 0; k < 81; ++k) {
      ASSERT_TRUE(reading.givens[k] >= 0 && reading.givens[k] <= 9)
          << reader.name << " on " << what << ": given " << reading.givens[k] << " in cell " << k;
      ASSERT_TRUE(reading.answers[k] >= kAnswerUnchanged && reading.answers[k] <= 9)
          << reader.name << " on " << what << ": answer " << reading.answers[k] << " in cell " << k;
    }
    if (reading.title) {
      ASSERT_LE(reading.title->size(), TitleSizeLimit(page.size()))
          << reader.name << " on " << what;
    }
    if (reading.date) {
      ASSERT_TRUE(IsDateText(*reading.date))
          << reader.name << " on " << what << ": " << *reading.date;
    }
    if (!reader.mayFail) {
      ASSERT_EQ(reading.outcome, ReaderOutcome::Done) << reader.name << " on " << what;
    }
  }
}

class FuzzTest : public ::testing::Test {
 protected:
  LocalZone zone_{"Europe/Berlin"};
};

TEST(DateTextForm, AcceptsOnlyThreeNumbers) {
  EXPECT_TRUE(IsDateText("4 10 2006"));
  EXPECT_TRUE(IsDateText("10 -3 2006"));
  for (const char* bad : {"", "4 10", "4 10 2006 1", "4  10 2006", "4 x 2006", "4 10 2006 ", "-"})
    EXPECT_FALSE(IsDateText(bad)) << "«" << bad << "»";
}

// Titles made of the page's longest pieces: the random site's, of two
// pieces that overlap, is far longer than its page, and each stays within
// the bound.
TEST_F(FuzzTest, LongestTitlesStayWithinTheirLimit) {
  const std::string x(200, 'x');
  struct Row {
    const char* what;
    int reader;  // index into kReaders
    std::string page;
    std::string title;
  };
  const Row rows[] = {
      {"random: the puzzle name runs over the start text", 2,
       "Solution to Sudoku Puzzle Puzzle started " + x + " and end<",
       "Random Puzzle started " + x + " and end, " + x},
      {"level: heading", 0, "<B>Here is the puzzle.<B>Here is the puzzle.<td \">" + x + " <",
       "Sudoku 5320001, Monday " + x},
      {"second weekly: puzzle id", 1, "sPuzzleID = '" + x + " - '", x + ", Monday"},
      {"main weekly: heading without a comma", 3, "<table<font<font>" + x + "<font",
       x + " - Monday"},
  };
  for (const Row& row : rows) {
    const PageReading reading = kReaders[row.reader].read(row.page);
    ASSERT_TRUE(reading.title) << row.what;
    EXPECT_EQ(*reading.title, row.title) << row.what;
    EXPECT_LE(reading.title->size(), TitleSizeLimit(row.page.size())) << row.what;
  }
  EXPECT_GT(rows[0].title.size(), rows[0].page.size() + 48);
}

TEST_F(FuzzTest, RandomBytes) {
  for (int n = 0; n < 300; ++n) {
    std::string page(Below(3000), '\0');
    for (char& c : page) c = static_cast<char>(engine() & 0xFF);
    ReadEverywhere(page, "random bytes #" + std::to_string(n));
  }
  ReadEverywhere("", "an empty page");
}

TEST_F(FuzzTest, HeapsOfMarkers) {
  for (int n = 0; n < 2000; ++n) {
    std::string page;
    const size_t tokens = 1 + Below(300);
    for (size_t t = 0; t < tokens; ++t) {
      if (Below(8) == 0)
        page += static_cast<char>(engine() & 0xFF);
      else
        page += kTokens[Below(std::size(kTokens))];
    }
    ReadEverywhere(page, "marker heap #" + std::to_string(n));
  }
}

// Givens (or answers) found in a prefix of a page are found in the whole
// page too, in the same cells: a walk cannot see what lies beyond its end.
void ExpectPartOf(const std::array<int, 81>& part, const std::array<int, 81>& whole, int none,
                  const std::string& what) {
  for (int k = 0; k < 81; ++k)
    if (part[k] != none) {
      ASSERT_EQ(part[k], whole[k]) << what << ", cell " << k;
    }
}

TEST_F(FuzzTest, TruncatedPages) {
  for (const char* name : kFixtures) {
    const std::string page = ReadFixture(name);
    const PageReading level = kReaders[0].read(page), random = kReaders[2].read(page),
                      main = kReaders[3].read(page), solution = kReaders[4].read(page);
    for (size_t length = 0; length <= page.size(); ++length) {
      // Cut where a marker begins or ends, and at every seventh byte.
      const char before = length > 0 ? page[length - 1] : '<';
      if (length % 7 != 0 && !std::strchr("<>\",'", before) && !std::strchr("<>\",'", page[length]))
        continue;
      const std::string_view prefix(page.data(), length);
      const std::string what = std::string(name) + " cut at " + std::to_string(length);
      ReadEverywhere(prefix, what);
      ExpectPartOf(kReaders[0].read(prefix).givens, level.givens, 0, "level givens, " + what);
      ExpectPartOf(kReaders[0].read(prefix).answers, level.answers, kAnswerUnchanged,
                   "level answers, " + what);
      ExpectPartOf(kReaders[2].read(prefix).answers, random.answers, kAnswerUnchanged,
                   "random answers, " + what);
      ExpectPartOf(kReaders[3].read(prefix).givens, main.givens, 0, "main weekly givens, " + what);
      ExpectPartOf(kReaders[4].read(prefix).answers, solution.answers, kAnswerUnchanged,
                   "solution answers, " + what);
      if (HasFatalFailure()) return;
    }
  }
}

TEST_F(FuzzTest, MutatedPages) {
  for (const char* name : kFixtures) {
    const std::string original = ReadFixture(name);
    for (int n = 0; n < 300; ++n) {
      std::string page = original;
      const int edits = 1 + static_cast<int>(Below(4));
      for (int e = 0; e < edits && !page.empty(); ++e) {
        const size_t at = Below(page.size());
        const size_t span = 1 + Below(64);
        switch (Below(4)) {
          case 0: page.erase(at, span); break;
          case 1: page.insert(at, page.substr(at, span)); break;
          case 2: page[at] = static_cast<char>(engine() & 0xFF); break;
          default: page.insert(at, kTokens[Below(std::size(kTokens))]); break;
        }
      }
      ReadEverywhere(page, std::string(name) + " mutation #" + std::to_string(n));
      if (HasFatalFailure()) return;
    }
  }
}

}  // namespace
}  // namespace kovalo
