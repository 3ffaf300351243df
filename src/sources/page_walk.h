// The walk every page reader shares. Pages are never parsed as HTML: a
// reader keeps a remaining text, finds a fixed marker in it (byte for byte,
// case-sensitive) and cuts the remaining text there, step after step. Every
// operation stays inside the page, whatever bytes it holds.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace kovalo {

class PageWalk {
 public:
  explicit PageWalk(std::string_view page) : rest_(page) {}

  std::string_view rest() const { return rest_; }

  // Whether the marker occurs in the remaining text.
  bool Has(std::string_view marker) const { return rest_.find(marker) != std::string_view::npos; }

  // Cut at marker + n: when the marker starts at p, the remaining text
  // becomes the text from p + n on (n = 0 keeps the marker). When the marker
  // does not occur nothing changes and the answer is false.
  bool CutAt(std::string_view marker, size_t n) {
    const size_t p = rest_.find(marker);
    if (p == std::string_view::npos) return false;
    rest_.remove_prefix(p + n < rest_.size() ? p + n : rest_.size());
    return true;
  }

  // The part of the remaining text in front of the first marker; nothing
  // when the marker does not occur.
  std::optional<std::string_view> HeadBefore(std::string_view marker) const {
    const size_t p = rest_.find(marker);
    if (p == std::string_view::npos) return std::nullopt;
    return rest_.substr(0, p);
  }

  // Drops blanks, tabs, line ends, vertical tabs and form feeds from the front.
  void SkipWhiteSpace() {
    while (!rest_.empty() && IsWhiteSpace(rest_.front())) rest_.remove_prefix(1);
  }

  static bool IsWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
  }

 private:
  std::string_view rest_;
};

// The digit of a text: its first character when that is 1 ... 9, else 0
// ("0", any other character, or an empty text).
inline int DigitOf(std::string_view text) {
  return (!text.empty() && text.front() >= '1' && text.front() <= '9') ? text.front() - '0' : 0;
}

}  // namespace kovalo
