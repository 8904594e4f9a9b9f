#pragma once
// The arithmetic of a vertical colour gradient in bands: which colour each
// band has and which rows it covers. Kept apart from painting so it can be
// tested exactly.

#include <vector>

#include "ui/types.h"

namespace ui::gradient {

// 16 to 256 bands are taken; any other count gives 128.
int effectiveCount(int requested);

// Colour i of n: each channel c1 + i * (c2 - c1) / n, rounded to the
// nearest integer with halves to the even neighbour. The last colour stops
// one step short of `end`.
std::vector<Color> colorTable(Color start, Color end, int count);

// Rows [top, bottom) of band i of n in a panel `height` rows high: MulDiv
// rounding (nearest, halves away from zero).
int bandTop(int index, int height, int count);

// Windows' MulDiv: a * b / c rounded to nearest, halves away from zero.
int mulDiv(int a, int b, int c);

}  // namespace ui::gradient
