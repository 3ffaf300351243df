// Tooltip texts of the buttons and the saves list's header boxes.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kovalo {

// The text for a tool's control id; nothing for an id that has none.
std::optional<std::string> TooltipText(int id);

constexpr int kTooltipWidth = 200;

// Breaks text into lines no wider than maxWidth, at blanks; a single word
// wider than that stands on a line of its own. width(s) measures a line.
template <class Measure>
std::vector<std::string> WrapWords(const std::string& text, int maxWidth, Measure width) {
  std::vector<std::string> lines;
  std::string line;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find(' ', pos);
    if (end == std::string::npos) end = text.size();
    const std::string word = text.substr(pos, end - pos);
    pos = end + 1;
    std::string candidate = line;
    if (!candidate.empty()) candidate += ' ';
    candidate += word;
    if (!line.empty() && width(candidate) > maxWidth) {
      lines.push_back(std::move(line));
      line = word;
    } else {
      line = std::move(candidate);
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

}  // namespace kovalo
