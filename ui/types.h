#pragma once
// Plain value types of the widget model: geometry, colours, fonts and the
// enumerations that buttons, message boxes and forms share.

#include <cstdint>
#include <string>

namespace ui {

// Pixels at 96 DPI; the Win32 renderer scales them for the monitor.
struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  int right() const { return left + width; }
  int bottom() const { return top + height; }
  bool operator==(const Rect&) const = default;
};

// A colour is 0x00BBGGRR, or a system colour: the high bit set and the
// system colour index in the low byte (as GetSysColor numbers them).
using Color = std::uint32_t;

namespace colors {
inline constexpr Color black = 0x000000;
inline constexpr Color maroon = 0x000080;
inline constexpr Color green = 0x008000;
inline constexpr Color olive = 0x008080;
inline constexpr Color navy = 0x800000;
inline constexpr Color purple = 0x800080;
inline constexpr Color teal = 0x808000;
inline constexpr Color gray = 0x808080;
inline constexpr Color silver = 0xC0C0C0;
inline constexpr Color red = 0x0000FF;
inline constexpr Color lime = 0x00FF00;
inline constexpr Color yellow = 0x00FFFF;
inline constexpr Color blue = 0xFF0000;
inline constexpr Color fuchsia = 0xFF00FF;
inline constexpr Color aqua = 0xFFFF00;
inline constexpr Color white = 0xFFFFFF;

inline constexpr Color systemFlag = 0x80000000;
inline constexpr Color windowBackground = systemFlag | 5;  // COLOR_WINDOW
inline constexpr Color windowText = systemFlag | 8;        // COLOR_WINDOWTEXT
inline constexpr Color buttonFace = systemFlag | 15;       // COLOR_BTNFACE
inline constexpr Color buttonText = systemFlag | 18;       // COLOR_BTNTEXT

constexpr bool isSystem(Color c) { return (c & systemFlag) != 0; }
constexpr int systemIndex(Color c) { return static_cast<int>(c & 0xFF); }
}  // namespace colors

struct Font {
  std::string name = "MS Sans Serif";
  int height = 11;  // character height in pixels
  bool bold = false;
  bool italic = false;
  bool underline = false;
  Color color = colors::windowText;
  bool operator==(const Font&) const = default;
};

// Modal results; the numbers are the platform's (and MessageBox's IDOK ...).
enum class ModalResult : int {
  None = 0,
  Ok = 1,
  Cancel = 2,
  Abort = 3,
  Retry = 4,
  Ignore = 5,
  Yes = 6,
  No = 7,
  All = 8,
  NoToAll = 9,
  YesToAll = 10,
};

// Stock button kinds: each brings its default caption and modal result.
enum class ButtonKind { Custom, Ok, Cancel, Help, Yes, No, Close, Abort, Retry, Ignore, All };

// The small images a button can carry beside its caption (ui/glyphs.h).
enum class Glyph { None, ArrowLeft, ArrowRight, Ok, Yes, YesToAll, No, NoToAll };

enum class Cursor { Default, Wait };

enum class Align { None, Top, Bottom, Left, Right, Client };
enum class TextAlign { Left, Center, Right };
enum class Bevel { None, Raised, Lowered };

enum class BorderStyle {
  Dialog,      // fixed size, title bar with a close box
  DialogNoSystemMenu,  // fixed size, title bar without any buttons
  ToolWindow,  // small title bar with a close box
  Sizeable,    // resizable frame
  None,        // no border, no title bar
};

enum class FormPosition { Designed, ScreenCenter, DesktopCenter };

// Virtual-key codes the model reacts to (same numbers as Windows).
namespace keys {
inline constexpr int enter = 0x0D;
inline constexpr int escape = 0x1B;
inline constexpr int space = 0x20;
inline constexpr int f3 = 0x72;
}  // namespace keys

}  // namespace ui
