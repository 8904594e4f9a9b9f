#include "tools/setupkit/console.h"

#include "text/codepage.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace setupkit {

void initConsole() {
#ifdef _WIN32
  SetConsoleOutputCP(CP_UTF8);
#endif
}

std::string shown(std::string_view text1251) { return text::toUtf8(text::CodePage::cp1251, text1251); }

std::string from_utf8(std::string_view utf8) { return text::fromUtf8(text::CodePage::cp1251, utf8); }

}  // namespace setupkit
