// The headless font metric and the gradient arithmetic.

#include <gtest/gtest.h>

#include "ui/gradient.h"
#include "ui/headless/text_metrics.h"

namespace ui {
namespace {

TEST(TextMetricsTest, WidthsFromTheFixedTable) {
  Font f;  // MS Sans Serif, 11 pixels
  Font bold = f;
  bold.bold = true;
  Font big = f;
  big.height = 22;
  struct Case {
    const Font* font;
    const char* text;
    int width;
  };
  const Case cases[] = {
      {&f, "", 0},
      {&f, "a", 6},
      {&f, "il", 4},
      {&f, "C:\\", 7 + 2 + 4},
      {&f, "MW mw", 10 + 10 + 3 + 9 + 9},
      {&f, "\xC4\xE0", 7 + 6},      // Да
      {&f, "\xD8\xF8", 10 + 8},     // Шш
      {&bold, "ab", 6 + 6 + 2},
      {&big, "a", 12},
      {&big, "il", 8},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(headless::textWidth(*cases[i].font, cases[i].text), cases[i].width)
        << "case " << i << ": " << cases[i].text;
  }
  EXPECT_EQ(headless::lineHeight(f), 13);
}

TEST(TextMetricsTest, WidthIsAdditive) {
  Font f;
  f.height = 16;  // scaling rounds the total, not each character
  EXPECT_EQ(headless::textWidth(f, "aaa"), (18 * 16 * 2 + 11) / 22);
}

TEST(GradientTest, RedToBlackInStandardBands) {
  const auto table = gradient::colorTable(0x0000FF, 0x000000, 128);
  ASSERT_EQ(table.size(), 128u);
  EXPECT_EQ(table[0], 0x0000FFu);
  EXPECT_EQ(table[1], 253u);
  EXPECT_EQ(table[64], 128u);  // 127.5 rounds to the even neighbour
  EXPECT_EQ(table[127], 2u);
}

TEST(GradientTest, ChannelsAreInterpolatedSeparately) {
  const auto table = gradient::colorTable(0x00FF00, 0x000000, 16);
  ASSERT_EQ(table.size(), 16u);
  EXPECT_EQ(table[0], 0x00FF00u);
  EXPECT_EQ(table[8], 0x008000u);  // 255 - 8 * 255 / 16 = 127.5 -> 128
  for (auto c : table) EXPECT_EQ(c & 0xFF00FFu, 0u);
}

TEST(GradientTest, CountsOutsideTheRangeGive128) {
  struct Case {
    int requested;
    int used;
  };
  const Case cases[] = {{300, 128}, {10, 128}, {16, 16}, {256, 256}, {0, 128}, {-1, 128}};
  for (const auto& c : cases) {
    EXPECT_EQ(gradient::effectiveCount(c.requested), c.used) << c.requested;
  }
}

TEST(GradientTest, BandsCoverThePanel) {
  for (int i = 0; i < 128; ++i) {
    EXPECT_EQ(gradient::bandTop(i + 1, 768, 128) - gradient::bandTop(i, 768, 128), 6) << "band " << i;
  }
  struct Case {
    int index;
    int top;
  };
  // 100 rows: MulDiv(i, 100, 128), halves away from zero.
  const Case cases[] = {{0, 0}, {1, 1}, {2, 2}, {3, 2}, {4, 3}, {64, 50}, {127, 99}, {128, 100}};
  for (const auto& c : cases) EXPECT_EQ(gradient::bandTop(c.index, 100, 128), c.top) << "band " << c.index;
}

TEST(GradientTest, MulDivRoundsHalvesAwayFromZero) {
  EXPECT_EQ(gradient::mulDiv(1, 1, 2), 1);
  EXPECT_EQ(gradient::mulDiv(-1, 1, 2), -1);
  EXPECT_EQ(gradient::mulDiv(5, 3, 0), -1);
  EXPECT_EQ(gradient::mulDiv(2000000000, 3, 4), 1500000000);
}

}  // namespace
}  // namespace ui
