// The INI parser and writer. The table of lookups is shared with the test
// that runs the real Windows functions on the same files.

#include <gtest/gtest.h>

#include "platform/profile.h"
#include "platform/sim/machine.h"
#include "tests/platform/profile_cases.h"

namespace platform::testing {
namespace {

std::string escaped(const std::string& s) {
  std::string out;
  for (char c : s.substr(0, 80)) {
    if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (static_cast<unsigned char>(c) < 32) out += "\\x" + std::to_string(static_cast<unsigned char>(c));
    else out += c;
  }
  return out;
}

TEST(ProfileReader, AnswersLikeGetPrivateProfileString) {
  const auto cases = profileCases();
  for (size_t i = 0; i < cases.size(); ++i) {
    const ProfileCase& c = cases[i];
    ProfileReader reader(c.file);
    EXPECT_EQ(reader.getString(c.section, c.key, c.fallback, c.bufferSize), c.expected)
        << "case " << i << ": [" << c.section << "] " << c.key << " in \"" << escaped(c.file) << "\"";
  }
}

TEST(ProfileReader, ReadsBytesAs1251WithCyrillicCaseFolding) {
  // The script is 1251 text whatever the system code page; Cyrillic names
  // match without regard to case as Windows' own comparison does.
  ProfileReader reader("[Файлы]\nИмя Файла=Значение\nёлка=1\n");
  EXPECT_EQ(reader.getString("ФАЙЛЫ", "имя файла", "-"), "Значение");
  EXPECT_EQ(reader.getString("файлы", "ЁЛКА", "-"), "1");
}

TEST(ProfileReader, SectionAndKeyNames) {
  ProfileReader reader("top=1\n[A]\nk=1\n;c=2\nflag\n=v\n[B]\n[A]\nj=1\n[]\nx=1\n");
  EXPECT_EQ(reader.sectionNames(), (std::vector<std::string>{"A", "B", "A"}));
  EXPECT_EQ(reader.keyNames("a"), (std::vector<std::string>{"k", "flag"}));
  EXPECT_TRUE(reader.hasSection("b"));
  EXPECT_FALSE(reader.hasSection("C"));
  EXPECT_TRUE(reader.hasKey("A", "flag"));
  EXPECT_FALSE(reader.hasKey("A", "j"));
}

TEST(ProfileReader, MissingFileReadsEmpty) {
  sim::Machine machine;
  auto reader = ProfileReader::load(machine.files(), "C:\\none\\x.ini");
  ASSERT_TRUE(reader.ok());
  EXPECT_EQ(reader->getString("A", "k", "def"), "def");
  ASSERT_TRUE(machine.addDirectory("C:\\dir.ini").ok());
  EXPECT_EQ(ProfileReader::load(machine.files(), "C:\\dir.ini").status().code(), Code::accessDenied);
}

// Writes, each on the file left by the one before, with the file's bytes
// afterwards (as WritePrivateProfileString leaves them under Wine).
struct WriteCase {
  std::string before;  // "<none>": no file
  std::string section, key, value;
  std::string after;
};

std::vector<WriteCase> writeCases() {
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

TEST(WriteProfileString, RewritesLikeWritePrivateProfileString) {
  sim::Machine machine;
  const std::string path = "C:\\WINDOWS\\w.ini";
  const auto cases = writeCases();
  for (size_t i = 0; i < cases.size(); ++i) {
    const WriteCase& c = cases[i];
    if (c.before == "<none>") {
      ASSERT_TRUE(!machine.files().exists(path) || machine.files().removeFile(path).ok());
    } else {
      ASSERT_TRUE(machine.addFile(path, c.before).ok());
    }
    ASSERT_TRUE(writeProfileString(machine.files(), path, c.section, c.key, c.value).ok()) << "case " << i;
    auto after = machine.fileContent(path);
    ASSERT_TRUE(after.ok());
    EXPECT_EQ(escaped(*after), escaped(c.after)) << "case " << i;
    EXPECT_EQ(*after, c.after) << "case " << i;
  }
}

TEST(WriteProfileString, ReadsBackAndReportsFailures) {
  sim::Machine machine;
  ASSERT_TRUE(writeProfileString(machine.files(), "C:\\WINDOWS\\wininit.ini", "Rename", "C:\\a.dll", "C:\\b.tmp").ok());
  auto reader = ProfileReader::load(machine.files(), "C:\\WINDOWS\\wininit.ini");
  ASSERT_TRUE(reader.ok());
  EXPECT_EQ(reader->getString("rename", "c:\\A.DLL", ""), "C:\\b.tmp");
  EXPECT_EQ(writeProfileString(machine.files(), "C:\\none\\x.ini", "A", "k", "v").code(), Code::pathNotFound);
  EXPECT_EQ(writeProfileString(machine.files(), "C:\\x.ini", "A", " ", "v").code(), Code::invalidArgument);
  ASSERT_TRUE(machine.addFile("C:\\ro.ini", "[A]\r\nk=1\r\n", attr::readOnly).ok());
  EXPECT_EQ(writeProfileString(machine.files(), "C:\\ro.ini", "A", "k", "2").code(), Code::accessDenied);
  EXPECT_EQ(*machine.fileContent("C:\\ro.ini"), "[A]\r\nk=1\r\n");
}

}  // namespace
}  // namespace platform::testing
