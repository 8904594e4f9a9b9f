#pragma once
// Whole-code-page conversion between 8-bit text (Windows 1251, DOS 866) and
// Unicode. The engine keeps its texts in 1251; these convert at the edges:
// Windows wide-character calls, UTF-8 terminals and files, RAR names.

#include <cstdint>
#include <string>
#include <string_view>

namespace text {

enum class CodePage { cp1251, cp866 };

// Unicode code point of one byte.
char32_t toUnicode(CodePage cp, unsigned char byte);
// Byte of a code point, or `fallback` when the code page has no such character.
unsigned char fromUnicode(CodePage cp, char32_t ch, unsigned char fallback = '?');

std::u16string toUtf16(CodePage cp, std::string_view bytes);
std::string fromUtf16(CodePage cp, std::u16string_view s, unsigned char fallback = '?');
std::string toUtf8(CodePage cp, std::string_view bytes);
std::string fromUtf8(CodePage cp, std::string_view utf8, unsigned char fallback = '?');

// UTF-8 <-> UTF-16. Malformed UTF-8 becomes U+FFFD; lone surrogates are
// encoded as they are (WTF-8 style) so names survive a round trip.
std::u16string utf8ToUtf16(std::string_view utf8);
std::string utf16ToUtf8(std::u16string_view s);

// Case folding for 1251 text as Windows compares names: ASCII letters and
// the Cyrillic letters of the code page.
char upper1251(char c);
std::string upper1251(std::string_view s);
bool equalsNoCase1251(std::string_view a, std::string_view b);

}  // namespace text
