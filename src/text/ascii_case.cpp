// Copies of ASCII text in one letter case.
#include "text/ascii_case.h"

namespace kovalo {

std::string AsciiUpperCopy(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = AsciiUpper(c);
  return upper;
}

std::string AsciiLowerCopy(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = AsciiLower(c);
  return lower;
}

}  // namespace kovalo
