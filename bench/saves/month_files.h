// Month files as a long month of play leaves them, for the saves benchmarks.
#pragma once

#include <cstdio>
#include <string>

namespace kovalo {

// One month file of count saves, as a long month of play leaves it: puzzles
// saved a few times each, boards partly solved, candidates left here and
// there.
inline std::string MonthFile(int count, int month) {
  std::string file = "[Sudoku]\r\nCount=10000\r\nItems=" + std::to_string(count) + "\r\n";
  for (int k = 0; k < count; ++k) {
    const int puzzle = 1000 + k / 4;
    std::string position, states, answers;
    for (int cell = 0; cell < 81; ++cell) {
      const int digit = (cell * 7 + k) % 9 + 1;
      position += (cell % 5 == 0) ? "" : (cell % 3 == 0 ? "1357" : std::to_string(digit));
      position += ' ';
      states += std::to_string(cell % 4 == 0 ? 33 : 2) + " ";
      answers += std::to_string(digit) + " ";
    }
    answers.pop_back();
    const std::string n = std::to_string(k);
    char description[96];
    std::snprintf(description, sizeof description, "%d %02d/%02d/26 ,PM,%02d:%02d:%02d PM %d+",
                  puzzle, month, k % 28 + 1, k % 12 + 1, k % 60, (k * 7) % 60, k % 5);
    file += "Item " + n + " A=" + description + "\r\n";
    file += "Item " + n + " B=" + position + states + (k % 4 == 0 ? "1" : "0") + "\r\n";
    file += "Item " + n + " C=" + answers + "\r\n";
    file += "Item " + n + " D=Sudoku " + std::to_string(puzzle) + ", Thursday Medium\r\n";
  }
  return file;
}

}  // namespace kovalo
