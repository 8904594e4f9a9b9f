// Fitting a full file name into the overwrite dialog's label.

#include "wizard/file_name_fitting.h"

#include <gtest/gtest.h>

#include "ui/headless/text_metrics.h"
#include "wizard/text_wrapping.h"

namespace wizard {
namespace {

// One pixel per character: the arithmetic of each case can be checked by
// counting.
int Chars(std::string_view text) { return static_cast<int>(text.size()); }

TEST(FitFileNameTest, DirectoriesGiveWayFromTheEndThenTheNameIsCut) {
  const std::string longName = "C:\\Program Files\\Vendor Product Directory\\Subdirectory\\file.dll";  // 63
  struct Case {
    std::string input;
    int width;
    std::string shown;
  };
  const Case cases[] = {
      // Fits: unchanged.
      {longName, 63, longName},
      {"C:\\a.txt", 8, "C:\\a.txt"},
      // The last directory gives way first, then the one before it.
      {longName, 62, "C:\\Program Files\\Vendor Product Directory\\...\\file.dll"},
      {longName, 54, "C:\\Program Files\\Vendor Product Directory\\...\\file.dll"},
      {longName, 53, "C:\\Program Files\\...\\file.dll"},
      {longName, 29, "C:\\Program Files\\...\\file.dll"},
      {longName, 28, "C:\\...\\file.dll"},
      {longName, 15, "C:\\...\\file.dll"},
      // Even "\...\" is too wide: the name is cut and marked.
      {longName, 14, "C:\\...\\file..."},
      {longName, 12, "C:\\...\\fi..."},
      // Drive and name alone are too wide: straight to the cut name; the
      // name may vanish entirely.
      {longName, 9, "C:\\...\\..."},
      {"C:\\dir\\averyveryverylongname.dll", 20, "C:\\...\\averyveryv..."},
      // A bare name: the drive is ":" alone.
      {"averyveryverylongname.dll", 25, "averyveryverylongname.dll"},
      {"averyveryverylongname.dll", 20, ":\\...\\averyveryve..."},
      // A relative directory without a leading backslash.
      {"C:one\\two\\three\\name.txt", 22, "C:one\\two\\...\\name.txt"},
      {"C:one\\two\\three\\name.txt", 21, "C:one\\...\\name.txt"},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    EXPECT_EQ(FitFileName(c.input, c.width, Chars), c.shown) << "case " << i << ": " << c.input << " in " << c.width;
  }
}

TEST(FitFileNameTest, ResultFitsWheneverDriveAndShortenedDirectoryCan) {
  const ui::Font font;  // the dialog's 11-pixel font
  const auto measure = [&font](std::string_view t) { return ui::headless::textWidth(font, t); };
  const std::string s =
      "C:\\Program Files\\Vendor Product Directory\\Subdirectory\\Another Level\\Deeper Still\\library.dll";
  ASSERT_GT(measure(s), 369);
  for (int width = 369; width >= 60; width -= 7) {
    const std::string shown = FitFileName(s, width, measure);
    EXPECT_LE(measure(shown), width) << "width " << width << ": " << shown;
    EXPECT_EQ(shown.rfind("C:\\", 0), 0u) << "width " << width << ": " << shown;
  }
  EXPECT_EQ(FitFileName(s, 369, measure), "C:\\Program Files\\Vendor Product Directory\\Subdirectory\\...\\library.dll");
}

TEST(WrappedLineCountTest, WordsFillLinesGreedily) {
  struct Case {
    const char* text;
    int width;
    int lines;
  };
  const Case cases[] = {
      {"", 10, 0},
      {"one", 10, 1},
      {"one two", 7, 1},
      {"one two", 6, 2},
      {"one two three", 7, 2},
      {"one two three", 3, 3},
      // A word wider than the line takes a line of its own.
      {"a verylongword b", 5, 3},
      {"verylongword", 5, 1},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    EXPECT_EQ(WrappedLineCount(c.text, c.width, Chars), c.lines) << "case " << i << ": " << c.text << " in " << c.width;
  }
}

}  // namespace
}  // namespace wizard
