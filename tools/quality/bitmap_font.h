// A tiny built-in 5×7 bitmap font for labels in snapshots: A–Z (lower case is
// drawn as upper case), 0–9, space and common punctuation; any other character
// is drawn as a hollow box.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fitool {

inline constexpr int kGlyphWidth = 5;
inline constexpr int kGlyphHeight = 7;
inline constexpr int kGlyphAdvance = kGlyphWidth + 1;  // one blank column between glyphs

// The glyph's rows, top first; bit 4 of each row is the leftmost pixel.
const uint8_t* GlyphRows(char c);

// Draws `text` into an RGB canvas (`canvas_width` pixels per row) with its top
// left corner at (x, y), every font pixel as a scale × scale square of
// `colour`. Glyphs that would cross `max_x` (exclusive) are not drawn.
void DrawText(std::vector<uint8_t>& canvas, int canvas_width, int x, int y, int max_x, int scale,
              const std::string& text, const uint8_t (&colour)[3]);

}  // namespace fitool
