#pragma once
// The small images of buttons (Back and Next arrows, OK, the overwrite
// question's answers), kept as source: 16 x 16 pixels, one character per
// pixel. Both renderers read the same pixels; the Win32 one draws them
// beside the caption, greyed when the button is disabled.

#include <optional>

#include "ui/types.h"

namespace ui::glyphs {

inline constexpr int kSize = 16;

// The pixel's colour, or nothing where the button shows through.
std::optional<Color> pixel(Glyph glyph, int x, int y);
// How many pixels of the image are drawn (0 for Glyph::None).
int opaquePixels(Glyph glyph);
// The disabled look of a colour: a grey of the same lightness.
Color greyed(Color c);

}  // namespace ui::glyphs
