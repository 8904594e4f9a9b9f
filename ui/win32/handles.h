#pragma once
// Owning wrappers for the Win32 handles the renderer creates. A raw handle
// appears only at the call that uses it.

#include <windows.h>
#include <uxtheme.h>

#include <utility>

namespace ui::win32 {

template <class Handle, class Traits>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(Handle h) : h_(h) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(UniqueHandle&& o) noexcept : h_(std::exchange(o.h_, Handle{})) {}
  UniqueHandle& operator=(UniqueHandle&& o) noexcept {
    if (this != &o) {
      reset();
      h_ = std::exchange(o.h_, Handle{});
    }
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  Handle get() const { return h_; }
  explicit operator bool() const { return h_ != Handle{}; }
  void reset(Handle h = Handle{}) {
    if (h_ != Handle{}) Traits::close(h_);
    h_ = h;
  }
  Handle release() { return std::exchange(h_, Handle{}); }

 private:
  Handle h_{};
};

struct WindowTraits {
  static void close(HWND h) {
    // A child window is gone already when its parent was destroyed first.
    if (IsWindow(h)) static_cast<void>(DestroyWindow(h));
  }
};
struct GdiTraits {
  static void close(HGDIOBJ h) { static_cast<void>(DeleteObject(h)); }
};
struct ModuleTraits {
  static void close(HMODULE h) { static_cast<void>(FreeLibrary(h)); }
};
struct MenuTraits {
  static void close(HMENU h) { static_cast<void>(DestroyMenu(h)); }
};

struct ThemeTraits {
  static void close(HTHEME h) { static_cast<void>(CloseThemeData(h)); }
};

using UniqueWindow = UniqueHandle<HWND, WindowTraits>;
using UniqueTheme = UniqueHandle<HTHEME, ThemeTraits>;
using UniqueFont = UniqueHandle<HFONT, GdiTraits>;
using UniqueBrush = UniqueHandle<HBRUSH, GdiTraits>;
using UniqueModule = UniqueHandle<HMODULE, ModuleTraits>;
using UniqueMenu = UniqueHandle<HMENU, MenuTraits>;

// A device context from GetDC, released with ReleaseDC.
class WindowDc {
 public:
  explicit WindowDc(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
  ~WindowDc() {
    if (dc_ != nullptr) static_cast<void>(ReleaseDC(hwnd_, dc_));
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND hwnd_;
  HDC dc_;
};

// Selects a GDI object into a DC for a scope.
class SelectObjectScope {
 public:
  SelectObjectScope(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
  ~SelectObjectScope() {
    if (old_ != nullptr) static_cast<void>(SelectObject(dc_, old_));
  }
  SelectObjectScope(const SelectObjectScope&) = delete;
  SelectObjectScope& operator=(const SelectObjectScope&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// BeginPaint / EndPaint.
class PaintScope {
 public:
  explicit PaintScope(HWND hwnd) : hwnd_(hwnd) { dc_ = BeginPaint(hwnd, &ps_); }
  ~PaintScope() { static_cast<void>(EndPaint(hwnd_, &ps_)); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  HDC dc() const { return dc_; }

 private:
  HWND hwnd_;
  PAINTSTRUCT ps_{};
  HDC dc_ = nullptr;
};

}  // namespace ui::win32
