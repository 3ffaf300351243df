// The tests' own grading on the board, written apart from the generator's:
// each aid runs on a board of its own, fresh from a download (the page's
// givens and answers applied, locked, filled), as a player who picks that
// aid straight away would run it.
#pragma once

#include <ostream>
#include <string>

#include "generator/generator.h"

namespace kovalo::sites {
// Levels by name in test names and failure messages.
inline void PrintTo(Level level, std::ostream* out) { *out << LevelName(level); }
}  // namespace kovalo::sites

namespace kovalo::testing {

enum class Aid { SingleDigitFieldsRepeated, DoBothUntilStable, AttemptSolve };

// Whether the aid alone, on a freshly downloaded and filled board, leaves
// every cell holding its digit of solution.
bool AidCompletes(Aid aid, const std::string& givens, const std::string& solution);

// The first level whose aid completes the puzzle; evil when none does.
sites::Level LevelByEachAidAlone(const std::string& givens, const std::string& solution);

}  // namespace kovalo::testing
