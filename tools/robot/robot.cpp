// A small robot for end-to-end tests under Wine: it finds top-level windows
// by caption, lists and reads child windows, presses buttons and answers
// message boxes. Each run does one command and exits 0 on success, 1 when
// the check failed, 2 on a usage error.
//
//   robot wait CAPTION [TIMEOUT_MS]        the window appears
//   robot wait-gone CAPTION [TIMEOUT_MS]   the window is gone
//   robot list CAPTION                      its child windows: class, id, state, text
//   robot expect CAPTION TEXT [TIMEOUT_MS]  a visible child shows TEXT (waits
//                                           for it, like wait)
//   robot wait-text CAPTION TEXT [TIMEOUT_MS]
//                                           a visible child shows a text that
//                                           contains TEXT within the time
//   robot checked CAPTION TEXT              exit 0 when the check box TEXT is
//                                           checked, 1 when it is not
//   robot settext CAPTION TEXT              WM_SETTEXT on the window's first
//                                           visible edit control
//   robot click CAPTION TEXT                post BM_CLICK to the button TEXT
//   robot box [TIMEOUT_MS]                  print the text of the message box shown
//   robot answer ID [TIMEOUT_MS]            press button ID of the message box
//   robot close CAPTION                     post WM_CLOSE
//   robot center CAPTION TEXT               print the screen point "X Y" at
//                                           the middle of the control TEXT
//   robot onscreen CAPTION TEXT             the control TEXT is visible and
//                                           not clipped by any window it is in
//   robot owner CAPTION                     print the caption of the window's owner
//
// "box" also prints the captions of the message box's buttons.
//
// Texts compare exactly or with the '&' accelerator markers removed.
// Output is UTF-8. With "--desktop NAME" first, the robot works on the
// windows of that desktop (Wine's "explorer /desktop=NAME" runs programs
// on a desktop of their own).

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::string utf8(const std::wstring& w) {
  if (w.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) {
    static_cast<void>(
        WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr, nullptr));
  }
  return out;
}

void print(const std::string& s) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD written = 0;
  const std::string line = s + "\n";
  if (!WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr)) {
    // Nowhere to report it; the exit code still tells.
  }
}

// The text through WM_GETTEXT, which also reads controls of another
// process (GetWindowText does not). A hung window gives an empty text.
std::wstring textOf(HWND h) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(h, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) return {};
  std::wstring s(static_cast<std::size_t>(length) + 1, L'\0');
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutW(h, WM_GETTEXT, static_cast<WPARAM>(s.size()), reinterpret_cast<LPARAM>(s.data()),
                           SMTO_ABORTIFHUNG, 2000, &got)) {
    return {};
  }
  s.resize(std::min(static_cast<std::size_t>(got), s.size() - 1));
  return s;
}

std::wstring classOf(HWND h) {
  wchar_t name[256] = {};
  const int n = GetClassNameW(h, name, 256);
  return std::wstring(name, static_cast<std::size_t>(n > 0 ? n : 0));
}

std::wstring withoutAccelerators(const std::wstring& s) {
  std::wstring out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == L'&' && i + 1 < s.size()) {
      ++i;  // "&&" is a literal '&'
    }
    out += s[i];
  }
  return out;
}

bool textMatches(const std::wstring& actual, const std::wstring& wanted) {
  return actual == wanted || withoutAccelerators(actual) == wanted;
}

// --- finding windows -----------------------------------------------------------

struct TopSearch {
  std::wstring caption;
  std::wstring className;
  HWND found = nullptr;
};

BOOL CALLBACK findTop(HWND h, LPARAM data) {
  auto* s = reinterpret_cast<TopSearch*>(data);
  if (!IsWindowVisible(h)) return TRUE;
  if (!s->className.empty() && classOf(h) != s->className) return TRUE;
  if (!s->caption.empty() && textOf(h) != s->caption) return TRUE;
  s->found = h;
  return FALSE;
}

HWND findTopWindow(const std::wstring& caption, const std::wstring& className = L"") {
  TopSearch s{caption, className, nullptr};
  static_cast<void>(EnumWindows(&findTop, reinterpret_cast<LPARAM>(&s)));
  return s.found;
}

HWND waitFor(const std::wstring& caption, const std::wstring& className, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  for (;;) {
    if (HWND h = findTopWindow(caption, className)) return h;
    if (GetTickCount64() >= end) return nullptr;
    Sleep(100);
  }
}

BOOL CALLBACK collectChild(HWND h, LPARAM data) {
  reinterpret_cast<std::vector<HWND>*>(data)->push_back(h);
  return TRUE;
}

std::vector<HWND> childrenOf(HWND parent) {
  std::vector<HWND> out;
  static_cast<void>(EnumChildWindows(parent, &collectChild, reinterpret_cast<LPARAM>(&out)));
  return out;
}

HWND findChild(HWND parent, const std::wstring& text, bool visibleOnly) {
  for (HWND h : childrenOf(parent)) {
    if (visibleOnly && !IsWindowVisible(h)) continue;
    if (textMatches(textOf(h), text)) return h;
  }
  return nullptr;
}

// A visible child whose text contains `part` (accelerators ignored).
HWND findChildContaining(HWND parent, const std::wstring& part) {
  for (HWND h : childrenOf(parent)) {
    if (!IsWindowVisible(h)) continue;
    const std::wstring text = textOf(h);
    if (text.find(part) != std::wstring::npos || withoutAccelerators(text).find(part) != std::wstring::npos) return h;
  }
  return nullptr;
}

HWND findEdit(HWND parent) {
  for (HWND h : childrenOf(parent)) {
    if (IsWindowVisible(h) && _wcsicmp(classOf(h).c_str(), L"Edit") == 0) return h;
  }
  return nullptr;
}

// --- commands -------------------------------------------------------------------

int list(HWND top) {
  print("window \"" + utf8(textOf(top)) + "\"");
  for (HWND h : childrenOf(top)) {
    int depth = 0;
    for (HWND p = GetParent(h); p != nullptr && p != top; p = GetParent(p)) ++depth;
    std::string line(static_cast<std::size_t>(depth * 2 + 2), ' ');
    line += utf8(classOf(h)) + " id=" + std::to_string(GetDlgCtrlID(h));
    line += IsWindowVisible(h) ? " visible" : " hidden";
    line += IsWindowEnabled(h) ? "" : " disabled";
    line += " \"" + utf8(textOf(h)) + "\"";
    print(line);
    const std::wstring cls = classOf(h);
    if (_wcsicmp(cls.c_str(), L"ListBox") == 0) {
      const LRESULT count = SendMessageW(h, LB_GETCOUNT, 0, 0);
      for (LRESULT i = 0; i < count; ++i) {
        const LRESULT len = SendMessageW(h, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        std::wstring item(static_cast<std::size_t>(len > 0 ? len : 0) + 1, L'\0');
        const LRESULT got = SendMessageW(h, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item.data()));
        item.resize(static_cast<std::size_t>(got > 0 ? got : 0));
        print(std::string(line.find(utf8(cls)) + 2, ' ') + "item \"" + utf8(item) + "\"");
      }
    }
  }
  return 0;
}

DWORD timeoutArg(const std::vector<std::wstring>& args, std::size_t index, DWORD fallback) {
  if (args.size() <= index) return fallback;
  return static_cast<DWORD>(std::wcstoul(args[index].c_str(), nullptr, 10));
}

int run(const std::vector<std::wstring>& args) {
  if (args.size() < 2) return 2;
  const std::wstring& cmd = args[1];
  if (cmd == L"wait" && args.size() >= 3) {
    HWND h = waitFor(args[2], L"", timeoutArg(args, 3, 10000));
    if (h == nullptr) print("no window \"" + utf8(args[2]) + "\"");
    return h != nullptr ? 0 : 1;
  }
  if (cmd == L"wait-gone" && args.size() >= 3) {
    const ULONGLONG end = GetTickCount64() + timeoutArg(args, 3, 10000);
    while (findTopWindow(args[2]) != nullptr) {
      if (GetTickCount64() >= end) {
        print("window \"" + utf8(args[2]) + "\" is still there");
        return 1;
      }
      Sleep(100);
    }
    return 0;
  }
  if (cmd == L"wait-text" && args.size() >= 4) {
    // The window may come and go (a page change recreates nothing, but a
    // dialog may not exist yet): look it up on every round.
    const ULONGLONG end = GetTickCount64() + timeoutArg(args, 4, 10000);
    for (;;) {
      HWND top = findTopWindow(args[2]);
      if (top != nullptr && findChildContaining(top, args[3]) != nullptr) return 0;
      if (GetTickCount64() >= end) {
        print("no visible text \"" + utf8(args[3]) + "\" in \"" + utf8(args[2]) + "\"");
        return 1;
      }
      Sleep(100);
    }
  }
  if (cmd == L"box" || cmd == L"answer") {
    const bool answer = cmd == L"answer";
    if (answer && args.size() < 3) return 2;
    HWND box = waitFor(L"", L"#32770", timeoutArg(args, answer ? 3 : 2, 10000));
    if (box == nullptr) {
      print("no message box");
      return 1;
    }
    HWND text = GetDlgItem(box, 0xFFFF);
    std::string buttons;
    for (HWND h : childrenOf(box)) {
      if (_wcsicmp(classOf(h).c_str(), L"Button") == 0 && IsWindowVisible(h)) buttons += " [" + utf8(textOf(h)) + "]";
    }
    print("box \"" + utf8(textOf(box)) + "\": \"" + utf8(text != nullptr ? textOf(text) : L"") + "\" buttons" +
          buttons);
    if (!answer) return 0;
    const int id = static_cast<int>(std::wcstol(args[2].c_str(), nullptr, 10));
    HWND button = GetDlgItem(box, id);
    if (button == nullptr) {
      print("the message box has no button " + std::to_string(id));
      return 1;
    }
    return PostMessageW(button, BM_CLICK, 0, 0) ? 0 : 1;
  }
  if (cmd == L"expect" && args.size() >= 4) {
    // Pages change after the click that asked for them: wait for the text
    // instead of guessing how long the change takes.
    const ULONGLONG end = GetTickCount64() + timeoutArg(args, 4, 5000);
    for (;;) {
      HWND top = findTopWindow(args[2]);
      if (top != nullptr && findChild(top, args[3], true) != nullptr) return 0;
      if (GetTickCount64() >= end) {
        print(top == nullptr ? "no window \"" + utf8(args[2]) + "\""
                             : "no visible \"" + utf8(args[3]) + "\" in \"" + utf8(args[2]) + "\"");
        return 1;
      }
      Sleep(100);
    }
  }
  if (args.size() < 3) return 2;
  HWND top = findTopWindow(args[2]);
  if (top == nullptr) {
    print("no window \"" + utf8(args[2]) + "\"");
    return 1;
  }
  if (cmd == L"list") return list(top);
  if (cmd == L"owner") {
    HWND owner = GetWindow(top, GW_OWNER);
    if (owner == nullptr) {
      print("no owner");
      return 1;
    }
    print(utf8(textOf(owner)));
    return 0;
  }
  if (cmd == L"close") return PostMessageW(top, WM_CLOSE, 0, 0) ? 0 : 1;
  if (args.size() < 4) return 2;
  if (cmd == L"checked") {
    HWND b = findChild(top, args[3], true);
    if (b == nullptr) {
      print("no visible \"" + utf8(args[3]) + "\" in \"" + utf8(args[2]) + "\"");
      return 2;
    }
    DWORD_PTR state = 0;
    if (!SendMessageTimeoutW(b, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &state)) return 2;
    return state == BST_CHECKED ? 0 : 1;
  }
  if (cmd == L"settext") {
    HWND e = findEdit(top);
    if (e == nullptr) {
      print("no visible edit control in \"" + utf8(args[2]) + "\"");
      return 1;
    }
    DWORD_PTR done = 0;
    if (!SendMessageTimeoutW(e, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(args[3].c_str()), SMTO_ABORTIFHUNG, 2000,
                             &done)) {
      return 1;
    }
    return done != 0 ? 0 : 1;
  }
  if (cmd == L"center") {
    HWND c = findChild(top, args[3], true);
    RECT r{};
    if (c == nullptr || !GetWindowRect(c, &r)) {
      print("no visible \"" + utf8(args[3]) + "\" in \"" + utf8(args[2]) + "\"");
      return 1;
    }
    print(std::to_string((r.left + r.right) / 2) + " " + std::to_string((r.top + r.bottom) / 2));
    return 0;
  }
  if (cmd == L"onscreen") {
    HWND c = findChild(top, args[3], true);
    RECT r{};
    if (c == nullptr || !GetWindowRect(c, &r)) {
      print("no visible \"" + utf8(args[3]) + "\" in \"" + utf8(args[2]) + "\"");
      return 1;
    }
    // Every window the control lies in must show the whole of it.
    for (HWND p = GetParent(c); p != nullptr; p = GetParent(p)) {
      RECT client{};
      if (!GetClientRect(p, &client)) break;
      MapWindowPoints(p, nullptr, reinterpret_cast<POINT*>(&client), 2);
      if (r.top < client.top || r.bottom > client.bottom || r.left < client.left || r.right > client.right) {
        print("\"" + utf8(args[3]) + "\" is clipped by a " + utf8(classOf(p)));
        return 1;
      }
      if (p == top) break;
    }
    return 0;
  }
  if (cmd == L"click") {
    HWND b = findChild(top, args[3], true);
    if (b == nullptr) {
      print("no visible \"" + utf8(args[3]) + "\" in \"" + utf8(args[2]) + "\"");
      return 1;
    }
    if (!IsWindowEnabled(b)) {
      print("\"" + utf8(args[3]) + "\" is disabled");
      return 1;
    }
    // Posted, not sent: the click may open a modal dialog.
    return PostMessageW(b, BM_CLICK, 0, 0) ? 0 : 1;
  }
  return 2;
}

struct DesktopHandle {
  HDESK h = nullptr;
  DesktopHandle() = default;
  DesktopHandle(const DesktopHandle&) = delete;
  DesktopHandle& operator=(const DesktopHandle&) = delete;
  ~DesktopHandle() {
    if (h != nullptr) static_cast<void>(CloseDesktop(h));
  }
};

}  // namespace

int main() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr) return 2;
  std::vector<std::wstring> args(argv, argv + argc);
  static_cast<void>(LocalFree(argv));
  DesktopHandle desk;
  if (args.size() >= 3 && args[1] == L"--desktop") {
    const std::wstring name = args[2];
    args.erase(args.begin() + 1, args.begin() + 3);
    const bool waitingForTheEnd = args.size() >= 2 && args[1] == L"wait-gone";
    // The desktop appears once its first program starts, and goes with
    // its last window: give it time to come, not to go.
    for (int attempt = 0; attempt < (waitingForTheEnd ? 1 : 300) && desk.h == nullptr; ++attempt) {
      desk.h = OpenDesktopW(name.c_str(), 0, FALSE, DESKTOP_READOBJECTS | DESKTOP_ENUMERATE);
      if (desk.h == nullptr && !waitingForTheEnd) Sleep(100);
    }
    if (desk.h == nullptr && waitingForTheEnd) return 0;
    // Window enumeration follows the thread's desktop.
    if (desk.h == nullptr || !SetThreadDesktop(desk.h)) {
      print("cannot open desktop \"" + utf8(name) + "\"");
      return 1;
    }
  }
  const int rc = run(args);
  if (rc == 2) {
    print("usage: robot [--desktop NAME] wait|wait-gone|wait-text|list|expect|checked|settext|click|center|onscreen|"
          "owner|box|answer|close ...");
  }
  return rc;
}
