// machine.ini and the answers file: what they say survives a write and a
// read, and a wrong line is named.

#include <gtest/gtest.h>

#include "text/codepage.h"
#include "tools/setupkit/answers.h"
#include "tools/setupkit/machine_dir.h"

namespace setupkit {
namespace {

// Test sources are compiled to code page 1251 like the engine: literals are
// 1251 already; what the tool writes for people is UTF-8.
std::string cp(const std::string& s1251) { return s1251; }
std::string u8s(const std::string& s1251) { return text::toUtf8(text::CodePage::cp1251, s1251); }

TEST(MachineIni, EverySectionSurvivesAWriteAndARead) {
  const std::string text =
      "[Windows]\nPlatform=9x\nVersion=4.10.2222\nServicePack=A\n"
      "[Processor]\nArchitecture=0\nType=586\nLevel=5\nRevision=2\nCount=2\n"
      "[Drives]\nC=fixed,free=1G,total=4G\nA=removable\nE=cdrom\n"
      "[FilesInUse]\nC:\\WINDOWS\\SYSTEM\\шрифт.dll=1\n"
      "[Versions]\nC:\\WINDOWS\\SYSTEM\\шрифт.dll=1.2.3.4\n"
      "[Hook]\nDefault=0\ndemo.exe=1\n"
      "[RunLib]\nsetup1.exe=3\nShould.Dll=2\n";
  MachineDescription m;
  std::string error;
  ASSERT_TRUE(ParseMachineIni(u8s(text), m, error)) << error;
  EXPECT_EQ(m.os.platformId, 1u);
  EXPECT_EQ(m.os.build, 2222u);
  EXPECT_EQ(m.processor.level, 5);
  EXPECT_EQ(m.drives.at('C').space.freeClusters, (1u << 30) / 4096);
  EXPECT_EQ(m.drives.at('A').type, platform::DriveType::removable);
  EXPECT_EQ(m.filesInUse, std::vector<std::string>{cp("C:\\WINDOWS\\SYSTEM\\шрифт.dll")});
  EXPECT_EQ(m.hookDefault, std::optional<bool>(false));
  EXPECT_TRUE(m.hookAnswers.at("demo.exe"));
  EXPECT_EQ(m.runResults.at("Should.Dll"), 2u);

  MachineDescription again;
  ASSERT_TRUE(ParseMachineIni(WriteMachineIni(m), again, error)) << error;
  EXPECT_EQ(WriteMachineIni(again), WriteMachineIni(m));
  EXPECT_EQ(again.drives.at('C').space.totalClusters, m.drives.at('C').space.totalClusters);
  EXPECT_EQ(again.versions, m.versions);

  // Applied to a machine: the system answers as described.
  platform::sim::Machine machine;
  ASSERT_TRUE(machine.addFile(cp("C:\\WINDOWS\\SYSTEM\\шрифт.dll"), "x").ok());
  ASSERT_TRUE(ApplyDescription(m, machine, error)) << error;
  EXPECT_EQ(machine.system().osVersion().platformId, 1u);
  EXPECT_EQ(machine.files().driveType("A:\\"), platform::DriveType::removable);
  EXPECT_EQ(machine.files().versionInfo(cp("C:\\WINDOWS\\SYSTEM\\шрифт.dll")).value().text(), "1.2.3.4");
}

TEST(MachineIni, AWrongLineIsNamed) {
  const std::pair<const char*, const char*> cases[] = {
      {"[Windows]\nPlatform=OS/2\n", "line 2: [Windows] Platform: expected NT, 9x or Win32s"},
      {"[Windows]\nVersion=six\n", "line 2: [Windows] Version"},
      {"[Drives]\nCD=fixed\n", "line 2: [Drives] CD: expected a drive letter"},
      {"[Drives]\nC=floppy\n", "line 2: [Drives] C: the first field is the drive type"},
      {"[Drives]\nC=fixed,free=2G,total=1G\n", "line 2: [Drives] C: free is larger than total"},
      {"[Versions]\nC:\\a.dll=one\n", "line 2: [Versions]"},
      {"[Hook]\nDefault=yes\n", "line 2: [Hook] Default: expected 1"},
      {"[Nope]\nA=1\n", "line 2: [Nope] A: unknown section"},
      {"Platform=NT\n", "line 1: an entry before the first [section]"},
  };
  for (const auto& [text, expected] : cases) {
    MachineDescription m;
    std::string error;
    EXPECT_FALSE(ParseMachineIni(text, m, error)) << text;
    EXPECT_EQ(error.rfind(expected, 0), 0u) << text << " -> " << error;
  }
}

TEST(AnswersFile, EverySectionSurvivesAWriteAndARead) {
  const std::string text =
      "; a full answers file\n[Wizard]\nLicence=decline\nSetupType=Выборочная\nComponents=Программа, 3\n"
      "Copy=no\nBreak=file:demo.hlp\n"
      "[Directories]\nDir1=C:\\Демо\nDir2=D:\\Data\n"
      "[Overwrite]\nDefault=no-to-all\ndemo.ini=yes\n"
      "[Final]\nReadme=0\nRun=1\nRestart=0\n"
      "[Volumes]\nAnswer=D:\\Disk2\n"
      "[Messages]\nПрервать=no\n";
  Answers a;
  std::string error;
  ASSERT_TRUE(ParseAnswers(u8s(text), a, error)) << error;
  EXPECT_FALSE(a.acceptLicence);
  EXPECT_EQ(a.setupType, cp("Выборочная"));
  EXPECT_EQ(a.components, (std::vector<std::string>{cp("Программа"), "3"}));
  EXPECT_FALSE(a.confirmCopy);
  EXPECT_EQ(a.directories.at(1), cp("C:\\Демо"));
  EXPECT_EQ(a.overwriteDefault, OverwriteAnswer::noToAll);
  EXPECT_EQ(a.overwriteFor("DEMO.INI"), OverwriteAnswer::yes);
  EXPECT_EQ(a.finalBoxes.at("run"), true);
  EXPECT_EQ(a.volumeFolder, std::optional<std::string>("D:\\Disk2"));

  Answers again;
  ASSERT_TRUE(ParseAnswers(WriteAnswers(a), again, error)) << error;
  EXPECT_EQ(WriteAnswers(again), WriteAnswers(a));
  EXPECT_EQ(again.components, a.components);
  EXPECT_EQ(again.messages, a.messages);
}

TEST(AnswersFile, AWrongLineIsNamed) {
  const std::pair<const char*, const char*> cases[] = {
      {"[Wizard]\nLicence=maybe\n", "line 2: [Wizard] Licence: expected accept or decline"},
      {"[Wizard]\nCopy=1\n", "line 2: [Wizard] Copy: expected yes or no"},
      {"[Directories]\nFolder1=C:\\\n", "line 2: [Directories] Folder1: expected DirN"},
      {"[Overwrite]\nDefault=always\n", "line 2: [Overwrite] Default: expected yes, no"},
      {"[Final]\nReadme=yes\n", "line 2: [Final] Readme: expected 0 or 1"},
      {"[Wizard\n", "line 1: a section line must end with ']'"},
  };
  for (const auto& [text, expected] : cases) {
    Answers a;
    std::string error;
    EXPECT_FALSE(ParseAnswers(text, a, error)) << text;
    EXPECT_EQ(error.rfind(expected, 0), 0u) << text << " -> " << error;
  }
}

}  // namespace
}  // namespace setupkit
