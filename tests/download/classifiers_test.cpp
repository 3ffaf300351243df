// The six result classifiers: which text each one recognises, and the file
// each deletes on a hit.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "download/result_classifiers.h"

namespace kovalo {
namespace {

using Classifier = int (*)(std::string_view, const std::string&);

struct Named {
  const char* name;
  Classifier classify;
};
const Named kClassifiers[] = {
    {"needed matches", ResultNeedsMatches},  {"passed off", ResultPassedOff},
    {"download limit", ResultDownloadLimit}, {"too small", ResultTooSmall},
    {"clipboard", ResultCopiedToClipboard},  {"not found", ResultNotFound},
};

// Each row: a text (as callers pass it, upper case) and which classifier
// (index into kClassifiers) hits, -1 for none.
TEST(DownloadResultClassifierTest, EachRecognisesOnlyItsMarkers) {
  struct Row {
    const char* text;
    int hit;
  };
  const Row rows[] = {
      {"<HTML>FILE DOES NOT CONTAIN NEEDED MATCHES</HTML>", 0},
      {"PASSED OFF TO GRX FILE", 1},
      {"XDOWNLOAD LIMIT EXCEEDEDX", 2},
      {"FILE TOO SMALL", 3},
      {"COPIED TO CLIPBOARD", 4},
      {"PAGE NOT FOUND", 5},
      {"ERROR 404", 5},
      {"ERROR #404", 5},
      {"A 404 ERROR", 5},
      {"HTTP_404", 5},
      {"HTTP 404", 5},
      {"THE PAGE CANNOT BE FOUND", 5},
      {"<H1>ERROR</H1>", 5},
      {"<HTML>PARSE DOWNLOAD ERROR #99.</HTML>\n", 5},
      {"<HTML>PARSE DOWNLOAD ERROR #0. 'SESSION CLOSED ABORTING'</HTML>\n", 5},
      {"<HTML>PARSE DOWNLOAD ERROR - QUERY ERROR.</HTML>\n",
       -1},  // no number: the caller's result tells
      {"SUDOKU 1234 GIVENS 0 0 3", -1},
      {"not found", -1},  // callers pass upper case
      {"", -1},
      {"ERROR 40 4", -1},
  };
  for (const Row& row : rows) {
    for (int i = 0; i < 6; ++i) {
      EXPECT_EQ(kClassifiers[i].classify(row.text, ""), i == row.hit ? 1 : 0)
          << kClassifiers[i].name << " on \"" << row.text << "\"";
    }
  }
}

TEST(DownloadResultClassifierTest, HitDeletesTheNamedFileAndAMissLeavesIt) {
  const std::string path = std::filesystem::temp_directory_path() / "kovalo-classifier-a.tmp";
  for (const Named& classifier : kClassifiers) {
    std::ofstream(path) << "x";
    EXPECT_EQ(classifier.classify("NOTHING TO SEE", path), 0);
    EXPECT_TRUE(std::filesystem::exists(path)) << classifier.name;
  }
  const char* markers[] = {"DOES NOT CONTAIN NEEDED MATCHES",
                           "PASSED OFF TO GRX FILE",
                           "DOWNLOAD LIMIT EXCEEDED",
                           "FILE TOO SMALL",
                           "COPIED TO CLIPBOARD",
                           "NOT FOUND"};
  for (int i = 0; i < 6; ++i) {
    std::ofstream(path) << "x";
    EXPECT_EQ(kClassifiers[i].classify(markers[i], path), 1);
    EXPECT_FALSE(std::filesystem::exists(path)) << kClassifiers[i].name;
  }
  // A hit with no file named, or a file that is not there, is still a hit.
  EXPECT_EQ(ResultTooSmall("FILE TOO SMALL", path), 1);
}

TEST(DownloadResultClassifierTest, HeadIsTheFirst512CharactersInUpperCase) {
  std::string text = "<html>Parse Download Error #404 - URL File Not Found.</html>\n";
  EXPECT_EQ(ResultHead(text.c_str()),
            "<HTML>PARSE DOWNLOAD ERROR #404 - URL FILE NOT FOUND.</HTML>\n");
  std::string longText(600, 'a');
  longText.replace(520, 9, "not found");
  EXPECT_EQ(ResultHead(longText.c_str()), std::string(512, 'A'));
  EXPECT_EQ(AnyResultClassifierHits(longText.c_str(), ""), 0);
  longText.replace(100, 9, "not found");
  EXPECT_EQ(AnyResultClassifierHits(longText.c_str(), ""), 1);
  EXPECT_EQ(ResultHead(nullptr), "");
  EXPECT_EQ(AnyResultClassifierHits("<html>Parse Download Error #99.</html>\n", ""), 1);
  EXPECT_EQ(AnyResultClassifierHits("<html><body>puzzle 0 0 3 0</body></html>", ""), 0);
}

}  // namespace
}  // namespace kovalo
