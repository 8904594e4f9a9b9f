#pragma once
// The headless renderer's font metric: a fixed advance width per character
// for an 11-pixel font, scaled to the font's height. Deterministic, so tests
// of text fitting do not depend on installed fonts.
//
//   width = round((sum of advances + (bold ? characters : 0)) * height / 11)
//
// Advances: space 3; "il.,:;'|!" 2; "Ifjrt()[]/\\-" 4; "mw" 9; "MW" 10;
// other ASCII letters: upper case 7, lower case 6; digits and other ASCII 6;
// Cyrillic (1251): upper case 7, lower case 6, "ЖШЩЫЮжшщыюм" 8 for lower
// case and 10 for upper case; any other byte 6.

#include <string_view>

#include "ui/types.h"

namespace ui::headless {

int advance(unsigned char c);
int textWidth(const Font& font, std::string_view text);
int lineHeight(const Font& font);

}  // namespace ui::headless
