#include "ui/win32/win32_renderer.h"

#include <commctrl.h>
#include <commdlg.h>
#include <objbase.h>
#include <richedit.h>
#include <shlobj.h>

#include <algorithm>

#include "ui/controls.h"
#include "ui/form.h"
#include "ui/timer.h"
#include "ui/win32/peers.h"
#include "ui/win32/wide.h"

namespace ui::win32 {

namespace {
constexpr const wchar_t* timerClass = L"SetupkitTimers";
constexpr const wchar_t* applicationClass = L"SetupkitApplication";

// PIDLs from the shell are freed with CoTaskMemFree.
struct PidlDeleter {
  void operator()(ITEMIDLIST* p) const { CoTaskMemFree(p); }
};
using UniquePidl = std::unique_ptr<ITEMIDLIST, PidlDeleter>;

}  // namespace

Win32Renderer::Win32Renderer(HINSTANCE instance) : instance_(instance) {
  INITCOMMONCONTROLSEX icc{};
  icc.dwSize = sizeof(icc);
  icc.dwICC = ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_WIN95_CLASSES;
  static_cast<void>(InitCommonControlsEx(&icc));
  {
    WindowDc screen(nullptr);
    if (screen.get() != nullptr) dpi_ = GetDeviceCaps(screen.get(), LOGPIXELSY);
    if (dpi_ <= 0) dpi_ = 96;
  }
  WindowPeer::registerClasses(instance);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = &Win32Renderer::timerWindowProc;
  wc.hInstance = instance;
  wc.lpszClassName = timerClass;
  static_cast<void>(RegisterClassExW(&wc));
  timerWindow_.reset(CreateWindowExW(0, timerClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, this));
  wc.lpfnWndProc = &Win32Renderer::applicationWindowProc;
  wc.lpszClassName = applicationClass;
  wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  static_cast<void>(RegisterClassExW(&wc));
}

Win32Renderer::~Win32Renderer() {
  for (const auto& [id, timer] : timers_) static_cast<void>(KillTimer(timerWindow_.get(), id));
}

int Win32Renderer::scale(int v) const { return MulDiv(v, dpi_, 96); }
int Win32Renderer::unscale(int v) const { return MulDiv(v, 96, dpi_); }

COLORREF Win32Renderer::colorRef(Color c) {
  if (colors::isSystem(c)) return GetSysColor(colors::systemIndex(c));
  return static_cast<COLORREF>(c & 0xFFFFFF);
}

HBRUSH Win32Renderer::brush(Color c) {
  const COLORREF ref = colorRef(c);
  auto it = brushes_.find(ref);
  if (it == brushes_.end()) it = brushes_.emplace(ref, UniqueBrush(CreateSolidBrush(ref))).first;
  return it->second.get();
}

namespace {
UniqueFont makeFont(const Font& f, int pixelHeight) {
  LOGFONTW lf{};
  lf.lfHeight = -pixelHeight;
  lf.lfWeight = f.bold ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = f.italic ? TRUE : FALSE;
  lf.lfUnderline = f.underline ? TRUE : FALSE;
  // The texts are Cyrillic: ask for a face that has the code page.
  lf.lfCharSet = RUSSIAN_CHARSET;
  lf.lfQuality = DEFAULT_QUALITY;
  const std::wstring face = wide(f.name);
  const std::size_t n = std::min(face.size(), static_cast<std::size_t>(LF_FACESIZE - 1));
  std::copy_n(face.begin(), n, lf.lfFaceName);
  return UniqueFont(CreateFontIndirectW(&lf));
}
}  // namespace

HFONT Win32Renderer::font(const Font& f) {
  FontKey key{f.name, f.height, f.bold, f.italic, f.underline};
  auto it = fonts_.find(key);
  if (it == fonts_.end()) it = fonts_.emplace(key, makeFont(f, scale(f.height))).first;
  return it->second.get();
}

HFONT Win32Renderer::measureFont(const Font& f) {
  FontKey key{f.name, f.height, f.bold, f.italic, f.underline};
  auto it = measureFonts_.find(key);
  if (it == measureFonts_.end()) it = measureFonts_.emplace(key, makeFont(f, f.height)).first;
  return it->second.get();
}

const wchar_t* Win32Renderer::richEditClass() {
  if (richEditClass_ != nullptr) return richEditClass_;
  richEditLibrary_.reset(LoadLibraryW(L"Msftedit.dll"));
  if (richEditLibrary_) {
    richEditClass_ = MSFTEDIT_CLASS;
  } else {
    richEditLibrary_.reset(LoadLibraryW(L"Riched20.dll"));
    richEditClass_ = RICHEDIT_CLASSW;
  }
  return richEditClass_;
}

HWND Win32Renderer::windowOf(const Form* form) {
  if (form == nullptr) return nullptr;
  auto* peer = dynamic_cast<WindowPeer*>(form->peer());
  return peer != nullptr ? peer->hwnd() : nullptr;
}

HWND Win32Renderer::ownerFor(const Form* form) const {
  if (HWND h = windowOf(form)) return h;
  HWND active = GetActiveWindow();
  if (active != nullptr) return active;
  return shownForms_.empty() ? nullptr : windowOf(shownForms_.back());
}

// --- forms --------------------------------------------------------------------

void Win32Renderer::realize(Widget& widget) {
  if (widget.peer() == nullptr) {
    if (widget.parent() != nullptr && widget.parent()->peer() == nullptr) return;  // realised with its parent
    auto peer = createPeer(*this, widget);
    WindowPeer& ref = *peer;
    widget.attachPeer(std::move(peer));
    ref.create();
    if (!widget.hint().empty()) ref.update(Property::Hint);
  }
  for (auto& child : widget.children()) realize(*child);
}

void Win32Renderer::showForm(Form& form) {
  form.realign();
  realize(form);
  if (std::find(shownForms_.begin(), shownForms_.end(), &form) == shownForms_.end()) shownForms_.push_back(&form);
  HWND h = windowOf(&form);
  if (h == nullptr) return;
  ShowWindow(h, form.maximized() ? SW_SHOWMAXIMIZED : SW_SHOW);
  UpdateWindow(h);
  if (Widget* focus = form.activeControl()) {
    if (auto* p = dynamic_cast<WindowPeer*>(focus->peer()); p != nullptr && p->hwnd() != nullptr) SetFocus(p->hwnd());
  }
}

void Win32Renderer::hideForm(Form& form) {
  std::erase(shownForms_, &form);
  HWND h = windowOf(&form);
  if (h != nullptr) ShowWindow(h, SW_HIDE);
  // Windows are created for each showing: a dialog is shown once and
  // released, and a form shown again gets fresh windows.
  form.detachPeers();
}

ModalResult Win32Renderer::runModal(Form& form) {
  // Every other window of the program is disabled while the dialog is up.
  std::vector<HWND> disabled;
  for (Form* other : shownForms_) {
    HWND h = windowOf(other);
    if (h != nullptr && other != &form && IsWindowEnabled(h)) {
      EnableWindow(h, FALSE);
      disabled.push_back(h);
    }
  }
  showForm(form);
  HWND dialog = windowOf(&form);
  bool quitSeen = false;
  while (!form.modalEnded()) {
    MSG msg;
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) {
      quitSeen = got == 0;
      if (quitSeen) PostQuitMessage(static_cast<int>(msg.wParam));  // for the outer loop
      break;
    }
    if (dialog != nullptr && IsDialogMessageW(dialog, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  // Enable the owners before the dialog goes, so activation returns to them.
  for (HWND h : disabled) EnableWindow(h, TRUE);
  if (quitSeen) return ModalResult::None;
  return form.modalResult();
}

// --- system dialogs -----------------------------------------------------------

namespace {
// The system's message box labels its buttons in the language of Windows;
// ours speak Russian on any Windows. The captions are put in when the box
// is about to be activated, before it is first drawn.
LRESULT CALLBACK russianButtons(int code, WPARAM wp, LPARAM lp) {
  if (code == HCBT_ACTIVATE) {
    HWND box = reinterpret_cast<HWND>(wp);
    wchar_t cls[16] = {};
    if (GetClassNameW(box, cls, 16) > 0 && wcscmp(cls, L"#32770") == 0) {
      const struct {
        int id;
        ButtonKind kind;
      } buttons[] = {{IDOK, ButtonKind::Ok},         {IDCANCEL, ButtonKind::Cancel}, {IDYES, ButtonKind::Yes},
                     {IDNO, ButtonKind::No},         {IDABORT, ButtonKind::Abort},   {IDRETRY, ButtonKind::Retry},
                     {IDIGNORE, ButtonKind::Ignore}};
      for (const auto& b : buttons) {
        if (HWND h = GetDlgItem(box, b.id)) SetWindowTextW(h, wide(Button::stockCaption(b.kind)).c_str());
      }
    }
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

struct HookDeleter {
  void operator()(HHOOK__* h) const { static_cast<void>(UnhookWindowsHookEx(h)); }
};
}  // namespace

ModalResult Win32Renderer::messageBox(const MessageBoxRequest& request) {
  UINT style = static_cast<UINT>(request.buttons) | static_cast<UINT>(request.icon);
  if (request.defaultButton == 1) style |= MB_DEFBUTTON2;
  if (request.defaultButton == 2) style |= MB_DEFBUTTON3;
  HWND owner = ownerFor(request.owner);
  if (owner == nullptr) style |= MB_TASKMODAL;
  const std::unique_ptr<HHOOK__, HookDeleter> hook(
      SetWindowsHookExW(WH_CBT, &russianButtons, nullptr, GetCurrentThreadId()));
  const int answer = MessageBoxW(owner, wide(request.text).c_str(), wide(request.caption).c_str(), style);
  if (answer <= 0) return ModalResult::Cancel;
  return static_cast<ModalResult>(answer);
}

namespace {
int CALLBACK folderCallback(HWND hwnd, UINT msg, LPARAM, LPARAM data) {
  if (msg == BFFM_INITIALIZED && data != 0) SendMessageW(hwnd, BFFM_SETSELECTIONW, TRUE, data);
  return 0;
}
}  // namespace

std::optional<std::string> Win32Renderer::browseForFolder(const FolderDialogRequest& request) {
  const std::wstring title = wide(request.title);
  const std::wstring initial = wide(request.initialDir);
  BROWSEINFOW bi{};
  bi.hwndOwner = ownerFor(request.owner);
  bi.lpszTitle = title.empty() ? nullptr : title.c_str();
  bi.ulFlags = BIF_RETURNONLYFSDIRS;
  bi.lpfn = &folderCallback;
  bi.lParam = initial.empty() ? 0 : reinterpret_cast<LPARAM>(initial.c_str());
  UniquePidl pidl(SHBrowseForFolderW(&bi));
  if (!pidl) return std::nullopt;
  std::wstring path(MAX_PATH, L'\0');
  if (!SHGetPathFromIDListW(pidl.get(), path.data())) return std::nullopt;
  path.resize(wcslen(path.c_str()));
  return narrow(path);
}

std::optional<std::string> Win32Renderer::openFileDialog(const FileDialogRequest& request) {
  // "Description|*.ext|..." becomes the double-zero-terminated filter list.
  std::wstring filter = wide(request.filter);
  std::replace(filter.begin(), filter.end(), L'|', L'\0');
  filter.push_back(L'\0');
  filter.push_back(L'\0');
  std::wstring initial = wide(request.initialPath);
  std::wstring file(32768, L'\0');
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = ownerFor(request.owner);
  ofn.lpstrFilter = request.filter.empty() ? nullptr : filter.c_str();
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrInitialDir = initial.empty() ? nullptr : initial.c_str();
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (!GetOpenFileNameW(&ofn)) return std::nullopt;
  file.resize(wcslen(file.c_str()));
  return narrow(file);
}

std::optional<int> Win32Renderer::popupMenu(const PopupMenuRequest& request) {
  UniqueMenu menu(CreatePopupMenu());
  if (!menu) return std::nullopt;
  for (std::size_t i = 0; i < request.items.size(); ++i) {
    UINT flags = MF_STRING;
    if (i < request.enabled.size() && !request.enabled[i]) flags |= MF_GRAYED;
    static_cast<void>(AppendMenuW(menu.get(), flags, i + 1, wide(request.items[i]).c_str()));
  }
  HWND owner = ownerFor(request.owner);
  POINT pt{scale(request.anchor.left), scale(request.anchor.bottom())};
  if (owner != nullptr) ClientToScreen(owner, &pt);
  const int chosen = static_cast<int>(
      TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN | TPM_NONOTIFY, pt.x, pt.y, 0, owner, nullptr));
  if (chosen <= 0) return std::nullopt;
  return chosen - 1;
}

// --- loops --------------------------------------------------------------------

void Win32Renderer::dispatch(MSG& msg) {
  // Tab, Enter and Esc work in every form through the dialog manager.
  HWND root = msg.hwnd != nullptr ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
  if (root != nullptr && dynamic_cast<FormPeer*>(WindowPeer::fromWindow(root)) != nullptr &&
      IsDialogMessageW(root, &msg)) {
    return;
  }
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

void Win32Renderer::processMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      quitting_ = true;
      PostQuitMessage(static_cast<int>(msg.wParam));  // leave it for the main loop
      return;
    }
    dispatch(msg);
  }
}

void Win32Renderer::run() {
  MSG msg;
  for (;;) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) break;
    dispatch(msg);
  }
}

void Win32Renderer::quit() {
  quitting_ = true;
  PostQuitMessage(0);
}

// --- timers -------------------------------------------------------------------

LRESULT CALLBACK Win32Renderer::timerWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lp);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  auto* self = reinterpret_cast<Win32Renderer*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (msg == WM_TIMER && self != nullptr) {
    auto it = self->timers_.find(wp);
    if (it != self->timers_.end()) it->second->fire();
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

void Win32Renderer::startTimer(Timer& timer) {
  stopTimer(timer);
  if (timer.interval() <= 0) return;
  const UINT_PTR id = nextTimerId_++;
  if (SetTimer(timerWindow_.get(), id, static_cast<UINT>(timer.interval()), nullptr) != 0) timers_[id] = &timer;
}

void Win32Renderer::stopTimer(Timer& timer) {
  for (auto it = timers_.begin(); it != timers_.end();) {
    if (it->second == &timer) {
      static_cast<void>(KillTimer(timerWindow_.get(), it->first));
      it = timers_.erase(it);
    } else {
      ++it;
    }
  }
}

// --- the application window -----------------------------------------------------

LRESULT CALLBACK Win32Renderer::applicationWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  // Activated from the taskbar or the task switcher: the window the user
  // works in comes forward instead of this empty one.
  if (msg == WM_ACTIVATE && LOWORD(wp) != WA_INACTIVE) {
    HWND last = GetLastActivePopup(hwnd);
    if (last != nullptr && last != hwnd && IsWindowEnabled(last)) {
      static_cast<void>(SetActiveWindow(last));
      return 0;
    }
  }
  if (msg == WM_CLOSE) return 0;  // the forms decide when the program ends
  return DefWindowProcW(hwnd, msg, wp, lp);
}

void Win32Renderer::setApplicationTitle(const std::string& title) {
  if (!applicationWindow_) {
    // A window without area: it only carries the title, like the forms'
    // owner in the form library the engine was designed with.
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    static_cast<void>(SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
    applicationWindow_.reset(CreateWindowExW(0, applicationClass, wide(title).c_str(),
                                             WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                                             (work.left + work.right) / 2, (work.top + work.bottom) / 2, 0, 0, nullptr,
                                             nullptr, instance_, nullptr));
    if (applicationWindow_) ShowWindow(applicationWindow_.get(), SW_SHOWNOACTIVATE);
    return;
  }
  SetWindowTextW(applicationWindow_.get(), wide(title).c_str());
}

// --- cursor, front, beep, metrics ---------------------------------------------

void Win32Renderer::setCursor(Cursor c) {
  cursor_ = c;
  SetCursor(LoadCursorW(nullptr, c == Cursor::Wait ? IDC_WAIT : IDC_ARROW));
}

void Win32Renderer::bringToFront(Form* form) {
  HWND h = windowOf(form);
  if (h == nullptr) return;
  static_cast<void>(SetForegroundWindow(h));
  static_cast<void>(SetActiveWindow(h));
}

void Win32Renderer::beep(MessageIcon kind) { static_cast<void>(MessageBeep(static_cast<UINT>(kind))); }

int Win32Renderer::textWidth(const Font& f, std::string_view text) {
  WindowDc screen(nullptr);
  if (screen.get() == nullptr) return 0;
  SelectObjectScope select(screen.get(), measureFont(f));
  const std::wstring w = wide(text);
  SIZE size{};
  if (!GetTextExtentPoint32W(screen.get(), w.c_str(), static_cast<int>(w.size()), &size)) return 0;
  return size.cx;
}

int Win32Renderer::lineHeight(const Font& f) {
  WindowDc screen(nullptr);
  if (screen.get() == nullptr) return f.height + 2;
  SelectObjectScope select(screen.get(), measureFont(f));
  TEXTMETRICW tm{};
  if (!GetTextMetricsW(screen.get(), &tm)) return f.height + 2;
  return tm.tmHeight;
}

}  // namespace ui::win32
