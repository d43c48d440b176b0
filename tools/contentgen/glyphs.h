// A tiny stroke font: each glyph is a set of straight segments in em units (y up, baseline at
// 0, cap and digit height 1, x-height 0.55), drawn by distance to the nearest segment, which
// gives anti-aliased strokes with round ends at any size.
#pragma once

#include <string_view>
#include <vector>

#include "tools/contentgen/image.h"

namespace solvane::contentgen {

struct Segment {
  double x0, y0, x1, y1;
};

struct Glyph {
  std::vector<Segment> segments;
  double advance = 0;  // pen movement after the glyph, em units, spacing included
};

// Digits 0-9, '-', ':', and the letters the program's artwork needs (S o l v a n e m p). An unknown
// character gives an empty glyph with a space's advance.
Glyph GetGlyph(char c);

// Width of `text` in em units.
double TextWidth(std::string_view text);

// Per-pixel distance, in pixels, from each pixel centre to the nearest stroke centre line of
// `text` with its baseline-left corner at (x, y) pixels (y down) and `em` pixels to the em.
// `slant` shears the strokes to the right per unit of height.
std::vector<double> TextDistance(int width, int height, std::string_view text, double x, double y,
                                 double em, double slant = 0);

// Anti-aliased coverage of a stroke `weight` pixels wide at `distance` from its centre line.
inline double StrokeCoverage(double distance, double weight) {
  return Clamp01(weight / 2 - distance + 0.5);
}

}  // namespace solvane::contentgen
