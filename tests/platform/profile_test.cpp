// The INI parser and writer. The table of lookups is shared with the test
// that runs the real Windows functions on the same files.

#include <gtest/gtest.h>

#include <random>

#include "platform/profile.h"
#include "platform/sim/machine.h"
#include "tests/platform/profile_cases.h"
#include "text/codepage.h"

namespace platform::testing {
namespace {

std::string escaped(const std::string& s) {
  std::string out;
  for (char c : s.substr(0, 80)) {
    if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (static_cast<unsigned char>(c) < 32) out += "\\" + std::to_string(static_cast<unsigned char>(c));
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

TEST(WriteProfileString, KeepsAnEmptySectionHeader) {
  // Windows' writer drops "[]", which would move its keys into the lines
  // before the first section; the header stays so they keep their meaning.
  sim::Machine machine;
  ASSERT_TRUE(machine.addFile("C:\\e.ini", "[]\r\nk=hidden\r\n").ok());
  ASSERT_TRUE(writeProfileString(machine.files(), "C:\\e.ini", "A", "k", "v").ok());
  EXPECT_EQ(*machine.fileContent("C:\\e.ini"), "[]\r\nk=hidden\r\n[A]\r\nk=v\r\n");
  EXPECT_EQ(ProfileReader(*machine.fileContent("C:\\e.ini")).getString("", "k", "-"), "-");
}

// Random files made of the characters that matter to the format: a write
// must read back, and every other lookup must answer as before.
TEST(WriteProfileString, KeepsEverythingElseOnRandomFiles) {
  std::mt19937 random(20240115);
  const std::string alphabet = "[]=;# \t\r\nAaBbkK\"'\x1a";
  const char* sections[] = {"A", "b", ""};
  const char* keys[] = {"k", "K", "a", "[a"};
  sim::Machine machine;
  const std::string path = "C:\\r.ini";
  for (int round = 0; round < 500; ++round) {
    std::string file = (round % 7 == 0) ? "\xEF\xBB\xBF" : "";
    const size_t length = random() % 60;
    for (size_t i = 0; i < length; ++i) file += alphabet[random() % alphabet.size()];
    ASSERT_TRUE(machine.addFile(path, file).ok());
    const std::string section = sections[random() % std::size(sections)];
    const std::string key = keys[random() % std::size(keys)];
    const ProfileReader before(file);
    ASSERT_TRUE(writeProfileString(machine.files(), path, section, key, "new value").ok());
    const ProfileReader after(*machine.fileContent(path));
    EXPECT_EQ(after.getString(section, key, "-"), "new value") << "round " << round << " \"" << escaped(file) << "\"";
    for (const char* s2 : sections) {
      for (const char* k2 : keys) {
        if (text::equalsNoCase1251(s2, section) && text::equalsNoCase1251(k2, key)) continue;
        EXPECT_EQ(after.getString(s2, k2, "-"), before.getString(s2, k2, "-"))
            << "round " << round << " [" << s2 << "] " << k2 << " in \"" << escaped(file) << "\"";
      }
    }
  }
}

}  // namespace
}  // namespace platform::testing
