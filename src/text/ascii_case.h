// Letter case of ASCII text, for what the program compares without regard
// to case: markers of pages, header names and schemes, INI names, the saves
// list's order. Only 'a'
// to 'z' and 'A' to 'Z' change: every other byte (UTF-8 and 8-bit code
// pages alike) stays as it is, whatever locale the program runs in.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

namespace kovalo {

constexpr char AsciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

constexpr char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string AsciiUpperCopy(std::string_view text);
std::string AsciiLowerCopy(std::string_view text);

constexpr bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

constexpr bool StartsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         EqualsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

// Whether needle occurs in text. Allocates nothing, so it may run where an
// exception must not pass (in the network library's callbacks).
constexpr bool ContainsIgnoringAsciiCase(std::string_view text, std::string_view needle) {
  return std::search(text.begin(), text.end(), needle.begin(), needle.end(),
                     [](char a, char b) { return AsciiUpper(a) == AsciiUpper(b); }) != text.end() ||
         needle.empty();
}

}  // namespace kovalo
