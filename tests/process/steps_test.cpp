// The driver's own steps one by one: selection, file numbers, share and use
// counts, the uninstaller and its Uninstall entry, link entries, the COM
// loop, configuration files, the removal list and the log's bytes.

#include "process/selection.h"
#include "process/steps.h"
#include "process/texts.h"
#include "tests/process/scenario.h"

namespace process::testing {
namespace {

using platform::Root;
using platform::ValueType;
using PValue = platform::Value;

class Steps : public ScenarioTest {};

// --- selection and file numbers ---

TEST_F(Steps, SelectionFollowsTheChosenGroups) {
  Script("[FileGroups]\r\nCount=3\r\nGroup1=1,2\r\nGroup2=2,3\r\nGroup3=4\r\n"
         "[Files]\r\nCount=5\r\nFile1=1,a.dll\r\nFile2=2,b.dll\r\nFile3=3,c.dll\r\nFile4=4,d.dll\r\nFile5=5,e.dll\r\n");
  for (auto& g : ctx.model.TGroups) g.Selected = false;
  ctx.model.TGroups[1].Selected = true;
  ctx.model.FilesData[0].Selected = true;  // stale marks are replaced
  MarkSelectedFiles(ctx.model);
  std::vector<bool> marks;
  for (const auto& f : ctx.model.FilesData) marks.push_back(f.Selected);
  EXPECT_EQ(marks, (std::vector<bool>{false, true, true, false, false}));

  EXPECT_TRUE(IsMemberSelected(ctx.model, "#WS\\sub\\B.DLL"));  // name part, any case
  EXPECT_TRUE(IsMemberSelected(ctx.model, "x:c.dll"));
  EXPECT_FALSE(IsMemberSelected(ctx.model, "a.dll"));
  EXPECT_FALSE(IsMemberSelected(ctx.model, "unknown.dll"));  // no entry: not selected
}

TEST_F(Steps, FileNumbersBecomeTargetPaths) {
  Script("[Files]\r\nCount=3\r\nFile1=7,a.exe,1.0.0.0,1,0,#WD\\App,app.exe\r\nFile2=8,r.txt,1.0.0.0,1,0,C:\\Docs\\,readme.txt\r\n"
         "File3=7,dup.exe,1.0.0.0,1,0,C:\\Other\\,dup.exe\r\n");
  PreparePaths(ctx);
  struct Case {
    const char* text;
    const char* path;
  } cases[] = {
      {"7", "C:\\WINDOWS\\\\App\\app.exe"},  // the first entry with the number
      {" 8 ", "C:\\Docs\\readme.txt"},
      {"5", ""},    // no such number: nothing is started at the end
      {"abc", ""},  // not a number: 0, which no entry has
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ResolveFileNumber(ctx, c.text), c.path) << c.text;
}

// --- step 14 ---

class SharedCounts : public Steps {
 protected:
  void SetUp() override {
    Script("[FileGroups]\r\nCount=1\r\nSharedFiles1=1\r\nGroup1=1,2,3\r\n"
           "[Files]\r\nCount=3\r\nFile1=1,a.dll,1.0.0.0,1,0,C:\\S\\,a.dll\r\nFile2=2,b.dll,1.0.0.0,1,0,C:\\S\\,b.dll\r\n"
           "File3=3,c.dll,1.0.0.0,1,0,C:\\S\\,c.dll\r\n");
    PreparePaths(ctx);
  }
  void Share(const std::string& name, const PValue& v) {
    ASSERT_TRUE(machine.registryStore().setValue(Root::localMachine, kSharedDllsKey, name, v).ok());
  }
  PValue Shared(const std::string& name) {
    auto v = Value(Root::localMachine, kSharedDllsKey, name);
    return v.ok() ? *v : PValue{};
  }
};

TEST_F(SharedCounts, EveryValueTypeAndSize) {
  struct Case {
    const char* name;
    std::optional<PValue> before;  // nothing: no value
    PValue after;
  } cases[] = {
      {"dword 3", PValue::dword(3), PValue::dword(4)},
      {"binary 1", PValue::binaryData(std::string("\x01\x00\x00\x00", 4)), PValue::binaryData(std::string("\x02\x00\x00\x00", 4))},
      {"absent", std::nullopt, PValue::binaryData(std::string("\x01\x00\x00\x00", 4))},
      {"string", PValue::text("7"), PValue::text("7")},
      {"binary of 3 bytes", PValue::binaryData("\x05\x00\x00"), PValue::binaryData("\x05\x00\x00")},
      {"dword -1 gives 0: kept", PValue::dword(0xFFFFFFFF), PValue::dword(0xFFFFFFFF)},
      {"binary -5 gives -4: kept", PValue::binaryData(std::string("\xFB\xFF\xFF\xFF", 4)),
       PValue::binaryData(std::string("\xFB\xFF\xFF\xFF", 4))},
      {"dword at the top: kept", PValue::dword(0x7FFFFFFF), PValue::dword(0x7FFFFFFF)},
      {"multi-string", PValue{ValueType::multiString, std::string("a\0b", 3)}, PValue{ValueType::multiString, std::string("a\0b", 3)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto key = machine.registry().create(Root::localMachine, kSharedDllsKey);
    ASSERT_TRUE(key.ok());
    static_cast<void>((*key)->removeValue("C:\\S\\a.dll"));
    if (c.before) Share("C:\\S\\a.dll", *c.before);
    ctx.lists.UninstallLines.clear();
    ctx.run.SharedFileIndexes = {0};
    CountSharedFiles(ctx);
    EXPECT_EQ(Shared("C:\\S\\a.dll"), c.after);
    // The line is written whatever happened to the count.
    EXPECT_EQ(Lines(), (std::vector<std::string>{"RegSharedIncrement=C:\\S\\a.dll"}));
  }
}

TEST_F(SharedCounts, NoKeyCountsNothing) {
  ASSERT_TRUE(machine.registry().removeKey(Root::localMachine, kSharedDllsKey).ok());
  ctx.run.SharedFileIndexes = {0, 1};
  CountSharedFiles(ctx);
  EXPECT_TRUE(Lines().empty());
  EXPECT_FALSE(machine.registry().keyExists(Root::localMachine, kSharedDllsKey));
}

TEST_F(SharedCounts, AnErrorEndsTheStepSilently) {
  ASSERT_TRUE(machine.registry().create(Root::localMachine, kSharedDllsKey).ok());
  ctx.run.SharedFileIndexes = {0, 1, 2};
  machine.failNth(platform::sim::Op::registryWrite, 2, platform::Status(platform::Code::accessDenied));
  CountSharedFiles(ctx);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"RegSharedIncrement=C:\\S\\a.dll"}));
  EXPECT_FALSE(Value(Root::localMachine, kSharedDllsKey, "C:\\S\\c.dll").ok());
}

// --- step 18 ---

TEST_F(Steps, EngineUseCount) {
  struct Case {
    const char* name;
    bool countUse;
    bool key;
    std::optional<PValue> before;
    std::optional<std::string> after;  // nothing: no value
    bool line;
  } cases[] = {
      {"41 becomes 42", true, true, PValue::text("41"), "42", true},
      {"no number becomes 1", true, true, PValue::text("many"), "1", true},
      {"absent becomes 1", true, true, std::nullopt, "1", true},
      {"not a string reads as 0", true, true, PValue::dword(9), "1", true},
      {"no key: nothing", true, false, std::nullopt, std::nullopt, false},
      {"not planned: nothing", false, true, PValue::text("3"), "3", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    static_cast<void>(machine.registry().removeKey(Root::localMachine, kEngineKey));
    if (c.key) {
      ASSERT_TRUE(machine.registry().create(Root::localMachine, kEngineKey).ok());
    }
    if (c.before) {
      ASSERT_TRUE(machine.registryStore().setValue(Root::localMachine, kEngineKey, "UseCount", *c.before).ok());
    }
    ctx.run.EngineActions = c.countUse ? startup::eaCountUse : 0;
    ctx.lists.UninstallLines.clear();
    CountEngineUse(ctx);
    const auto v = Value(Root::localMachine, kEngineKey, "UseCount");
    if (c.after) {
      ASSERT_TRUE(v.ok());
      EXPECT_EQ(*v, PValue::text(*c.after));
    } else {
      EXPECT_FALSE(v.ok());
    }
    EXPECT_EQ(Lines(), c.line ? std::vector<std::string>{"UseBDE"} : std::vector<std::string>{});
  }
}

TEST_F(Steps, EngineUseCountThatCannotBeWrittenLeavesNoLine) {
  ASSERT_TRUE(machine.registryStore().setValue(Root::localMachine, kEngineKey, "UseCount", PValue::text("2")).ok());
  ctx.run.EngineActions = startup::eaCountUse;
  machine.failNth(platform::sim::Op::registryWrite, 1, platform::Status(platform::Code::accessDenied));
  CountEngineUse(ctx);
  EXPECT_TRUE(Lines().empty());
}

// --- step 22 ---

class Uninstaller : public Steps {
 protected:
  void SetUp() override {
    ctx.model.Main.UFile = "#WD\\Uninst\\unins.exe\\";  // one trailing backslash is cut
    ASSERT_TRUE(machine.addFile("C:\\WINDOWS\\TEMP\\unins.exe", "new uninstaller").ok());
    ASSERT_TRUE(machine.files().setFileAge("C:\\WINDOWS\\TEMP\\unins.exe", 0x2A210000).ok());  // 2001-01-01
  }
  void Versions(const char* source, const char* target) {
    if (*source) {
      ASSERT_TRUE(machine.setVersion("C:\\WINDOWS\\TEMP\\unins.exe", Version(source)).ok());
    }
    ASSERT_TRUE(machine.addFile("C:\\WINDOWS\\Uninst\\unins.exe", "old uninstaller").ok());
    if (*target) {
      ASSERT_TRUE(machine.setVersion("C:\\WINDOWS\\Uninst\\unins.exe", Version(target)).ok());
    }
  }
  static platform::VersionInfo Version(const char* text) {
    platform::VersionInfo v;
    v.present = true;
    v.fileVersion = text;
    return v;
  }
};

TEST_F(Uninstaller, CopiedWhenMissingWithItsDateAndDirectoryUnrecorded) {
  CopyUninstaller(ctx, ui);
  EXPECT_EQ(ctx.model.Main.UFile, "C:\\WINDOWS\\\\Uninst\\unins.exe");  // #WD ends in a backslash
  EXPECT_EQ(File("C:\\WINDOWS\\Uninst\\unins.exe"), "new uninstaller");
  EXPECT_EQ(machine.files().fileAge("C:\\WINDOWS\\Uninst\\unins.exe").value(), 0x2A210000u);
  EXPECT_TRUE(ctx.lists.CreatedDirs.empty());
  EXPECT_TRUE(ctx.lists.UninstallLines.empty());
  EXPECT_EQ(ui.fileCaption, "unins.exe");
  EXPECT_EQ(ui.fileBar, std::make_pair(100, 100));
}

TEST_F(Uninstaller, ReplacedOnlyByAGreaterVersion) {
  struct Case {
    const char* source;
    const char* target;
    bool copied;
  } cases[] = {
      {"2.0.0.0", "1.5.0.0", true},
      {"1.5.0.0", "1.5.0.0", false},
      {"1.0.0.0", "1.5.0.0", false},
      {"", "", false},         // neither has a version
      {"0.0.0.1", "", true},   // no version compares like 0.0.0.0
      {"", "0.0.0.1", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.source) + " over " + c.target);
    static_cast<void>(machine.files().removeFile("C:\\WINDOWS\\Uninst\\unins.exe"));
    ASSERT_TRUE(machine.setVersion("C:\\WINDOWS\\TEMP\\unins.exe", platform::VersionInfo{}).ok());
    Versions(c.source, c.target);
    ctx.model.Main.UFile = "#WD\\Uninst\\unins.exe";
    CopyUninstaller(ctx, ui);
    EXPECT_EQ(File("C:\\WINDOWS\\Uninst\\unins.exe"), c.copied ? "new uninstaller" : "old uninstaller");
  }
}

TEST_F(Uninstaller, NothingWithoutTheSource) {
  ASSERT_TRUE(machine.files().removeFile("C:\\WINDOWS\\TEMP\\unins.exe").ok());
  CopyUninstaller(ctx, ui);
  EXPECT_FALSE(Exists("C:\\WINDOWS\\Uninst"));
  EXPECT_TRUE(ui.events.empty());
}

// --- step 25 ---

TEST_F(Steps, UninstallEntry) {
  const std::string uninstallKey = std::string(kUninstallKey) + "MyApp";
  struct Case {
    const char* name;
    const char* ukey;
    const char* logFile;
    bool uninstallerPresent;
    const char* command;  // nullptr: no entry
  } cases[] = {
      {"normal", "MyApp", "C:\\Program Files\\App\\install.log", true, "C:\\PROGRA~1\\App\\unins.exe \"C:\\Program Files\\App\\install.log\""},
      {"blank log", "MyApp", "", true, "C:\\PROGRA~1\\App\\unins.exe \"\""},
      {"blank key", " \t", "C:\\x.log", true, nullptr},
      {"no uninstaller", "MyApp", "C:\\x.log", false, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    static_cast<void>(machine.registry().removeKey(Root::localMachine, uninstallKey));
    static_cast<void>(machine.files().removeFile("C:\\Program Files\\App\\unins.exe"));
    if (c.uninstallerPresent) {
      ASSERT_TRUE(machine.addFile("C:\\Program Files\\App\\unins.exe", "u").ok());
    }
    ctx.model.Main.Title = std::string(230, 'T');
    ctx.model.Main.UFile = "C:\\Program Files\\App\\unins.exe";
    ctx.model.Main.UKey = c.ukey;
    ctx.model.Main.LogFile = c.logFile;
    ctx.lists.UninstallLines.clear();
    RegisterUninstall(ctx);
    if (!c.command) {
      EXPECT_TRUE(Lines().empty());
      EXPECT_FALSE(machine.registry().keyExists(Root::localMachine, uninstallKey));
      continue;
    }
    EXPECT_EQ(Lines(), (std::vector<std::string>{"RegEntry=MyApp"}));
    EXPECT_EQ(Value(Root::localMachine, uninstallKey, "DisplayName").value(), PValue::text(std::string(200, 'T')));
    const auto command = Value(Root::localMachine, uninstallKey, "UninstallString");
    ASSERT_TRUE(command.ok());
    // The short name's letters are the machine's; its shape is fixed.
    const std::string shortPath = machine.files().shortPath("C:\\Program Files\\App\\unins.exe").value();
    EXPECT_EQ(command->data, shortPath + " \"" + c.logFile + "\"");
    EXPECT_EQ(shortPath.find(' '), std::string::npos);
  }
}

TEST_F(Steps, UninstallEntryThatCannotBeCreatedIsSkipped) {
  ASSERT_TRUE(machine.addFile("C:\\u.exe", "u").ok());
  ASSERT_TRUE(machine.registry().create(Root::localMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall").ok());
  ASSERT_TRUE(machine.registryStore().denyWriteAccess(Root::localMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall").ok());
  ctx.model.Main.UFile = "C:\\u.exe";
  ctx.model.Main.UKey = "MyApp";
  RegisterUninstall(ctx);
  EXPECT_TRUE(Lines().empty());
}

// --- step 26: the entries ---

TEST_F(Steps, LinkEntries) {
  ctx.model.WindowsDir = "C:\\WINDOWS\\";
  const startup::MacroEnvironment env{ctx.model, machine};
  struct Case {
    const char* entry;
    bool known;
    int csidl;
    const char* subFolder;
    const char* target;
    const char* arguments;
    const char* description;
    const char* work;
    const char* icon;
    int iconIndex;
  } cases[] = {
      // Five empty fields and the current user's folders.
      {"DESKTOP\\,app.exe,,,,,,0", true, platform::csidl::desktop, "", "app.exe", "", "-", "", "", 0},
      // The bare keyword runs into the next fields: skipped.
      {"DESKTOP,app.exe,,,,,,0", false, 0, "", "", "", "", "", "", 0},
      {"programs\\Company\\Tool,app.exe,/x,Tool,#WD,#WD\\i.ico,3,0", true, platform::csidl::programs,
       "Company\\Tool", "app.exe", "/x", "Tool", "C:\\WINDOWS\\", "C:\\WINDOWS\\\\i.ico", 3},
      {"MENU\\X,app.exe,,d", false, 0, "", "", "", "", "", "", 0},
      // No field 8: the all-users folders; a non-number icon index is 0.
      {"STARTUP\\,app.exe,-,Run me,-,C:\\i.ico,many", true, platform::csidl::commonStartup, "", "app.exe", "",
       "Run me", "", "C:\\i.ico", 0},
      {"STARTMENU\\Sub,app.exe,a,b,c,-,7,1", true, platform::csidl::commonStartMenu, "Sub", "app.exe", "a", "b",
       "c", "", 0},
      {"PROGRAMS\\P,app.exe,,,,,,anything", true, platform::csidl::commonPrograms, "P", "app.exe", "", "-", "", "", 0},
      {"DESKTOP\\,app.exe,,,,,,", true, platform::csidl::commonDesktopDirectory, "", "app.exe", "", "-", "", "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entry);
    const ShellLinkEntry link = ParseShellLinkEntry(env, c.entry);
    ASSERT_EQ(link.known, c.known);
    if (!c.known) continue;
    EXPECT_EQ(link.csidl, c.csidl);
    EXPECT_EQ(link.subFolder, c.subFolder);
    EXPECT_EQ(link.targetName, c.target);
    EXPECT_EQ(link.arguments, c.arguments);
    EXPECT_EQ(link.description, c.description);
    EXPECT_EQ(link.workingDirectory, c.work);
    EXPECT_EQ(link.iconFile, c.icon);
    EXPECT_EQ(link.iconIndex, c.iconIndex);
  }
  const ShellLinkEntry longSub = ParseShellLinkEntry(env, "PROGRAMS\\" + std::string(300, 's') + ",a.exe");
  EXPECT_EQ(longSub.subFolder.size(), 256u);
}

// The loop needs the shell-link actions; their placeholders make nothing.
TEST_F(Steps, LinkLoopLinesAndSkippedEntries) {
  Script("[Files]\r\nCount=1\r\nFile1=1,app.exe,1.0.0.0,1,0,C:\\App\\,app.exe\r\n"
         "[ShellLinks]\r\nCount=5\r\nLink1=PROGRAMS\\Vendor\\App,app.exe,,App,,,,0\r\n"
         "Link2=DESKTOP\\,APP.EXE,,App,,,,0\r\nLink3=MENU\\X,app.exe,,x\r\nLink4=DESKTOP,app.exe,,y\r\n"
         "Link5=DESKTOP\\,unknown.exe,,z,,,,0\r\n");
  PreparePaths(ctx);
  const std::string programs = machine.shell().specialFolder(platform::csidl::programs).value();
  const std::string desktop = machine.shell().specialFolder(platform::csidl::desktop).value();
  CreateLinks(ctx, ui);
  // Both levels made are logged, parents first, so the removal takes the
  // emptied Vendor folder too.
  EXPECT_EQ(Lines(), (std::vector<std::string>{"ShellFolder=" + programs + "\\Vendor",
                                               "ShellFolder=" + programs + "\\Vendor\\App",
                                               "ShellLink=" + programs + "\\Vendor\\App\\App.lnk",
                                               "ShellLink=" + desktop + "\\App.lnk"}));
  EXPECT_EQ(ui.eventsStartingWith("filebar"),
            (std::vector<std::string>{"filebar 1/5", "filebar 2/5", "filebar 3/5", "filebar 4/5", "filebar 5/5"}));
  const auto link = machine.shell().loadLink(desktop + "\\App.lnk");
  ASSERT_TRUE(link.ok());
  EXPECT_EQ(link->target, "C:\\App\\app.exe");
}

// --- step 30 ---

class ComServers : public Steps {
 protected:
  void SetUp() override {
    Script("[Files]\r\nCount=2\r\nFile1=1,a.ocx,1.0.0.0,1,0,C:\\App\\,a.ocx\r\nFile2=2,skipped.ocx,1.0.0.0,1,0,C:\\App\\,skipped.ocx\r\n"
           "[OCX]\r\nCount=4\r\nOCX1=ocx,C:\\App\\A.OCX\\\r\nOCX2=OCX,C:\\App\\skipped.ocx\r\nOCX3=XYZ,C:\\App\\a.ocx\r\n"
           "OCX4=OCX,C:\\App\\a.ocx\r\n");
    ASSERT_TRUE(machine.addFile("C:\\App\\a.ocx", "server").ok());
    machine.registerLibrary("C:\\App\\a.ocx", {{"DllRegisterServer", [](auto, auto&) { return 0u; }},
                                               {"DllUnregisterServer", [](auto, auto&) { return 0u; }}});
    ctx.lists.PlacedFiles = {"c:\\app\\a.ocx"};  // placed; skipped.ocx was not
  }
};

TEST_F(ComServers, OnlyPlacedFilesOfKnownKindsAreRegistered) {
  RegisterComServers(ctx, ui);
  // The lower-case kind is a server here; the unknown kind does nothing.
  EXPECT_EQ(Lines(), (std::vector<std::string>{"OCX=C:\\App\\A.OCX", "OCX=C:\\App\\a.ocx"}));
  EXPECT_EQ(ui.eventsStartingWith("filebar"),
            (std::vector<std::string>{"filebar 1/4", "filebar 2/4", "filebar 3/4", "filebar 4/4"}));
}

// Each failure of the registration becomes its line (a fresh script: the
// ComServers fixture's entries would run first).
TEST_F(Steps, ComServerFailuresBecomeLines) {
  Script("[Files]\r\nCount=3\r\nFile1=1,noentry.ocx,1.0.0.0,1,0,C:\\App\\\r\nFile2=2,fails.ocx,1.0.0.0,1,0,C:\\App\\\r\n"
         "File3=3,bad.tlb,1.0.0.0,1,0,C:\\App\\\r\n"
         "[OCX]\r\nCount=3\r\nOCX1=OCX,C:\\App\\noentry.ocx\r\nOCX2=OCX,C:\\App\\fails.ocx\r\nOCX3=TLB,C:\\App\\bad.tlb\r\n");
  for (const char* f : {"C:\\App\\noentry.ocx", "C:\\App\\fails.ocx", "C:\\App\\bad.tlb"}) {
    ASSERT_TRUE(machine.addFile(f, "x").ok());
    ctx.lists.PlacedFiles.push_back(f);
  }
  machine.registerLibrary("C:\\App\\noentry.ocx", {});
  machine.registerLibrary("C:\\App\\fails.ocx", {{"DllRegisterServer", [](auto, auto&) { return 0x80004005u; }}});
  machine.typeLibraryTable().failRegistration("C:\\App\\bad.tlb", platform::Status(platform::Code::failed));
  RegisterComServers(ctx, ui);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"Error (OCX=C:\\App\\noentry.ocx), code ProcNotFound",
                                               "Error (OCX=C:\\App\\fails.ocx), code RegFail",
                                               "Error (TLB=C:\\App\\bad.tlb), code OleError"}));
}

// --- step 34 ---

TEST_F(Steps, ConfigurationFilesGetTheirMacrosExpanded) {
  Script("[Files]\r\nCount=4\r\nFile1=1,a.ini,1.0.0.0,1,1,C:\\App\\,a.ini\r\nFile2=2,b.ini,1.0.0.0,1,1,C:\\App\\,b.ini\r\n"
         "File3=3,c.ini,1.0.0.0,1,0,C:\\App\\,c.ini\r\nFile4=4,gone.ini,1.0.0.0,1,1,C:\\App\\,gone.ini\r\n");
  PreparePaths(ctx);
  ASSERT_TRUE(machine.addFile("C:\\App\\a.ini", "[Paths]\nWin=#WD\r\nSys=#WS\rLast=#WD\\x").ok());
  ASSERT_TRUE(machine.addFile("C:\\App\\b.ini", "plain\r\n").ok());
  ASSERT_TRUE(machine.addFile("C:\\App\\c.ini", "Win=#WD").ok());  // not a configuration file
  ExpandConfigurationFiles(ctx, ui);
  EXPECT_EQ(File("C:\\App\\a.ini"), "[Paths]\r\nWin=C:\\WINDOWS\\\r\nSys=C:\\WINDOWS\\SYSTEM32\\\r\nLast=C:\\WINDOWS\\\\x\r\n");
  EXPECT_EQ(File("C:\\App\\b.ini"), "plain\r\n");
  EXPECT_EQ(File("C:\\App\\c.ini"), "Win=#WD");
  EXPECT_FALSE(Exists("C:\\App\\gone.ini"));
  EXPECT_EQ(ui.eventsStartingWith("filebar").back(), "filebar 4/4");
  // Nothing is left beside the files.
  EXPECT_EQ(machine.files().list("C:\\App").value().size(), 3u);
}

TEST_F(Steps, ConfigurationFileThatCannotBeReplacedKeepsItsContent) {
  Script("[Files]\r\nCount=1\r\nFile1=1,a.ini,1.0.0.0,1,1,C:\\App\\,a.ini\r\n");
  PreparePaths(ctx);
  struct Case {
    const char* name;
    std::function<void()> arrange;
  } cases[] = {
      {"read-only", [&] { ASSERT_TRUE(machine.addFile("C:\\App\\a.ini", "Win=#WD", platform::attr::readOnly).ok()); }},
      {"in use", [&] {
         ASSERT_TRUE(machine.addFile("C:\\App\\a.ini", "Win=#WD").ok());
         ASSERT_TRUE(machine.lock("C:\\App\\a.ini").ok());
       }},
      {"write fails", [&] {
         ASSERT_TRUE(machine.addFile("C:\\App\\a.ini", "Win=#WD").ok());
         machine.failNth(platform::sim::Op::write, 1, platform::Status(platform::Code::diskFull));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.arrange();
    ExpandConfigurationFiles(ctx, ui);
    EXPECT_EQ(File("C:\\App\\a.ini"), "Win=#WD");
    EXPECT_EQ(machine.files().list("C:\\App").value().size(), 1u);
    static_cast<void>(machine.lock("C:\\App\\a.ini", false));
    static_cast<void>(machine.files().setAttributes("C:\\App\\a.ini", platform::attr::archive));
    machine.faults().clear();
  }
}

// --- step 8 ---

TEST_F(Steps, RemovalListDeletesReadOnlyFilesAndPassesOverTheRest) {
  ASSERT_TRUE(machine.addFile("C:\\Old\\a.dll", "a").ok());
  ASSERT_TRUE(machine.addFile("C:\\Old\\ro.dll", "r", platform::attr::readOnly | platform::attr::hidden).ok());
  ASSERT_TRUE(machine.addFile("C:\\Old\\locked.dll", "l").ok());
  ASSERT_TRUE(machine.lock("C:\\Old\\locked.dll").ok());
  ASSERT_TRUE(machine.addDirectory("C:\\Old\\dir.dll").ok());
  ctx.model.RemoveFiles = {"C:\\Old\\a.dll", "C:\\Old\\ro.dll", "C:\\Old\\missing.dll", "C:\\Old\\locked.dll",
                           "#[HKLM\\Nowhere\\Value]\\x.dll", "", "C:\\Old\\dir.dll"};
  RemoveListedFiles(ctx);
  EXPECT_FALSE(Exists("C:\\Old\\a.dll"));
  EXPECT_FALSE(Exists("C:\\Old\\ro.dll"));
  EXPECT_TRUE(Exists("C:\\Old\\locked.dll"));
  EXPECT_TRUE(Exists("C:\\Old\\dir.dll"));
  EXPECT_TRUE(ctx.window.has(startup::afFilesRemoved));
}

// --- step 35 ---

TEST_F(Steps, LogFileBytes) {
  ctx.lists.UninstallLines = {"Uninstall information storage. Version 2.", "Программа", "Dir=C:\\Папка", "File=C:\\a"};
  ctx.model.Main.LogFile = "C:\\App\\install.log";
  ASSERT_TRUE(machine.addFile("C:\\App\\install.log", "an older log, longer than the new one ....................").ok());
  WriteUninstallLog(ctx);
  const std::string expected =
      "Uninstall information storage. Version 2.\r\n\xCF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xE0\r\n"
      "Dir=C:\\\xCF\xE0\xEF\xEA\xE0\r\nFile=C:\\a\r\n";
  EXPECT_EQ(File("C:\\App\\install.log"), expected);
}

TEST_F(Steps, NoLogFileForABlankOrUnresolvedName) {
  ctx.lists.UninstallLines = {"x"};
  for (const char* name : {"", "  ", "C:\\::\\install.log"}) {
    ctx.model.Main.LogFile = name;
    WriteUninstallLog(ctx);
  }
  EXPECT_FALSE(Exists("C:\\install.log"));
  EXPECT_FALSE(Exists("C:\\  "));
}

TEST_F(Steps, PathsArePreparedWithTheirMacros) {
  Script("[AskDirs]\r\nCount=1\r\nDir1=#WD\\App\r\n"
         "[Files]\r\nCount=2\r\nFile1=1,a,1.0.0.0,1,0,#0\\Sub,a\r\nFile2=2,b,1.0.0.0,1,0,#WS,b\r\n"
         "[RemoveFiles]\r\nCount=1\r\nFile1=#WD\\old.ini\r\n");
  PreparePaths(ctx);
  EXPECT_EQ(ctx.model.Dirs[0].Dir, "C:\\WINDOWS\\\\App");
  EXPECT_EQ(ctx.model.FilesData[0].TargetDir.str(), "C:\\WINDOWS\\\\App\\Sub\\");
  EXPECT_EQ(ctx.model.FilesData[1].TargetDir.str(), "C:\\WINDOWS\\SYSTEM32\\");
  EXPECT_EQ(ctx.model.RemoveFiles[0], "C:\\WINDOWS\\\\old.ini");
}

}  // namespace
}  // namespace process::testing
