#include "ui/win32/window_peer.h"

#include <windowsx.h>

#include "ui/controls.h"
#include "ui/form.h"
#include "ui/win32/peers.h"
#include "ui/win32/wide.h"
#include "ui/win32/win32_renderer.h"

namespace ui::win32 {

WindowPeer::WindowPeer(Win32Renderer& renderer, Widget& widget) : renderer_(renderer), widget_(widget) {}

WindowPeer::~WindowPeer() {
  // The window must not reach this peer while it is being destroyed.
  if (HWND h = hwnd_.get(); h != nullptr && IsWindow(h)) SetWindowLongPtrW(h, GWLP_USERDATA, 0);
}

WindowPeer* WindowPeer::fromWindow(HWND hwnd) {
  if (hwnd == nullptr) return nullptr;
  return reinterpret_cast<WindowPeer*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

void WindowPeer::bind(HWND hwnd) { SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this)); }

void WindowPeer::registerClasses(HINSTANCE instance) {
  struct WindowClassDef {
    const wchar_t* name;
    UINT style;
  };
  const WindowClassDef classDefs[] = {
      {formClass, CS_DBLCLKS},
      {containerClass, CS_DBLCLKS},
      {labelClass, CS_HREDRAW | CS_VREDRAW},
  };
  for (const auto& def : classDefs) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = def.style;
    wc.lpfnWndProc = &WindowPeer::windowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = def.name;
    // Registering twice (a second renderer in one process) is harmless.
    static_cast<void>(RegisterClassExW(&wc));
  }
}

LRESULT CALLBACK WindowPeer::windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lp);
    auto* peer = static_cast<WindowPeer*>(cs->lpCreateParams);
    if (peer != nullptr) {
      peer->bind(hwnd);
      peer->hwnd_.reset(hwnd);
    }
  }
  WindowPeer* peer = fromWindow(hwnd);
  if (msg == WM_NCDESTROY && peer != nullptr) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    static_cast<void>(peer->hwnd_.release());
    return DefWindowProcW(hwnd, msg, wp, lp);
  }
  if (peer != nullptr) {
    if (auto result = peer->handle(msg, wp, lp)) return *result;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

std::optional<LRESULT> WindowPeer::handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND: {
      HWND from = reinterpret_cast<HWND>(lp);
      if (WindowPeer* child = fromWindow(from)) child->command(from, HIWORD(wp));
      return 0;
    }
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
      WindowPeer* child = fromWindow(item->hwndItem);
      return child != nullptr && child->drawItem(*item) ? TRUE : FALSE;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX: {
      WindowPeer* child = fromWindow(reinterpret_cast<HWND>(lp));
      HDC dc = reinterpret_cast<HDC>(wp);
      HBRUSH brush = child != nullptr ? child->controlColor(dc) : nullptr;
      if (brush == nullptr) return std::nullopt;
      return reinterpret_cast<LRESULT>(brush);
    }
    case WM_ERASEBKGND: {
      RECT r;
      GetClientRect(hwnd(), &r);
      FillRect(reinterpret_cast<HDC>(wp), &r, renderer_.brush(backgroundColor()));
      return 1;
    }
    case WM_PAINT: {
      PaintScope ps(hwnd());
      RECT r;
      GetClientRect(hwnd(), &r);
      paint(ps.dc(), r);
      return 0;
    }
    case WM_SETCURSOR:
      if (renderer_.cursor() == Cursor::Wait) {
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
      }
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

void WindowPeer::paint(HDC, const RECT&) {}

void WindowPeer::command(HWND, WORD) {}

bool WindowPeer::drawItem(const DRAWITEMSTRUCT&) { return false; }

HBRUSH WindowPeer::controlColor(HDC dc) {
  // Controls drawn on the parent's background: checks, radios, group boxes.
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, Win32Renderer::colorRef(widget_.font().color));
  SetBkColor(dc, Win32Renderer::colorRef(backgroundColor()));
  return renderer_.brush(backgroundColor());
}

Color WindowPeer::backgroundColor() const {
  const Widget* w = &widget_;
  while (w->transparent() && w->parent() != nullptr) w = w->parent();
  return w->color();
}

RECT WindowPeer::deviceRect() const {
  Rect b = widget_.bounds();
  // Inside a scroll box the content is shifted by the scrolled amount.
  if (const auto* box = dynamic_cast<const ScrollBox*>(widget_.parent())) b.top -= box->scrollTop();
  return RECT{renderer_.scale(b.left), renderer_.scale(b.top), renderer_.scale(b.left) + renderer_.scale(b.width),
              renderer_.scale(b.top) + renderer_.scale(b.height)};
}

HWND WindowPeer::createChild(const wchar_t* className, DWORD style, DWORD exStyle, const std::wstring& text,
                             bool ownClass) {
  auto* parentPeer = widget_.parent() != nullptr ? dynamic_cast<WindowPeer*>(widget_.parent()->peer()) : nullptr;
  HWND parent = parentPeer != nullptr ? parentPeer->childParent() : nullptr;
  const RECT r = deviceRect();
  style |= WS_CHILD | WS_CLIPSIBLINGS;
  if (widget_.visible()) style |= WS_VISIBLE;
  if (!widget_.enabled()) style |= WS_DISABLED;
  HWND h = CreateWindowExW(exStyle, className, text.c_str(), style, r.left, r.top, r.right - r.left,
                           r.bottom - r.top, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(renderer_.allocateControlId())),
                           renderer_.instance(), ownClass ? this : nullptr);
  if (h != nullptr && !ownClass) {
    hwnd_.reset(h);
    bind(h);
  }
  if (h != nullptr) {
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(renderer_.font(widget_.font())), FALSE);
    placeInZOrder(h);
  }
  return h;
}

void WindowPeer::applyHint() {
  auto* formPeer = dynamic_cast<FormPeer*>(widget_.form().peer());
  if (formPeer != nullptr && hintTarget() != nullptr) formPeer->setToolTip(hintTarget(), wide(widget_.hint()));
}

void WindowPeer::placeInZOrder(HWND h) {
  constexpr UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
  if (isContainer()) {
    SetWindowPos(h, HWND_BOTTOM, 0, 0, 0, 0, flags);
    return;
  }
  // Just under the last control created before this one among the siblings.
  HWND above = HWND_TOP;
  if (Widget* parent = widget_.parent()) {
    for (const auto& sibling : parent->children()) {
      if (sibling.get() == &widget_) break;
      auto* peer = dynamic_cast<WindowPeer*>(sibling->peer());
      if (peer != nullptr && peer->hwnd() != nullptr && !peer->isContainer()) above = peer->hwnd();
    }
  }
  SetWindowPos(h, above, 0, 0, 0, 0, flags);
}

void WindowPeer::applyCommon() {
  HWND h = hwnd();
  if (h == nullptr) return;
  SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(renderer_.font(widget_.font())), FALSE);
}

void WindowPeer::update(Property changed) {
  HWND h = hwnd();
  if (h == nullptr) return;
  switch (changed) {
    case Property::Bounds: {
      const RECT r = deviceRect();
      SetWindowPos(h, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      break;
    }
    case Property::Visible:
      ShowWindow(h, widget_.visible() ? SW_SHOWNA : SW_HIDE);
      break;
    case Property::Enabled:
      EnableWindow(h, widget_.enabled() ? TRUE : FALSE);
      break;
    case Property::Caption:
      SetWindowTextW(h, wide(widget_.caption()).c_str());
      InvalidateRect(h, nullptr, TRUE);
      break;
    case Property::Font:
      SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(renderer_.font(widget_.font())), TRUE);
      InvalidateRect(h, nullptr, TRUE);
      break;
    case Property::Color:
      InvalidateRect(h, nullptr, TRUE);
      break;
    case Property::Hint:
      applyHint();
      break;
    default:
      break;
  }
}

}  // namespace ui::win32
