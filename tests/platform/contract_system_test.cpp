// System facts and shell behaviour the engine relies on, on every backend.

#include "tests/platform/contract.h"

namespace platform::testing {
namespace {

using SystemContract = Contract;

TEST_P(SystemContract, Directories) {
  System& sys = os().system();
  for (const std::string& dir : {sys.windowsDirectory(), sys.systemDirectory(), sys.currentDirectory()}) {
    ASSERT_FALSE(dir.empty());
    EXPECT_TRUE(fs().directoryExists(dir)) << dir;
  }
  EXPECT_NE(sys.windowsDirectory().back(), '\\');
  EXPECT_NE(sys.systemDirectory().back(), '\\');
  EXPECT_TRUE(text::upper1251(sys.systemDirectory()).starts_with(text::upper1251(sys.windowsDirectory())));
  EXPECT_FALSE(sys.modulePath().empty());
}

TEST_P(SystemContract, CurrentDirectory) {
  System& sys = os().system();
  const std::string before = sys.currentDirectory();
  ASSERT_TRUE(fs().createDirectory(at("cwd")).ok());
  ASSERT_TRUE(sys.setCurrentDirectory(at("cwd")).ok());
  EXPECT_TRUE(text::equalsNoCase1251(sys.currentDirectory(), at("cwd"))) << sys.currentDirectory();
  // Relative names now start there.
  ASSERT_TRUE(writeWholeFile(fs(), "rel.txt", "r").ok());
  EXPECT_TRUE(fs().fileExists(at("cwd\\rel.txt")));
  EXPECT_FALSE(sys.setCurrentDirectory(at("none")).ok());
  ASSERT_TRUE(sys.setCurrentDirectory(before).ok());
}

TEST_P(SystemContract, VersionAndProcessor) {
  const OsVersion v = os().system().osVersion();
  EXPECT_EQ(v.platformId, 2u);
  EXPECT_GE(v.major, 5u);
  const ProcessorInfo p = os().system().processor();
  EXPECT_GE(p.count, 1u);
}

TEST_P(SystemContract, SpecialFolders) {
  for (int id : {csidl::programs, csidl::desktopDirectory, csidl::startMenu, csidl::commonPrograms,
                 csidl::commonDesktopDirectory, csidl::startup}) {
    auto folder = os().shell().specialFolder(id);
    ASSERT_TRUE(folder.ok()) << "CSIDL " << id << ": " << folder.status().toString();
    EXPECT_NE(folder->back(), '\\') << *folder;
    EXPECT_TRUE(fs().directoryExists(*folder)) << *folder;
  }
}

// Every folder a link entry can name, for the current user and for all
// users, resolves to a path without a trailing backslash.
TEST_P(SystemContract, LinkFolders) {
  for (int id : {csidl::desktop, csidl::programs, csidl::startup, csidl::startMenu, csidl::commonDesktopDirectory,
                 csidl::commonPrograms, csidl::commonStartup, csidl::commonStartMenu}) {
    auto folder = os().shell().specialFolder(id);
    ASSERT_TRUE(folder.ok()) << "CSIDL " << id << ": " << folder.status().toString();
    ASSERT_FALSE(folder->empty());
    EXPECT_NE(folder->back(), '\\') << *folder;
    EXPECT_EQ(folder->substr(1, 2), ":\\") << *folder;
  }
  EXPECT_FALSE(text::equalsNoCase1251(os().shell().specialFolder(csidl::programs).valueOr(""),
                                      os().shell().specialFolder(csidl::commonPrograms).valueOr("")));
}

// The restart's privilege step; the restart itself is only asked of the
// simulated machine.
TEST_P(SystemContract, ShutdownPrivilege) {
  EXPECT_TRUE(os().system().enableShutdownPrivilege().ok());
  EXPECT_TRUE(os().system().enableShutdownPrivilege().ok()) << "enabling twice is harmless";
}

TEST_P(SystemContract, ShellLinksRoundTrip) {
  ASSERT_TRUE(writeWholeFile(fs(), at("prog.exe"), "MZ").ok());
  ShellLink link;
  link.target = at("prog.exe");
  link.arguments = "/s \"two words\"";
  link.workingDirectory = machine_->scratch();
  link.description = "Программа";
  link.iconPath = at("prog.exe");
  link.iconIndex = 2;
  link.showCommand = 3;  // SW_SHOWMAXIMIZED
  ASSERT_TRUE(os().shell().saveLink(at("Программа.lnk"), link).ok());
  EXPECT_TRUE(fs().fileExists(at("Программа.lnk")));
  auto back = os().shell().loadLink(at("Программа.lnk"));
  ASSERT_TRUE(back.ok()) << back.status().toString();
  EXPECT_TRUE(text::equalsNoCase1251(back->target, link.target)) << back->target;
  EXPECT_EQ(back->arguments, link.arguments);
  EXPECT_TRUE(text::equalsNoCase1251(back->workingDirectory, link.workingDirectory)) << back->workingDirectory;
  EXPECT_EQ(back->description, link.description);
  EXPECT_TRUE(text::equalsNoCase1251(back->iconPath, link.iconPath)) << back->iconPath;
  EXPECT_EQ(back->iconIndex, 2);
  // Wine's link object does not keep the show command.
  if (!isReal()) {
    EXPECT_EQ(back->showCommand, 3);
  }
  EXPECT_FALSE(os().shell().saveLink(at("nodir\\x.lnk"), link).ok());
  EXPECT_FALSE(os().shell().loadLink(at("none.lnk")).ok());
}

TEST_P(SystemContract, MoveAtRebootIsRecordedTheNtWay) {
  const std::string key = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
  const std::string name = "PendingFileRenameOperations";
  auto manager = reg().open(Root::localMachine, key, Access::all);
  ASSERT_TRUE(manager.ok()) << manager.status().toString();
  auto before = (*manager)->read(name);
  ASSERT_TRUE(writeWholeFile(fs(), at("new.tmp"), "new").ok());
  ASSERT_TRUE(os().system().moveAtReboot(at("new.tmp"), at("old.dll")).ok());
  ASSERT_TRUE(os().system().moveAtReboot(at("gone.tmp"), "").ok());
  auto after = (*manager)->read(name);
  ASSERT_TRUE(after.ok());
  EXPECT_EQ(after->type, ValueType::multiString);
  const std::string added = after->data.substr(before ? before->data.size() + 1 : 0);
  const std::string expected = "\\??\\" + at("new.tmp") + '\0' + "!\\??\\" + at("old.dll") + '\0' + "\\??\\" +
                               at("gone.tmp");
  EXPECT_TRUE(text::equalsNoCase1251(added.substr(0, expected.size()), expected)) << added;
  // Leave the machine's list as it was: nothing of the test is replaced at
  // the next start.
  if (before) {
    ASSERT_TRUE((*manager)->write(name, *before).ok());
  } else {
    ASSERT_TRUE((*manager)->removeValue(name).ok());
  }
}

INSTANTIATE_TEST_SUITE_P(Backends, SystemContract, ::testing::ValuesIn(contractBackends()), backendName);

}  // namespace
}  // namespace platform::testing
