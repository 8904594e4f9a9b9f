#include "text/codepage.h"

#include <array>

namespace text {
namespace detail {
extern const uint16_t kCp1251High[128];
extern const uint16_t kCp866High[128];
}  // namespace detail

namespace {

const uint16_t* highTable(CodePage cp) {
  return cp == CodePage::cp1251 ? detail::kCp1251High : detail::kCp866High;
}

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += char(c);
  } else if (c < 0x800) {
    out += char(0xC0 | (c >> 6));
    out += char(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += char(0xE0 | (c >> 12));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  } else {
    out += char(0xF0 | (c >> 18));
    out += char(0x80 | ((c >> 12) & 0x3F));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  }
}

// Decodes one UTF-8 sequence at s[i]; advances i. Malformed input gives U+FFFD.
char32_t nextUtf8(std::string_view s, size_t& i) {
  unsigned char b = s[i++];
  if (b < 0x80) return b;
  int extra;
  char32_t c;
  if ((b & 0xE0) == 0xC0) {
    extra = 1;
    c = b & 0x1F;
  } else if ((b & 0xF0) == 0xE0) {
    extra = 2;
    c = b & 0x0F;
  } else if ((b & 0xF8) == 0xF0) {
    extra = 3;
    c = b & 0x07;
  } else {
    return 0xFFFD;
  }
  for (int k = 0; k < extra; ++k) {
    if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return 0xFFFD;
    c = (c << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
  }
  static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
  if (c < kMin[extra] || c > 0x10FFFF) return 0xFFFD;  // overlong or out of range
  return c;
}

}  // namespace

char32_t toUnicode(CodePage cp, unsigned char byte) {
  return byte < 0x80 ? byte : highTable(cp)[byte - 0x80];
}

unsigned char fromUnicode(CodePage cp, char32_t ch, unsigned char fallback) {
  if (ch < 0x80) return static_cast<unsigned char>(ch);
  const uint16_t* table = highTable(cp);
  for (int i = 0; i < 128; ++i)
    if (table[i] == ch) return static_cast<unsigned char>(0x80 + i);
  return fallback;
}

std::u16string toUtf16(CodePage cp, std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (unsigned char b : bytes) out += static_cast<char16_t>(toUnicode(cp, b));
  return out;
}

std::string fromUtf16(CodePage cp, std::u16string_view s, unsigned char fallback) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t c = s[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    }
    out += static_cast<char>(fromUnicode(cp, c, fallback));
  }
  return out;
}

std::string toUtf8(CodePage cp, std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char b : bytes) appendUtf8(out, toUnicode(cp, b));
  return out;
}

std::string fromUtf8(CodePage cp, std::string_view utf8, unsigned char fallback) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) out += static_cast<char>(fromUnicode(cp, nextUtf8(utf8, i), fallback));
  return out;
}

std::u16string utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    char32_t c = nextUtf8(utf8, i);
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

std::string utf16ToUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size() * 2);
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t c = s[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    }
    appendUtf8(out, c);
  }
  return out;
}

char upper1251(char c) {
  unsigned char b = static_cast<unsigned char>(c);
  if (b >= 'a' && b <= 'z') return static_cast<char>(b - 32);
  if (b >= 0xE0) return static_cast<char>(b - 32);  // а..я -> А..Я
  switch (b) {
    case 0xB8: return static_cast<char>(0xA8);  // ё
    case 0xA2: return static_cast<char>(0xA1);  // ў
    case 0xB3: return static_cast<char>(0xB2);  // і
    case 0xBF: return static_cast<char>(0xAF);  // ї
    case 0xBA: return static_cast<char>(0xAA);  // є
    case 0xB4: return static_cast<char>(0xA5);  // ґ
    case 0xBC: return static_cast<char>(0xA3);  // ј
    case 0xBE: return static_cast<char>(0xBD);  // ѕ
    case 0x90: return static_cast<char>(0x80);  // ђ
    case 0x83: return static_cast<char>(0x81);  // ѓ
    case 0x9A: return static_cast<char>(0x8A);  // љ
    case 0x9C: return static_cast<char>(0x8C);  // њ
    case 0x9D: return static_cast<char>(0x8D);  // ќ
    case 0x9E: return static_cast<char>(0x8E);  // ћ
    case 0x9F: return static_cast<char>(0x8F);  // џ
    default: return c;
  }
}

std::string upper1251(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = upper1251(c);
  return out;
}

bool equalsNoCase1251(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (upper1251(a[i]) != upper1251(b[i])) return false;
  return true;
}

}  // namespace text
