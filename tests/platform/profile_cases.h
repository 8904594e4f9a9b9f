#pragma once
// INI texts and lookups with the answers of GetPrivateProfileString (as
// observed under Wine). The parser test checks ProfileReader against them;
// the Windows test checks the real function against the same table.

#include <string>
#include <vector>

namespace platform::testing {

struct ProfileCase {
  std::string file;  // the file's bytes
  std::string section;
  std::string key;
  std::string fallback;
  std::string expected;  // 1251 text
  size_t bufferSize = 2048;
};

inline std::string bytes(const char* s, size_t n) { return std::string(s, n); }

// ASCII-only where the file has no byte order mark: the real function reads
// such files in the system code page, the parser in 1251.
inline std::vector<ProfileCase> profileCases() {
  const std::string longValue(3000, 'x');
  return {
      // Plain lookups, missing section or key.
      {"[A]\nk=1\n", "A", "k", "DEF", "1"},
      {"[A]\nk=1\n", "B", "k", "DEF", "DEF"},
      {"[A]\nk=1\n", "A", "z", "DEF", "DEF"},
      {"", "A", "k", "DEF", "DEF"},
      // Names ignore case; queries are trimmed too.
      {"[Main]\nTitle=x\n", "MAIN", "title", "DEF", "x"},
      {"[A]\nk=1\n", " A ", " k ", "DEF", "1"},
      // The first section and the first key of a name win; a repeated
      // section's keys are not seen.
      {"[A]\nk=1\n[A]\nk=2\nj=3\n", "A", "k", "DEF", "1"},
      {"[A]\nk=1\n[A]\nk=2\nj=3\n", "A", "j", "DEF", "DEF"},
      {"[A]\nk=1\nk=2\n", "A", "k", "DEF", "1"},
      // Blanks around names and values.
      {"  [ A ]  \n  k  =  v v  \n", "A", "k", "DEF", "v v"},
      {"[A]\nk\t=\tv\t\n", "A", "k", "DEF", "v"},
      {"[A]\n\vk\f=v\x1a\n", "A", "k", "DEF", "v"},
      {"[ A B ]\nk=1\n", "A B", "k", "DEF", "1"},
      {"[A]\nkey with spaces = v\n", "A", "key with spaces", "DEF", "v"},
      // Quotes: removed only when both ends carry the same one.
      {"[A]\nk=\"v\"\n", "A", "k", "DEF", "v"},
      {"[A]\nk='v'\n", "A", "k", "DEF", "v"},
      {"[A]\nk=\"v'\n", "A", "k", "DEF", "\"v'"},
      {"[A]\nk=\"\n", "A", "k", "DEF", "\""},
      {"[A]\nk=\"\"\n", "A", "k", "DEF", ""},
      {"[A]\nk=\" x \"\n", "A", "k", "DEF", " x "},
      {"[A]\nk=\"a\"b\"\n", "A", "k", "DEF", "a\"b"},
      // Values: empty, with "=".
      {"[A]\nk=\n", "A", "k", "DEF", ""},
      {"[A]\nk=a=b\n", "A", "k", "DEF", "a=b"},
      {"[A]\n=v\n", "A", "", "DEF", "v"},
      // ";" starts an ordinary key (not a comment) and "#" as well.
      {"[A]\n;k=1\n", "A", ";k", "DEF", "1"},
      {"[A]\n;k=1\n", "A", "k", "DEF", "DEF"},
      {"[A]\n#k=1\n", "A", "#k", "DEF", "1"},
      // A line without "=" is a key without a value: reads as missing.
      {"[A]\nflag\nk=1\n", "A", "flag", "DEF", "DEF"},
      {"[A]\nflag\nk=1\n", "A", "k", "DEF", "1"},
      // Section headers: to the last "]", text after it ignored; "[A"
      // without "]" is not a header.
      {"[A] junk\nk=1\n", "A", "k", "DEF", "1"},
      {"[A]x]\nk=1\n", "A]x", "k", "DEF", "1"},
      {"[A\nk=1\n", "A", "k", "DEF", "DEF"},
      {"[A]\n[k=1\n", "A", "[k", "DEF", "1"},
      {" [A]\nk=1\n", "A", "k", "DEF", "1"},
      {"x[A]\nk=1\n", "A", "k", "DEF", "DEF"},
      // Lines before the first section belong to the section "".
      {"k0=top\n[A]\nk=1\n", "", "k0", "DEF", "top"},
      // Line ends: LF, CR LF, CR alone; a last line without one.
      {"[A]\r\nk=1\r\nj=2\r\n", "A", "j", "DEF", "2"},
      {"[A]\rk=1\rj=2\r", "A", "j", "DEF", "2"},
      {"[A]\nk=1\n\n\n[B]\nk=2", "B", "k", "DEF", "2"},
      // Unicode files by their byte order mark.
      {"\xEF\xBB\xBF[A]\nk=\xD0\x96z\n", "A", "k", "DEF", "Жz"},
      {bytes("\xFF\xFE[\0A\0]\0\n\0k\0=\0\x16\x04z\0\n\0", 20), "A", "k", "DEF", "Жz"},
      {bytes("\xFE\xFF\0[\0A\0]\0\n\0k\0=\x04\x16\0z\0\n", 20), "A", "k", "DEF", "Жz"},
      {"\xEF\xBB\xBF[\xD0\x9F\xD0\xB0\xD0\xBA\xD0\xB5\xD1\x82]\n\xD0\x98\xD0\xBC\xD1\x8F=\xD0\xB4\xD0\xB0\n", "Пакет", "Имя",
       "DEF", "да"},
      // The buffer: at most size - 1 characters.
      {"[A]\nk=" + longValue + "\n", "A", "k", "DEF", longValue.substr(0, 2047)},
      {"[A]\nk=123456\n", "A", "k", "DEF", "123", 4},
      {"[A]\nk=\"123456\"\n", "A", "k", "DEF", "123", 4},
      // The fallback loses trailing spaces only.
      {"[A]\nk=1\n", "A", "z", "  de f  ", "  de f"},
  };
}

// Writes, each on the file left by the one before, with the file's bytes
// afterwards (as WritePrivateProfileString leaves them under Wine).
struct WriteCase {
  std::string before;  // "<none>": no file
  std::string section, key, value;
  std::string after;
};

inline std::vector<WriteCase> writeCases() {
  return {
      {"<none>", "A", "k", "v", "[A]\r\nk=v\r\n"},
      {"[A]\r\nk=v\r\n", "B", "x", "y", "[A]\r\nk=v\r\n[B]\r\nx=y\r\n"},
      {"[A]\r\nk=1\r\n; comment\r\n\r\n[B]\r\nx=2\r\n", "a", "K", "new", "[A]\r\nk=new\r\n; comment\r\n[B]\r\nx=2\r\n"},
      {"[A]\r\nk=1\r\n; comment\r\n[B]\r\nx=2\r\n", "A", "j", "3", "[A]\r\nk=1\r\n; comment\r\nj=3\r\n[B]\r\nx=2\r\n"},
      {"[A]\nk=1\n\n[B]\nx=2", "B", "y", "5", "[A]\r\nk=1\r\n[B]\r\nx=2\r\ny=5\r\n"},
      {"[A]\r\n", "A", "j", " sp ", "[A]\r\nj=sp \r\n"},
      {"[A]\nk=1\nk=2\n", "A", "k", "9", "[A]\r\nk=9\r\nk=2\r\n"},
      {"[A]\nk=1\n[A]\nj=2\n", "A", "j", "9", "[A]\r\nk=1\r\nj=9\r\n[A]\r\nj=2\r\n"},
      {"[A]\r\nk = 1 \r\n  m=2\r\n", "A", "k", "3", "[A]\r\nk=3\r\nm=2\r\n"},
      {"top=1\r\n[A]\r\nk=1\r\n", "A", "k", "2", "top=1\r\n[A]\r\nk=2\r\n"},
      {"[A]\r\n;c=1\r\nflag\r\n#h=2\r\n", "A", "k", "1", "[A]\r\n;c=1\r\nflag\r\n#h=2\r\nk=1\r\n"},
      {"\xEF\xBB\xBF[A]\r\nk=1\r\n", "A", "k", "Ж", "\xEF\xBB\xBF[A]\r\nk=\xD0\x96\r\n"},
      {bytes("\xFF\xFE[\0A\0]\0\r\0\n\0", 12), "A", "k", "Ж",
       bytes("\xFF\xFE[\0A\0]\0\r\0\n\0k\0=\0\x16\x04\r\0\n\0", 22)},
      {"[Rename]\r\n", "Rename", "C:\\WINDOWS\\SYSTEM32\\x.dll", "C:\\WINDOWS\\SYSTEM32\\Ins1.tmp",
       "[Rename]\r\nC:\\WINDOWS\\SYSTEM32\\x.dll=C:\\WINDOWS\\SYSTEM32\\Ins1.tmp\r\n"},
  };
}

}  // namespace platform::testing
