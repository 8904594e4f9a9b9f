#include "startup/code_page_conversion.h"

#include <array>

#include "text/codepage.h"

namespace startup {
namespace {

bool isMappedCharacter(char32_t c) {
  return (c >= U'А' && c <= U'я') || c == U'Ё' || c == U'ё' || c == U'№';
}

// 128 entries for the bytes 0x80-0xFF: the byte of the other code page that
// carries the same Russian letter (or №), 0 where there is none.
std::array<unsigned char, 128> buildTable(text::CodePage from, text::CodePage to) {
  std::array<unsigned char, 128> table{};
  for (int b = 0x80; b <= 0xFF; ++b) {
    char32_t c = text::toUnicode(from, static_cast<unsigned char>(b));
    if (isMappedCharacter(c)) table[b - 0x80] = text::fromUnicode(to, c, 0);
  }
  return table;
}

const std::array<unsigned char, 128>& table1251To866() {
  static const auto table = buildTable(text::CodePage::cp1251, text::CodePage::cp866);
  return table;
}

const std::array<unsigned char, 128>& table866To1251() {
  static const auto table = buildTable(text::CodePage::cp866, text::CodePage::cp1251);
  return table;
}

bool accepted(uint16_t cp) { return cp == 1251 || cp == 866; }

}  // namespace

void CodePageConversion::set(uint16_t from, uint16_t to) {
  if (accepted(from) && accepted(to) && from != to) {
    from_ = from;
    to_ = to;
  }
}

unsigned char CodePageConversion::convert(unsigned char byte) const {
  if (byte < 0x80 || !active()) return byte;
  const auto& table = from_ == 1251 ? table1251To866() : table866To1251();
  unsigned char mapped = table[byte - 0x80];
  return mapped != 0 ? mapped : byte;
}

std::string CodePageConversion::convert(std::string_view text) const {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(convert(static_cast<unsigned char>(c)));
  return out;
}

std::string PackageArchivePassword(std::string_view title, CodePageConversion& conversion) {
  std::string reversed(title.rbegin(), title.rend());
  conversion.set(1251, 866);
  return conversion.convert(reversed);
}

}  // namespace startup
