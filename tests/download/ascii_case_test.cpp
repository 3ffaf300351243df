// ASCII letter case: only the 26 letters change, whatever the locale; bytes
// of UTF-8 and of 8-bit code pages stay as they are.
#include "text/ascii_case.h"

#include <gtest/gtest.h>

#include <string>

namespace kovalo {
namespace {

TEST(AsciiCase, ComparisonsIgnoreOnlyTheLetterCase) {
  struct Row {
    const char* text;
    const char* other;
    bool equal;
    bool startsWith;  // text starts with other
    bool contains;    // text contains other
  };
  const Row rows[] = {
      {"HTTP://host/", "http://", false, true, true},
      {"hTtPs://host/", "https://", false, true, true},
      {"Location: /x", "LOCATION:", false, true, true},
      {"a <h1>Error</H1> page", "<H1>ERROR</H1>", false, false, true},
      {"page not Found", "NOT FOUND", false, false, true},
      {"NOT FOUN", "NOT FOUND", false, false, false},
      {"file", "FILE", true, true, true},
      {"fil", "file", false, false, false},
      {"", "", true, true, true},
      {"x", "", false, true, true},
      {"\xe9t\xe9", "\xc9T\xc9", false, false, false},  // é and É in an 8-bit code page
      {"[", "{", false, false, false},  // 0x5B and 0x7B are 32 apart, but no letters
      {"@", "`", false, false, false},
  };
  EXPECT_EQ(AsciiUpperCopy("a\xe9z[{"), "A\xe9Z[{");
  EXPECT_EQ(AsciiLowerCopy("A\xc9Z@`"), "a\xc9z@`");
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.text) + " / " + row.other);
    EXPECT_EQ(EqualsIgnoringAsciiCase(row.text, row.other), row.equal);
    EXPECT_EQ(EqualsIgnoringAsciiCase(row.other, row.text), row.equal);
    EXPECT_EQ(StartsWithIgnoringAsciiCase(row.text, row.other), row.startsWith);
    EXPECT_EQ(ContainsIgnoringAsciiCase(row.text, row.other), row.contains);
  }
}

}  // namespace
}  // namespace kovalo
