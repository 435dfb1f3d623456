// Offsets of the block-search patterns, in the order their points are tested.
#pragma once

#include <cstdint>

namespace frameinterp {

struct SearchOffset {
  int8_t x, y;
};

// The eight neighbours: edges first, then corners.
inline constexpr SearchOffset SQUARE_8[] = {
    {0, -1}, {0, 1}, {-1, 0}, {1, 0}, {-1, -1}, {-1, 1}, {1, -1}, {1, 1}};

// Small diamond: left, top, right, bottom.
inline constexpr SearchOffset DIAMOND_4[] = {{-1, 0}, {0, -1}, {1, 0}, {0, 1}};

// Large diamond, clockwise from the left tip.
inline constexpr SearchOffset DIAMOND_8[] = {
    {-2, 0}, {-1, -1}, {0, -2}, {1, -1}, {2, 0}, {1, 1}, {0, 2}, {-1, 1}};

// Flat hexagon: left tip, the four slanted points, right tip.
inline constexpr SearchOffset HEXAGON_6[] = {{-2, 0}, {-1, -2}, {-1, 2}, {1, -2}, {1, 2}, {2, 0}};

// Ring of the multi-hexagon grid: left column, right column, bottom arc, top arc.
inline constexpr SearchOffset HEXAGON_16[] = {
    {-4, -2}, {-4, -1}, {-4, 0}, {-4, 1}, {-4, 2},  //
    {4, -2},  {4, -1},  {4, 0},  {4, 1},  {4, 2},   //
    {-2, 3},  {0, 4},   {2, 3},                     //
    {-2, -3}, {0, -4},  {2, -3}};

}  // namespace frameinterp
