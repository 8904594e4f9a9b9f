#pragma once
// Texts cross the Win32 boundary here: the model's code page 1251 strings
// become UTF-16 for the W functions and back.

#include <windows.h>

#include <string>
#include <string_view>

namespace ui::win32 {

std::wstring wide(std::string_view cp1251);
std::string narrow(std::wstring_view utf16);
// The window's text, converted to 1251.
std::string windowText(HWND hwnd);

}  // namespace ui::win32
