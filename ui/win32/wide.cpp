#include "ui/win32/wide.h"

#include <windows.h>

#include "text/codepage.h"

namespace ui::win32 {

std::wstring wide(std::string_view cp1251) {
  const std::u16string u = text::toUtf16(text::CodePage::cp1251, cp1251);
  return std::wstring(u.begin(), u.end());
}

std::string narrow(std::wstring_view utf16) {
  const std::u16string u(utf16.begin(), utf16.end());
  return text::fromUtf16(text::CodePage::cp1251, u);
}

std::string windowText(HWND h) {
  const int length = GetWindowTextLengthW(h);
  if (length <= 0) return {};
  std::wstring buffer(static_cast<std::size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(h, buffer.data(), length + 1);
  buffer.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  return narrow(buffer);
}

}  // namespace ui::win32
