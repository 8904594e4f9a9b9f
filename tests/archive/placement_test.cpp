// Placement of package members: which member goes where, by the file
// table, the install modes against the target as it stands, the overwrite
// answers, the system and processor conditions and the hook.

#include <gtest/gtest.h>

#include "archive/cpu_type.h"
#include "archive/placement.h"
#include "startup/uninstall_lines.h"
#include "tests/archive/package_fixture.h"

namespace archive::testing {
namespace {

using startup::FileItem;

TEST_F(PackageTest, PlacesSelectedMembersAndRecordsThem) {
  WritePackage({{"bin/app.exe", std::string(5000, 'a')},
                {"other/unknown.txt", "nobody names me"},
                {"readme.txt", "read me"},
                {"help.hlp", "not chosen"}});
  AddGroup();
  AddFile("app.exe");
  AddFile("README.TXT").UninstallLogged = false;
  AddFile("help.hlp").Selected = false;

  ASSERT_TRUE(Extract());
  EXPECT_EQ(Content("C:\\App\\app.exe"), std::string(5000, 'a'));
  EXPECT_EQ(Content("C:\\App\\README.TXT"), "read me");
  EXPECT_FALSE(machine.files().exists("C:\\App\\help.hlp"));
  EXPECT_FALSE(machine.files().exists("C:\\App\\unknown.txt"));
  EXPECT_EQ(ctx.lists.UninstallLines, (startup::StringList{"File=C:\\App\\app.exe"}));
  EXPECT_EQ(ctx.lists.PlacedFiles, (startup::StringList{"C:\\App\\app.exe", "C:\\App\\README.TXT"}));
  EXPECT_TRUE(Temporaries().empty());
  EXPECT_TRUE(runEnd.shown.empty());

  // Every member advanced PBar, and the end of the archive once more; the
  // table has three entries.
  EXPECT_EQ(packageUi.overallPosition, 5);
  EXPECT_EQ(packageUi.overallMaximum, 3);
  EXPECT_EQ(packageUi.captions, (std::vector<std::string>{"app.exe", "", "README.TXT", "help.hlp", "help.hlp"}));
  // The placed file carries the package's date.
  EXPECT_EQ(machine.files().stat("C:\\App\\app.exe")->writeTime, platform::FileTime((1600000000 + 11644473600ll) * 10000000));
}

TEST_F(PackageTest, FileBarCountsWholeKilobytes) {
  WritePackage({{"small.dat", std::string(1023, 's')}, {"big.dat", std::string(5000000, 'b')}});
  AddGroup();
  AddFile("small.dat");
  AddFile("big.dat");
  std::vector<std::pair<int, int>> seen;
  packageUi.onMessages = [&] { seen.emplace_back(packageUi.filePosition, packageUi.fileMaximum); };
  ASSERT_TRUE(Extract());
  EXPECT_EQ(packageUi.fileMaximum, 4882);  // 5,000,000 >> 10, shown again at the end
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back().first, 0);
  int most = 0;
  for (auto [pos, max] : seen) {
    if (max == 4882) most = std::max(most, pos);
    if (max == 0) {
      EXPECT_EQ(pos, 0);
    }
  }
  // 64 KB blocks of which the last is partial: 76 full blocks of 64 KB.
  EXPECT_GE(most, 4800);
  EXPECT_LE(most, 4882);
}

TEST_F(PackageTest, TheFirstEntryOfANameWinsAndSubdirectoriesDoNotCount) {
  WritePackage({{"one/lib.dll", "first"}, {"two/LIB.DLL", "second"}});
  AddGroup();
  AddFile("Lib.dll").TargetDir = "C:\\App\\A\\";
  AddFile("lib.dll").TargetDir = "C:\\App\\B\\";
  ASSERT_TRUE(machine.addDirectory("C:\\App\\A").ok());
  ASSERT_TRUE(machine.addDirectory("C:\\App\\B").ok());
  ASSERT_TRUE(Extract());
  // Both members go to the first entry's target; the second replaces the first.
  EXPECT_EQ(Content("C:\\App\\A\\Lib.dll"), "second");
  EXPECT_FALSE(machine.files().exists("C:\\App\\B\\lib.dll"));
}

// ---------------------------------------------------------------------------
// Install modes against the target as it stands.

enum class Target { absent, older, equal, newer, unversioned };

struct ModeCase {
  const char* title;
  uint8_t mode;
  const char* version;  // the FileItem's Version
  Target target;
  std::vector<int> answers;  // overwrite answers given, in order
  bool placed;
  uint8_t engineActions = startup::eaInstallFiles;
};

std::ostream& operator<<(std::ostream& os, const ModeCase& c) { return os << c.title; }

class InstallModeTest : public PackageTest, public ::testing::WithParamInterface<ModeCase> {};

constexpr platform::DosDateTime kMidday2020 = (40u << 25) | (6u << 21) | (15u << 16) | (12u << 11);  // 2020-06-15 12:00

TEST_P(InstallModeTest, DecidesByModeAndTarget) {
  const ModeCase& c = GetParam();
  WritePackage({{"lib.dll", "new"}});
  AddGroup(c.mode);
  AddFile("lib.dll", 0, c.version);
  ctx.run.EngineActions = c.engineActions;
  const std::string target = "C:\\App\\lib.dll";
  if (c.target != Target::absent) {
    ASSERT_TRUE(machine.addFile(target, "old").ok());
    ASSERT_TRUE(machine.files().setFileAge(target, kMidday2020).ok());
    platform::VersionInfo v;
    v.present = c.target != Target::unversioned;
    v.fileVersion = c.target == Target::older ? "1.1.0.0" : c.target == Target::equal ? "1.2" : "1.10.0.0";
    if (v.present) {
      ASSERT_TRUE(machine.setVersion(target, v).ok());
    }
  }
  for (int a : c.answers) packageUi.overwriteAnswers.push_back(a);

  ASSERT_TRUE(Extract());
  EXPECT_EQ(Content(target), c.placed ? "new" : c.target == Target::absent ? "<missing>" : "old");
  EXPECT_EQ(packageUi.questions.size(), c.answers.size());
  EXPECT_TRUE(packageUi.overwriteAnswers.empty());
  EXPECT_EQ(ctx.lists.PlacedFiles.size(), c.placed ? 1u : 0u);
  EXPECT_TRUE(Temporaries().empty());
}

const std::string kAfter = "d" + std::to_string(kMidday2020 + 1);
const std::string kBefore = "d" + std::to_string(kMidday2020 - 1);

INSTANTIATE_TEST_SUITE_P(
    Modes, InstallModeTest,
    ::testing::Values(
        ModeCase{"AlwaysOverNewer", startup::imAlways, "1.2.0.0", Target::newer, {}, true},
        ModeCase{"UpdateAbsent", startup::imUpdate, "1.2.0.0", Target::absent, {}, true},
        ModeCase{"UpdateOverOlder", startup::imUpdate, "1.2.0.0", Target::older, {}, true},
        ModeCase{"UpdateOverEqual", startup::imUpdate, "1.2.0.0", Target::equal, {}, false},
        ModeCase{"UpdateOverNewer", startup::imUpdate, "1.2.0.0", Target::newer, {}, false},
        ModeCase{"UpdateOverUnversioned", startup::imUpdate, "1.2.0.0", Target::unversioned, {}, true},
        ModeCase{"UpdateEmptyVersionOverExisting", startup::imUpdate, "", Target::older, {}, false},
        ModeCase{"UpdateEmptyVersionAbsent", startup::imUpdate, "", Target::absent, {}, true},
        ModeCase{"UpdateDateAfterTarget", startup::imUpdate, kAfter.c_str(), Target::older, {}, true},
        ModeCase{"UpdateDateBeforeTarget", startup::imUpdate, kBefore.c_str(), Target::older, {}, false},
        ModeCase{"UpdateMisspelledDateOverExisting", startup::imUpdate, "d12x", Target::older, {}, false},
        ModeCase{"UpdateMisspelledDateAbsent", startup::imUpdate, "d12x", Target::absent, {}, true},
        ModeCase{"FreshenAbsent", startup::imFreshen, "9.9", Target::absent, {}, false},
        ModeCase{"FreshenOverNewer", startup::imFreshen, "1.0", Target::newer, {}, true},
        ModeCase{"EngineFilesNotWanted", startup::imBDE, "1.2.0.0", Target::absent, {}, false, 0},
        ModeCase{"EngineAbsent", startup::imBDE, "1.2.0.0", Target::absent, {}, true},
        ModeCase{"EngineOverOlder", startup::imBDE, "1.2.0.0", Target::older, {}, true},
        ModeCase{"EngineOverNewer", startup::imBDE, "1.2.0.0", Target::newer, {}, false},
        ModeCase{"AskOverwriteAbsent", startup::imAskOverwrite, "1.0", Target::absent, {}, true},
        ModeCase{"AskOverwriteYes", startup::imAskOverwrite, "1.0", Target::newer, {kYes}, true},
        ModeCase{"AskOverwriteNo", startup::imAskOverwrite, "9.0", Target::older, {kNo}, false},
        ModeCase{"AskUpdateAbsent", startup::imAskUpdate, "1.2.0.0", Target::absent, {}, true},
        ModeCase{"AskUpdateOlderYes", startup::imAskUpdate, "1.2.0.0", Target::older, {kYes}, true},
        ModeCase{"AskUpdateNewerYes", startup::imAskUpdate, "1.2.0.0", Target::newer, {kYes}, false},
        ModeCase{"AskUpdateOlderNo", startup::imAskUpdate, "1.2.0.0", Target::older, {kNo}, false},
        ModeCase{"AskFreshenAbsent", startup::imAskFreshen, "1.0", Target::absent, {}, false},
        ModeCase{"AskFreshenYes", startup::imAskFreshen, "1.0", Target::equal, {kYes}, true},
        ModeCase{"NewAbsent", startup::imNew, "1.0", Target::absent, {}, true},
        ModeCase{"NewOverOlder", startup::imNew, "9.0", Target::older, {}, false}),
    [](const ::testing::TestParamInfo<ModeCase>& info) { return std::string(info.param.title); });

TEST_F(PackageTest, EmptyVersionBecomesDateZeroOnlyWhenAModeRuleApplies) {
  WritePackage({{"a.dll", "a"}, {"b.dll", "b"}});
  AddGroup(startup::imAlways);
  AddGroup(startup::imNew);
  AddFile("a.dll", 0);
  AddFile("b.dll", 1);
  ASSERT_TRUE(Extract());
  EXPECT_EQ(ctx.model.FilesData[0].Version.str(), "");
  EXPECT_EQ(ctx.model.FilesData[1].Version.str(), "d0");
}

TEST_F(PackageTest, ForAllAnswersHoldForTheRestOfTheGroupOnly) {
  WritePackage({{"a1", "new"}, {"a2", "new"}, {"a3", "new"}, {"b1", "new"}, {"b2", "new"}, {"b3", "new"}, {"c1", "new"}});
  AddGroup(startup::imAskOverwrite, false, "A");
  AddGroup(startup::imAskOverwrite, false, "B");
  AddGroup(startup::imAskUpdate, false, "C");
  for (const char* n : {"a1", "a2", "a3"}) AddFile(n, 0);
  for (const char* n : {"b1", "b2", "b3"}) AddFile(n, 1);
  AddFile("c1", 2, "0.1");
  // a3 and b3 do not exist; c1 is newer on disk than in the package.
  for (const char* n : {"a1", "a2", "b1", "b2", "c1"}) ASSERT_TRUE(machine.addFile(std::string("C:\\App\\") + n, "old").ok());
  platform::VersionInfo newer;
  newer.present = true;
  newer.fileVersion = "5.0";
  ASSERT_TRUE(machine.setVersion("C:\\App\\c1", newer).ok());
  packageUi.overwriteAnswers = {kYesForAll, kNoForAll, kYesForAll};

  ASSERT_TRUE(Extract());
  EXPECT_EQ(packageUi.questions, (std::vector<std::string>{"a1", "b1", "c1"}));
  EXPECT_EQ(Content("C:\\App\\a2"), "new");
  EXPECT_EQ(Content("C:\\App\\a3"), "new");
  // No for all: skipped without a question, existing target or not.
  EXPECT_EQ(Content("C:\\App\\b1"), "old");
  EXPECT_EQ(Content("C:\\App\\b2"), "old");
  EXPECT_FALSE(machine.files().exists("C:\\App\\b3"));
  // The first Yes for all is still followed by the newer test.
  EXPECT_EQ(Content("C:\\App\\c1"), "old");
  EXPECT_EQ(ctx.model.TGroups[2].OverwriteAnswer, startup::oaYesForAll);
}

// ---------------------------------------------------------------------------
// Conditions.

TEST(ProcessorFamily, FromLevelOrTypeAsTheSystemReportsIt) {
  struct Case {
    uint32_t platformId, minor;
    uint16_t architecture;
    uint32_t type;
    uint16_t level;
    int32_t family;
  } cases[] = {
      {1, 10, 0, 586, 6, 686},   // Windows 98: the level
      {1, 90, 0, 586, 6, 686},   // Windows Me
      {1, 0, 0, 586, 6, 586},    // Windows 95: the type
      {1, 0, 0, 12345, 6, 0},    // Windows 95, unknown type
      {2, 0, 0, 586, 15, 0},     // Windows 2000 on level 15
      {2, 1, 0, 586, 3, 386},
      {2, 1, 0, 586, 7, 786},
      {2, 1, 9, 8664, 6, 0},     // NT on another architecture
  };
  for (const Case& c : cases) {
    platform::sim::Machine m;
    platform::OsVersion v;
    v.platformId = c.platformId;
    v.major = c.platformId == 1 ? 4 : 5;
    v.minor = c.minor;
    m.systemState().setOsVersion(v);
    platform::ProcessorInfo p;
    p.architecture = c.architecture;
    p.processorType = c.type;
    p.level = c.level;
    m.systemState().setProcessor(p);
    EXPECT_EQ(ProcessorFamily(m.system()), c.family) << c.platformId << "." << c.minor << " type " << c.type << " level " << c.level;
  }
}

TEST(CpuCondition, EvenMeansThatFamilyOddMeansThatOrLater) {
  EXPECT_TRUE(CpuConditionHolds(0, 0));
  EXPECT_TRUE(CpuConditionHolds(586, 586));
  EXPECT_FALSE(CpuConditionHolds(586, 686));
  EXPECT_TRUE(CpuConditionHolds(487, 586));
  EXPECT_FALSE(CpuConditionHolds(486, 586));
  EXPECT_FALSE(CpuConditionHolds(387, 0));
  EXPECT_FALSE(CpuConditionHolds(386, 0));
}

TEST_F(PackageTest, SystemConditionsAndTheHook) {
  struct Case {
    uint8_t osKind;
    int32_t condition;
    bool hook;  // a hook is loaded (it refuses "refused.dll")
    bool placed;
  } cases[] = {
      {startup::okNT, 2000, false, true},  {startup::okNT, 99, false, false},   {startup::okWin95, 99, false, true},
      {startup::okWin98, 98, false, true}, {startup::okWin98, 95, false, false}, {startup::okWin95, 95, false, true},
      {startup::okNT, 7, false, false},    {startup::okNT, 1, false, true},     {startup::okNT, 1, true, false},
  };
  for (const Case& c : cases) {
    platform::sim::Machine m;
    startup::testing::RecordingUi messages;
    startup::SetupContext run(m, messages);
    ASSERT_TRUE(m.addDirectory("C:\\App").ok());
    run.model.OsKind = c.osKind;
    std::vector<std::string> asked;
    if (c.hook) {
      run.model.CheckFile = [&](const std::string& name) {
        asked.push_back(name);
        return name != "sub\\refused.dll";
      };
    }
    run.model.TGroups.resize(1);
    run.model.FilesData.resize(1);
    FileItem& f = run.model.FilesData[0];
    f.ArchiveName = f.TargetName = "refused.dll";
    f.TargetDir = "C:\\App\\";
    f.Selected = true;
    f.OsCondition = c.condition;
    RecordingPackageUi pui(run);
    const Decision d = DecideMember(run, pui, 0, "sub\\refused.dll");
    EXPECT_EQ(d.op, c.placed ? kExtract : kSkip) << int(c.osKind) << " condition " << c.condition;
    if (c.hook) {
      EXPECT_EQ(asked, (std::vector<std::string>{"sub\\refused.dll"}));
    }
  }
}

TEST_F(PackageTest, ProcessorConditionThroughTheRun) {
  platform::ProcessorInfo p;
  p.level = 5;  // a 586 on NT
  machine.systemState().setProcessor(p);
  WritePackage({{"p487.dll", "x"}, {"p486.dll", "x"}, {"p586.dll", "x"}});
  AddGroup();
  AddFile("p487.dll").CpuCondition = 487;
  AddFile("p486.dll").CpuCondition = 486;
  AddFile("p586.dll").CpuCondition = 586;
  ASSERT_TRUE(Extract());
  EXPECT_TRUE(machine.files().exists("C:\\App\\p487.dll"));
  EXPECT_FALSE(machine.files().exists("C:\\App\\p486.dll"));
  EXPECT_TRUE(machine.files().exists("C:\\App\\p586.dll"));
}

TEST_F(PackageTest, SharedFilesAreCountedNotLogged) {
  WritePackage({{"shared.dll", "s"}, {"own.dll", "o"}, {"skipped.dll", "k"}});
  AddGroup(startup::imAlways);
  AddGroup(startup::imNew, true);
  AddFile("own.dll", 0);
  AddFile("shared.dll", 1);
  AddFile("skipped.dll", 1);
  ASSERT_TRUE(machine.addFile("C:\\App\\skipped.dll", "there").ok());
  ASSERT_TRUE(Extract());
  EXPECT_EQ(ctx.run.SharedFileIndexes, (std::vector<int32_t>{1}));
  EXPECT_EQ(ctx.lists.UninstallLines, (startup::StringList{"File=C:\\App\\own.dll"}));
  EXPECT_EQ(ctx.lists.PlacedFiles, (startup::StringList{"C:\\App\\shared.dll", "C:\\App\\own.dll"}));
}

TEST_F(PackageTest, UnresolvedTargetsAreSkippedAndLongPathsCut) {
  WritePackage({{"lost.dll", "l"}, {"long.dll", "x"}});
  AddGroup();
  AddFile("lost.dll").TargetDir = "C:\\App\\::\\";
  const std::string longDir = "C:\\App\\" + std::string(240, 'd') + "\\";
  ASSERT_TRUE(machine.addDirectory(longDir.substr(0, longDir.size() - 1)).ok());
  AddFile("long.dll").TargetDir = longDir;  // 248 + 8 characters: one too many
  ASSERT_TRUE(Extract());
  EXPECT_TRUE(ctx.lists.UninstallLines.size() == 1);
  EXPECT_EQ(ctx.lists.PlacedFiles, (startup::StringList{longDir + "long.dl"}));
  EXPECT_EQ(Content(longDir + "long.dl"), "x");
}

}  // namespace
}  // namespace archive::testing
