// The generator's exact solver: a depth-first search over 9-bit masks of the
// digits each row, column and box already holds, always branching on the
// blank cell with the fewest digits left. It counts solutions up to a limit
// (two is enough to tell "exactly one"), and with a random source it fills
// an empty grid into a random complete one.
#pragma once

#include "generator/grid.h"
#include "generator/random.h"

namespace kovalo::sites {

// The solutions of givens, counted up to limit; the first one found goes to
// *solution when given. Givens that already repeat a digit in a row, column
// or box have none.
int CountSolutions(const Grid& givens, int limit, Grid* solution = nullptr);

// Whether givens, whose cell is blank, have a solution that does not put
// digit there. When the givens with digit in that cell have one solution,
// this is the question whether blanking the cell lets in a second one, and
// it is answered by a search for one solution instead of two.
bool HasOtherSolution(const Grid& givens, int cell, int digit);

// A complete valid grid drawn from random.
Grid RandomSolvedGrid(Random& random);

}  // namespace kovalo::sites
