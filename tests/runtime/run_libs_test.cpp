// The [RunLib] step on the simulated machine: packs, the gate, run
// libraries and programs, exit-code bounds, the error kinds and the work
// directory that never stays behind.

#include "actions/run_libs.h"

#include <gtest/gtest.h>

#include "rar/io/memory_fs.h"
#include "rar/write/writer.h"
#include "tests/runtime/runtime_fixture.h"
#include "tests/wizard/stored_rar5.h"

namespace runtime::testing {
namespace {

using platform::CallArg;
using platform::sim::Machine;
using startup::testing::RecordingUi;

const std::string kWork = "C:\\WINDOWS\\TEMP\\Ins1A.tmp";

// A RAR 5 pack with stored members, encrypted when a password is given.
std::string MakePack(const std::vector<std::pair<std::string, std::string>>& members, const std::string& password = {}) {
  rar::MemoryFileSystem mem;
  rar::WriterOptions options;
  if (!password.empty()) options.password = rar::Password::fromOem866(password);
  options.kdfLog2 = 10;
  auto writer = rar::Writer::create(mem, "pack.rar", options);
  EXPECT_TRUE(writer.ok());
  for (const auto& [name, data] : members) EXPECT_TRUE((*writer)->addBytes(name, data).ok());
  EXPECT_TRUE((*writer)->finish().ok());
  const auto bytes = mem.get("pack.rar");
  return std::string(bytes.begin(), bytes.end());
}

startup::RunLibItem Item(const std::string& pack, const std::string& runName, bool isExe, int32_t min = 0,
                         int32_t max = 0) {
  startup::RunLibItem item;
  item.Pack = pack;
  item.RunName = runName;
  item.IsExe = isExe;
  item.MinExitCode = min;
  item.MaxExitCode = max;
  return item;
}

class RunLibs : public RuntimeFixture {
 protected:
  void addPack(const std::string& name, const std::vector<std::pair<std::string, std::string>>& members,
               const std::string& password = {}) {
    ASSERT_TRUE(machine.addFile("D:\\" + name, MakePack(members, password)).ok());
  }
  // A program in the work directory that exits with `code` and notes the
  // run on C:.
  void program(const std::string& name, uint32_t code) {
    machine.registerProgram(kWork + "\\" + name, [code, name](const std::string&, const std::string&, Machine& m) {
      m.addFile("C:\\ran-" + name, "ran");
      return code;
    });
  }
  bool run() { return actions::RunLibs(ctx, end); }
  bool workDirGone() { return !machine.files().exists(kWork); }

};

TEST_F(RunLibs, ProgramExitCodesCompareAsUnsignedNumbers) {
  struct Case {
    int32_t min, max;
    uint32_t code;
    bool ok;
  } cases[] = {
      {0, 0, 0, true},            // ErrorCheck not given: only 0 succeeds
      {0, 0, 1, false},
      {0, -1, 0, true},           // 0 and -1 accept every exit code
      {0, -1, 0xFFFFFFFFu, true},
      {0, -1, 0x80000000u, true},
      {-1, -1, 0xFFFFFFFFu, true},
      {1, 10, 0, false},
      {1, 10, 10, true},
      {1, 10, 11, false},
      {5, 3, 4, false},           // inverted bounds accept nothing
      {5, 3, 5, false},
      {-2, 3, 2, false},          // -2 is 4294967294, above 3
  };
  for (const Case& c : cases) {
    Machine fresh;
    RecordingUi ui2;
    startup::SetupContext ctx2(fresh, ui2);
    ctx2.model.SourceDir = "D:\\";
    ctx2.model.RunLibWorkDir = kWork;
    ctx2.model.TRuns = {Item("p.rar", "run.exe", true, c.min, c.max)};
    ASSERT_TRUE(fresh.addFile("D:\\p.rar", MakePack({{"run.exe", "MZ"}})).ok());
    const uint32_t code = c.code;
    fresh.registerProgram(kWork + "\\run.exe", [code](const std::string&, const std::string&, Machine&) { return code; });
    RecordingRunEnd end2;
    EXPECT_EQ(actions::RunLibs(ctx2, end2), c.ok) << c.min << ".." << c.max << " exit " << c.code;
    EXPECT_EQ(end2.shown.size(), c.ok ? 0u : 1u);
    if (!c.ok) {
      EXPECT_EQ(end2.shown[0], "Ошибка при выполнении библиотеки D:\\p.rar");
    }
    EXPECT_FALSE(fresh.files().exists(kWork)) << "the work directory stays after exit " << c.code;
  }
}

TEST_F(RunLibs, ProgramStartsInTheWorkDirectoryWithTheCreationFlags) {
  addPack("prog.rar", {{"setup tool.exe", "MZ"}, {"data.txt", "d"}});
  program("setup tool.exe", 0);
  ctx.model.TRuns = {Item("prog.rar", "setup tool.exe", true)};
  ASSERT_TRUE(run()) << dump();
  ASSERT_EQ(machine.programTable().runs().size(), 1u);
  const auto& r = machine.programTable().runs()[0];
  // Unquoted, no arguments: the shortest prefix that names a file wins, as
  // CreateProcess does it.
  EXPECT_EQ(r.commandLine, kWork + "\\setup tool.exe");
  EXPECT_EQ(r.workingDirectory, kWork);
  EXPECT_EQ(r.creationFlags, 0x04000000u | 0x20u);
  EXPECT_TRUE(machine.files().fileExists("C:\\ran-setup tool.exe"));
  EXPECT_TRUE(workDirGone());
}

TEST_F(RunLibs, TheGateDecides) {
  struct Case {
    const char* name;
    int gateKind;  // 0 none, 1 answers, 2 lacks ShouldBe, 3 not a library
    uint32_t answer;
    bool runs;
  } cases[] = {
      {"no gate", 0, 0, true},   {"gate says 1", 1, 1, true},       {"gate says 2", 1, 2, false},
      {"gate says 0", 1, 0, false}, {"gate without entry", 2, 0, false}, {"gate not a library", 3, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Machine fresh;
    RecordingUi ui2;
    startup::SetupContext ctx2(fresh, ui2);
    ctx2.model.SourceDir = "D:\\";
    ctx2.model.RunLibWorkDir = kWork;
    ctx2.model.TRuns = {Item("p.rar", "inst.dll", false)};
    std::vector<std::pair<std::string, std::string>> members = {{"inst.dll", "MZ"}};
    if (c.gateKind != 0) members.push_back({"Should.Dll", "MZ"});
    ASSERT_TRUE(fresh.addFile("D:\\p.rar", MakePack(members)).ok());
    std::vector<std::string> gateArgs2, installArgs2;
    const uint32_t answer = c.answer;
    if (c.gateKind == 1)
      fresh.registerLibrary(kWork + "\\Should.Dll", {{"ShouldBe", [&gateArgs2, answer](std::span<const CallArg> a, Machine&) {
                                                        gateArgs2.push_back(std::get<std::string>(a[0]));
                                                        return answer;
                                                      }}});
    if (c.gateKind == 2) fresh.registerLibrary(kWork + "\\Should.Dll", {});
    fresh.registerLibrary(kWork + "\\inst.dll", {{"Install", [&installArgs2](std::span<const CallArg> a, Machine&) {
                                                   installArgs2.push_back(std::get<std::string>(a[0]));
                                                   return 1u;
                                                 }}});
    RecordingRunEnd end2;
    EXPECT_TRUE(actions::RunLibs(ctx2, end2)) << "a gate never makes an error";
    EXPECT_TRUE(end2.shown.empty());
    EXPECT_EQ(installArgs2.size(), c.runs ? 1u : 0u);
    if (c.gateKind == 1) {
      EXPECT_EQ(gateArgs2, std::vector<std::string>{kWork + "\\"}) << "with its trailing backslash";
    }
    if (c.runs) {
      EXPECT_EQ(installArgs2, std::vector<std::string>{kWork}) << "without a trailing backslash";
    }
    EXPECT_FALSE(fresh.files().exists(kWork));
    EXPECT_EQ(fresh.libraryTable().loadedCount(), 0) << "every library is released";
  }
}

TEST_F(RunLibs, RunLibraryResults) {
  struct Case {
    const char* name;
    int kind;  // 0 Install returns `result`, 1 no Install entry, 2 not a library, 3 not in the pack
    uint32_t result;
    bool ok;
  } cases[] = {
      {"true", 0, 1, true},
      {"any non-zero low byte", 0, 0x7F, true},
      {"false", 0, 0, false},
      {"only the low byte counts", 0, 0x100, false},
      {"no Install", 1, 0, false},
      {"not a library", 2, 0, false},
      {"missing from the pack", 3, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Machine fresh;
    RecordingUi ui2;
    startup::SetupContext ctx2(fresh, ui2);
    ctx2.model.SourceDir = "D:\\";
    ctx2.model.RunLibWorkDir = kWork;
    ctx2.model.TRuns = {Item("lib.rar", "inst.dll", false)};
    ASSERT_TRUE(fresh.addFile("D:\\lib.rar", MakePack({{c.kind == 3 ? "other.dll" : "inst.dll", "MZ"}})).ok());
    const uint32_t result = c.result;
    if (c.kind == 0)
      fresh.registerLibrary(kWork + "\\inst.dll", {{"Install", [result](std::span<const CallArg>, Machine&) { return result; }}});
    if (c.kind == 1) fresh.registerLibrary(kWork + "\\inst.dll", {{"Other", nullptr}});
    RecordingRunEnd end2;
    EXPECT_EQ(actions::RunLibs(ctx2, end2), c.ok);
    EXPECT_EQ(end2.shown, c.ok ? std::vector<std::string>{}
                               : std::vector<std::string>{"Ошибка при выполнении библиотеки D:\\lib.rar"});
    EXPECT_EQ(end2.rollBacks, c.ok ? 0 : 1);
    EXPECT_FALSE(fresh.files().exists(kWork));
  }
}

TEST_F(RunLibs, TheSecondOfThreeFailingLeavesTheThirdUnprocessed) {
  addPack("one.rar", {{"one.exe", "MZ"}});
  addPack("two.rar", {{"two.exe", "MZ"}});
  addPack("three.rar", {{"three.exe", "MZ"}});
  program("one.exe", 0);
  program("two.exe", 3);
  program("three.exe", 0);
  ctx.model.TRuns = {Item("one.rar", "one.exe", true), Item("two.rar", "two.exe", true),
                     Item("three.rar", "three.exe", true)};
  EXPECT_FALSE(run());
  EXPECT_EQ(end.shown, std::vector<std::string>{"Ошибка при выполнении библиотеки D:\\two.rar"});
  EXPECT_EQ(end.rollBacks, 1);
  EXPECT_EQ(end.terminates, 1);
  EXPECT_TRUE(machine.files().exists("C:\\ran-one.exe"));
  EXPECT_TRUE(machine.files().exists("C:\\ran-two.exe"));
  EXPECT_FALSE(machine.files().exists("C:\\ran-three.exe"));
  EXPECT_TRUE(workDirGone());
}

TEST_F(RunLibs, AMissingPackStopsBeforeAnythingIsExtracted) {
  addPack("two.rar", {{"two.exe", "MZ"}});
  program("two.exe", 0);
  ctx.model.TRuns = {Item("none.rar", "one.exe", true), Item("two.rar", "two.exe", true)};
  EXPECT_FALSE(run());
  EXPECT_EQ(end.shown, std::vector<std::string>{"Библиотека D:\\none.rar не найдена на первом дистрибутивном диске"});
  EXPECT_FALSE(machine.files().exists(kWork));
  EXPECT_TRUE(machine.programTable().runs().empty());
}

TEST_F(RunLibs, BadPacks) {
  struct Case {
    const char* name;
    std::string bytes;
    std::string message;
  } cases[] = {
      {"not an archive", "just text", "Ошибка открытия архива"},
      {"another password", MakePack({{"run.exe", "MZ"}}, "other"), "Ошибка при выполнении библиотеки D:\\p.rar"},
      // The member that would climb out is refused and the pack is not run.
      {"member climbing out", wizard::testing::StoredRar5({{"../../evil.exe", "MZ"}, {"run.exe", "MZ"}}),
       "Ошибка при выполнении библиотеки D:\\p.rar"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Machine fresh;
    RecordingUi ui2;
    startup::SetupContext ctx2(fresh, ui2);
    ctx2.model.SourceDir = "D:\\";
    ctx2.model.RunLibWorkDir = kWork;
    ctx2.model.ArchivePassword = "right";
    ctx2.model.TRuns = {Item("p.rar", "run.exe", true)};
    ASSERT_TRUE(fresh.addFile("D:\\p.rar", c.bytes).ok());
    fresh.registerProgram(kWork + "\\run.exe", [](const std::string&, const std::string&, Machine&) { return 0u; });
    RecordingRunEnd end2;
    EXPECT_FALSE(actions::RunLibs(ctx2, end2));
    EXPECT_EQ(end2.shown, std::vector<std::string>{c.message});
    EXPECT_TRUE(fresh.programTable().runs().empty());
    EXPECT_FALSE(fresh.files().exists(kWork));
    EXPECT_FALSE(fresh.files().exists("C:\\WINDOWS\\evil.exe"));
  }
}

TEST_F(RunLibs, EncryptedPacksOpenWithThePackagePassword) {
  ctx.model.ArchivePassword = "пароль";
  addPack("p.rar", {{"run.exe", "MZ"}}, "пароль");
  program("run.exe", 0);
  ctx.model.TRuns = {Item("p.rar", "run.exe", true)};
  EXPECT_TRUE(run()) << (end.shown.empty() ? "" : end.shown[0]);
  EXPECT_EQ(machine.programTable().runs().size(), 1u);
}

TEST_F(RunLibs, ACommandLineThatDoesNotFitItsBufferIsAnError) {
  // 255 characters fit; 256 would be cut.
  const std::string fits = std::string(255 - kWork.size() - 1 - 4, 'a') + ".exe";
  const std::string tooLong = std::string(256 - kWork.size() - 1 - 4, 'b') + ".exe";
  addPack("fits.rar", {{fits, "MZ"}});
  addPack("long.rar", {{tooLong, "MZ"}});
  program(fits, 0);
  program(tooLong, 0);
  ctx.model.TRuns = {Item("fits.rar", fits, true), Item("long.rar", tooLong, true)};
  EXPECT_FALSE(run());
  EXPECT_EQ(end.shown, std::vector<std::string>{"Ошибка при выполнении библиотеки D:\\long.rar"});
  ASSERT_EQ(machine.programTable().runs().size(), 1u);
  EXPECT_EQ(machine.programTable().runs()[0].commandLine.size(), 255u);
  EXPECT_TRUE(workDirGone());
}

TEST_F(RunLibs, ProgramsThatCannotStartOrNeverEnd) {
  addPack("p.rar", {{"run.exe", "not a program"}});
  ctx.model.TRuns = {Item("p.rar", "run.exe", true)};
  EXPECT_FALSE(run());  // nobody registered it: not a program
  EXPECT_EQ(end.shown, std::vector<std::string>{"Ошибка при выполнении библиотеки D:\\p.rar"});

  // The real machine would wait for ever; the simulation stops and records
  // the hang so the tool can say so.
  Machine fresh;
  RecordingUi ui2;
  startup::SetupContext ctx2(fresh, ui2);
  ctx2.model.SourceDir = "D:\\";
  ctx2.model.RunLibWorkDir = kWork;
  ctx2.model.TRuns = {Item("p.rar", "run.exe", true)};
  ASSERT_TRUE(fresh.addFile("D:\\p.rar", MakePack({{"run.exe", "MZ"}})).ok());
  fresh.programTable().registerHangingProgram(kWork + "\\run.exe");
  RecordingRunEnd end2;
  EXPECT_FALSE(actions::RunLibs(ctx2, end2));
  ASSERT_EQ(fresh.programTable().runs().size(), 1u);
  EXPECT_TRUE(fresh.programTable().runs()[0].hung);
  EXPECT_FALSE(fresh.files().exists(kWork));
}

TEST_F(RunLibs, ReadOnlyFilesAndSubdirectoriesOfThePackAreRemovedToo) {
  addPack("p.rar", {{"run.exe", "MZ"}, {"sub/deeper/x.txt", "x"}});
  machine.registerProgram(kWork + "\\run.exe", [](const std::string&, const std::string&, Machine& m) {
    m.files().setAttributes(kWork + "\\sub\\deeper\\x.txt", platform::attr::readOnly);
    return 0u;
  });
  ctx.model.TRuns = {Item("p.rar", "run.exe", true)};
  EXPECT_TRUE(run());
  EXPECT_TRUE(workDirGone()) << dump();
}

}  // namespace
}  // namespace runtime::testing
