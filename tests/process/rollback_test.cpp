// The rollback of a failed run: banner, the engine warning, files,
// directories, links and program folders, registry values, temporary files.

#include "process/rollback.h"
#include "process/texts.h"
#include "tests/process/scenario.h"

namespace process::testing {
namespace {

using platform::Root;
using PValue = platform::Value;

class RollBackTest : public ScenarioTest {
 protected:
  void Roll() { process::RollBack(ctx, ui); }
};

TEST_F(RollBackTest, BannerFirstAndEngineWarningOnlyForAnUnfinishedUpdate) {
  struct Case {
    uint8_t flags;
    bool warned;
  } cases[] = {
      {0, false},
      {startup::afOldEngineRemoved, true},
      {startup::afOldEngineRemoved | startup::afEngineConfigured, false},
      {startup::afEngineConfigured, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.flags));
    ui = FakeInstallerUi{ctx};
    ctx.window.ActionFlags = c.flags;
    messages.setCursor(startup::Cursor::wait);
    startup::Cursor during = startup::Cursor::wait;
    ui.onMessages = [&] {};
    Roll();
    EXPECT_TRUE(ui.banner);
    EXPECT_EQ(ui.events.front(), "banner shown");
    if (c.warned) {
      ASSERT_EQ(ui.stopMessages.size(), 1u);
      EXPECT_EQ(ui.stopMessages[0], std::string("Внимание!: ") + kEngineUpdateWarning);
    } else {
      EXPECT_TRUE(ui.stopMessages.empty());
    }
    EXPECT_EQ(messages.cursor(), startup::Cursor::wait);
    static_cast<void>(during);
  }
}

TEST_F(RollBackTest, WarningIsShownWithTheArrowCursor) {
  struct CursorUi : FakeInstallerUi {
    using FakeInstallerUi::FakeInstallerUi;
    FakeMessages* m = nullptr;
    startup::Cursor seen = startup::Cursor::wait;
    void showStopMessage(const std::string& t, const std::string& c) override {
      seen = m->cursor();
      FakeInstallerUi::showStopMessage(t, c);
    }
  } cursorUi(ctx);
  cursorUi.m = &messages;
  messages.setCursor(startup::Cursor::wait);
  ctx.window.include(startup::afOldEngineRemoved);
  process::RollBack(ctx, cursorUi);
  EXPECT_EQ(cursorUi.seen, startup::Cursor::arrow);
  EXPECT_EQ(messages.cursor(), startup::Cursor::wait);
}

TEST_F(RollBackTest, FilesAndDirectoriesLastCreatedFirst) {
  ASSERT_TRUE(machine.addDirectory("C:\\App\\Sub\\Deep").ok());
  ASSERT_TRUE(machine.addDirectory("C:\\Shared").ok());
  ASSERT_TRUE(machine.addFile("C:\\App\\a.exe", "a").ok());
  ASSERT_TRUE(machine.addFile("C:\\App\\Sub\\Deep\\b.dll", "b").ok());
  ASSERT_TRUE(machine.addFile("C:\\App\\Ins1.tmp", "replacement").ok());
  ASSERT_TRUE(machine.addFile("C:\\Shared\\theirs.txt", "not ours").ok());
  ASSERT_TRUE(machine.addFile("C:\\WINDOWS\\TEMP\\Install.Ini", "script").ok());
  auto& l = ctx.lists;
  l.PlacedFiles = {"C:\\App\\a.exe", "C:\\App\\Sub\\Deep\\b.dll", "C:\\App\\never-made.dll"};
  l.ReplaceTempFiles = {"C:\\App\\Ins1.tmp"};
  l.CreatedDirs = {"C:\\App", "C:\\App\\Sub", "C:\\App\\Sub\\Deep", "C:\\Shared"};
  l.TempFileList = {"C:\\WINDOWS\\TEMP\\Install.Ini", "C:\\WINDOWS\\TEMP\\gone.dll"};
  Roll();
  EXPECT_FALSE(Exists("C:\\App"));
  EXPECT_TRUE(Exists("C:\\Shared\\theirs.txt"));  // a directory with other files stays
  EXPECT_FALSE(Exists("C:\\WINDOWS\\TEMP\\Install.Ini"));
  // The lists are read, not consumed.
  EXPECT_EQ(l.CreatedDirs.size(), 4u);
}

TEST_F(RollBackTest, LinksAndFoldersOnlyOnceTheLinkStepRan) {
  for (const bool linked : {false, true}) {
    SCOPED_TRACE(linked);
    ASSERT_TRUE(machine.addFile("C:\\Menu\\Vendor\\App\\App.lnk", "link").ok());
    ctx.lists.CreatedLinks = {"C:\\Menu\\Vendor\\App\\App.lnk"};
    ctx.lists.CreatedShellFolders = {"C:\\Menu\\Vendor", "C:\\Menu\\Vendor\\App"};
    ctx.window.ActionFlags = linked ? startup::afLinks : 0;
    Roll();
    EXPECT_EQ(Exists("C:\\Menu\\Vendor"), !linked);
    EXPECT_TRUE(Exists("C:\\Menu"));
  }
}

TEST_F(RollBackTest, RegistryValuesComeBackInEveryForm) {
  auto set = [&](const std::string& key, const std::string& name, const PValue& v) {
    ASSERT_TRUE(machine.registryStore().setValue(Root::currentUser, key, name, v).ok());
  };
  // State after the registry step wrote them.
  set("Software\\New", "Fresh", PValue::text("new"));
  set("Software\\Old", "Str", PValue::text("new"));
  set("Software\\Old", "Exp", PValue::text("new"));
  set("Software\\Old", "Num", PValue::text("new"));
  set("Software\\Old", "Bin", PValue::text("new"));
  set("Software\\Old", "Empty", PValue::text("new"));
  set("Software\\Old", "Multi", PValue::text("new"));
  set("Software\\Old", "Odd", PValue::text("new"));
  set("Software\\Kept", "Fresh", PValue::text("new"));
  set("Software\\Kept\\Child", "x", PValue::text("theirs"));
  auto& l = ctx.lists;
  l.RegistryChanges = {"HKEY_CURRENT_USER\\Software\\New|Fresh", "HKEY_CURRENT_USER\\Software\\Old|Str",
                       "HKEY_CURRENT_USER\\Software\\Old|Exp",   "HKEY_CURRENT_USER\\Software\\Old|Num",
                       "HKEY_CURRENT_USER\\Software\\Old|Bin",   "HKEY_CURRENT_USER\\Software\\Old|Empty",
                       "HKEY_CURRENT_USER\\Software\\Old|Multi", "HKEY_CURRENT_USER\\Software\\Old|Odd",
                       "HKEY_CURRENT_USER\\Software\\Kept|Fresh", "HKEY_CURRENT_USER\\Software\\Missing|X",
                       "HKEY_NOWHERE\\Software\\Old|Str"};
  // The failed write's extra entry at the end is never read.
  l.RegistryOldValues = {"", "Sformer", "Sexpandable %PATH%", "D-5", "B01.AB", "B", " ", "Xwhat", "", "", "", "Sextra"};
  ctx.window.include(startup::afRegistry);
  Roll();
  EXPECT_FALSE(machine.registry().keyExists(Root::currentUser, "Software\\New"));
  EXPECT_EQ(Value(Root::currentUser, "Software\\Old", "Str").value(), PValue::text("former"));
  EXPECT_EQ(Value(Root::currentUser, "Software\\Old", "Exp").value(), PValue::text("expandable %PATH%"));
  EXPECT_EQ(Value(Root::currentUser, "Software\\Old", "Num").value(), PValue::dword(static_cast<uint32_t>(-5)));
  EXPECT_EQ(Value(Root::currentUser, "Software\\Old", "Bin").value(), PValue::binaryData("\x01\xAB"));
  EXPECT_EQ(Value(Root::currentUser, "Software\\Old", "Empty").value(), PValue::binaryData(""));
  EXPECT_FALSE(Value(Root::currentUser, "Software\\Old", "Multi").ok());  // blank: it was new
  EXPECT_FALSE(Value(Root::currentUser, "Software\\Old", "Odd").ok());    // unknown letter: nothing written
  // A key that still has a subkey stays.
  EXPECT_TRUE(machine.registry().keyExists(Root::currentUser, "Software\\Kept"));
  EXPECT_FALSE(Value(Root::currentUser, "Software\\Kept", "Fresh").ok());
  EXPECT_TRUE(machine.registry().keyExists(Root::currentUser, "Software\\Kept\\Child"));
}

TEST_F(RollBackTest, RegistryIsLeftAloneBeforeTheRegistryStep) {
  ASSERT_TRUE(machine.registryStore().setValue(Root::currentUser, "Software\\New", "Fresh", PValue::text("new")).ok());
  ctx.lists.RegistryChanges = {"HKEY_CURRENT_USER\\Software\\New|Fresh"};
  ctx.lists.RegistryOldValues = {""};
  Roll();
  EXPECT_TRUE(Value(Root::currentUser, "Software\\New", "Fresh").ok());
}

TEST_F(RollBackTest, FailuresArePassedOver) {
  ASSERT_TRUE(machine.addFile("C:\\App\\locked.dll", "l").ok());
  ASSERT_TRUE(machine.lock("C:\\App\\locked.dll").ok());
  ASSERT_TRUE(machine.addFile("C:\\App\\b.dll", "b").ok());
  ctx.lists.PlacedFiles = {"C:\\App\\locked.dll", "C:\\App\\b.dll"};
  ctx.lists.CreatedDirs = {"C:\\App"};
  Roll();
  EXPECT_TRUE(Exists("C:\\App\\locked.dll"));
  EXPECT_FALSE(Exists("C:\\App\\b.dll"));
}

}  // namespace
}  // namespace process::testing
