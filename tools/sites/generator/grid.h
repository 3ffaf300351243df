// A puzzle as the generator handles it: 81 digits in grid reading order
// (row 0 columns 0..8, then row 1 ...), 0 for a blank, and the grid's rows,
// columns, boxes and peers by grid index, taken from the board's geometry.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kovalo::sites {

constexpr int kGridCells = 81;
using Grid = std::array<std::uint8_t, kGridCells>;

// 81 characters, '1'..'9' a digit, '.' or '0' a blank; nullopt for any
// other length or character.
std::optional<Grid> GridOfText(std::string_view text);
// Digits as '1'..'9', blanks as '.'.
std::string TextOfGrid(const Grid& grid);

// The nine units of each kind, and the units and peers of every cell, all as
// grid indices.
struct GridTables {
  std::array<std::array<std::uint8_t, 9>, 9> rows, cols, boxes;  // boxes in reading order
  std::array<std::uint8_t, kGridCells> rowOf, colOf, boxOf;
  std::array<std::array<std::uint8_t, 20>, kGridCells> peers;
};
const GridTables& Tables();

}  // namespace kovalo::sites
