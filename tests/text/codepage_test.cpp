#include "text/codepage.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using text::CodePage;

TEST(Codepage, Cp1251RoundTripsThroughUtf8) {
  // Every defined byte survives 1251 -> UTF-8 -> 1251.
  for (int b = 1; b < 256; ++b) {
    std::string one(1, static_cast<char>(b));
    EXPECT_EQ(text::fromUtf8(CodePage::cp1251, text::toUtf8(CodePage::cp1251, one)), one) << "byte " << b;
    EXPECT_EQ(text::fromUtf8(CodePage::cp866, text::toUtf8(CodePage::cp866, one)), one) << "byte " << b;
  }
}

TEST(Codepage, KnownCharacters) {
  struct Case {
    CodePage cp;
    unsigned char byte;
    char32_t unicode;
  } cases[] = {
      {CodePage::cp1251, 0xC0, U'А'}, {CodePage::cp1251, 0xFF, U'я'}, {CodePage::cp1251, 0xA8, U'Ё'},
      {CodePage::cp1251, 0xB8, U'ё'}, {CodePage::cp1251, 0xB9, U'№'}, {CodePage::cp1251, 0xB2, U'І'},
      {CodePage::cp866, 0x80, U'А'},  {CodePage::cp866, 0xEF, U'я'},  {CodePage::cp866, 0xF0, U'Ё'},
      {CodePage::cp866, 0xF1, U'ё'},  {CodePage::cp866, 0xFC, U'№'},  {CodePage::cp866, 0xB0, U'░'},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(text::toUnicode(c.cp, c.byte), c.unicode) << int(c.byte);
    EXPECT_EQ(text::fromUnicode(c.cp, c.unicode), c.byte) << int(c.byte);
  }
  EXPECT_EQ(text::fromUnicode(CodePage::cp1251, U'€' + 1, '?'), '?');
}

TEST(Codepage, Utf16AndUtf8) {
  // Literals are compiled to code page 1251, so UTF-8 is spelled in bytes.
  const std::string utf8 = "\xD1\x82\xD0\xB5\xD1\x81\xD1\x82 \xF0\x9F\x98\x80";  // "тест 😀"
  EXPECT_EQ(text::utf16ToUtf8(text::utf8ToUtf16(utf8)), utf8);
  EXPECT_EQ(text::fromUtf8(CodePage::cp1251, utf8, '?'), "тест ?");
  EXPECT_EQ(text::utf8ToUtf16("\xC0\x80"), std::u16string(u"\uFFFD"));  // overlong NUL
  EXPECT_EQ(text::utf8ToUtf16("a\xE2\x82"), std::u16string(u"a\uFFFD"));  // truncated
}

TEST(Codepage, UpperCaseOf1251) {
  EXPECT_TRUE(text::equalsNoCase1251("Install.Ini", "INSTALL.INI"));
  EXPECT_TRUE(text::equalsNoCase1251("Программа ёжик", "ПРОГРАММА ЁЖИК"));
  EXPECT_FALSE(text::equalsNoCase1251("abc", "abd"));
}

#ifdef _WIN32
// Our tables against the system's own conversion, byte for byte.
TEST(Codepage, HighBytesAgreeWithMultiByteToWideChar) {
  struct Page {
    CodePage cp;
    UINT windows;
  } pages[] = {{CodePage::cp1251, 1251}, {CodePage::cp866, 866}};
  for (const Page& p : pages) {
    for (int b = 0x80; b < 0x100; ++b) {
      const char in = static_cast<char>(b);
      wchar_t out[2] = {};
      ASSERT_EQ(::MultiByteToWideChar(p.windows, 0, &in, 1, out, 2), 1) << p.windows << " byte " << b;
      EXPECT_EQ(static_cast<uint32_t>(text::toUnicode(p.cp, static_cast<unsigned char>(b))), static_cast<uint32_t>(out[0]))
          << "code page " << p.windows << ", byte 0x" << std::hex << b;
    }
  }
}
#endif

}  // namespace
