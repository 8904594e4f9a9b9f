#pragma once
// Console output for the author's tool: texts of the engine are code page
// 1251; the console gets UTF-8 (the Windows console is switched to it).

#include <string>
#include <string_view>

namespace setupkit {

void initConsole();
// 1251 text as UTF-8 for printing.
std::string shown(std::string_view text1251);
// UTF-8 from the command line as 1251 text for the engine.
std::string from_utf8(std::string_view utf8);

}  // namespace setupkit
