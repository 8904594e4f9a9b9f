// RunLib packs, COM registration, type libraries and the database engine on
// the real machine, with binaries this build made: the gate and run
// libraries, the run program, a COM server writing real keys, a widl type
// library and a stand-in engine exporting by name and by ordinal.

#include <windows.h>

#include <gtest/gtest.h>

#include "actions/com_registration.h"
#include "actions/run_libs.h"
#include "bde/engine.h"
#include "platform/win32/machine.h"
#include "rar/io/memory_fs.h"
#include "rar/write/writer.h"
#include "tests/runtime/runtime_fixture.h"

namespace runtime::testing {
namespace {

using platform::Access;
using platform::CallArg;
using platform::Root;

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

void DeleteTree(Root root, const std::string& path) {
  const HKEY rootKey = reinterpret_cast<HKEY>(static_cast<uintptr_t>(static_cast<uint32_t>(root)));
  const std::wstring wide(path.begin(), path.end());
  ::RegDeleteTreeW(rootKey, wide.c_str());
  ::RegDeleteKeyW(rootKey, wide.c_str());
}

class Win32Runtime : public ::testing::Test {
 protected:
  Win32Runtime() : ctx(machine, ui) {}

  void SetUp() override {
    dir = "C:\\setupkit-runtime-" + std::to_string(::GetCurrentProcessId());
    ASSERT_TRUE(fs().createDirectory(dir).ok());
    ctx.model.SourceDir = dir + "\\";
    ctx.model.RunLibWorkDir = dir + "\\work";
    ctx.model.SystemDir = machine.system().systemDirectory() + "\\";
    savedDirectory = machine.system().currentDirectory();
  }
  void TearDown() override {
    machine.system().setCurrentDirectory(savedDirectory);
    DeleteTree(Root::classesRoot, "Setupkit.TestServer");
    DeleteTree(Root::classesRoot, "CLSID\\{3D6A5F0E-8B1C-4E2A-9F47-2C5B7E1D0A93}");
    DeleteTree(Root::localMachine, "Software\\Borland");
    RemoveAll(dir);
  }
  void RemoveAll(const std::string& path) {
    if (auto entries = fs().list(path, "*")) {
      for (const platform::DirEntry& e : *entries) {
        const std::string p = path + "\\" + e.name;
        if (e.info.isDirectory()) {
          RemoveAll(p);
        } else {
          fs().setAttributes(p, platform::attr::normal);
          EXPECT_TRUE(fs().removeFile(p).ok()) << p;
        }
      }
    }
    fs().removeDirectory(path);
  }
  platform::FileSystem& fs() { return machine.files(); }
  std::string bytes(const char* path) {
    auto content = platform::readWholeFile(fs(), path);
    EXPECT_TRUE(content.ok()) << path;
    return content.valueOr("");
  }
  void put(const std::string& path, const std::string& content) {
    ASSERT_TRUE(platform::writeWholeFile(fs(), path, content).ok()) << path;
  }
  bool classesKey(const std::string& path) { return machine.registry().keyExists(Root::classesRoot, path); }

  platform::win32::Machine machine;
  startup::testing::RecordingUi ui;
  startup::SetupContext ctx;
  RecordingRunEnd end;
  std::string dir;
  std::string savedDirectory;
};

TEST_F(Win32Runtime, RunLibPacksWithGatesLibrariesAndPrograms) {
  const std::string gate = bytes(SETUPKIT_GATE_DLL);
  const std::string runDll = bytes(SETUPKIT_RUN_DLL);
  const std::string program = bytes(SETUPKIT_RUN_PROGRAM);
  ctx.model.ArchivePassword = "secret";
  // Exit code 7 within 5..10, behind a gate that says 1; the pack is
  // encrypted with the package password.
  put(dir + "\\prog.rar", MakePack({{"run prog.exe", program},
                                    {"exitcode.txt", "7\r\n" + dir + "\\ran-prog.txt\r\n"},
                                    {"Should.Dll", gate},
                                    {"gate.txt", "1"}},
                                   "secret"));
  // A gate saying 2: skipped without an error.
  put(dir + "\\gated.rar", MakePack({{"inst.dll", runDll},
                                     {"install.txt", "1\r\n" + dir + "\\ran-gated.txt\r\n"},
                                     {"Should.Dll", gate},
                                     {"gate.txt", "2"}}));
  // A run library without a gate.
  put(dir + "\\lib.rar", MakePack({{"inst.dll", runDll}, {"install.txt", "1\r\n" + dir + "\\ran-lib.txt\r\n"}}));
  // Every exit code accepted by 0..-1.
  put(dir + "\\any.rar", MakePack({{"run.exe", program}, {"exitcode.txt", "4294967295\r\n" + dir + "\\ran-any.txt\r\n"}}));
  // Exit code 3 with the default bounds: a failure, and the last item is
  // never reached.
  put(dir + "\\fails.rar", MakePack({{"run.exe", program}, {"exitcode.txt", "3\r\n" + dir + "\\ran-fails.txt\r\n"}}));
  put(dir + "\\never.rar", MakePack({{"inst.dll", runDll}, {"install.txt", "1\r\n" + dir + "\\ran-never.txt\r\n"}}));
  ctx.model.TRuns = {Item("prog.rar", "run prog.exe", true, 5, 10), Item("gated.rar", "inst.dll", false),
                     Item("lib.rar", "inst.dll", false), Item("any.rar", "run.exe", true, 0, -1),
                     Item("fails.rar", "run.exe", true), Item("never.rar", "inst.dll", false)};
  EXPECT_FALSE(actions::RunLibs(ctx, end));
  EXPECT_EQ(end.shown, std::vector<std::string>{"Ошибка при выполнении библиотеки " + dir + "\\fails.rar"});
  EXPECT_TRUE(fs().fileExists(dir + "\\ran-prog.txt"));
  EXPECT_FALSE(fs().exists(dir + "\\ran-gated.txt"));
  EXPECT_TRUE(fs().fileExists(dir + "\\ran-lib.txt"));
  EXPECT_TRUE(fs().fileExists(dir + "\\ran-any.txt"));
  EXPECT_TRUE(fs().fileExists(dir + "\\ran-fails.txt"));
  EXPECT_FALSE(fs().exists(dir + "\\ran-never.txt"));
  EXPECT_FALSE(fs().exists(dir + "\\work")) << "the work directory is removed after the failure too";
}

TEST_F(Win32Runtime, RunLibraryThatSaysNoAndMissingPack) {
  put(dir + "\\lib.rar", MakePack({{"inst.dll", bytes(SETUPKIT_RUN_DLL)}, {"install.txt", "0\r\n" + dir + "\\x.txt\r\n"}}));
  ctx.model.TRuns = {Item("lib.rar", "inst.dll", false)};
  EXPECT_FALSE(actions::RunLibs(ctx, end));
  EXPECT_EQ(end.shown, std::vector<std::string>{"Ошибка при выполнении библиотеки " + dir + "\\lib.rar"});
  EXPECT_FALSE(fs().exists(dir + "\\work"));

  RecordingRunEnd end2;
  ctx.model.TRuns = {Item("none.rar", "inst.dll", false)};
  EXPECT_FALSE(actions::RunLibs(ctx, end2));
  EXPECT_EQ(end2.shown,
            std::vector<std::string>{"Библиотека " + dir + "\\none.rar не найдена на первом дистрибутивном диске"});
}

TEST_F(Win32Runtime, ComServerWritesAndRemovesRealKeys) {
  ASSERT_TRUE(fs().createDirectory(dir + "\\Old").ok());
  const std::string server = dir + "\\Old\\srv.ocx";
  ASSERT_TRUE(fs().copyFile(SETUPKIT_COM_SERVER, server, true).ok());
  const std::string clsidKey = "CLSID\\{3D6A5F0E-8B1C-4E2A-9F47-2C5B7E1D0A93}";
  const std::string entry = "OCX,#1\\srv.ocx,Setupkit.TestServer";
  EXPECT_FALSE(actions::CheckInstalledServer(ctx, entry, 0));
  EXPECT_EQ(actions::RegisterServer(ctx, server, actions::kRegister), actions::Success);
  EXPECT_TRUE(classesKey("Setupkit.TestServer\\CLSID"));
  EXPECT_TRUE(classesKey(clsidKey + "\\InprocServer32"));
  EXPECT_TRUE(actions::CheckInstalledServer(ctx, entry, 0));
  // The installed server has version 2.0.0.0.
  ctx.model.FilesData.resize(1);
  ctx.model.FilesData[0].TargetName = "srv.ocx";
  ctx.model.FilesData[0].Version = "3.0.0.0";
  EXPECT_TRUE(actions::CheckInstalledServer(ctx, entry, 1));
  ctx.model.FilesData[0].Version = "2.0.0.0";
  EXPECT_FALSE(actions::CheckInstalledServer(ctx, entry, 1));
  EXPECT_EQ(actions::RegisterServer(ctx, server, actions::kUnregister), actions::Success);
  EXPECT_FALSE(classesKey(clsidKey));
  EXPECT_FALSE(classesKey("Setupkit.TestServer"));
  EXPECT_EQ(machine.system().currentDirectory(), savedDirectory);

  put(dir + "\\Old\\regfail.txt", "");
  EXPECT_EQ(actions::RegisterServer(ctx, server, actions::kRegister), actions::RegFail);
  ASSERT_TRUE(fs().copyFile(SETUPKIT_GATE_DLL, dir + "\\gate.ocx", true).ok());
  EXPECT_EQ(actions::RegisterServer(ctx, dir + "\\gate.ocx", actions::kRegister), actions::ProcNotFound);
  put(dir + "\\text.ocx", "not a library");
  EXPECT_EQ(actions::RegisterServer(ctx, dir + "\\text.ocx", actions::kRegister), actions::LoadFail);
  EXPECT_EQ(actions::RegisterServer(ctx, dir + "\\none.ocx", actions::kRegister), actions::FileNotFound);
}

#ifdef SETUPKIT_RUNTIME_TYPELIB
TEST_F(Win32Runtime, TypeLibraryWithItsHelpDirectory) {
  const std::string tlb = dir + "\\runtime.tlb";
  ASSERT_TRUE(fs().copyFile(SETUPKIT_RUNTIME_TYPELIB, tlb, true).ok());
  const std::string key = "TypeLib\\{7C2E4A10-3B5D-4E6F-8A9B-1C2D3E4F5A6B}";
  // A bare name is taken from the current directory.
  ASSERT_TRUE(machine.system().setCurrentDirectory(dir).ok());
  EXPECT_EQ(actions::RegisterTypeLibrary(ctx, "runtime.tlb", actions::kRegister), actions::Success);
  auto help = machine.registry().open(Root::classesRoot, key + "\\1.2\\HELPDIR", Access::read);
  ASSERT_TRUE(help.ok());
  EXPECT_EQ((*help)->read("")->data, "C:\\SetupkitHelp");
  help->reset();
  EXPECT_EQ(actions::RegisterTypeLibrary(ctx, tlb, actions::kUnregister), actions::Success);
  EXPECT_FALSE(machine.registry().keyExists(Root::classesRoot, key + "\\1.2"));
  put(dir + "\\bad.tlb", "damaged type library");
  EXPECT_EQ(actions::RegisterTypeLibrary(ctx, dir + "\\bad.tlb", actions::kRegister), actions::OleError);
  EXPECT_EQ(actions::RegisterTypeLibrary(ctx, dir + "\\none.tlb", actions::kRegister), actions::LoadFail);
}
#endif

TEST_F(Win32Runtime, EntriesByOrdinalWithHandleArguments) {
  const std::string engine = dir + "\\idapi32.dll";
  ASSERT_TRUE(fs().copyFile(SETUPKIT_ENGINE_DLL, engine, true).ok());
  auto lib = machine.libraries().load(engine);
  ASSERT_TRUE(lib.ok()) << lib.status().toString();
  platform::Library& l = **lib;
  EXPECT_TRUE(l.hasOrdinal(82));
  EXPECT_FALSE(l.hasOrdinal(81));
  EXPECT_FALSE(l.hasEntry("DbiOpenListA")) << "exported by ordinal only";
  const CallArg start[] = {500u, 0u};
  ASSERT_EQ(*l.call("DbiInitFn", start) & 0xFFFF, 0u);
  uint64_t cursor = 0;
  const CallArg open[] = {platform::HandleSlot{&cursor}};
  ASSERT_EQ(*l.callOrdinal(82, open) & 0xFFFF, 0u);
  EXPECT_NE(cursor, 0u) << "the entry filled the handle in";
  EXPECT_EQ(*l.call("StandInOpenCursors"), 1u);
  ASSERT_EQ(*l.callOrdinal(12, open) & 0xFFFF, 0u);
  EXPECT_EQ(cursor, 0u) << "the in-out handle came back cleared";
  EXPECT_EQ(*l.call("StandInOpenCursors"), 0u);
  EXPECT_EQ(l.callOrdinal(81).status().code(), platform::Code::notFound);
  EXPECT_EQ(*l.call("DbiExit") & 0xFFFF, 0u);
}

TEST_F(Win32Runtime, EnginePresenceVersionAndRemoval) {
  const std::string engineDir = dir + "\\BDE";
  ASSERT_TRUE(fs().createDirectory(engineDir).ok());
  ASSERT_TRUE(fs().copyFile(SETUPKIT_ENGINE_DLL, engineDir + "\\idapi32.dll", true).ok());
  ASSERT_TRUE(fs().copyFile(SETUPKIT_COM_SERVER, engineDir + "\\idsql32.dll", true).ok());
  put(engineDir + "\\bdeadmin.exe", "tool");
  {
    auto key = machine.registry().create(Root::localMachine, "Software\\Borland\\Database Engine");
    ASSERT_TRUE(key.ok());
    ASSERT_TRUE((*key)->write("DLLPATH", platform::Value::text(engineDir)).ok());
    ASSERT_TRUE((*key)->write("UseCount", platform::Value::text("2")).ok());
  }
  EXPECT_TRUE(bde::EnginePresent(ctx));
  ctx.model.Main.BDEVersion = "5.1.0.0";
  EXPECT_TRUE(bde::EngineVersionSufficient(ctx));
  ctx.model.Main.BDEVersion = "5.2.0.2";
  EXPECT_FALSE(bde::EngineVersionSufficient(ctx));
  put(engineDir + "\\nostart.txt", "");
  EXPECT_FALSE(bde::EnginePresent(ctx));
  ASSERT_TRUE(fs().removeFile(engineDir + "\\nostart.txt").ok());

  // Outdated: removed before the new one is installed.
  ctx.model.Main.BDE = 2;
  ASSERT_TRUE(bde::PlanEngine(ctx, end));
  EXPECT_TRUE(ctx.window.has(startup::afOldEngineRemoved));
  EXPECT_EQ(ctx.run.EngineActions, startup::eaInstallFiles | startup::eaConfigure | startup::eaCountUse);
  EXPECT_FALSE(fs().exists(engineDir + "\\idapi32.dll"));
  EXPECT_FALSE(fs().exists(engineDir + "\\idsql32.dll"));
  EXPECT_FALSE(fs().exists(engineDir + "\\bdeadmin.exe"));
  EXPECT_FALSE(machine.registry().keyExists(Root::localMachine, "Software\\Borland\\Database Engine"));
  EXPECT_EQ(machine.system().currentDirectory(), savedDirectory);

  // The fresh configuration, then the count.
  ctx.model.DatabaseEngineDir = engineDir;
  ASSERT_TRUE(bde::ConfigureEngine(ctx, end));
  ASSERT_TRUE(bde::CountEngineUse(ctx));
  auto key = machine.registry().open(Root::localMachine, "Software\\Borland\\Database Engine", Access::read);
  ASSERT_TRUE(key.ok());
  EXPECT_EQ((*key)->read("UseCount")->data, "1");
  EXPECT_EQ((*key)->read("CONFIGFILE01")->data, engineDir + "\\IDAPI32.CFG");
}

}  // namespace
}  // namespace runtime::testing
