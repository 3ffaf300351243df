// Grading a puzzle by the program's own solving aids, two ways.
//
// GradeOnBoard runs the aids themselves on a kovalo::Board, exactly as a
// player would after a download: the givens placed and locked, Fill, then
// "Mark single digit fields" until nothing changes, "Do both until stable",
// and the solving attempt. It is the grade a page announces.
//
// AidsLevel reaches the same verdict on 9-bit candidate masks, some twenty
// times faster, which lets the generator ask it after every clue it takes
// away. Each aid only ever strikes digits that no solution can hold there,
// and a strike never stops another aid from striking later, so the aids end
// in the same place whatever order they run in: the masks' order of work
// ends where the board's passes do.
#pragma once

#include <optional>

#include "generator/generator.h"
#include "generator/grid.h"

namespace kovalo::sites {

// The lowest level, up to highest, whose aids complete the givens: Easy the
// single digit fields alone; Medium with a box's lone numbers as well; Hard
// (or Evil, the same here) with box-line elimination as well. nullopt when
// the aids up to highest leave blanks, or the givens contradict themselves.
// A completed grid is the one solution of the givens, since every aid's
// step holds in every solution.
std::optional<Level> AidsLevel(const Grid& givens, Level highest = Level::Hard,
                               Grid* completed = nullptr);

// The level as the aids find it on the board; solution is the givens' one
// solution, against which "complete" is judged.
Level GradeOnBoard(const Grid& givens, const Grid& solution);

}  // namespace kovalo::sites
