// Weight windows of the overlapped block compensation. For a block edge B the
// window is a 2B x 2B square of weights, stored by rows, highest in the middle
// and falling off toward the edges, so that neighbouring blocks' windows
// blend into each other.
#pragma once

#include <array>
#include <cstdint>

namespace frameinterp {

// Windows for block edges 16, 8, 4 and 2 (sides 32, 16, 8, 4).
extern const std::array<uint8_t, 32 * 32> overlap_window_32;
extern const std::array<uint8_t, 16 * 16> overlap_window_16;
extern const std::array<uint8_t, 8 * 8> overlap_window_8;
extern const std::array<uint8_t, 4 * 4> overlap_window_4;

// The window of block edge 1 << log2_block_size is
// overlap_windows[4 - log2_block_size]; log2_block_size must be 1 to 4.
extern const uint8_t* const overlap_windows[4];

}  // namespace frameinterp
