#pragma once
// Console output for the author's tool: texts of the engine are code page
// 1251; the console gets UTF-8 (the Windows console is switched to it).

#include <cstdio>
#include <string>
#include <string_view>

namespace setupkit {

void initConsole();
// 1251 text as UTF-8 for printing.
std::string shown(std::string_view text1251);
// UTF-8 from the command line as 1251 text for the engine.
std::string from_utf8(std::string_view utf8);

// Text from an archive (names, messages that quote them) made safe to show:
// control characters (C0, DEL, C1: ESC, CR, LF, ...) become \e, \r, \n,
// \0 or \xNN, a backslash becomes \\, and bytes that are not UTF-8
// become \xNN. Nothing is cut at an embedded NUL.
std::string printable(std::string_view utf8);
// Writes printable(line) and a newline; the whole text, NULs included.
void printLine(std::FILE* out, std::string_view line);
// True when `out` is a terminal (progress is drawn only there).
bool isTerminal(std::FILE* out);

}  // namespace setupkit
