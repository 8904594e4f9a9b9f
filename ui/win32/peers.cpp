#include "ui/win32/peers.h"

#include <commctrl.h>

#include "ui/application.h"
#include "ui/controls.h"
#include "ui/form.h"
#include "ui/gradient.h"
#include "ui/win32/wide.h"
#include "ui/win32/win32_renderer.h"

namespace ui::win32 {

// --- FormPeer -----------------------------------------------------------------

namespace {
struct FormStyle {
  DWORD style;
  DWORD exStyle;
};

FormStyle styleOf(BorderStyle b) {
  switch (b) {
    case BorderStyle::Dialog:
      return {WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT};
    case BorderStyle::DialogNoSystemMenu:
      return {WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN, WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT};
    case BorderStyle::ToolWindow:
      return {WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT};
    case BorderStyle::Sizeable:
      return {WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT};
    case BorderStyle::None:
      return {WS_POPUP | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT};
  }
  return {WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_CONTROLPARENT};
}
}  // namespace

Form& FormPeer::form() const { return static_cast<Form&>(widget_); }

void FormPeer::create() {
  const FormStyle fs = styleOf(form().borderStyle());
  DWORD style = fs.style;
  if (!form().enabled()) style |= WS_DISABLED;
  // A dialog stays above the main form. The other forms belong to the
  // application window, which carries the program's title in the taskbar;
  // they are not owned by the main form (the background window could never
  // lie behind it).
  HWND owner = renderer_.applicationWindow();
  if (Form* main = form().application().mainForm(); form().isModal() && main != nullptr && main != &form()) {
    owner = Win32Renderer::windowOf(main);
  }
  CreateWindowExW(fs.exStyle, formClass, wide(form().caption()).c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                  CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, renderer_.instance(), this);
  applyCommon();
  placeWindow();
}

void FormPeer::placeWindow() {
  HWND h = hwnd();
  if (h == nullptr) return;
  const FormStyle fs = styleOf(form().borderStyle());
  RECT r{0, 0, renderer_.scale(form().width()), renderer_.scale(form().height())};
  AdjustWindowRectEx(&r, fs.style, FALSE, fs.exStyle);
  const int w = r.right - r.left;
  const int ht = r.bottom - r.top;
  int x = renderer_.scale(form().left());
  int y = renderer_.scale(form().top());
  if (form().position() != FormPosition::Designed) {
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    static_cast<void>(SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
    x = work.left + (work.right - work.left - w) / 2;
    y = work.top + (work.bottom - work.top - ht) / 2;
  }
  SetWindowPos(h, nullptr, x, y, w, ht, SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormPeer::update(Property changed) {
  HWND h = hwnd();
  if (h == nullptr) return;
  switch (changed) {
    case Property::Bounds:
      if (!form().maximized()) placeWindow();
      break;
    case Property::Visible:
      break;  // showForm / hideForm decide
    case Property::Focus:
      if (Widget* w = form().activeControl()) {
        if (auto* p = dynamic_cast<WindowPeer*>(w->peer()); p != nullptr && p->focusTarget() != nullptr) {
          SetFocus(p->focusTarget());
        }
      }
      break;
    default:
      WindowPeer::update(changed);
  }
}

void FormPeer::setToolTip(HWND tool, const std::wstring& text) {
  if (!toolTips_) {
    if (text.empty()) return;
    toolTips_.reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd(), nullptr,
                                    renderer_.instance(), nullptr));
    if (!toolTips_) return;
  }
  TTTOOLINFOW ti{};
  ti.cbSize = TTTOOLINFOW_V2_SIZE;
  ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  ti.hwnd = hwnd();
  ti.uId = reinterpret_cast<UINT_PTR>(tool);
  SendMessageW(toolTips_.get(), TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
  if (text.empty()) return;
  std::wstring buffer = text;
  ti.lpszText = buffer.data();
  SendMessageW(toolTips_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

void FormPeer::enterPressed() {
  WindowPeer* focused = fromWindow(GetFocus());
  if (focused != nullptr) {
    if (auto* b = dynamic_cast<Button*>(&focused->widget()); b != nullptr && b->isUsable()) {
      b->click();
      return;
    }
  }
  form().keyDown(keys::enter);
}

std::optional<LRESULT> FormPeer::handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CLOSE:
      form().close();
      return 0;
    case WM_COMMAND:
      // Enter and Esc come from the dialog manager as IDOK and IDCANCEL
      // without a control window (our buttons sit inside containers).
      if (lp == 0 || fromWindow(reinterpret_cast<HWND>(lp)) == nullptr) {
        if (LOWORD(wp) == IDCANCEL) {
          form().keyDown(keys::escape);
        } else if (LOWORD(wp) == IDOK) {
          enterPressed();
        }
        return 0;
      }
      return WindowPeer::handle(msg, wp, lp);
    case WM_SIZE:
      if (form().borderStyle() == BorderStyle::Sizeable || form().maximized()) {
        form().clientResized(renderer_.unscale(LOWORD(lp)), renderer_.unscale(HIWORD(lp)));
      }
      return 0;
    default:
      return WindowPeer::handle(msg, wp, lp);
  }
}

// --- containers ---------------------------------------------------------------

void ContainerPeer::create() {
  // Under the controls that overlap it: the wizard's navigation buttons
  // sit over the notebook.
  createChild(containerClass, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, wide(widget_.caption()), true);
}

// --- ScrollBoxPeer --------------------------------------------------------------

void ScrollBoxPeer::create() {
  createChild(containerClass, WS_CLIPCHILDREN | WS_VSCROLL, WS_EX_CONTROLPARENT, wide(widget_.caption()), true);
  updateScrollBar();
}

void ScrollBoxPeer::update(Property changed) {
  WindowPeer::update(changed);
  if (hwnd() == nullptr) return;
  if (changed == Property::Value) {
    placeChildren();
    updateScrollBar();
  } else if (changed == Property::Bounds || changed == Property::Items) {
    updateScrollBar();
  }
}

void ScrollBoxPeer::updateScrollBar() {
  auto& box = static_cast<ScrollBox&>(widget_);
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMin = 0;
  // Without more content than room, the range is empty and the bar goes.
  const bool scrolls = box.maxScrollTop() > 0;
  si.nMax = scrolls ? renderer_.scale(box.contentHeight()) - 1 : 0;
  si.nPage = scrolls ? static_cast<UINT>(renderer_.scale(box.height())) : 0;
  si.nPos = renderer_.scale(box.scrollTop());
  SetScrollInfo(hwnd(), SB_VERT, &si, TRUE);
}

void ScrollBoxPeer::placeChildren() {
  for (const auto& child : widget_.children()) {
    auto* peer = dynamic_cast<WindowPeer*>(child->peer());
    if (peer != nullptr) peer->update(Property::Bounds);
  }
  InvalidateRect(hwnd(), nullptr, TRUE);
}

std::optional<LRESULT> ScrollBoxPeer::handle(UINT msg, WPARAM wp, LPARAM lp) {
  auto& box = static_cast<ScrollBox&>(widget_);
  if (msg == WM_VSCROLL) {
    int top = box.scrollTop();
    switch (LOWORD(wp)) {
      case SB_LINEUP: top -= ScrollBox::kLineStep; break;
      case SB_LINEDOWN: top += ScrollBox::kLineStep; break;
      case SB_PAGEUP: top -= box.height(); break;
      case SB_PAGEDOWN: top += box.height(); break;
      case SB_TOP: top = 0; break;
      case SB_BOTTOM: top = box.maxScrollTop(); break;
      case SB_THUMBTRACK:
      case SB_THUMBPOSITION: {
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_TRACKPOS;
        if (GetScrollInfo(hwnd(), SB_VERT, &si)) top = renderer_.unscale(si.nTrackPos);
        break;
      }
      default: return 0;
    }
    box.setScrollTop(top);
    return 0;
  }
  if (msg == WM_MOUSEWHEEL) {
    const int notches = GET_WHEEL_DELTA_WPARAM(wp) / WHEEL_DELTA;
    box.setScrollTop(box.scrollTop() - notches * 3 * ScrollBox::kLineStep);
    return 0;
  }
  return WindowPeer::handle(msg, wp, lp);
}

// --- IconPeer -------------------------------------------------------------------

void IconPeer::create() { createChild(labelClass, 0, 0, L"", true); }

void IconPeer::paint(HDC dc, const RECT& client) {
  const wchar_t* id = nullptr;
  switch (static_cast<const IconImage&>(widget_).icon()) {
    case MessageIcon::Error: id = IDI_HAND; break;
    case MessageIcon::Question: id = IDI_QUESTION; break;
    case MessageIcon::Warning: id = IDI_EXCLAMATION; break;
    case MessageIcon::Information: id = IDI_ASTERISK; break;
    case MessageIcon::None: return;
  }
  HICON icon = LoadIconW(nullptr, id);  // a shared system icon: not destroyed
  if (icon != nullptr) {
    DrawIconEx(dc, client.left, client.top, icon, client.right - client.left, client.bottom - client.top, 0, nullptr,
               DI_NORMAL);
  }
}

void PanelPeer::update(Property changed) {
  WindowPeer::update(changed);
  if (changed == Property::Caption && hwnd() != nullptr) UpdateWindow(hwnd());
}

namespace {
UINT edgeOf(Bevel b, bool outer) {
  if (b == Bevel::Raised) return outer ? BDR_RAISEDOUTER : BDR_RAISEDINNER;
  if (b == Bevel::Lowered) return outer ? BDR_SUNKENOUTER : BDR_SUNKENINNER;
  return 0;
}

UINT alignFlag(TextAlign a) {
  switch (a) {
    case TextAlign::Left: return DT_LEFT;
    case TextAlign::Center: return DT_CENTER;
    case TextAlign::Right: return DT_RIGHT;
  }
  return DT_LEFT;
}
}  // namespace

void PanelPeer::paint(HDC dc, const RECT& client) {
  const auto& panel = static_cast<const Panel&>(widget_);
  RECT r = client;
  if (UINT outer = edgeOf(panel.bevelOuter(), true)) {
    DrawEdge(dc, &r, outer, BF_RECT | BF_ADJUST);
  }
  if (UINT inner = edgeOf(panel.bevelInner(), false)) {
    DrawEdge(dc, &r, inner, BF_RECT | BF_ADJUST);
  }
  if (panel.caption().empty()) return;
  SelectObjectScope font(dc, renderer_.font(panel.font()));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, Win32Renderer::colorRef(panel.font().color));
  std::wstring text = wide(panel.caption());
  InflateRect(&r, -renderer_.scale(2), -renderer_.scale(2));
  // Multi-line captions (the rollback banner) are centred as a block.
  RECT measure = r;
  DrawTextW(dc, text.c_str(), -1, &measure, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | alignFlag(panel.alignment()));
  const int offset = ((r.bottom - r.top) - (measure.bottom - measure.top)) / 2;
  if (offset > 0) r.top += offset;
  DrawTextW(dc, text.c_str(), -1, &r, DT_WORDBREAK | DT_NOPREFIX | alignFlag(panel.alignment()));
}

void GroupBoxPeer::paint(HDC dc, const RECT& client) {
  SelectObjectScope font(dc, renderer_.font(widget_.font()));
  TEXTMETRICW tm{};
  static_cast<void>(GetTextMetricsW(dc, &tm));
  RECT frame = client;
  frame.top += tm.tmHeight / 2;
  DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
  if (widget_.caption().empty()) return;
  // The caption interrupts the top line, on the box's own background.
  const std::wstring text = wide(widget_.caption());
  RECT r{client.left + renderer_.scale(8), client.top, client.right - renderer_.scale(8), client.top + tm.tmHeight};
  RECT measure = r;
  DrawTextW(dc, text.c_str(), -1, &measure, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  measure.left -= 2;
  measure.right += 2;
  FillRect(dc, &measure, renderer_.brush(backgroundColor()));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, widget_.enabled() ? Win32Renderer::colorRef(widget_.font().color) : GetSysColor(COLOR_GRAYTEXT));
  DrawTextW(dc, text.c_str(), -1, &r, DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

// --- GradientPeer -------------------------------------------------------------

void GradientPeer::update(Property changed) {
  WindowPeer::update(changed);
  if (changed == Property::Bounds && hwnd() != nullptr) InvalidateRect(hwnd(), nullptr, TRUE);
}

std::optional<LRESULT> GradientPeer::handle(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_ERASEBKGND) return 1;  // the bands cover everything
  return WindowPeer::handle(msg, wp, lp);
}

void GradientPeer::paint(HDC dc, const RECT& client) {
  const auto& g = static_cast<const GradientPanel&>(widget_);
  const auto table = gradient::colorTable(Win32Renderer::colorRef(g.colorStart()),
                                          Win32Renderer::colorRef(g.colorEnd()), g.colorCount());
  const int n = static_cast<int>(table.size());
  const int height = client.bottom - client.top;
  for (int i = 0; i < n; ++i) {
    RECT band{client.left, gradient::bandTop(i, height, n), client.right, gradient::bandTop(i + 1, height, n)};
    if (band.bottom <= band.top) continue;
    UniqueBrush brush(CreateSolidBrush(table[static_cast<std::size_t>(i)]));
    FillRect(dc, &band, brush.get());
  }
  if (g.caption().empty()) return;
  // The caption with a shadow one pixel down and right; its corner at
  // border + bevel + 2 pixels.
  SelectObjectScope font(dc, renderer_.font(g.font()));
  SetBkMode(dc, TRANSPARENT);
  const std::wstring text = wide(g.caption());
  const int x = renderer_.scale(3);
  const int y = renderer_.scale(3);
  SetTextColor(dc, Win32Renderer::colorRef(g.shadowColor()));
  TextOutW(dc, x + 1, y + 1, text.c_str(), static_cast<int>(text.size()));
  SetTextColor(dc, Win32Renderer::colorRef(g.font().color));
  TextOutW(dc, x, y, text.c_str(), static_cast<int>(text.size()));
}

// --- LabelPeer ----------------------------------------------------------------

void LabelPeer::create() { createChild(labelClass, 0, 0, wide(widget_.caption()), true); }

void LabelPeer::update(Property changed) {
  WindowPeer::update(changed);
  if ((changed == Property::Caption || changed == Property::Font) && hwnd() != nullptr) UpdateWindow(hwnd());
}

void LabelPeer::paint(HDC dc, const RECT& client) {
  const auto& label = static_cast<const Label&>(widget_);
  const Font f = label.font();
  SelectObjectScope font(dc, renderer_.font(f));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, label.enabled() ? Win32Renderer::colorRef(f.color) : GetSysColor(COLOR_GRAYTEXT));
  const std::wstring text = wide(label.caption());
  UINT flags = DT_NOPREFIX | alignFlag(label.alignment());
  RECT r = client;
  if (label.wordWrap()) {
    flags |= DT_WORDBREAK;
    if (label.verticalCenter()) {
      RECT measure = r;
      DrawTextW(dc, text.c_str(), -1, &measure, flags | DT_CALCRECT);
      const int offset = ((r.bottom - r.top) - (measure.bottom - measure.top)) / 2;
      if (offset > 0) r.top += offset;
    }
  } else {
    flags |= DT_SINGLELINE;
    if (label.verticalCenter()) flags |= DT_VCENTER;
  }
  DrawTextW(dc, text.c_str(), -1, &r, flags);
}

}  // namespace ui::win32
