// Host keys, Location headers, redirect resolution and local file names.
#include <gtest/gtest.h>

#include "download/address.h"
#include "download/admission.h"

namespace kovalo {
namespace {

TEST(DownloadHostKeyTest, TextAfterTheSchemeUpToTheLastSlash) {
  struct Row {
    const char* url;
    const char* key;
  };
  const Row rows[] = {
      {"http://www.example.com/sudoku/daily.asp?d=1", "www.example.com/sudoku"},
      {"http://www.example.com/page.html", "www.example.com"},
      {"http://www.example.com/", "www.example.com"},
      {"http://www.example.com", "www.example.com"},
      {"https://host:8080/a/b/c", "host:8080/a/b"},
      {"http://host/q?next=a/b", "host"},
      {"http://main/DailySudoku.asp?day=10/04/2006", "main"},
      {"http://main/sub/DailySudoku.asp?solution=please&day=17/04/2006", "main/sub"},
      {"127.0.0.1:8642/level/sudoku/?&ws_level=2", "127.0.0.1:8642/level/sudoku"},
      {"http://host?a=b/c", "host"},
      {"file:///tmp/dir/page.html", "/tmp/dir"},
      {"no-scheme/dir/page", "no-scheme/dir"},
      {"nothing", ""},
      {"", ""},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(HostKey(row.url), row.key) << row.url;
  }
}

TEST(DownloadFindLocationTest, TakesTheLocationHeaderInItsOwnCase) {
  struct Row {
    const char* what;
    const char* headers;
    const char* location;
  };
  const Row rows[] = {
      {"plain", "HTTP/1.1 302 Found\r\nLocation: /Next.asp\r\n\r\n", "/Next.asp"},
      {"lower-case name", "HTTP/1.1 302 Found\r\nlocation: http://Host/X\r\n\r\n", "http://Host/X"},
      {"no blank after the colon", "HTTP/1.1 302 Found\r\nLocation:/x\r\n\r\n", "/x"},
      {"trailing blanks", "HTTP/1.1 302 Found\r\nLocation: /x  \r\n\r\n", "/x"},
      {"Content-Location is not a Location",
       "HTTP/1.1 302 Found\r\nContent-Location: /wrong\r\nLocation: /right\r\n\r\n", "/right"},
      {"http target preferred to others",
       "HTTP/1.1 302 Found\r\nLocation: /rel\r\nLocation: http://h/abs\r\n\r\n", "http://h/abs"},
      {"ftp target preferred to relative",
       "HTTP/1.1 302 Found\r\nLocation: rel\r\nLocation: ftp://h/f\r\n\r\n", "ftp://h/f"},
      {"none", "HTTP/1.1 302 Found\r\nServer: x\r\n\r\n", ""},
      {"empty value", "HTTP/1.1 302 Found\r\nLocation: \r\n\r\n", ""},
      {"cut off without line end", "HTTP/1.1 302 Found\r\nLocation: /end", "/end"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(FindLocation(row.headers), row.location) << row.what;
  }
}

TEST(DownloadResolveRedirectTest, RelativeTargetsHangFromTheHostRoot) {
  struct Row {
    const char* requested;
    const char* location;
    const char* resolved;
  };
  const Row rows[] = {
      {"http://host/dir/page.asp", "/next.asp", "http://host/next.asp"},
      {"http://host/dir/page.asp", "next.asp", "http://host/next.asp"},
      {"http://host/dir/page.asp", "https://other/x", "https://other/x"},
      {"http://host/dir/page.asp", "ftp://files/x", "ftp://files/x"},
      {"http://host", "/next", "http://host/next"},
      {"http://host", "next", "http://host/next"},
      {"http://host:81/a/b", "c?d=/e", "http://host:81/c?d=/e"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ResolveRedirect(row.requested, row.location), row.resolved)
        << row.requested << " + " << row.location;
  }
}

TEST(DownloadLocalFileTest, PathsAndTheEscapedSecondTry) {
  EXPECT_TRUE(IsLocalFileAddress("file:///tmp/x"));
  EXPECT_TRUE(IsLocalFileAddress("FILE:///tmp/x"));
  EXPECT_FALSE(IsLocalFileAddress("http://file/x"));
  EXPECT_FALSE(IsLocalFileAddress("file:"));
  EXPECT_EQ(LocalFilePath("file:///tmp/a%20b.html"), "/tmp/a%20b.html");
  EXPECT_EQ(LocalFilePath("file://localhost/tmp/a"), "/tmp/a");
  EXPECT_EQ(LocalFilePath("file://"), "");
  EXPECT_EQ(UnescapeBlankAndCaret("/a%20b%5Ec%5ed%41%2"), "/a b^c^d%41%2");
  EXPECT_EQ(UnescapeBlankAndCaret("%"), "%");
  EXPECT_EQ(UnescapeBlankAndCaret("%20"), " ");
}

TEST(DownloadPlaceFileStemTest, EveryKeyGivesASafeDistinctFileName) {
  struct Row {
    std::string key;
    std::string stem;
  };
  const Row rows[] = {
      {"www.example.com/sudoku", "semz-www.example.com_2Fsudoku"},
      {"host:8080", "semz-host_3A8080"},
      {"a_b", "semz-a_5Fb"},
      {"a/b", "semz-a_2Fb"},
      {"..", "semz-.."},
      {"", "semz-"},
      {std::string("\xff\x01 ", 3), "semz-_FF_01_20"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(PlaceFileStem(row.key), row.stem) << row.key;
  }
  // Long keys are cut but stay apart by their hash.
  std::string longKey(3000, 'k');
  std::string a = PlaceFileStem(longKey + "a");
  std::string b = PlaceFileStem(longKey + "b");
  EXPECT_LE(a.size() + 2, 255u);  // with the ".0" of a place file
  EXPECT_NE(a, b);
  EXPECT_EQ(a.find('/'), std::string::npos);
}

}  // namespace
}  // namespace kovalo
