#include "tools/setupkit/console.h"

#include "text/codepage.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace setupkit {

void initConsole() {
#ifdef _WIN32
  SetConsoleOutputCP(CP_UTF8);
#endif
}

std::string shown(std::string_view text1251) { return text::toUtf8(text::CodePage::cp1251, text1251); }

std::string from_utf8(std::string_view utf8) { return text::fromUtf8(text::CodePage::cp1251, utf8); }

namespace {

void hexByte(std::string& out, unsigned char c) {
  static const char digits[] = "0123456789abcdef";
  out += "\\x";
  out += digits[c >> 4];
  out += digits[c & 15];
}

// Length of a well-formed UTF-8 sequence at `s` (shortest form, no
// surrogates, at most U+10FFFF), or 0.
size_t utf8Length(std::string_view s) {
  auto cont = [&](size_t i) { return i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80; };
  unsigned char c = static_cast<unsigned char>(s[0]);
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) return cont(1) ? 2 : 0;
  if (c >= 0xE0 && c <= 0xEF) {
    if (!cont(1) || !cont(2)) return 0;
    unsigned char d = static_cast<unsigned char>(s[1]);
    if ((c == 0xE0 && d < 0xA0) || (c == 0xED && d >= 0xA0)) return 0;
    return 3;
  }
  if (c >= 0xF0 && c <= 0xF4) {
    if (!cont(1) || !cont(2) || !cont(3)) return 0;
    unsigned char d = static_cast<unsigned char>(s[1]);
    if ((c == 0xF0 && d < 0x90) || (c == 0xF4 && d >= 0x90)) return 0;
    return 4;
  }
  return 0;
}

}  // namespace

std::string printable(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    size_t n = utf8Length(text.substr(i));
    if (n == 0) {
      hexByte(out, c);
      ++i;
      continue;
    }
    if (n == 1) {
      switch (c) {
        case 0: out += "\\0"; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case 0x1B: out += "\\e"; break;
        default:
          if (c < 0x20 || c == 0x7F) hexByte(out, c);
          else out += char(c);
      }
    } else if (n == 2 && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0) {
      hexByte(out, static_cast<unsigned char>(text[i + 1]));  // C1 control (U+0080..U+009F)
    } else {
      out.append(text.substr(i, n));
    }
    i += n;
  }
  return out;
}

void printLine(std::FILE* out, std::string_view line) {
  std::string s = printable(line);
  s += '\n';
  std::fwrite(s.data(), 1, s.size(), out);
}

bool isTerminal(std::FILE* out) {
#ifdef _WIN32
  return _isatty(_fileno(out)) != 0;
#else
  return isatty(fileno(out)) != 0;
#endif
}

}  // namespace setupkit
