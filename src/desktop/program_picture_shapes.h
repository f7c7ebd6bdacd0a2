// The program's 48 by 48 picture as shapes, for each toolkit to paint: a
// script page with a folded corner, script lines and a large Z across it.
#pragma once

#include <array>

namespace zarn::picture {

struct Point {
  double x, y;
};

inline constexpr int kSize = 48;

inline constexpr std::array<Point, 5> kPage{{{8, 2}, {32, 2}, {42, 12}, {42, 46}, {8, 46}}};
inline constexpr std::array<Point, 3> kFold{{{32, 2}, {32, 12}, {42, 12}}};
inline constexpr std::array<Point, 10> kLetter{
    {{13, 14}, {37, 14}, {37, 19}, {21, 36}, {37, 36}, {37, 42}, {13, 42}, {13, 37}, {29, 20}, {13, 20}}};

// The script lines behind the letter: from kLineLeft to kLineRight at each
// height from kFirstLine to kLastLine, kLineGap apart.
inline constexpr double kLineLeft = 12, kLineRight = 38;
inline constexpr int kFirstLine = 18, kLastLine = 42, kLineGap = 6;

// Outline widths, in picture pixels.
inline constexpr double kPageOutline = 1.5, kLineWidth = 1.5, kLetterOutline = 1;

}  // namespace zarn::picture
