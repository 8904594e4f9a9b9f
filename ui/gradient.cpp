#include "ui/gradient.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace ui::gradient {

int effectiveCount(int requested) { return requested >= 16 && requested <= 256 ? requested : 128; }

namespace {
int channel(Color c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }

int interpolate(int c1, int c2, int i, int n) {
  const double v = c1 + static_cast<double>(i) * (c2 - c1) / n;
  // nearbyint uses the default rounding mode: to nearest, ties to even.
  return static_cast<int>(std::nearbyint(v));
}
}  // namespace

std::vector<Color> colorTable(Color start, Color end, int count) {
  const int n = effectiveCount(count);
  std::vector<Color> table;
  table.reserve(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    const int r = interpolate(channel(start, 0), channel(end, 0), i, n);
    const int g = interpolate(channel(start, 8), channel(end, 8), i, n);
    const int b = interpolate(channel(start, 16), channel(end, 16), i, n);
    table.push_back(static_cast<Color>(r) | (static_cast<Color>(g) << 8) | (static_cast<Color>(b) << 16));
  }
  return table;
}

int mulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  const std::int64_t p = static_cast<std::int64_t>(a) * b;
  const std::int64_t half = std::llabs(c) / 2;
  const bool negative = (p < 0) != (c < 0);
  const std::int64_t q = (std::llabs(p) + half) / std::llabs(c);
  return static_cast<int>(negative ? -q : q);
}

int bandTop(int index, int height, int count) { return mulDiv(index, height, effectiveCount(count)); }

}  // namespace ui::gradient
