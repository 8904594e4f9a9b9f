// The background window: when it appears, its settings, and the exact
// colours and rows of the gradient bands it paints.

#include <gtest/gtest.h>

#include <cmath>

#include "tests/ui/headless_fixture.h"
#include "ui/gradient.h"
#include "wizard/background_window.h"

namespace wizard {
namespace {

class BackgroundTest : public ui::testing::HeadlessTest {};

int Red(ui::Color c) { return static_cast<int>(c & 0xFF); }
int Green(ui::Color c) { return static_cast<int>((c >> 8) & 0xFF); }
int Blue(ui::Color c) { return static_cast<int>((c >> 16) & 0xFF); }

TEST_F(BackgroundTest, ColorZeroShowsNothing) {
  EXPECT_EQ(ShowBackgroundWindow(app, "Продукт", 0), nullptr);
  EXPECT_EQ(app.mainForm(), nullptr);
}

TEST_F(BackgroundTest, WindowSettings) {
  auto window = ShowBackgroundWindow(app, "Продукт 2.0", 0xFF0000);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->shown());
  EXPECT_FALSE(window->isModal());
  EXPECT_EQ(window->borderStyle(), ui::BorderStyle::None);
  EXPECT_TRUE(window->maximized());
  EXPECT_FALSE(window->enabled());
  const ui::GradientPanel& fill = window->Fill;
  EXPECT_EQ(fill.align(), ui::Align::Client);
  EXPECT_EQ(fill.caption(), "Продукт 2.0");
  EXPECT_EQ(fill.colorStart(), 0xFF0000u);
  EXPECT_EQ(fill.colorEnd(), ui::colors::black);
  EXPECT_EQ(fill.colorCount(), 128);
  EXPECT_EQ(fill.shadowColor(), ui::colors::black);
  const ui::Font font = fill.font();
  EXPECT_EQ(font.name, "MS Sans Serif");
  EXPECT_EQ(font.height, 24);
  EXPECT_TRUE(font.italic);
  EXPECT_FALSE(font.bold);
  EXPECT_EQ(font.color, ui::colors::lime);
  // The wizard is handed the front again.
  EXPECT_EQ(ui->bringToFrontCount(), 1);
}

TEST_F(BackgroundTest, LimeBackgroundGetsAYellowTitle) {
  auto window = ShowBackgroundWindow(app, "Продукт", 65280);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->Fill.font().color, ui::colors::yellow);
  EXPECT_EQ(window->Fill.shadowColor(), ui::colors::black);
  // Other colours keep lime.
  EXPECT_EQ(BackgroundCaptionFont(0x00FF01).color, ui::colors::lime);
  EXPECT_EQ(BackgroundCaptionFont(255).color, ui::colors::lime);
}

TEST_F(BackgroundTest, NeverBecomesTheMainForm) {
  // Shown before the wizard's window has been shown.
  auto window = ShowBackgroundWindow(app, "Продукт", 255);
  EXPECT_EQ(app.mainForm(), nullptr);
  ui::Form wizardWindow(app, "TfrmInstall");
  wizardWindow.showForm();
  EXPECT_EQ(app.mainForm(), &wizardWindow);
  // Shown while the wizard's window is the main form.
  auto second = ShowBackgroundWindow(app, "Продукт", 255);
  EXPECT_EQ(app.mainForm(), &wizardWindow);
  EXPECT_FALSE(app.terminated());
}

TEST_F(BackgroundTest, RedGradientColours) {
  auto window = ShowBackgroundWindow(app, "Продукт", 255);
  ASSERT_NE(window, nullptr);
  const auto table = ui::gradient::colorTable(window->Fill.colorStart(), window->Fill.colorEnd(), window->Fill.colorCount());
  ASSERT_EQ(table.size(), 128u);
  struct Case {
    std::size_t band;
    int red;
  };
  // 255 - i * 255 / 128, to the nearest, halves to even: band 64 is 127.5 -> 128.
  const Case cases[] = {{0, 255}, {1, 253}, {2, 251}, {63, 129}, {64, 128}, {65, 126}, {127, 2}};
  for (const Case& c : cases) {
    EXPECT_EQ(Red(table[c.band]), c.red) << "band " << c.band;
    EXPECT_EQ(Green(table[c.band]), 0) << "band " << c.band;
    EXPECT_EQ(Blue(table[c.band]), 0) << "band " << c.band;
  }
  EXPECT_EQ(table[0], 0x0000FFu);
}

TEST_F(BackgroundTest, ChannelsAreInterpolatedSeparately) {
  // 0x00BBGGRR = blue 0x20, green 0x80, red 0xFF.
  const auto table = ui::gradient::colorTable(0x2080FF, ui::colors::black, 128);
  for (std::size_t i = 0; i < table.size(); ++i) {
    const double step = static_cast<double>(i) / 128;
    EXPECT_EQ(Red(table[i]), static_cast<int>(std::nearbyint(255 - 255 * step))) << "band " << i;
    EXPECT_EQ(Green(table[i]), static_cast<int>(std::nearbyint(128 - 128 * step))) << "band " << i;
    EXPECT_EQ(Blue(table[i]), static_cast<int>(std::nearbyint(32 - 32 * step))) << "band " << i;
  }
  // Green 128 * 127 / 128 = 1 exactly; blue 32 * 1/128 = 0.25 -> 0 in the last band.
  EXPECT_EQ(Green(table[127]), 1);
  EXPECT_EQ(Blue(table[127]), 0);
}

TEST_F(BackgroundTest, BandRows) {
  // 768 rows: 128 bands of exactly 6 rows.
  for (int i = 0; i < 128; ++i) {
    EXPECT_EQ(ui::gradient::bandTop(i, 768, 128), 6 * i) << "band " << i;
    EXPECT_EQ(ui::gradient::bandTop(i + 1, 768, 128) - ui::gradient::bandTop(i, 768, 128), 6) << "band " << i;
  }
  // 100 rows: bands of 0 or 1 row, MulDiv rounding (halves away from zero).
  struct Case {
    int band;
    int top;
  };
  const Case cases[] = {{0, 0}, {1, 1}, {2, 2}, {3, 2}, {32, 25}, {64, 50}, {127, 99}, {128, 100}};
  for (const Case& c : cases) EXPECT_EQ(ui::gradient::bandTop(c.band, 100, 128), c.top) << "band " << c.band;
  int covered = 0;
  for (int i = 0; i < 128; ++i) {
    const int rows = ui::gradient::bandTop(i + 1, 100, 128) - ui::gradient::bandTop(i, 100, 128);
    EXPECT_TRUE(rows == 0 || rows == 1) << "band " << i;
    covered += rows;
  }
  EXPECT_EQ(covered, 100);
}

TEST_F(BackgroundTest, BandCountOutsideTheRangeGives128) {
  auto window = ShowBackgroundWindow(app, "Продукт", 255);
  ASSERT_NE(window, nullptr);
  struct Case {
    int requested;
    int used;
  };
  const Case cases[] = {{300, 128}, {10, 128}, {15, 128}, {16, 16}, {256, 256}, {257, 128}, {0, 128}, {-5, 128}};
  for (const Case& c : cases) {
    window->Fill.setColorCount(c.requested);
    EXPECT_EQ(window->Fill.colorCount(), c.used) << "requested " << c.requested;
    EXPECT_EQ(ui::gradient::colorTable(255, 0, window->Fill.colorCount()).size(), static_cast<std::size_t>(c.used))
        << "requested " << c.requested;
  }
}

}  // namespace
}  // namespace wizard
