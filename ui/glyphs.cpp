#include "ui/glyphs.h"

#include <array>
#include <string_view>

namespace ui::glyphs {

namespace {

using Image = std::array<std::string_view, kSize>;

// '.' shows the button; the letters are the palette below.
constexpr Image kArrowRight = {
    "................",
    "................",
    ".......k........",
    ".......kk.......",
    ".......kbk......",
    "kkkkkkkkbbk.....",
    "kbbbbbbbbbbk....",
    "kbbbbbbbbbbbk...",
    "kbbbbbbbbbbbbk..",
    "kbbbbbbbbbbbk...",
    "kbbbbbbbbbbk....",
    "kkkkkkkkbbk.....",
    ".......kbk......",
    ".......kk.......",
    ".......k........",
    "................",
};

constexpr Image kCheck = {
    "................",
    "................",
    "............kk..",
    "...........kgk..",
    "..........kggk..",
    ".........kggk...",
    "..kk....kggk....",
    ".kggk..kggk.....",
    ".kgggkkggk......",
    "..kgggggk.......",
    "...kgggk........",
    "....kgk.........",
    ".....k..........",
    "................",
    "................",
    "................",
};

constexpr Image kDoubleCheck = {
    "................",
    "................",
    "..........kk..kk",
    ".........kgkkkgk",
    "........kggkkggk",
    ".......kggkkggk.",
    "kk....kggkkggk..",
    "kgk..kggkkggk...",
    "kggkkggkkggk....",
    ".kggggkkggk.....",
    "..kggkkggk......",
    "...kk.kgk.......",
    "......kk........",
    "................",
    "................",
    "................",
};

constexpr Image kCross = {
    "................",
    "................",
    "...kk......kk...",
    "..krrk....krrk..",
    "..krrrk..krrrk..",
    "...krrrkkrrrk...",
    "....krrrrrrk....",
    ".....krrrrk.....",
    ".....krrrrk.....",
    "....krrrrrrk....",
    "...krrrkkrrrk...",
    "..krrrk..krrrk..",
    "..krrk....krrk..",
    "...kk......kk...",
    "................",
    "................",
};

constexpr Image kDoubleCross = {
    "................",
    "rr....rr........",
    "rrr..rrr........",
    ".rrrrrr.........",
    "..rrrr..........",
    "..rrrr..........",
    ".rrrrrr.........",
    "rrr..rrrr....rr.",
    "rr....rrrr..rrr.",
    "........rrrrrr..",
    ".........rrrr...",
    ".........rrrr...",
    "........rrrrrr..",
    ".......rrr..rrr.",
    ".......rr....rr.",
    "................",
};

std::optional<Color> colourOf(char c) {
  switch (c) {
    case 'k': return colors::black;
    case 'b': return Color{0xC06000};  // a clear blue (0x00BBGGRR)
    case 'g': return Color{0x00A000};
    case 'r': return Color{0x0000D0};
    default: return std::nullopt;
  }
}

const Image* imageOf(Glyph glyph) {
  switch (glyph) {
    case Glyph::ArrowLeft:
    case Glyph::ArrowRight: return &kArrowRight;
    case Glyph::Ok:
    case Glyph::Yes: return &kCheck;
    case Glyph::YesToAll: return &kDoubleCheck;
    case Glyph::No: return &kCross;
    case Glyph::NoToAll: return &kDoubleCross;
    case Glyph::None: return nullptr;
  }
  return nullptr;
}

}  // namespace

std::optional<Color> pixel(Glyph glyph, int x, int y) {
  const Image* image = imageOf(glyph);
  if (image == nullptr || x < 0 || y < 0 || x >= kSize || y >= kSize) return std::nullopt;
  // The left arrow is the right one mirrored.
  if (glyph == Glyph::ArrowLeft) x = kSize - 1 - x;
  const std::string_view row = (*image)[static_cast<std::size_t>(y)];
  if (static_cast<std::size_t>(x) >= row.size()) return std::nullopt;
  return colourOf(row[static_cast<std::size_t>(x)]);
}

int opaquePixels(Glyph glyph) {
  int n = 0;
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      if (pixel(glyph, x, y)) ++n;
    }
  }
  return n;
}

Color greyed(Color c) {
  const unsigned r = c & 0xFF;
  const unsigned g = (c >> 8) & 0xFF;
  const unsigned b = (c >> 16) & 0xFF;
  // Lighter than the colour itself, as disabled images are.
  const unsigned l = 96 + (r * 30 + g * 59 + b * 11) / 100 / 2;
  return Color{l | (l << 8) | (l << 16)};
}

}  // namespace ui::glyphs
