// Peers built on the system's controls, and the factory that picks a peer
// for a widget.

#include <windows.h>
#include <commctrl.h>
#include <richedit.h>
#include <uxtheme.h>
#include <vssym32.h>

#include <algorithm>

#include "ui/controls.h"
#include "ui/form.h"
#include "ui/glyphs.h"
#include "ui/notebook.h"
#include "ui/win32/peers.h"
#include "ui/win32/wide.h"
#include "ui/win32/win32_renderer.h"

namespace ui::win32 {

namespace {

// --- buttons ------------------------------------------------------------------

class ButtonPeer : public WindowPeer {
 public:
  using WindowPeer::WindowPeer;
  const Button& button() const { return static_cast<const Button&>(widget_); }
  void create() override {
    // A button with an image draws itself: the image and the caption side
    // by side, as the system's buttons cannot on every version of Windows.
    DWORD style = WS_TABSTOP;
    if (button().glyph() != Glyph::None) {
      style |= BS_OWNERDRAW;
    } else {
      style |= button().isDefault() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    }
    createChild(L"BUTTON", style, 0, wide(button().caption()), false);
  }
  void update(Property changed) override {
    WindowPeer::update(changed);
    if (hwnd() == nullptr) return;
    if (changed == Property::Default) {
      if (button().glyph() != Glyph::None) {
        InvalidateRect(hwnd(), nullptr, TRUE);
      } else {
        SendMessageW(hwnd(), BM_SETSTYLE, button().isDefault() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
      }
    }
    if (changed == Property::Caption) {
      // An image given or taken away after creation changes how it is drawn.
      const bool ownerDrawn = (GetWindowLongPtrW(hwnd(), GWL_STYLE) & BS_TYPEMASK) == BS_OWNERDRAW;
      if (ownerDrawn != (button().glyph() != Glyph::None)) {
        const DWORD type = ownerDrawn ? (button().isDefault() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) : BS_OWNERDRAW;
        SendMessageW(hwnd(), BM_SETSTYLE, type, TRUE);
      }
      InvalidateRect(hwnd(), nullptr, TRUE);
    }
  }
  void command(HWND, WORD code) override {
    if (code == BN_CLICKED) widget_.click();
  }
  bool drawItem(const DRAWITEMSTRUCT& item) override {
    HDC dc = item.hDC;
    RECT r = item.rcItem;
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    const bool focused = (item.itemState & ODS_FOCUS) != 0;
    const bool emphasised = button().isDefault() || focused;
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    UniqueTheme theme(OpenThemeData(hwnd(), L"BUTTON"));
    if (theme) {
      int state = PBS_NORMAL;
      if (disabled) state = PBS_DISABLED;
      else if (pressed) state = PBS_PRESSED;
      else if (emphasised) state = PBS_DEFAULTED;
      DrawThemeBackground(theme.get(), dc, BP_PUSHBUTTON, state, &r, nullptr);
    } else {
      if (emphasised) {
        FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
        InflateRect(&r, -1, -1);
      }
      DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED | DFCS_FLAT : 0));
    }
    // The image and the caption, centred together; the image on the side
    // the button asks for.
    SelectObjectScope font(dc, renderer_.font(button().font()));
    const std::wstring text = wide(button().caption());
    RECT measure{0, 0, 0, 0};
    DrawTextW(dc, text.c_str(), -1, &measure, DT_CALCRECT | DT_SINGLELINE);
    const int image = renderer_.scale(glyphs::kSize);
    const int gap = text.empty() ? 0 : renderer_.scale(4);
    const int total = image + gap + (measure.right - measure.left);
    const RECT& outer = item.rcItem;
    int x = outer.left + ((outer.right - outer.left) - total) / 2;
    const int shift = pressed ? 1 : 0;
    const int imageTop = outer.top + ((outer.bottom - outer.top) - image) / 2 + shift;
    int imageLeft = x;
    int textLeft = x + image + gap;
    if (button().glyphRight()) {
      textLeft = x;
      imageLeft = x + (measure.right - measure.left) + gap;
    }
    drawGlyph(dc, imageLeft + shift, imageTop, disabled);
    RECT textRect{textLeft + shift, outer.top + shift, textLeft + shift + (measure.right - measure.left) + 1,
                  outer.bottom + shift};
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
    const UINT prefix = (item.itemState & ODS_NOACCEL) != 0 ? DT_HIDEPREFIX : 0;
    DrawTextW(dc, text.c_str(), -1, &textRect, DT_SINGLELINE | DT_VCENTER | DT_LEFT | prefix);
    if (focused && (item.itemState & ODS_NOFOCUSRECT) == 0) {
      RECT f = outer;
      InflateRect(&f, -renderer_.scale(4), -renderer_.scale(4));
      DrawFocusRect(dc, &f);
    }
    return true;
  }

 private:
  void drawGlyph(HDC dc, int left, int top, bool disabled) {
    const int pixelSize = std::max(1, renderer_.scale(1));
    for (int y = 0; y < glyphs::kSize; ++y) {
      for (int x = 0; x < glyphs::kSize; ++x) {
        const auto c = glyphs::pixel(button().glyph(), x, y);
        if (!c) continue;
        const Color shown = disabled ? glyphs::greyed(*c) : *c;
        RECT px{left + x * pixelSize, top + y * pixelSize, left + (x + 1) * pixelSize, top + (y + 1) * pixelSize};
        FillRect(dc, &px, renderer_.brush(shown));
      }
    }
  }
};

class SpeedButtonPeer : public WindowPeer {
 public:
  using WindowPeer::WindowPeer;
  void create() override { createChild(L"BUTTON", BS_PUSHBUTTON, 0, wide(widget_.caption()), false); }
  void command(HWND, WORD code) override {
    if (code == BN_CLICKED) widget_.click();
  }
};

// Check boxes and radio buttons draw their state from the model: a click
// goes to the model, which toggles and sends the new state back.
class CheckBoxPeer : public WindowPeer {
 public:
  CheckBoxPeer(Win32Renderer& r, Widget& w, bool radio) : WindowPeer(r, w), radio_(radio) {}
  void create() override {
    createChild(L"BUTTON", WS_TABSTOP | (radio_ ? BS_RADIOBUTTON : BS_CHECKBOX), 0, wide(widget_.caption()), false);
    update(Property::Checked);
  }
  void update(Property changed) override {
    WindowPeer::update(changed);
    if (changed == Property::Checked && hwnd() != nullptr) {
      const auto& box = static_cast<const CheckBox&>(widget_);
      SendMessageW(hwnd(), BM_SETCHECK, box.checked() ? BST_CHECKED : BST_UNCHECKED, 0);
    }
  }
  void command(HWND, WORD code) override {
    if (code == BN_CLICKED) widget_.click();
  }

 private:
  bool radio_;
};

// --- check list ---------------------------------------------------------------

// An owner-drawn list box: each item a check box, greyed when disabled.
class CheckListPeer : public WindowPeer {
 public:
  using WindowPeer::WindowPeer;
  ~CheckListPeer() override {
    if (hwnd() != nullptr) static_cast<void>(RemoveWindowSubclass(hwnd(), &CheckListPeer::subclassProc, 1));
  }
  CheckList& list() const { return static_cast<CheckList&>(widget_); }

  void create() override {
    DWORD style = WS_TABSTOP | WS_VSCROLL | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
    if (list().columns() > 1) style |= LBS_MULTICOLUMN | WS_HSCROLL;
    HWND h = createChild(L"LISTBOX", style, WS_EX_CLIENTEDGE, L"", false);
    if (h == nullptr) return;
    SendMessageW(h, LB_SETITEMHEIGHT, 0, renderer_.scale(list().itemHeight()) + 2);
    static_cast<void>(SetWindowSubclass(h, &CheckListPeer::subclassProc, 1, reinterpret_cast<DWORD_PTR>(this)));
    fill();
  }

  void update(Property changed) override {
    WindowPeer::update(changed);
    if (hwnd() == nullptr) return;
    if (changed == Property::Items) fill();
    if (changed == Property::ItemState) InvalidateRect(hwnd(), nullptr, TRUE);
  }

  HBRUSH controlColor(HDC) override { return nullptr; }

  bool drawItem(const DRAWITEMSTRUCT& item) override {
    if (item.itemID == static_cast<UINT>(-1)) return true;
    const int index = static_cast<int>(item.itemID);
    if (index >= list().count()) return true;
    const auto& it = list().item(index);
    HDC dc = item.hDC;
    RECT r = item.rcItem;
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    FillRect(dc, &r, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    const int box = renderer_.scale(13);
    RECT check{r.left + 1, r.top + (r.bottom - r.top - box) / 2, r.left + 1 + box, 0};
    check.bottom = check.top + box;
    UINT state = DFCS_BUTTONCHECK | DFCS_FLAT;
    if (it.checked) state |= DFCS_CHECKED;
    if (!it.enabled || !list().enabled()) state |= DFCS_INACTIVE;
    DrawFrameControl(dc, &check, DFC_BUTTON, state);
    RECT text = r;
    text.left = check.right + renderer_.scale(4);
    SelectObjectScope font(dc, renderer_.font(list().font()));
    SetBkMode(dc, TRANSPARENT);
    COLORREF color = GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
    if (!it.enabled || !list().enabled()) color = GetSysColor(COLOR_GRAYTEXT);
    SetTextColor(dc, color);
    const std::wstring caption = wide(it.caption);
    DrawTextW(dc, caption.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    if ((item.itemState & ODS_FOCUS) != 0) DrawFocusRect(dc, &r);
    return true;
  }

 private:
  void fill() {
    HWND h = hwnd();
    SendMessageW(h, LB_RESETCONTENT, 0, 0);
    for (int i = 0; i < list().count(); ++i) {
      const std::wstring caption = wide(list().item(i).caption);
      SendMessageW(h, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(caption.c_str()));
    }
    if (list().columns() > 1) {
      SendMessageW(h, LB_SETCOLUMNWIDTH, renderer_.scale(list().width()) / list().columns(), 0);
    }
  }

  // The item under a point, or -1.
  int itemAt(LPARAM lp) const {
    const LRESULT r = SendMessageW(hwnd(), LB_ITEMFROMPOINT, 0, lp);
    if (HIWORD(r) != 0) return -1;
    return LOWORD(r);
  }

  static LRESULT CALLBACK subclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
    auto* self = reinterpret_cast<CheckListPeer*>(data);
    if (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK) {
      const LRESULT result = DefSubclassProc(hwnd, msg, wp, lp);
      const int index = self->itemAt(lp);
      RECT itemRect{};
      const bool onBox = index >= 0 &&
                         SendMessageW(hwnd, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&itemRect)) != LB_ERR &&
                         static_cast<short>(LOWORD(lp)) < itemRect.left + self->renderer_.scale(16);
      if (index >= 0 && (onBox || msg == WM_LBUTTONDBLCLK)) {
        self->list().setItemIndex(index);
        self->list().toggle(index);
      }
      return result;
    }
    if (msg == WM_KEYDOWN && wp == VK_SPACE) {
      const LRESULT sel = SendMessageW(hwnd, LB_GETCURSEL, 0, 0);
      if (sel != LB_ERR) {
        self->list().setItemIndex(static_cast<int>(sel));
        self->list().keyDown(keys::space);
      }
      return 0;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
  }
};

// --- progress -----------------------------------------------------------------

class ProgressPeer : public WindowPeer {
 public:
  using WindowPeer::WindowPeer;
  void create() override {
    createChild(PROGRESS_CLASSW, 0, 0, L"", false);
    update(Property::Value);
  }
  void update(Property changed) override {
    WindowPeer::update(changed);
    if (changed == Property::Value && hwnd() != nullptr) {
      const auto& bar = static_cast<const ProgressBar&>(widget_);
      SendMessageW(hwnd(), PBM_SETRANGE32, static_cast<WPARAM>(bar.min()), static_cast<LPARAM>(bar.max()));
      SendMessageW(hwnd(), PBM_SETPOS, static_cast<WPARAM>(bar.position()), 0);
    }
  }
};

// --- edits --------------------------------------------------------------------

// Keeps an EDIT window and an Edit widget's text in step, both ways.
class EditSync {
 public:
  void toWindow(HWND h, const std::string& text) {
    if (h == nullptr || windowText(h) == text) return;
    updating_ = true;
    SetWindowTextW(h, wide(text).c_str());
    updating_ = false;
  }
  void toModel(HWND h, Edit& edit) {
    if (!updating_) edit.setText(windowText(h));
  }

 private:
  bool updating_ = false;
};

class EditPeer : public WindowPeer {
 public:
  using WindowPeer::WindowPeer;
  Edit& edit() const { return static_cast<Edit&>(widget_); }
  void create() override {
    createChild(L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL | (edit().readOnly() ? ES_READONLY : 0), WS_EX_CLIENTEDGE,
                wide(edit().text()), false);
  }
  void update(Property changed) override {
    WindowPeer::update(changed);
    if (hwnd() == nullptr) return;
    if (changed == Property::Text) sync_.toWindow(hwnd(), edit().text());
    if (changed == Property::ReadOnly) SendMessageW(hwnd(), EM_SETREADONLY, edit().readOnly() ? TRUE : FALSE, 0);
  }
  void command(HWND from, WORD code) override {
    if (code == EN_CHANGE) sync_.toModel(from, edit());
    if (code == EN_SETFOCUS) edit().setFocus();
  }
  HBRUSH controlColor(HDC) override { return nullptr; }

 private:
  EditSync sync_;
};

// A container with an edit and a browse button; F3 in the edit browses.
class PathEditPeer : public WindowPeer {
 public:
  using WindowPeer::WindowPeer;
  ~PathEditPeer() override {
    if (edit_ != nullptr && IsWindow(edit_)) {
      static_cast<void>(RemoveWindowSubclass(edit_, &PathEditPeer::editProc, 1));
    }
  }
  PathEdit& path() const { return static_cast<PathEdit&>(widget_); }
  // The hint belongs to the browse button ("F3").
  HWND hintTarget() const override { return button_; }
  HWND focusTarget() const override { return edit_; }

  void create() override {
    HWND box = createChild(containerClass, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, L"", true);
    if (box == nullptr) return;
    RECT r;
    GetClientRect(box, &r);
    const int button = r.bottom;  // a square button as high as the field
    edit_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", wide(path().text()).c_str(),
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL | (path().readOnly() ? ES_READONLY : 0),
                            0, 0, r.right - button, r.bottom, box, nullptr, renderer_.instance(), nullptr);
    button_ = CreateWindowExW(0, L"BUTTON", L"...", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, r.right - button, 0,
                              button, r.bottom, box, nullptr, renderer_.instance(), nullptr);
    for (HWND h : {edit_, button_}) {
      if (h == nullptr) continue;
      bind(h);
      SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(renderer_.font(path().font())), FALSE);
    }
    if (edit_ != nullptr) {
      static_cast<void>(SetWindowSubclass(edit_, &PathEditPeer::editProc, 1, reinterpret_cast<DWORD_PTR>(this)));
    }
  }

  void update(Property changed) override {
    WindowPeer::update(changed);
    if (hwnd() == nullptr) return;
    switch (changed) {
      case Property::Text:
        sync_.toWindow(edit_, path().text());
        break;
      case Property::ReadOnly:
        SendMessageW(edit_, EM_SETREADONLY, path().readOnly() ? TRUE : FALSE, 0);
        EnableWindow(button_, path().readOnly() ? FALSE : TRUE);
        break;
      case Property::Bounds: {
        RECT r;
        GetClientRect(hwnd(), &r);
        SetWindowPos(edit_, nullptr, 0, 0, r.right - r.bottom, r.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
        SetWindowPos(button_, nullptr, r.right - r.bottom, 0, r.bottom, r.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
        break;
      }
      case Property::Font:
        for (HWND h : {edit_, button_}) {
          SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(renderer_.font(path().font())), TRUE);
        }
        break;
      default:
        break;
    }
  }

  void command(HWND from, WORD code) override {
    if (from == edit_ && code == EN_CHANGE) sync_.toModel(from, path());
    // Tabbed to or clicked: the model learns where the focus is, and a
    // scroll box holding the field scrolls it into view.
    if (from == edit_ && code == EN_SETFOCUS) path().setFocus();
    if (from == button_ && code == BN_CLICKED) path().browse();
  }
  HBRUSH controlColor(HDC) override { return nullptr; }

 private:
  static LRESULT CALLBACK editProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
    auto* self = reinterpret_cast<PathEditPeer*>(data);
    if (msg == WM_KEYDOWN && wp == VK_F3) {
      self->path().keyDown(keys::f3);
      return 0;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
  }

  HWND edit_ = nullptr;    // owned by the container window
  HWND button_ = nullptr;  // owned by the container window
  EditSync sync_;
};

// --- viewers ------------------------------------------------------------------

struct StreamSource {
  const char* data;
  std::size_t size;
  std::size_t pos;
};

DWORD CALLBACK readStream(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* got) {
  auto* src = reinterpret_cast<StreamSource*>(cookie);
  const std::size_t n = std::min(static_cast<std::size_t>(wanted), src->size - src->pos);
  std::copy_n(src->data + src->pos, n, buffer);
  src->pos += n;
  *got = static_cast<LONG>(n);
  return 0;
}

// RTF keeps its formatting (EM_STREAMIN with SF_RTF); plain text is 1251.
class RichEditPeer : public WindowPeer {
 public:
  using WindowPeer::WindowPeer;
  void create() override {
    HWND h = createChild(renderer_.richEditClass(), WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                         WS_EX_CLIENTEDGE, L"", false);
    // A rich edit holds 32K characters unless told otherwise, and would
    // silently cut a longer licence.
    if (h != nullptr) SendMessageW(h, EM_EXLIMITTEXT, 0, 64 * 1024 * 1024);
    update(Property::Color);
    update(Property::Text);
  }
  void update(Property changed) override {
    WindowPeer::update(changed);
    if (hwnd() == nullptr) return;
    const auto& rich = static_cast<const RichEdit&>(widget_);
    if (changed == Property::Color) {
      SendMessageW(hwnd(), EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(Win32Renderer::colorRef(rich.color())));
    }
    if (changed == Property::Text) {
      if (rich.isRtf()) {
        stream(rich.content().data(), rich.content().size(), SF_RTF);
      } else {
        const std::wstring text = wide(rich.content());
        stream(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t), SF_TEXT | SF_UNICODE);
      }
    }
  }
  HBRUSH controlColor(HDC) override { return nullptr; }

 private:
  void stream(const char* data, std::size_t size, WPARAM format) {
    StreamSource src{data, size, 0};
    EDITSTREAM es{};
    es.dwCookie = reinterpret_cast<DWORD_PTR>(&src);
    es.pfnCallback = &readStream;
    SendMessageW(hwnd(), EM_STREAMIN, format, reinterpret_cast<LPARAM>(&es));
  }
};

// A read-only multi-line edit, both scroll bars, no wrapping.
class MemoPeer : public WindowPeer {
 public:
  using WindowPeer::WindowPeer;
  void create() override {
    const auto& memo = static_cast<const Memo&>(widget_);
    DWORD style = WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL;
    if (!memo.wordWrap()) style |= WS_HSCROLL | ES_AUTOHSCROLL;
    HWND h = createChild(L"EDIT", style, WS_EX_CLIENTEDGE, L"", false);
    if (h == nullptr) return;
    SendMessageW(h, EM_SETLIMITTEXT, 0, 0);  // no 32K limit on long files
    update(Property::Text);
  }
  void update(Property changed) override {
    WindowPeer::update(changed);
    if (changed == Property::Text && hwnd() != nullptr) {
      SetWindowTextW(hwnd(), wide(static_cast<const Memo&>(widget_).text()).c_str());
    }
  }
  HBRUSH controlColor(HDC dc) override {
    // Read-only edits ask with WM_CTLCOLORSTATIC; keep the viewer's colour.
    const COLORREF c = Win32Renderer::colorRef(widget_.color());
    SetBkColor(dc, c);
    SetTextColor(dc, Win32Renderer::colorRef(widget_.font().color));
    return renderer_.brush(widget_.color());
  }
};

}  // namespace

std::unique_ptr<WindowPeer> createPeer(Win32Renderer& r, Widget& w) {
  // Most derived types first.
  if (dynamic_cast<Form*>(&w) != nullptr) return std::make_unique<FormPeer>(r, w);
  if (dynamic_cast<PathEdit*>(&w) != nullptr) return std::make_unique<PathEditPeer>(r, w);
  if (dynamic_cast<Edit*>(&w) != nullptr) return std::make_unique<EditPeer>(r, w);
  if (dynamic_cast<RadioButton*>(&w) != nullptr) return std::make_unique<CheckBoxPeer>(r, w, true);
  if (dynamic_cast<CheckBox*>(&w) != nullptr) return std::make_unique<CheckBoxPeer>(r, w, false);
  if (dynamic_cast<Button*>(&w) != nullptr) return std::make_unique<ButtonPeer>(r, w);
  if (dynamic_cast<SpeedButton*>(&w) != nullptr) return std::make_unique<SpeedButtonPeer>(r, w);
  if (dynamic_cast<CheckList*>(&w) != nullptr) return std::make_unique<CheckListPeer>(r, w);
  if (dynamic_cast<ProgressBar*>(&w) != nullptr) return std::make_unique<ProgressPeer>(r, w);
  if (dynamic_cast<RichEdit*>(&w) != nullptr) return std::make_unique<RichEditPeer>(r, w);
  if (dynamic_cast<Memo*>(&w) != nullptr) return std::make_unique<MemoPeer>(r, w);
  if (dynamic_cast<Label*>(&w) != nullptr) return std::make_unique<LabelPeer>(r, w);
  if (dynamic_cast<Panel*>(&w) != nullptr) return std::make_unique<PanelPeer>(r, w);
  if (dynamic_cast<GroupBox*>(&w) != nullptr) return std::make_unique<GroupBoxPeer>(r, w);
  if (dynamic_cast<GradientPanel*>(&w) != nullptr) return std::make_unique<GradientPeer>(r, w);
  if (dynamic_cast<ScrollBox*>(&w) != nullptr) return std::make_unique<ScrollBoxPeer>(r, w);
  if (dynamic_cast<IconImage*>(&w) != nullptr) return std::make_unique<IconPeer>(r, w);
  return std::make_unique<ContainerPeer>(r, w);
}

}  // namespace ui::win32
