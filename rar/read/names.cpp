#include "rar/read/names.h"

#include "text/codepage.h"

namespace rar {

bool isValidUtf8(const std::string& s) {
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n = 0;
    if (c < 0x80) n = 0;
    else if (c >= 0xC2 && c < 0xE0) n = 1;
    else if (c >= 0xE0 && c < 0xF0) n = 2;
    else if (c >= 0xF0 && c < 0xF5) n = 3;
    else return false;
    if (n > 0 && i + n >= s.size()) return false;
    for (size_t k = 1; k <= n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    i += n + 1;
  }
  return true;
}

std::u16string decodeCompressedUnicode(const std::string& oem, const uint8_t* enc, size_t encSize) {
  std::u16string out;
  if (encSize == 0) return out;
  size_t pos = 0;
  const uint8_t highByte = enc[pos++];
  unsigned flags = 0;
  int flagBits = 0;
  const size_t maxLen = oem.size();
  auto oemAt = [&](size_t i) -> unsigned { return i < oem.size() ? static_cast<unsigned char>(oem[i]) : 0; };
  while (pos < encSize && out.size() < maxLen) {
    if (flagBits == 0) {
      flags = enc[pos++];
      flagBits = 8;
      if (pos >= encSize) break;
    }
    flagBits -= 2;
    switch ((flags >> flagBits) & 3) {
      case 0:
        out.push_back(char16_t(enc[pos++]));
        break;
      case 1:
        out.push_back(char16_t(enc[pos++] | (highByte << 8)));
        break;
      case 2:
        if (pos + 1 >= encSize) return out;
        out.push_back(char16_t(enc[pos] | (enc[pos + 1] << 8)));
        pos += 2;
        break;
      case 3: {
        unsigned len = enc[pos++];
        if (len & 0x80) {
          if (pos >= encSize) return out;
          unsigned correction = enc[pos++];
          for (len = (len & 0x7F) + 2; len > 0 && out.size() < maxLen; --len) {
            size_t at = out.size();
            out.push_back(char16_t(((oemAt(at) + correction) & 0xFF) | (highByte << 8)));
          }
        } else {
          for (len += 2; len > 0 && out.size() < maxLen; --len) out.push_back(char16_t(oemAt(out.size())));
        }
        break;
      }
    }
  }
  return out;
}

std::string decodeName15(const std::string& field, bool unicodeFlag, HostOs host, std::string& oemPart) {
  if (unicodeFlag) {
    size_t nul = field.find('\0');
    if (nul == std::string::npos) {
      oemPart = field;
      return isValidUtf8(field) ? field : text::toUtf8(text::CodePage::cp866, field);
    }
    oemPart = field.substr(0, nul);
    std::u16string u = decodeCompressedUnicode(
        oemPart, reinterpret_cast<const uint8_t*>(field.data()) + nul + 1, field.size() - nul - 1);
    if (!u.empty()) return text::utf16ToUtf8(u);
    return text::toUtf8(text::CodePage::cp866, oemPart);
  }
  oemPart = field;
  if (host == HostOs::unix && isValidUtf8(field)) return field;
  return text::toUtf8(text::CodePage::cp866, field);
}

std::string normalizeSeparators15(std::string name) {
  for (char& c : name)
    if (c == '\\') c = '/';
  return name;
}

std::string normalizeSeparators50(std::string name) {
  for (char& c : name)
    if (c == '\\') c = '_';
  return name;
}

}  // namespace rar
