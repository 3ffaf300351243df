#include "app/tooltips.h"

#include <utility>

namespace kovalo {
namespace {

const std::pair<int, const char*> kTexts[] = {
    {1000,
     "Click Reset and Enter the numbers for sudoku puzzle and then Click this button to Lock "
     "any single digit numbers to a read only mode to start a user defined puzzle"},
    {1001,
     "Click to Clear The Boxes Below to empty or to the reset them to the starting pattern of "
     "the puzzle"},
    {1002, "Check to display Colored Boxes Indicating Status of each Box"},
    {1003, "Click to fill any blank boxes with all the possible chooses for each blank box"},
    {1004,
     "Click to Open a web browser for the current puzzle being solved (A puzzle must have "
     "been downloaded 1st)"},
    {1010, "Click to undo 1 more steps back in time"},
    {1011, "Click to restore 1 or more steps forward in time"},
    {1012, "Click to save the puzzle in its current state"},
    {1013,
     "Click to reload a saved puzzle that is selected in the blue box below with a green "
     "border around it"},
    {1100, "Click to download Mondays Puzzle from the website selected"},
    {1101, "Click to download Tuesdays Puzzle from the website selected"},
    {1102, "Click to download Wendsdays Puzzle from the website selected"},
    {1103, "Click to download Thursdays Puzzle from the website selected"},
    {1104, "Click to download Fridays Puzzle from the website selected"},
    {1105, "Click to download Saturdays Puzzle from the website selected"},
    {1106, "Click to download Sundays Puzzle from the website selected"},
    {1110, "Click to download A random Puzzle from the random sudoku Website"},
    {1111, "Check to select a 2nd alternate weekly website"},
    {1112, "Check to select a 3rd alternate weekly website haveing an easy game level"},
    {1113, "Check to select a 3rd alternate weekly website having an average game level"},
    {1114, "Check to select a 3rd alternate weekly website having a hard game level"},
    {1115, "Check to select a 3rd alternate weekly website having a very difficult game level"},
    {1116, "Check to select a the orginal weekly website having a varies difficulty levels"},
    {1200, "Puzzle Number"},
    {1201, "Date Puzzle was created on website"},
    {1202, "Current Time Save was Made"},
    {1203, "If Icon is visible then this was the first save created"},
    {1204, "Day of Week puzzle was created on website"},
    {1205,
     "Green Check Means Answers have been downloaded , Red X Means Puzzle Answer is not "
     "available"},
    {1206, "Programmers Nick Name of Puzzle Site"},
    {1207,
     "Green Check Means Puzzle has Been Completed and answers are Correct, Yellow Check Means "
     "All fields have 1 digit but unable to verify answer , Red X means Puzzle has not been "
     "completed yet"},
    {1208, "Puzzle Skill Level"},
};

}  // namespace

std::optional<std::string> TooltipText(int id) {
  for (const auto& [toolId, text] : kTexts)
    if (toolId == id) return std::string(text);
  return std::nullopt;
}

}  // namespace kovalo
