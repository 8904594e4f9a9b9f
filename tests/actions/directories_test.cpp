// Target directories, directory chains with their "Dir=" lines, the
// parent test, KillTree and the restart, on the simulated machine.

#include "actions/directories.h"

#include "tests/actions/actions_fixture.h"

namespace actions::testing {
namespace {

using Lines = std::vector<std::string>;
using platform::sim::Op;

class Directories : public ActionsFixture {
 protected:
  void SetDirs(const Lines& dirs) {
    ctx.model.Dirs.clear();
    for (const std::string& d : dirs) ctx.model.Dirs.push_back(startup::DirEntry{d, "", 0, false, "", false, ""});
  }
  bool IsDir(const std::string& path) { return machine.files().directoryExists(path); }
};

// Entries come in any order; each is created after the directory that
// holds it, levels of a chain one by one, each logged before it is made.
TEST_F(Directories, TargetDirectoriesParentsFirst) {
  machine.addDrive('E', platform::DriveType::fixed);
  SetDirs({"C:\\App\\Data", "E:\\A\\B\\C", "C:\\app", "C:\\WINDOWS", "#(nick)::\\x", "::\\Sub"});
  ASSERT_TRUE(CreateTargetDirectories(ctx, end));
  ExpectNoReport();
  const Lines created{"C:\\app", "C:\\App\\Data", "E:\\A", "E:\\A\\B", "E:\\A\\B\\C"};
  Lines logged;
  for (const std::string& d : created) logged.push_back("Dir=" + d);
  EXPECT_EQ(ctx.lists.UninstallLines, logged);
  EXPECT_EQ(ctx.lists.CreatedDirs, created);
  for (const std::string& d : created) EXPECT_TRUE(IsDir(d)) << d;
  EXPECT_TRUE(ctx.window.has(startup::afDirectories));
}

TEST_F(Directories, NothingToDoWithoutDirectories) {
  ctx.run.EngineActions = startup::eaInstallFiles;
  ctx.model.DatabaseEngineDir = "C:\\Vendor\\Shared\\Engine";
  ASSERT_TRUE(CreateTargetDirectories(ctx, end));
  EXPECT_TRUE(ctx.lists.CreatedDirs.empty());
  EXPECT_FALSE(IsDir("C:\\Vendor"));
  EXPECT_FALSE(ctx.window.has(startup::afDirectories));
}

// The engine's directory chain: made without "Dir=" lines, only when its
// files are installed and more than its last level is missing.
TEST_F(Directories, EngineDirectoryChain) {
  struct Case {
    const char* title;
    uint8_t actions;
    std::string engineDir;
    Lines created;
  } cases[] = {
      {"parent missing", startup::eaInstallFiles, "C:\\Vendor\\Shared\\Engine",
       {"C:\\Vendor", "C:\\Vendor\\Shared", "C:\\Vendor\\Shared\\Engine"}},
      {"parent present", startup::eaInstallFiles | startup::eaCountUse, "C:\\Program Files\\Engine", {}},
      {"engine files not installed", startup::eaConfigure, "C:\\Vendor\\Shared\\Engine", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    platform::sim::Machine m;
    startup::SetupContext run(m, ui);
    RecordingRunEnd stop;
    run.model.Dirs = {startup::DirEntry{"C:\\App", "", 0, false, "", false, ""}};
    run.model.DatabaseEngineDir = c.engineDir;
    run.run.EngineActions = c.actions;
    ASSERT_TRUE(CreateTargetDirectories(run, stop));
    EXPECT_EQ(run.lists.UninstallLines, (Lines{"Dir=C:\\App"}));
    Lines created{"C:\\App"};
    created.insert(created.end(), c.created.begin(), c.created.end());
    EXPECT_EQ(run.lists.CreatedDirs, created);
    EXPECT_EQ(m.files().directoryExists(c.engineDir), !c.created.empty());
  }
}

// A level that cannot be made is kind 1 with its path; its "Dir=" line is
// already logged, what was made before stays recorded, the rest is left.
TEST_F(Directories, ALevelThatCannotBeCreated) {
  SetDirs({"C:\\App\\Data\\Deep", "C:\\Zoo"});
  machine.failNth(Op::createDirectory, 2, platform::Status(platform::Code::accessDenied, 5));
  EXPECT_FALSE(CreateTargetDirectories(ctx, end));
  ExpectOneFatalReport("Невозможно создать каталог C:\\App\\Data");
  EXPECT_EQ(end.listsAtRollBack.UninstallLines, (Lines{"Dir=C:\\App", "Dir=C:\\App\\Data"}));
  EXPECT_EQ(end.listsAtRollBack.CreatedDirs, (Lines{"C:\\App"}));
  EXPECT_FALSE(IsDir("C:\\Zoo"));
  EXPECT_FALSE(ctx.window.has(startup::afDirectories));
}

TEST_F(Directories, ADirectoryWhoseParentExistsFails) {
  ASSERT_TRUE(machine.addFile("C:\\Blocked", "a file, not a directory").ok());
  SetDirs({"C:\\Blocked"});
  EXPECT_FALSE(CreateTargetDirectories(ctx, end));
  ExpectOneFatalReport("Невозможно создать каталог C:\\Blocked");
  EXPECT_EQ(end.listsAtRollBack.UninstallLines, (Lines{"Dir=C:\\Blocked"}));
  EXPECT_TRUE(end.listsAtRollBack.CreatedDirs.empty());
}

TEST_F(Directories, ChainOnAMissingDrive) {
  EXPECT_FALSE(CreateDirectoryChain(ctx, end, "Q:\\Apps\\X", true));
  ExpectOneFatalReport("Невозможно создать каталог Q:");
  EXPECT_TRUE(ctx.lists.CreatedDirs.empty());
}

// The placement's call: logged or not, every level made is recorded;
// doubled and trailing backslashes add no levels.
TEST_F(Directories, ChainLoggedOrNot) {
  ASSERT_TRUE(CreateDirectoryChain(ctx, end, "C:\\One\\\\Two\\", false));
  ASSERT_TRUE(CreateDirectoryChain(ctx, end, "C:\\One\\Two\\Three", true));
  ExpectNoReport();
  EXPECT_EQ(ctx.lists.UninstallLines, (Lines{"Dir=C:\\One\\Two\\Three"}));
  EXPECT_EQ(ctx.lists.CreatedDirs, (Lines{"C:\\One", "C:\\One\\Two", "C:\\One\\Two\\Three"}));
}

// A network path's share is its root: the chain never turns its pieces into
// directories relative to the current one.
TEST_F(Directories, NetworkPathsStartAtTheShare) {
  ASSERT_TRUE(machine.system().setCurrentDirectory("C:\\").ok());
  EXPECT_FALSE(CreateDirectoryChain(ctx, end, "\\\\server\\share\\App", true));
  ExpectOneFatalReport("Невозможно создать каталог \\\\server\\share");
  EXPECT_FALSE(IsDir("C:\\server"));
}

TEST_F(Directories, ParentDirExists) {
  ASSERT_TRUE(machine.addDirectory("C:\\A").ok());
  struct Case {
    const char* path;
    bool expected;
  } cases[] = {
      {"", false},         {"C:", false},          {"C:\\", false},      {"\\\\", false},
      {"C:\\New", true},   {"C:\\A\\B", true},     {"C:\\A\\B\\", true}, {"C:\\A\\\\B", true},
      {"C:\\B\\C", false}, {"Q:\\New", false},     {"A\\B", false},
  };
  for (const Case& c : cases) EXPECT_EQ(ParentDirExists(ctx, c.path), c.expected) << c.path;
}

TEST_F(Directories, KillTreeStopsAtTheFirstDirectoryThatStays) {
  ASSERT_TRUE(machine.addDirectory("C:\\Apps\\Vendor\\Engine").ok());
  ASSERT_TRUE(machine.addDirectory("C:\\Apps\\Other").ok());
  KillTree(ctx, "C:\\Apps\\Vendor\\Engine");
  EXPECT_FALSE(IsDir("C:\\Apps\\Vendor"));
  EXPECT_TRUE(IsDir("C:\\Apps\\Other"));

  // A directory that is not empty is not removed, nor are its parents.
  ASSERT_TRUE(machine.addFile("C:\\Keep\\Engine\\user.cfg", "x").ok());
  KillTree(ctx, "C:\\Keep\\Engine");
  EXPECT_TRUE(machine.files().fileExists("C:\\Keep\\Engine\\user.cfg"));

  // The walk ends at the drive, also for a trailing backslash.
  ASSERT_TRUE(machine.addDirectory("C:\\Solo\\Inner").ok());
  KillTree(ctx, "C:\\Solo\\Inner\\");
  EXPECT_FALSE(IsDir("C:\\Solo"));
  EXPECT_TRUE(IsDir("C:\\"));
  KillTree(ctx, "C:\\Missing\\Dir");
}

// The privilege is taken on the NT family; the restart is asked for even
// when a privilege step fails (and the machine then refuses it).
TEST_F(Directories, RebootWindows) {
  EXPECT_TRUE(RebootWindows(ctx));
  EXPECT_TRUE(machine.systemState().shutdownPrivilegeEnabled());
  EXPECT_EQ(machine.systemState().restartCount(), 1);

  platform::sim::Machine failing;
  startup::SetupContext run(failing, ui);
  failing.failNth(Op::shutdownPrivilege, 1, platform::Status(platform::Code::accessDenied, 5));
  EXPECT_FALSE(RebootWindows(run));
  EXPECT_EQ(failing.systemState().restartRequestCount(), 1);
  EXPECT_EQ(failing.systemState().restartCount(), 0);

  platform::sim::Machine win98;
  win98.systemState().setOsVersion(platform::OsVersion{1, 4, 10, 2222, ""});
  startup::SetupContext old(win98, ui);
  old.model.OsKind = startup::okWin98;
  EXPECT_TRUE(RebootWindows(old));
  EXPECT_FALSE(win98.systemState().shutdownPrivilegeEnabled()) << "no privilege step outside the NT family";
  EXPECT_EQ(win98.systemState().restartCount(), 1);
}

}  // namespace
}  // namespace actions::testing
