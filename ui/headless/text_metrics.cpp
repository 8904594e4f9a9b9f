#include "ui/headless/text_metrics.h"

#include <string_view>

namespace ui::headless {

namespace {
bool in(std::string_view set, unsigned char c) { return set.find(static_cast<char>(c)) != std::string_view::npos; }
}  // namespace

int advance(unsigned char c) {
  if (c == ' ') return 3;
  if (in("il.,:;'|!", c)) return 2;
  if (in("Ifjrt()[]/\\-", c)) return 4;
  if (in("mw", c)) return 9;
  if (in("MW", c)) return 10;
  if (c >= 'A' && c <= 'Z') return 7;
  if (c >= 'a' && c <= 'z') return 6;
  if (c < 0x80) return 6;
  // Cyrillic letters of code page 1251: wide ones first.
  if (in("\xC6\xD8\xD9\xDB\xDE", c)) return 10;      // Ж Ш Щ Ы Ю
  if (in("\xE6\xF8\xF9\xFB\xFE\xEC", c)) return 8;  // ж ш щ ы ю м
  if (c >= 0xC0 && c <= 0xDF) return 7;
  if (c >= 0xE0) return 6;
  return 6;
}

int textWidth(const Font& font, std::string_view text) {
  int units = 0;
  for (char c : text) units += advance(static_cast<unsigned char>(c));
  if (font.bold) units += static_cast<int>(text.size());
  return (units * font.height * 2 + 11) / 22;  // rounded to nearest
}

int lineHeight(const Font& font) { return font.height + 2; }

}  // namespace ui::headless
