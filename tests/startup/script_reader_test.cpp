#include "startup/script_reader.h"

#include "tests/startup/fixture.h"

namespace startup {
namespace {

using testing::RunFixture;

class ScriptReader : public RunFixture {
 protected:
  ScriptReadResult read(const std::string& body) { return ReadSetupScript(ctx, script("[Version]\nScript=1\n" + body)); }
  const SetupDataModel& m() { return ctx.model; }
};

TEST_F(ScriptReader, VersionMustBeOne) {
  struct Case {
    const char* text;
    bool accepted;
  } cases[] = {
      {"[Version]\nScript=1\n", true},  {"[version]\nscript = 1\n", true}, {"[Version]\nScript=2\n", false},
      {"[Version]\nScript=0x1\n", true}, {"[Version]\nScript=one\n", false}, {"[Main]\nTitle=x\n", false},
      {"", false},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    ui.shown.clear();
    auto r = ReadSetupScript(ctx, script(cases[i].text));
    EXPECT_EQ(r.ok(), cases[i].accepted) << "case " << i;
    if (!cases[i].accepted) {
      EXPECT_EQ(r.status, ScriptStatus::versionRejected) << "case " << i;
      ASSERT_EQ(ui.shown.size(), 1u) << "case " << i;
      EXPECT_EQ(ui.shown[0].text, "Недопустимая версия файла директив");
      EXPECT_EQ(ui.shown[0].kind, MessageKind::error);
    }
  }
}

TEST_F(ScriptReader, MissingOrBinaryScriptIsRejectedAsWrongVersion) {
  auto missing = ReadSetupScript(ctx, "C:\\TEMP\\nothing.ini");
  EXPECT_EQ(missing.status, ScriptStatus::versionRejected);
  std::string binary;
  for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 131 + 7) & 0xFF);
  auto garbage = ReadSetupScript(ctx, script(binary, "C:\\TEMP\\bin.ini"));
  EXPECT_EQ(garbage.status, ScriptStatus::versionRejected);
  EXPECT_TRUE(m().FilesData.empty());
  EXPECT_TRUE(m().Dirs.empty());
}

TEST_F(ScriptReader, MainDefaults) {
  ASSERT_TRUE(read("").ok());
  EXPECT_EQ(m().Main.LogFile, "#WD\\install.log");
  EXPECT_EQ(m().Main.Title, "");
  EXPECT_EQ(m().ArchivePassword, "");
  EXPECT_FALSE(m().Main.RunApp);
  EXPECT_EQ(m().Main.Color, 0);
  EXPECT_TRUE(m().FilesData.empty());
  EXPECT_TRUE(m().Dirs.empty());
  EXPECT_TRUE(ui.shown.empty());
}

TEST_F(ScriptReader, MainValues) {
  ASSERT_TRUE(read("[Main]\n"
                   "Title=Офис\n"
                   "BDE=2\nBDEVersion=5.01\nDiskSize=1500\n"
                   "RunApp=2\nRunFile=7\nNoLongNames=1\nReadmeView=1\nReadmeFile=3\nRestartWindows=1\n"
                   "Copyright=Фирма\nColor=$FF8000\nLicence=lic.rtf\nLogFile=#1\\a.log\nUFile=#WD\\u.exe\nUKey=Office\n")
                  .ok());
  const MainSettings& s = m().Main;
  EXPECT_EQ(s.Title, "Офис");
  EXPECT_EQ(m().ArchivePassword, "\xE1\xA8\xE4\x8E");  // "сифО" in code page 866
  EXPECT_EQ(s.BDE, 2);
  EXPECT_EQ(s.BDEVersion, "5.01");
  EXPECT_EQ(s.DiskSize, 1500);
  EXPECT_FALSE(s.RunApp);  // exactly 1 only
  EXPECT_EQ(s.RunFile, "7");
  EXPECT_TRUE(s.NoLongNames);
  EXPECT_TRUE(s.ReadmeView);
  EXPECT_EQ(s.ReadmeFile, "3");
  EXPECT_TRUE(s.RestartWindows);
  EXPECT_EQ(s.Copyright, "Фирма");
  EXPECT_EQ(s.Color, 0xFF8000);
  EXPECT_EQ(s.Licence, "lic.rtf");
  EXPECT_EQ(s.LogFile, "#1\\a.log");
  EXPECT_EQ(s.UFile, "#WD\\u.exe");
  EXPECT_EQ(s.UKey, "Office");
}

TEST_F(ScriptReader, IntegerKeys) {
  struct Case {
    const char* value;
    int32_t color;
  } cases[] = {{"0x10", 16}, {"0X1f", 31}, {"$20", 32}, {"255", 255}, {"-1", -1}, {"0x", 0}, {"12px", 0}, {"", 0}};
  for (size_t i = 0; i < std::size(cases); ++i) {
    ctx.model = {};
    ASSERT_TRUE(read(std::string("[Main]\nColor=") + cases[i].value + "\n").ok());
    EXPECT_EQ(m().Main.Color, cases[i].color) << "case " << i << ": " << cases[i].value;
  }
}

TEST_F(ScriptReader, ValuesAreCutAt2047Characters) {
  std::string title(3000, 'T');
  ASSERT_TRUE(read("[Main]\nTitle=" + title + "\n").ok());
  EXPECT_EQ(m().Main.Title.size(), 2047u);
}

TEST_F(ScriptReader, AskDirs) {
  ASSERT_TRUE(read("[AskDirs]\nSkipDirDialog=2\nCount=2\n"
                   "Dir1=#PF\\Прог\nDesc1=Программа\nMacro1=5\nLock1=2\nVar1=HKLM\\Soft\\X\\Path,#PF\\Y\nHidden1=0\nNickname1=App\n"
                   "Dir2=#WS\nHidden2=1\n")
                  .ok());
  ASSERT_EQ(m().Dirs.size(), 2u);
  EXPECT_EQ(m().Main.SkipDirDialog, 2);
  const DirEntry& d = m().Dirs[0];
  EXPECT_EQ(d.Dir, "#PF\\Прог");
  EXPECT_EQ(d.Desc, "Программа");
  EXPECT_EQ(d.Macro, 5);
  EXPECT_TRUE(d.Lock);  // non-zero
  EXPECT_EQ(d.Var, "HKLM\\Soft\\X\\Path,#PF\\Y");
  EXPECT_FALSE(d.Hidden);
  EXPECT_EQ(d.Nickname, "App");
  EXPECT_TRUE(m().Dirs[1].Hidden);
  EXPECT_EQ(m().Dirs[1].Macro, 0);
}

TEST_F(ScriptReader, AskDirsCountZeroGivesEmptyTable) {
  ASSERT_TRUE(read("[AskDirs]\nCount=0\nDir1=C:\\X\n").ok());
  EXPECT_TRUE(m().Dirs.empty());
}

TEST_F(ScriptReader, FileEntries) {
  struct Case {
    const char* value;
    int32_t id;
    const char* archive;
    const char* version;
    bool logged, config;
    const char* dir;
    const char* target;
    bool restart;
    int32_t cpu, os;
  } cases[] = {
      {"1,a.exe,1.0.0.0,1,0,#1,b.exe,0,3,95", 1, "a.exe", "1.0.0.0", true, false, "#1", "b.exe", false, 3, 95},
      // Six fields: the target name takes the member name, the restart flag is missing (True).
      {"2,a.dll,d12345,0,0,#WS", 2, "a.dll", "d12345", false, false, "#WS", "a.dll", true, 0, 0},
      // An empty version field is dropped: every later field moves forward.
      {"3,c.txt,,1,0,#1,c2.txt,0", 3, "c.txt", "1", false, true, "c2.txt", "0", true, 0, 0},
      // Flags are True unless exactly "0".
      {"4,d.txt,1,yes,00,#2,,x,y,z", 4, "d.txt", "1", true, true, "#2", "x", true, 0, 0},
      {"x,e.txt", 0, "e.txt", "", true, true, "", "e.txt", true, 0, 0},
      {"", 0, "", "", true, true, "", "", true, 0, 0},
  };
  std::string body = "[Files]\nCount=" + std::to_string(std::size(cases)) + "\n";
  for (size_t i = 0; i < std::size(cases); ++i) body += "File" + std::to_string(i + 1) + "=" + cases[i].value + "\n";
  ASSERT_TRUE(read(body).ok());
  ASSERT_EQ(m().FilesData.size(), std::size(cases));
  for (size_t i = 0; i < std::size(cases); ++i) {
    const FileItem& f = m().FilesData[i];
    const Case& c = cases[i];
    SCOPED_TRACE("case " + std::to_string(i) + ": " + c.value);
    EXPECT_EQ(f.FileID, c.id);
    EXPECT_EQ(f.ArchiveName.str(), c.archive);
    EXPECT_EQ(f.Version.str(), c.version);
    EXPECT_EQ(f.UninstallLogged, c.logged);
    EXPECT_EQ(f.ConfigFile, c.config);
    EXPECT_EQ(f.TargetDir.str(), c.dir);
    EXPECT_EQ(f.TargetName.str(), c.target);
    EXPECT_EQ(f.ReplaceAtRestart, c.restart);
    EXPECT_EQ(f.CpuCondition, c.cpu);
    EXPECT_EQ(f.OsCondition, c.os);
    EXPECT_FALSE(f.Selected);
  }
}

TEST_F(ScriptReader, LongFieldsKeep255Characters) {
  std::string dir(300, 'D');
  ASSERT_TRUE(read("[Files]\nCount=1\nFile1=1,a," + std::string("1.0.0.0,1,0,") + dir + "\n").ok());
  EXPECT_EQ(m().FilesData[0].TargetDir.str(), std::string(255, 'D'));
}

TEST_F(ScriptReader, InstallModes) {
  struct Case {
    const char* value;
    uint8_t mode;
    bool allOnly;
  } cases[] = {
      {"Update", imUpdate, false},         {"freshen", imFreshen, false},
      {"BDE", imBDE, false},               {"AskOverwrite,1", imAskOverwrite, true},
      {"askoverwrite", imAskOverwrite, false}, {"AskUpdate,0", imAskUpdate, false},
      {"AskFreshen,x", imAskFreshen, false}, {"New", imNew, false},
      {"Replace", imAlways, false},        {"", imAlways, false},
      {"AskOverwrite,1,2", imAlways, false}, {"Update,,5", imUpdate, true},
  };
  std::string body = "[FileGroups]\nCount=" + std::to_string(std::size(cases)) + "\n";
  for (size_t i = 0; i < std::size(cases); ++i) body += "InstallMode" + std::to_string(i + 1) + "=" + cases[i].value + "\n";
  ASSERT_TRUE(read(body).ok());
  for (size_t i = 0; i < std::size(cases); ++i) {
    const TGroup& g = m().TGroups[i];
    EXPECT_EQ(g.InstallMode, cases[i].mode) << "case " << i << ": " << cases[i].value;
    EXPECT_EQ(g.AllAnswersOnly, cases[i].allOnly) << "case " << i << ": " << cases[i].value;
    EXPECT_EQ(g.OverwriteAnswer, oaAsk);
    EXPECT_TRUE(g.Selected);
    EXPECT_TRUE(g.Required);  // default 1
  }
}

TEST_F(ScriptReader, GroupsAndFileGroupIndex) {
  ASSERT_TRUE(read("[FileGroups]\nCount=3\n"
                   "Name1=Первая\nGroup1=1,2\nID1=10\nRequired1=0\nSharedFiles1=1\n"
                   "Name2=Вторая\nGroup2=2,3\nID2=20\n"
                   "Name3=Пустая\nGroup3= \nID3=30\n"
                   "[Files]\nCount=4\nFile1=1,a\nFile2=2,b\nFile3=3,c\nFile4=4,d\n")
                  .ok());
  ASSERT_EQ(m().TGroups.size(), 3u);
  EXPECT_EQ(m().TGroups[0].Name.str(), "Первая");
  EXPECT_EQ(m().TGroups[0].Group, (IntegerList{1, 2}));
  EXPECT_FALSE(m().TGroups[0].Required);
  EXPECT_TRUE(m().TGroups[0].SharedFiles);
  EXPECT_EQ(m().TGroups[1].ID, 20);
  EXPECT_TRUE(m().TGroups[2].Group.empty());
  // File 2 is in both groups: the first wins. File 4 is in none: index 0.
  EXPECT_EQ(m().FilesData[0].GroupIndex, 0);
  EXPECT_EQ(m().FilesData[1].GroupIndex, 0);
  EXPECT_EQ(m().FilesData[2].GroupIndex, 1);
  EXPECT_EQ(m().FilesData[3].GroupIndex, 0);
}

TEST_F(ScriptReader, RegistryEntries) {
  struct Case {
    const char* value;
    uint32_t root;
    const char* key;
    const char* type;
    const char* name;
    const char* data;
  } cases[] = {
      {"HKLM\\Software\\Firm,S,Path,#1", 0x80000002, "Software\\Firm", "S", "Path", "#1"},
      {"hkey_current_user\\A\\B,DW,Count,5", 0x80000001, "A\\B", "DW", "Count", "5"},
      {"HKU\\.DEFAULT\\X,SZX,N,D", 0x80000003, ".DEFAULT\\X", "SZ", "N", "D"},
      {"HKCR\\.abc,S,,txtfile", 0x80000000, ".abc", "S", "txtfile", ""},  // empty name field collapses
      {"HKEY_CURRENT_CONFIG\\X,S,N,D", 0, "X", "S", "N", "D"},           // only directory variables accept it
      {"HKLM\\Software\\Firm", 0x80000002, "", "", "", ""},                // no comma
      {"", 0, "", "", "", ""},
  };
  std::string body = "[Registry]\nCount=" + std::to_string(std::size(cases)) + "\n";
  for (size_t i = 0; i < std::size(cases); ++i) body += "Key" + std::to_string(i + 1) + "=" + cases[i].value + "\n";
  ASSERT_TRUE(read(body).ok());
  ASSERT_EQ(m().RegData.size(), std::size(cases));
  for (size_t i = 0; i < std::size(cases); ++i) {
    const RegistryItem& r = m().RegData[i];
    SCOPED_TRACE("case " + std::to_string(i) + ": " + cases[i].value);
    EXPECT_EQ(r.Root, cases[i].root);
    EXPECT_EQ(r.KeyPath.str(), cases[i].key);
    EXPECT_EQ(r.DataType.str(), cases[i].type);
    EXPECT_EQ(r.ValueName.str(), cases[i].name);
    EXPECT_EQ(r.Data.str(), cases[i].data);
  }
}

TEST_F(ScriptReader, ListsKeepOrBlankEntriesAsTheSectionSays) {
  ASSERT_TRUE(read("[RemoveFiles]\nCount=3\nFile1=#1\\old.dll\nFile3=#WD\\x.ini\n"
                   "[ShellLinks]\nCount=2\nLink2=DESKTOP\\,a.exe\n"
                   "[OCX]\nCount=3\nOCX1=OCX,#WS\\a.ocx\nOCX2=  \nOCX3=TLB,#WS\\a.tlb\n")
                  .ok());
  EXPECT_EQ(m().RemoveFiles, (std::vector<std::string>{"#1\\old.dll", "", "#WD\\x.ini"}));
  EXPECT_EQ(m().ShellLinks, (std::vector<std::string>{"", "DESKTOP\\,a.exe"}));
  EXPECT_EQ(m().OCX, (std::vector<std::string>{"OCX,#WS\\a.ocx", "TLB,#WS\\a.tlb"}));
}

TEST_F(ScriptReader, SetupTypesAndRunLib) {
  ASSERT_TRUE(read("[SetupTypes]\nCount=2\nCustom=3\nSetup1=Полная\nCmt1=Всё\nGroups1=1,2\nSetup2=Никакая\n"
                   "[RunLib]\nCount=2\nPack1=pack1.rar\nErrorCheck1=0,3\nRun1=exe,setup.exe\n"
                   "Pack2=pack2.rar\nErrorCheck2=x\nRun2=DLL,lib.dll\n")
                  .ok());
  EXPECT_TRUE(m().Main.Custom);
  ASSERT_EQ(m().TSetups.size(), 2u);
  EXPECT_EQ(m().TSetups[0].Name.str(), "Полная");
  EXPECT_EQ(m().TSetups[0].Comment.str(), "Всё");
  EXPECT_EQ(m().TSetups[0].Groups, (IntegerList{1, 2}));
  EXPECT_TRUE(m().TSetups[1].Groups.empty());
  ASSERT_EQ(m().TRuns.size(), 2u);
  EXPECT_EQ(m().TRuns[0].Pack.str(), "pack1.rar");
  EXPECT_EQ(m().TRuns[0].MinExitCode, 0);
  EXPECT_EQ(m().TRuns[0].MaxExitCode, 3);
  EXPECT_TRUE(m().TRuns[0].IsExe);
  EXPECT_EQ(m().TRuns[0].RunName.str(), "setup.exe");
  EXPECT_EQ(m().TRuns[1].MinExitCode, 0);
  EXPECT_EQ(m().TRuns[1].MaxExitCode, 0);
  EXPECT_FALSE(m().TRuns[1].IsExe);
}

// Every case is a complete script whose tables all have entries, with one
// section made bad; the reader must leave every table empty, those read
// before the bad section included.
TEST_F(ScriptReader, MalformedScriptsAreRefusedInAnOrderlyWay) {
  const std::vector<std::pair<std::string, std::string>> good = {
      {"AskDirs", "Count=1\nDir1=#PF\\A\n"},
      {"Registry", "Count=1\nKey1=HKLM\\Soft\\A,S,Name,1\n"},
      {"RemoveFiles", "Count=1\nFile1=#1\\old.dll\n"},
      {"FileGroups", "Count=1\nName1=Main\nGroup1=1\n"},
      {"Files", "Count=1\nFile1=1,a.dll\n"},
      {"SetupTypes", "Count=1\nSetup1=Full\nGroups1=1\n"},
      {"RunLib", "Count=1\nPack1=p.rar\nRun1=EXE,p.exe\n"},
      {"ShellLinks", "Count=1\nLink1=DESKTOP\\,a.exe\n"},
      {"OCX", "Count=1\nOCX1=OCX,#WS\\a.ocx\n"},
  };
  auto scriptWith = [&](const std::string& section, const std::string& body) {
    std::string text;
    for (const auto& [name, entries] : good) text += "[" + name + "]\n" + (name == section ? body : entries);
    return text;
  };
  auto tablesFilled = [&] {
    const SetupDataModel& d = m();
    return !d.Dirs.empty() + !d.RegData.empty() + !d.RemoveFiles.empty() + !d.TGroups.empty() + !d.FilesData.empty() +
           !d.TSetups.empty() + !d.TRuns.empty() + !d.ShellLinks.empty() + !d.OCX.empty();
  };
  ctx.model = {};
  ASSERT_TRUE(read(scriptWith("", "")).ok());
  ASSERT_EQ(tablesFilled(), 9) << "the well-formed script must fill every table";

  struct Case {
    const char* section;
    const char* body;
    const char* mentions;
  } cases[] = {
      {"AskDirs", "Count=-1\n", "AskDirs"},
      {"Registry", "Count=100001\n", "Registry"},
      {"RemoveFiles", "Count=100001\n", "RemoveFiles"},
      {"FileGroups", "Count=1\nGroup1=1,a\n", "Group1"},
      {"Files", "Count=2147483647\n", "Files"},
      {"SetupTypes", "Count=1\nGroups1=1;2\n", "Groups1"},
      {"RunLib", "Count=100001\n", "RunLib"},
      {"ShellLinks", "Count=0x7FFFFFFF\n", "ShellLinks"},
      {"OCX", "Count=100001\n", "OCX"},  // the last section: every other table was read
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.section);
    ctx.model = {};
    ui.shown.clear();
    auto r = read(scriptWith(c.section, c.body));
    EXPECT_EQ(r.status, ScriptStatus::malformed);
    EXPECT_NE(r.message.find(c.mentions), std::string::npos) << r.message;
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].kind, MessageKind::error);
    EXPECT_EQ(tablesFilled(), 0);
  }
}

TEST_F(ScriptReader, LargestAcceptedCount) {
  ASSERT_TRUE(read("[Files]\nCount=100000\nFile100000=7,last.dat\n[OCX]\nCount=100000\nOCX100000=TLB,a.tlb\n").ok());
  ASSERT_EQ(m().FilesData.size(), 100000u);
  EXPECT_EQ(m().FilesData.back().FileID, 7);
  EXPECT_EQ(m().FilesData.back().ArchiveName.str(), "last.dat");
  EXPECT_EQ(m().OCX, (std::vector<std::string>{"TLB,a.tlb"}));
}

TEST_F(ScriptReader, NegativeCountsOutsideAskDirsMeanNoEntries) {
  ASSERT_TRUE(read("[Files]\nCount=-5\n[RemoveFiles]\nCount=-1\n[OCX]\nCount=-3\n").ok());
  EXPECT_TRUE(m().FilesData.empty());
  EXPECT_TRUE(m().RemoveFiles.empty());
  EXPECT_TRUE(m().OCX.empty());
}

}  // namespace
}  // namespace startup
