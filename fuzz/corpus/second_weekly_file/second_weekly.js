// Kovalo second weekly site: day file for 10-4-2006.
// iGridUnsolved holds the puzzle row by row (0 marks an empty square),
// followed by its solution in the same order.
var iGridUnsolved= new Array(0,1,0,9,8,0,0,0,0,0,0,0,3,0,4,0,0,5,8,3,6,0,5,0,0,0,0,0,5,0,0,4,0,0,9,0,9,0,4,0,2,0,0,6,0,0,7,0,0,1,0,0,5,0,0,4,0,0,0,0,0,3,1,3,6,2,0,0,0,0,8,0,0,0,0,5,0,0,7,0,4,4,1,5,9,8,2,3,7,6,7,2,9,3,6,4,8,1,5,8,3,6,1,5,7,9,4,2,6,5,1,8,4,3,2,9,7,9,8,4,7,2,5,1,6,3,2,7,3,6,1,9,4,5,8,5,4,7,2,9,8,6,3,1,3,6,2,4,7,1,5,8,9,1,9,8,5,3,6,7,2,4);
var sDayName = 'Monday', sPublished = '10 April 2006';
var sPuzzleID = 'Puzzle #1734 - ' + sDayName;

function ShowPuzzle(oGrid, bSolved)
{
  for (var i = 0; i < 81; i++)
  {
    var v = bSolved ? iGridUnsolved[81 + i] : iGridUnsolved[i];
    oGrid.cells[i].innerHTML = v ? String(v) : '&nbsp;';
  }
  document.title = sPuzzleID + ', ' + sPublished;
}
