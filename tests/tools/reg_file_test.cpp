// Registry files as regedit writes them: every value type through parse and
// write in the three encodings, regedit's own layout, and malformed files.

#include <gtest/gtest.h>

#include "platform/sim/machine.h"
#include "text/codepage.h"
#include "tools/setupkit/reg_file.h"

namespace setupkit::reg {
namespace {

// Test sources are compiled to code page 1251 like the engine: literals are
// 1251 already; what the tool writes for people is UTF-8.
std::string cp(const std::string& s1251) { return s1251; }
std::string u8s(const std::string& s1251) { return text::toUtf8(text::CodePage::cp1251, s1251); }

platform::Value typed(uint32_t type, std::string data) { return {static_cast<platform::ValueType>(type), std::move(data)}; }

// One key of every kind of value regedit writes, Cyrillic included.
File sample() {
  File f;
  Key k;
  k.path = cp("HKEY_LOCAL_MACHINE\\Software\\Компания\\Демо");
  k.values.push_back({"", false, platform::Value::text(cp("по умолчанию"))});
  k.values.push_back({cp("Путь"), false, platform::Value::text("C:\\Program Files\\\"quoted\"")});
  k.values.push_back({"Count", false, platform::Value::dword(0xDEADBEEF)});
  k.values.push_back({"Blob", false, platform::Value::binaryData(std::string("\x00\x01\xFE\xFF", 4) + std::string(100, 'x'))});
  k.values.push_back({"Expand", false, platform::Value::expandText(cp("%SystemRoot%\\Система"))});
  k.values.push_back({"Multi", false, typed(7, cp("один") + std::string(1, '\0') + "two")});
  k.values.push_back({"EmptyMulti", false, typed(7, "")});
  k.values.push_back({"Quad", false, typed(11, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8))});
  k.values.push_back({"None", false, typed(0, "")});
  k.values.push_back({"Lines", false, platform::Value::text("two\r\nlines")});  // not quotable: hex(1)
  k.values.push_back({"ShortDword", false, typed(4, "\x01\x02")});            // not 4 bytes: hex(4)
  f.keys.push_back(k);
  Key empty;
  empty.path = "HKEY_CURRENT_USER\\Software\\Empty";
  f.keys.push_back(empty);
  return f;
}

TEST(RegFile, EveryValueTypeSurvivesAWriteAndAParseInEachEncoding) {
  for (Encoding e : {Encoding::utf16, Encoding::utf8, Encoding::regedit4}) {
    SCOPED_TRACE(static_cast<int>(e));
    const File f = sample();
    const std::string bytes = Write(f, e);
    std::string error;
    auto back = Parse(bytes, error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(back->encoding, e);
    EXPECT_EQ(back->keys, f.keys);
    EXPECT_EQ(Write(*back, e), bytes);
  }
}

TEST(RegFile, WritesRegeditsLayout) {
  const std::string utf16 = Write(sample(), Encoding::utf16);
  ASSERT_GE(utf16.size(), 4u);
  EXPECT_EQ(utf16.substr(0, 4), std::string("\xFF\xFEW\0", 4));  // BOM, then UTF-16LE
  const std::string t = Write(sample(), Encoding::utf8);
  EXPECT_EQ(t.find(u8s("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Компания\\Демо]\r\n")), 0u);
  EXPECT_NE(t.find(u8s("@=\"по умолчанию\"\r\n")), std::string::npos);
  EXPECT_NE(t.find(u8s("\"Путь\"=\"C:\\\\Program Files\\\\\\\"quoted\\\"\"\r\n")), std::string::npos);
  EXPECT_NE(t.find("\"Count\"=dword:deadbeef\r\n"), std::string::npos);
  EXPECT_NE(t.find("\"Quad\"=hex(b):01,02,03,04,05,06,07,08\r\n"), std::string::npos);
  EXPECT_NE(t.find("\"EmptyMulti\"=hex(7):00,00\r\n"), std::string::npos);
  EXPECT_NE(t.find("\"None\"=hex(0):\r\n"), std::string::npos);
  // Version 5 strings inside hex(2) are UTF-16LE with a terminator.
  EXPECT_NE(t.find("\"Expand\"=hex(2):25,00,53,00"), std::string::npos);
  // Long hex data wraps at 80 columns with a backslash and two spaces.
  size_t blob = t.find("\"Blob\"=hex:00,01,fe,ff,");
  ASSERT_NE(blob, std::string::npos);
  size_t eol = t.find("\r\n", blob);
  EXPECT_LE(eol - blob, 80u);
  EXPECT_EQ(t[eol - 1], '\\');
  EXPECT_EQ(t.substr(eol + 2, 2), "  ");
  // REGEDIT4 keeps 8-bit strings in hex(2).
  const std::string r4 = Write(sample(), Encoding::regedit4);
  EXPECT_EQ(r4.find("REGEDIT4\r\n\r\n"), 0u);
  EXPECT_NE(r4.find("\"Expand\"=hex(2):25,53,79"), std::string::npos);
}

TEST(RegFile, ReadsWhatRegeditExports) {
  // As regedit exports: UTF-16LE with BOM, continued hex lines, a deletion.
  std::string text =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\Demo]\r\n"
      "\"Name\"=\"Демо\"\r\n"
      "\"Path\"=hex(2):43,00,3a,00,5c,00,\\\r\n  41,00,00,00\r\n"
      "\"Old\"=-\r\n\r\n"
      "[-HKEY_CURRENT_USER\\Software\\Gone]\r\n";
  std::u16string w = text::utf8ToUtf16(u8s(text));
  std::string bytes = "\xFF\xFE";
  for (char16_t c : w) bytes += std::string{char(c & 0xFF), char(c >> 8)};
  std::string error;
  auto f = Parse(bytes, error);
  ASSERT_TRUE(f) << error;
  ASSERT_EQ(f->keys.size(), 2u);
  const Key& k = f->keys[0];
  ASSERT_EQ(k.values.size(), 3u);
  EXPECT_EQ(k.values[0].value, platform::Value::text(cp("Демо")));
  EXPECT_EQ(k.values[1].value, platform::Value::expandText("C:\\A"));
  EXPECT_TRUE(k.values[2].remove);
  EXPECT_TRUE(f->keys[1].remove);

  // The same machine applied and exported again.
  platform::sim::Machine m;
  ASSERT_TRUE(m.registryStore().setValue(platform::Root::currentUser, "Software\\Demo", "Old", platform::Value::dword(1)).ok());
  ASSERT_TRUE(m.registryStore().setValue(platform::Root::currentUser, "Software\\Gone\\Deep", "x", platform::Value::dword(1)).ok());
  ASSERT_TRUE(Apply(*f, m.registry(), error)) << error;
  EXPECT_FALSE(m.registry().keyExists(platform::Root::currentUser, "Software\\Gone"));
  File exported = Export(m.registry());
  bool found = false;
  for (const auto& key : exported.keys) {
    if (key.path != "HKEY_CURRENT_USER\\Software\\Demo") continue;
    found = true;
    ASSERT_EQ(key.values.size(), 2u);  // "Old" was deleted
    EXPECT_EQ(key.values[0].name, "Name");
  }
  EXPECT_TRUE(found);
}

TEST(RegFile, MalformedFilesNameTheLine) {
  const std::pair<const char*, const char*> cases[] = {
      {"REGEDIT5\r\n", "line 1: not a registry file"},
      {"", "line 1: empty"},
      {"REGEDIT4\r\n\"a\"=\"b\"\r\n", "line 2: a value before the first [key]"},
      {"REGEDIT4\r\n[HKEY_NOWHERE\\x]\r\n", "line 2: unknown root key"},
      {"REGEDIT4\r\n[HKEY_CURRENT_USER\\x\r\n", "line 2: a key line must end with ']'"},
      {"REGEDIT4\r\n[HKCU\\x]\r\n\"a\"=dword:123456789\r\n", "line 3: dword:"},
      {"REGEDIT4\r\n[HKCU\\x]\r\n\"a\"=hex:0g\r\n", "line 3: malformed hex bytes"},
      {"REGEDIT4\r\n[HKCU\\x]\r\n\"a\"=hex(zz):00\r\n", "line 3: hex(type)"},
      {"REGEDIT4\r\n[HKCU\\x]\r\n\"a=\"b\"\r\n", "line 3:"},
      {"REGEDIT4\r\n[HKCU\\x]\r\na=1\r\n", "line 3: a value name must be quoted"},
      {"REGEDIT4\r\n[HKCU\\x]\r\n\"a\"=wat\r\n", "line 3: unknown data"},
  };
  for (const auto& [text, expected] : cases) {
    std::string error;
    EXPECT_FALSE(Parse(text, error)) << text;
    EXPECT_EQ(error.rfind(expected, 0), 0u) << text << " -> " << error;
  }
}

TEST(RegFile, DiffListsAddedChangedAndRemovedValuesAndKeys) {
  File a = sample(), b = sample();
  b.keys[0].values[2].value = platform::Value::dword(2);
  b.keys[0].values.erase(b.keys[0].values.begin() + 1);
  b.keys[0].values.push_back({"New", false, platform::Value::text("x")});
  b.keys.pop_back();
  Key added;
  added.path = "HKEY_CURRENT_USER\\Software\\Added";
  b.keys.push_back(added);
  auto d = Diff(a, b);
  const std::vector<std::string> expected = {
      u8s("+ [HKEY_CURRENT_USER\\Software\\Added]"),
      u8s("~ [HKEY_LOCAL_MACHINE\\Software\\Компания\\Демо] \"Count\"=dword:deadbeef -> dword:00000002"),
      u8s("+ [HKEY_LOCAL_MACHINE\\Software\\Компания\\Демо] \"New\"=\"x\""),
      u8s("- [HKEY_LOCAL_MACHINE\\Software\\Компания\\Демо] \"Путь\"=\"C:\\\\Program Files\\\\\\\"quoted\\\"\""),
      u8s("- [HKEY_CURRENT_USER\\Software\\Empty]"),
  };
  EXPECT_EQ(d, expected);
}

}  // namespace
}  // namespace setupkit::reg
