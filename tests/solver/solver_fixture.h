// The fixture of the solving-aid tests: a board on a scripted screen. Every
// test ends with the wait cursor restored and batch clear, as every command
// must leave them.
#pragma once

#include <gtest/gtest.h>

#include "board/board.h"
#include "solver/solving_aids.h"
#include "solver_boards.h"
#include "support/board_text.h"
#include "support/fake_screen.h"

namespace kovalo::testing {

class SolverTest : public ::testing::Test {
 protected:
  FakeScreen screen;
  Board board{screen};

  Cell& At(int row, int col) { return board.AtGrid(row, col); }
  std::vector<std::string> Verdicts() const { return VerdictsOf(screen.MessageTexts()); }

  void TearDown() override {
    EXPECT_EQ(screen.waitCursorDepth, 0) << "wait cursor not restored";
    EXPECT_FALSE(board.batch) << "batch left set";
  }
};

// A complete valid grid, and the same grid as 81 answers.
inline const std::string kSolution =
    "931576428486392571275481936194753862863249715752168394348627159527914683619835247";

}  // namespace kovalo::testing
