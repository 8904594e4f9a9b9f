// Whole installation runs on the simulated machine: what the window shows
// and when, where a Break stops the run, and what the machine and the
// uninstall log hold afterwards.

#include "process/texts.h"
#include "tests/process/scenario.h"

namespace process::testing {
namespace {

using platform::Root;
using PValue = platform::Value;

// A package with nothing to extract but an uninstaller, a key and a log.
constexpr const char kBareMain[] =
    "[Main]\r\nTitle=Пакет\r\nUFile=#WD\\unins.exe\r\nUKey=Пакет\r\nLogFile=#WD\\pkg.log\r\n";

class Driver : public ScenarioTest {
 protected:
  void Bare() {
    Script(kBareMain);
    Package({});
    ASSERT_TRUE(machine.addFile("C:\\WINDOWS\\TEMP\\unins.exe", "uninstaller").ok());
  }
};

TEST_F(Driver, CaptionsBarsCursorAndTheFinalPage) {
  Bare();
  std::vector<startup::Cursor> cursors;
  ui.onMessages = [&] { cursors.push_back(messages.cursor()); };
  Run();
  EXPECT_EQ(ui.eventsStartingWith("CAPTION"), (std::vector<std::string>{std::string("CAPTION: ") + kPreparingCaption}));
  EXPECT_EQ(ui.eventsStartingWith("caption"),
            (std::vector<std::string>{std::string("caption: ") + kCopyingCaption, std::string("caption: ") + kLinksCaption,
                                      std::string("caption: ") + kOcxCaption,
                                      std::string("caption: ") + kConfigFilesCaption}));
  // The bold caption comes before the copy caption, which shows the bars.
  const auto at = [&](const std::string& e) { return std::find(ui.events.begin(), ui.events.end(), e) - ui.events.begin(); };
  EXPECT_LT(at(std::string("CAPTION: ") + kPreparingCaption), at(std::string("caption: ") + kCopyingCaption));
  EXPECT_LT(at(std::string("caption: ") + kCopyingCaption), at("progress shown"));
  EXPECT_EQ(ui.events.back(), "final page");
  ASSERT_FALSE(cursors.empty());
  for (startup::Cursor c : cursors) EXPECT_EQ(c, startup::Cursor::wait);
  EXPECT_EQ(messages.cursor(), startup::Cursor::arrow);
  EXPECT_TRUE(end.fatalBoxes.empty());
  EXPECT_EQ(end.rollBacks, 0);
}

TEST_F(Driver, LogAndUninstallEntryOfABarePackage) {
  Bare();
  Run();
  const std::string log = "Uninstall information storage. Version 2.\r\n\xCF\xE0\xEA\xE5\xF2\r\nRegEntry=\xCF\xE0\xEA\xE5\xF2\r\n";
  EXPECT_EQ(File("C:\\WINDOWS\\pkg.log"), log);
  const std::string key = std::string(kUninstallKey) + "Пакет";
  EXPECT_EQ(Value(Root::localMachine, key, "DisplayName").value(), PValue::text("Пакет"));
  const std::string shortPath = machine.files().shortPath("C:\\WINDOWS\\unins.exe").value();
  EXPECT_EQ(Value(Root::localMachine, key, "UninstallString").value(),
            PValue::text(shortPath + " \"C:\\WINDOWS\\\\pkg.log\""));
  EXPECT_EQ(File("C:\\WINDOWS\\unins.exe"), "uninstaller");
  // The run's own settings now hold paths.
  EXPECT_EQ(ctx.model.Main.UFile, "C:\\WINDOWS\\\\unins.exe");
  EXPECT_EQ(ctx.model.Main.LogFile, "C:\\WINDOWS\\\\pkg.log");
}

TEST_F(Driver, BlankKeyAndBlankLog) {
  struct Case {
    const char* main;
    bool key;
    bool log;
    const char* command;
  } cases[] = {
      {"[Main]\r\nTitle=T\r\nUFile=#WD\\unins.exe\r\nUKey=\r\nLogFile=#WD\\t.log\r\n", false, true, nullptr},
      {"[Main]\r\nTitle=T\r\nUFile=#WD\\unins.exe\r\nUKey=T\r\nLogFile=\r\n", true, false, " \"\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.main);
    platform::sim::Machine fresh;
    FakeMessages m;
    startup::SetupContext run(fresh, m);
    run.model.WindowsDir = "C:\\WINDOWS\\";
    run.model.SourceDir = "D:\\";
    FakeInstallerUi window(run);
    RecordingRunEnd ending(window);
    ASSERT_TRUE(platform::writeWholeFile(fresh.files(), kScriptPath, std::string("[Version]\r\nScript=1\r\n") + c.main).ok());
    ASSERT_TRUE(startup::ReadSetupScript(run, kScriptPath).ok());
    ASSERT_TRUE(fresh.addFile("D:\\data.000", StoredRar5({})).ok());
    ASSERT_TRUE(fresh.addFile("C:\\WINDOWS\\TEMP\\unins.exe", "u").ok());
    process::RunInstallation(run, window, ending);
    EXPECT_TRUE(window.finalPage);
    const std::string key = std::string(kUninstallKey) + "T";
    EXPECT_EQ(fresh.registry().keyExists(Root::localMachine, key), c.key);
    EXPECT_EQ(fresh.files().fileExists("C:\\WINDOWS\\t.log"), c.log);
    const bool logged = std::find(run.lists.UninstallLines.begin(), run.lists.UninstallLines.end(), "RegEntry=T") !=
                        run.lists.UninstallLines.end();
    EXPECT_EQ(logged, c.key);
    if (c.command) {
      const std::string command = fresh.registryStore().value(Root::localMachine, key, "UninstallString").value().data;
      EXPECT_EQ(command.substr(command.size() - 3), c.command);
    }
  }
}

TEST_F(Driver, FileNumbersAreResolvedForTheCloseSteps) {
  Script("[Main]\r\nTitle=T\r\nRunFile=5\r\nReadmeFile=2\r\nLogFile=\r\n"
         "[Files]\r\nCount=2\r\nFile1=1,a.exe,1.0.0.0,1,0,C:\\App\\,a.exe\r\nFile2=2,r.txt,1.0.0.0,1,0,#WD,readme.txt\r\n");
  Package({});
  Run();
  EXPECT_EQ(ctx.model.Main.RunFile, "");  // no file 5: nothing is started
  EXPECT_EQ(ctx.model.Main.ReadmeFile, "C:\\WINDOWS\\readme.txt");
}

// A Break noticed at a stop point ends the run there: nothing is undone,
// no log is written, the window stays on the Process page with the wait
// cursor.
TEST_F(Driver, BreakAtEachStopPoint) {
  struct Case {
    const char* breakAt;  // the caption during which the user breaks off
    bool registered;      // step 25 ran
    bool final;
  } cases[] = {
      {kLinksCaption, false, false},       // stops at 23, before the registration
      {kOcxCaption, true, false},          // stops at 32
      {kConfigFilesCaption, true, true},   // no stop point after 32: the run completes
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.breakAt);
    platform::sim::Machine fresh;
    FakeMessages m;
    startup::SetupContext run(fresh, m);
    run.model.WindowsDir = "C:\\WINDOWS\\";
    run.model.SourceDir = "D:\\";
    FakeInstallerUi window(run);
    RecordingRunEnd ending(window);
    ASSERT_TRUE(platform::writeWholeFile(fresh.files(), kScriptPath, std::string("[Version]\r\nScript=1\r\n") + kBareMain).ok());
    ASSERT_TRUE(startup::ReadSetupScript(run, kScriptPath).ok());
    ASSERT_TRUE(fresh.addFile("D:\\data.000", StoredRar5({})).ok());
    ASSERT_TRUE(fresh.addFile("C:\\WINDOWS\\TEMP\\unins.exe", "u").ok());
    window.onMessages = [&] {
      if (window.stepCaption == c.breakAt) run.window.BreakRequested = true;
    };
    process::RunInstallation(run, window, ending);
    EXPECT_EQ(window.finalPage, c.final);
    EXPECT_EQ(fresh.files().fileExists("C:\\WINDOWS\\pkg.log"), c.final);
    EXPECT_EQ(fresh.registry().keyExists(Root::localMachine, std::string(kUninstallKey) + "Пакет"), c.registered);
    EXPECT_EQ(m.cursor(), c.final ? startup::Cursor::arrow : startup::Cursor::wait);
    EXPECT_EQ(ending.rollBacks, 0);
    EXPECT_TRUE(ending.fatalBoxes.empty());
    EXPECT_TRUE(run.window.has(startup::afFilesCopied));
  }
}

// --- runs that need the package extraction, the actions and the engine ---

constexpr const char kAppScript[] =
    "[Main]\r\nTitle=App\r\nUFile=#0\\unins.exe\r\nUKey=App\r\nLogFile=#0\\install.log\r\n"
    "[AskDirs]\r\nCount=1\r\nDir1=C:\\Vendor\\App\r\n"
    "[FileGroups]\r\nCount=3\r\nGroup1=1,2,3\r\nGroup2=4\r\nSharedFiles2=1\r\nGroup3=5\r\n"
    "[Files]\r\nCount=5\r\nFile1=1,app.exe,1.0.0.0,1,0,#0,app.exe\r\nFile2=2,app.ini,1.0.0.0,1,1,#0,app.ini\r\n"
    "File3=3,help.txt,1.0.0.0,0,0,#0\\Docs,help.txt\r\nFile4=4,shared.dll,1.0.0.0,1,0,#WS,shared.dll\r\n"
    "File5=5,extra.dat,1.0.0.0,1,0,#0,extra.dat\r\n"
    "[Registry]\r\nCount=1\r\nKey1=HKCU\\Software\\App,S,Path,C:\\Vendor\\App\r\n"
    "[ShellLinks]\r\nCount=1\r\nLink1=PROGRAMS\\App,app.exe,,App,#0,,,0\r\n";

std::vector<StoredMember> AppMembers() {
  return {{"app.exe", "program"}, {"app.ini", "Dir=#0\r\nWin=#WD\r\n"}, {"help.txt", "help"},
          {"shared.dll", "shared"}, {"extra.dat", "extra"}};
}

TEST_F(Driver, WholeRunFilesRegistryLinksAndTheLogByteForByte) {
  Script(kAppScript);
  Package(AppMembers());
  ctx.model.TGroups[2].Selected = false;  // the reader chose every group; group 3 is left out
  ASSERT_TRUE(machine.registry().create(Root::localMachine, kSharedDllsKey).ok());
  ASSERT_TRUE(machine.addFile("C:\\WINDOWS\\TEMP\\unins.exe", "uninstaller").ok());
  Run();
  ASSERT_TRUE(ui.finalPage) << machine.toString();
  EXPECT_EQ(File("C:\\Vendor\\App\\app.exe"), "program");
  // "#0" is the first directory with its backslash; "#WD" keeps its own.
  EXPECT_EQ(File("C:\\Vendor\\App\\app.ini"), "Dir=C:\\Vendor\\App\\\r\nWin=C:\\WINDOWS\\\r\n");
  EXPECT_EQ(File("C:\\Vendor\\App\\Docs\\help.txt"), "help");
  EXPECT_FALSE(Exists("C:\\Vendor\\App\\extra.dat"));
  EXPECT_EQ(Value(Root::localMachine, kSharedDllsKey, "C:\\WINDOWS\\SYSTEM32\\shared.dll").value(),
            PValue::binaryData(std::string("\x01\x00\x00\x00", 4)));
  const std::string programs = machine.shell().specialFolder(platform::csidl::programs).value();
  const std::string expected = std::string("Uninstall information storage. Version 2.\r\nApp\r\n") +
                               "Dir=C:\\Vendor\r\nDir=C:\\Vendor\\App\r\n"
                               "File=C:\\Vendor\\App\\app.exe\r\nFile=C:\\Vendor\\App\\app.ini\r\n"
                               "Dir=C:\\Vendor\\App\\Docs\r\n"
                               "RegSharedIncrement=C:\\WINDOWS\\SYSTEM32\\shared.dll\r\n"
                               "RegCreateKey=Software\\App,2147483649\r\n"
                               "RegWriteValue=Path\r\n"
                               "RegEntry=App\r\n"
                               "ShellFolder=" + programs + "\\App\r\n"
                               "ShellLink=" + programs + "\\App\\App.lnk\r\n";
  EXPECT_EQ(File("C:\\Vendor\\App\\install.log"), expected);
}

// A Break while a member's data is being written aborts the member: the
// failure is fatal, but the user asked for it, so no box.
TEST_F(Driver, BreakDuringExtractionRollsBackWithoutABox) {
  Script(kAppScript);
  Package(AppMembers());
  SelectAllGroups();
  // A Break noticed right after a header only ends the member loop (a stop);
  // the data callback is the message pump that follows a FileBar move once
  // the second member's header was read.
  bool firstPlaced = false;
  ui.onMessages = [&] {
    if (ctx.window.BreakRequested || ui.overallBar.first != 2 || ui.events.back().rfind("filebar", 0) != 0) return;
    ctx.window.BreakRequested = true;
    firstPlaced = Exists("C:\\Vendor\\App\\app.exe");
  };
  const std::string before = Dump();
  Run();
  EXPECT_TRUE(firstPlaced);  // the rollback had a file to take back
  EXPECT_FALSE(ui.finalPage);
  EXPECT_TRUE(end.fatalBoxes.empty());
  EXPECT_EQ(end.rollBacks, 1);
  EXPECT_EQ(end.terminated, 1);
  EXPECT_TRUE(ui.banner);
  EXPECT_EQ(Dump(), before);
  EXPECT_FALSE(ctx.window.has(startup::afFilesCopied));
}

TEST_F(Driver, BreakAfterTheExtractionKeepsTheFiles) {
  Script(kAppScript);
  Package(AppMembers());
  SelectAllGroups();
  // The last member is placed, then the user breaks off before step 13.
  ui.onMessages = [&] {
    if (ui.overallBar.first == 5) ctx.window.BreakRequested = true;
  };
  Run();
  EXPECT_FALSE(ui.finalPage);
  EXPECT_EQ(end.rollBacks, 0);
  EXPECT_TRUE(Exists("C:\\Vendor\\App\\app.exe"));
  EXPECT_FALSE(Exists("C:\\Vendor\\App\\install.log"));
  EXPECT_FALSE(ctx.window.has(startup::afFilesCopied));
}

TEST_F(Driver, FailedRegistryStepUndoesItsValuesAndTheFiles) {
  Script(std::string(kAppScript) + "");
  ctx.model.RegData.push_back(ctx.model.RegData[0]);
  ctx.model.RegData[1].KeyPath = "Software\\Locked";
  ASSERT_TRUE(machine.registry().create(Root::currentUser, "Software\\Locked").ok());
  ASSERT_TRUE(machine.registryStore().denyWriteAccess(Root::currentUser, "Software\\Locked").ok());
  Package(AppMembers());
  SelectAllGroups();
  const std::string before = Dump();
  Run();
  EXPECT_FALSE(ui.finalPage);
  ASSERT_EQ(end.fatalBoxes.size(), 1u);
  EXPECT_EQ(end.rollBacks, 1);
  EXPECT_EQ(Dump(), before);
}

}  // namespace
}  // namespace process::testing
