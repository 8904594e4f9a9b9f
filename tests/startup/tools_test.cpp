#include "startup/tools.h"

#include <gtest/gtest.h>

#include "startup/code_page_conversion.h"
#include "startup/model.h"

namespace startup {
namespace {

TEST(Tools, IsBlank) {
  EXPECT_TRUE(IsBlank(""));
  EXPECT_TRUE(IsBlank(" \t "));
  EXPECT_FALSE(IsBlank(" x "));
  EXPECT_FALSE(IsBlank("\n"));  // only spaces and tabs count
}

TEST(Tools, NormalizeDir) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"", ""},           {"C", "C:\\"},         {"C:", "C:"},          {"C:\\", "C:\\"},
      {"C:\\Prog", "C:\\Prog\\"}, {"C:\\Prog\\", "C:\\Prog\\"}, {"ab", "ab\\"},
  };
  for (size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(NormalizeDir(cases[i].in), cases[i].out) << "case " << i;
}

TEST(Tools, CommaFieldsCollapseSeparators) {
  struct Case {
    const char* text;
    size_t count;
    const char* field2;
  } cases[] = {
      {"a,,b", 2, "b"},  {",a,b,", 2, "b"}, {"a", 1, ""},  {"", 0, ""},
      {",,,", 0, ""},    {" a , b ", 2, " b "}, {"1,2,3", 3, "2"},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(FieldCount(cases[i].text, ','), cases[i].count) << "case " << i << ": " << cases[i].text;
    EXPECT_EQ(CommaField(cases[i].text, 2), cases[i].field2) << "case " << i << ": " << cases[i].text;
  }
}

TEST(Tools, ScriptIntegers) {
  struct Case {
    const char* text;
    std::optional<int32_t> value;
  } cases[] = {
      {"0", 0},
      {"42", 42},
      {"-7", -7},
      {"+7", 7},
      {" 12\t", 12},
      {"0x1F", 31},
      {"0XfF", 255},
      {"$10", 16},
      {"$FFFFFFFF", -1},
      {"0x80000000", INT32_MIN},
      {"2147483647", INT32_MAX},
      {"-2147483648", INT32_MIN},
      {"2147483648", std::nullopt},  // does not fit
      {"0x", std::nullopt},         // "0x" alone is not hexadecimal, nor decimal
      {"0x100000000", std::nullopt},
      {"", std::nullopt},
      {"12a", std::nullopt},
      {"a", std::nullopt},
      {"1 2", std::nullopt},
      {"$", std::nullopt},
  };
  for (size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(ParseScriptInteger(cases[i].text), cases[i].value) << "case " << i << ": '" << cases[i].text << "'";
}

TEST(Tools, IntegerLists) {
  EXPECT_EQ(ParseIntegerList("1,2,,3"), (IntegerList{1, 2, 3}));
  EXPECT_EQ(ParseIntegerList(""), IntegerList{});
  EXPECT_EQ(ParseIntegerList("1,x"), std::nullopt);
  IntegerList list{5, 7, 5};
  EXPECT_TRUE(IntegerListContains(7, list));
  EXPECT_FALSE(IntegerListContains(6, list));
  EXPECT_EQ(IntegerListIndexOf(5, list), 0);
  EXPECT_EQ(IntegerListIndexOf(6, list), -1);
}

TEST(Tools, CompareVersions) {
  struct Case {
    const char* a;
    const char* b;
    int sign;
  } cases[] = {
      {"1.2", "1.2.0.0", 0},   {"1.10", "1.9", 1},    {"1.9", "1.10", -1}, {"2.0.0.1", "2.0.0.0", 1},
      {"1..2", "1.2", 0},      {"", "0.0.0.0", 0},    {"x.1", "0.1", 0},   {"1.2.3.4.9", "1.2.3.4", 0},
      {"5", "4.99.99.99", 1},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    int r = CompareVersions(cases[i].a, cases[i].b);
    EXPECT_EQ((r > 0) - (r < 0), cases[i].sign) << "case " << i << ": " << cases[i].a << " vs " << cases[i].b;
  }
}

TEST(Tools, FillEmptyFields) {
  EXPECT_EQ(FillEmptyFields("a,,b", ',', "-"), "a,-,b");
  EXPECT_EQ(FillEmptyFields("a,", ',', "-"), "a,-");
  EXPECT_EQ(FillEmptyFields("a,,,b", ',', "-"), "a,-,-,b");
  EXPECT_EQ(FillEmptyFields("a,b", ',', "-"), "a,b");
  EXPECT_EQ(FieldCount(FillEmptyFields("a,,b", ',', "-"), ','), 3u);
}

TEST(CodePageConversion, RussianLettersAndNumeroSign) {
  CodePageConversion c;
  EXPECT_EQ(c.convert("Тест"), "Тест");  // inactive: unchanged
  c.set(1251, 866);
  EXPECT_EQ(c.convert("Hello, world 123"), "Hello, world 123");
  // А=0x80, я=0xEF, Ё=0xF0, ё=0xF1, №=0xFC in code page 866.
  EXPECT_EQ(c.convert("Ая"), "\x80\xEF");
  EXPECT_EQ(c.convert("Ёё№"), "\xF0\xF1\xFC");
  // Ukrainian and Belarusian letters have no mapping and stay.
  EXPECT_EQ(c.convert("ІЎ"), "ІЎ");
  c.set(866, 1251);
  EXPECT_EQ(c.convert("\x80\xEF\xF0\xF1\xFC"), "АяЁё№");
  EXPECT_EQ(c.convert("\xB0"), "\xB0");  // box drawing: no mapping
}

TEST(CodePageConversion, OnlyKnownPairsActivate) {
  CodePageConversion c;
  c.set(1251, 1251);
  EXPECT_FALSE(c.active());
  c.set(1252, 866);
  EXPECT_FALSE(c.active());
  c.set(866, 1251);
  c.set(437, 1251);  // refused: the direction stays 866 -> 1251
  EXPECT_EQ(c.from(), 866);
  EXPECT_EQ(c.to(), 1251);
}

TEST(CodePageConversion, PackageArchivePassword) {
  CodePageConversion c;
  EXPECT_EQ(PackageArchivePassword("", c), "");
  EXPECT_EQ(PackageArchivePassword("Я", c), "\x9F");
  EXPECT_EQ(PackageArchivePassword("Офис 2000", c), "0002 \xE1\xA8\xE4\x8E");
  EXPECT_EQ(c.from(), 1251);
  EXPECT_EQ(c.to(), 866);
}

TEST(Model, ShortStringsKeep255Characters) {
  FileItem f;
  f.TargetDir = std::string(300, 'x');
  EXPECT_EQ(f.TargetDir.size(), 255u);
  RegistryItem r;
  r.DataType = "SZ_EXTRA";
  EXPECT_EQ(r.DataType.str(), "SZ");
}

TEST(Model, FindFileItemComparesNamePartsWithoutCase) {
  SetupDataModel m;
  m.FilesData.resize(3);
  m.FilesData[0].ArchiveName = "prog.exe";
  m.FilesData[0].TargetName = "Program.exe";
  m.FilesData[1].ArchiveName = "Данные.DAT";
  m.FilesData[1].TargetName = "data.dat";
  m.FilesData[2].ArchiveName = "PROG.EXE";
  EXPECT_EQ(m.FindFileItem("bin\\Prog.Exe", true), 0u);
  EXPECT_EQ(m.FindFileItem("C:данные.dat", true), 1u);
  EXPECT_EQ(m.FindFileItem("D:\\x\\DATA.DAT", false), 1u);
  EXPECT_EQ(m.FindFileItem("other.txt", true), std::nullopt);
  m.ReleaseScriptTables();
  EXPECT_EQ(m.FindFileItem("prog.exe", true), std::nullopt);
}

}  // namespace
}  // namespace startup
