// Whole-archive extraction through the platform layer, and the fatal
// messages by kind.

#include <gtest/gtest.h>

#include "actions/report_action_error.h"
#include "archive/extract_all.h"
#include "platform/sim/machine.h"
#include "tests/wizard/stored_rar5.h"

namespace wizard::testing {
namespace {

TEST(ExtractAll, EveryMemberLandsBelowTheDestinationAndIsListed) {
  platform::sim::Machine m;
  ASSERT_TRUE(m.addFile("D:\\a.rar", StoredRar5({{"one.txt", "1"},
                                                  {"dir", "", true},
                                                  {"dir/two.txt", "22"},
                                                  {"\xD0\xBF\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0/x.txt", "3"}}))
                  .ok());
  std::vector<std::string> listed;
  const auto r = archive::ExtractAll(m.files(), "D:\\a.rar", "C:\\OUT", "", &listed);
  ASSERT_TRUE(r.ok()) << r.status.toString();
  EXPECT_EQ(listed, (std::vector<std::string>{"C:\\OUT\\one.txt", "C:\\OUT\\dir", "C:\\OUT\\dir\\two.txt",
                                              "C:\\OUT\\папка\\x.txt"}));
  EXPECT_EQ(m.fileContent("C:\\OUT\\dir\\two.txt").valueOr(""), "22");
  EXPECT_EQ(m.fileContent("C:\\OUT\\папка\\x.txt").valueOr(""), "3");
}

TEST(ExtractAll, MissingOrDamagedArchivesCannotBeOpened) {
  platform::sim::Machine m;
  ASSERT_TRUE(m.addFile("D:\\bad.rar", "not an archive at all").ok());
  for (const char* path : {"D:\\none.rar", "D:\\bad.rar"}) {
    const auto r = archive::ExtractAll(m.files(), path, "C:\\OUT", "", nullptr);
    EXPECT_EQ(r.outcome, archive::ExtractOutcome::cannotOpen) << path;
  }
}

TEST(ExtractAll, MemberPathsBecomeWindowsPathsInCodePage1251) {
  auto p = archive::SafeMemberPath("\xD0\xBF\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0/./sub/x.txt");
  ASSERT_TRUE(p.ok()) << p.status().toString();
  EXPECT_EQ(p.value(), "папка\\sub\\x.txt");
}

TEST(ExtractAll, NamesThatLeaveTheDestinationAreRefused) {
  struct Case {
    const char* name;
    bool safe;
  } cases[] = {{"../evil.txt", false}, {"a/../../evil.txt", false}, {"/abs.txt", false}, {"C:/x.txt", false},
               {"file.txt:stream", false}, {"a\\..\\b", false}, {"./a/./b.txt", true}, {"", false},
               {"dir/CON", false}, {"nul.txt", false}, {"Com1.log", false}, {"lpt9", false},
               {"CONSOLE.txt", true}, {"com10", true}, {"a/.. /x", false}, {"Авто.txt", true}};
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(archive::SafeMemberPath(cases[i].name).ok(), cases[i].safe) << "case " << i << ": " << cases[i].name;
  }
  platform::sim::Machine m;
  ASSERT_TRUE(m.addFile("D:\\a.rar", StoredRar5({{"ok.txt", "1"}, {"../evil.txt", "x"}, {"after.txt", "2"}})).ok());
  std::vector<std::string> listed;
  const auto r = archive::ExtractAll(m.files(), "D:\\a.rar", "C:\\OUT\\", "", &listed);
  EXPECT_EQ(r.outcome, archive::ExtractOutcome::memberFailed);
  EXPECT_EQ(r.member, "../evil.txt");
  EXPECT_EQ(r.status.error(), rar::Error::unsafePath);
  EXPECT_FALSE(m.files().exists("C:\\evil.txt"));
  EXPECT_TRUE(m.files().exists("C:\\OUT\\ok.txt")) << "members before the failure stay";
  EXPECT_FALSE(m.files().exists("C:\\OUT\\after.txt")) << "members after it are not tried";
  EXPECT_EQ(listed, (std::vector<std::string>{"C:\\OUT\\ok.txt"}));
}

TEST(ExtractAll, DamagedMemberDataEndsTheExtraction) {
  std::string bytes = StoredRar5({{"a.txt", "hello"}, {"b.txt", "world"}});
  const size_t at = bytes.find("hello");
  ASSERT_NE(at, std::string::npos);
  bytes[at] = 'j';
  platform::sim::Machine m;
  ASSERT_TRUE(m.addFile("D:\\a.rar", bytes).ok());
  const auto r = archive::ExtractAll(m.files(), "D:\\a.rar", "C:\\OUT", "", nullptr);
  EXPECT_EQ(r.outcome, archive::ExtractOutcome::memberFailed);
  EXPECT_EQ(r.member, "a.txt");
  EXPECT_FALSE(m.files().exists("C:\\OUT\\a.txt")) << "the partial file is removed";
  EXPECT_FALSE(m.files().exists("C:\\OUT\\b.txt"));
}

// Faults in the middle of a member: what was written of it is removed, so
// nothing later reads a cut file as a whole (shorter) one.
TEST(ExtractAll, DiskFullInTheMiddleOfAMemberLeavesNoPartialFile) {
  // Output goes out in pieces of up to 1 MB, so the member spans three.
  std::string big(3000000, 'x');
  for (size_t i = 0; i < big.size(); i += 61) big[i] = '\n';
  platform::sim::Machine m;
  ASSERT_TRUE(m.addFile("D:\\a.rar", StoredRar5({{"big.txt", big}, {"after.txt", "2"}})).ok());
  // The first write of the member succeeds, the second finds the disk full.
  m.failNth(platform::sim::Op::write, 2, platform::Status(platform::Code::diskFull, 112));
  std::vector<std::string> listed;
  const auto r = archive::ExtractAll(m.files(), "D:\\a.rar", "C:\\OUT", "", &listed);
  ASSERT_EQ(r.outcome, archive::ExtractOutcome::memberFailed) << "the member must span several writes";
  EXPECT_EQ(r.member, "big.txt");
  EXPECT_FALSE(m.files().exists("C:\\OUT\\big.txt")) << m.toString();
  EXPECT_FALSE(m.files().exists("C:\\OUT\\after.txt"));
}

TEST(ExtractAll, ArchiveCutInTheMiddleOfAMemberLeavesNoPartialFile) {
  std::string text(20000, 'y');
  const std::string bytes = StoredRar5({{"one.txt", "1"}, {"cut.txt", text}});
  const size_t at = bytes.find(text);
  ASSERT_NE(at, std::string::npos);
  platform::sim::Machine m;
  ASSERT_TRUE(m.addFile("D:\\a.rar", bytes.substr(0, at + text.size() / 2)).ok());
  const auto r = archive::ExtractAll(m.files(), "D:\\a.rar", "C:\\OUT", "", nullptr);
  EXPECT_EQ(r.outcome, archive::ExtractOutcome::memberFailed);
  EXPECT_EQ(r.member, "cut.txt");
  EXPECT_EQ(m.fileContent("C:\\OUT\\one.txt").valueOr(""), "1");
  EXPECT_FALSE(m.files().exists("C:\\OUT\\cut.txt"));
}

TEST(ActionErrorText, MessagesByKind) {
  struct Case {
    uint8_t kind;
    const char* detail;
    const char* text;
  } cases[] = {
      {1, "", "Невозможно создать каталог "},
      {1, "C:\\A", "Невозможно создать каталог C:\\A"},
      {2, "Ошибка открытия архива", "Ошибка открытия архива"},
      {3, "D:\\p.rar", "Библиотека D:\\p.rar не найдена на первом дистрибутивном диске"},
      {4, "D:\\p.rar", "Ошибка при выполнении библиотеки D:\\p.rar"},
      {5, "Software\\X", "Невозможно создать в ключ реестра Software\\X"},
      {6, "Software\\X", "Невозможно открыть в ключ реестра Software\\X"},
      {7, "Software\\X\\V", "Ошибка записи в ключ реестра Software\\X\\V"},
      {8, "ignored", "Нет описания процедуры установки"},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(actions::ActionErrorText(cases[i].kind, cases[i].detail), cases[i].text) << "case " << i;
  }
}

}  // namespace
}  // namespace wizard::testing
