// COM servers and type libraries on the simulated machine: every
// RegisterResult, the current directory during registration, and the
// inspection of an installed server in both modes.

#include "actions/com_registration.h"

#include <gtest/gtest.h>

#include "tests/runtime/runtime_fixture.h"

namespace runtime::testing {
namespace {

using actions::RegisterResult;
using platform::Root;
using platform::sim::ComServerInfo;
using platform::sim::Machine;

const std::string kClsid = "{11111111-2222-3333-4444-555555555555}";

class ComRegistration : public RuntimeFixture {
 protected:
  bool keyExists(const std::string& path) { return machine.registry().keyExists(Root::classesRoot, path); }
};

TEST_F(ComRegistration, ServerResults) {
  ASSERT_TRUE(addComServer(machine, "C:\\App\\good.ocx", ComServerInfo{"App.Good", kClsid}).ok());
  ASSERT_TRUE(addComServer(machine, "C:\\App\\fails.ocx", ComServerInfo{"App.Fails", "{0}", 0x80004005u, 0}).ok());
  // A success code other than 0 in COM terms still counts as a failure.
  ASSERT_TRUE(addComServer(machine, "C:\\App\\sfalse.ocx", ComServerInfo{"App.SFalse", "{1}", 1, 0}).ok());
  ASSERT_TRUE(addComServer(machine, "C:\\App\\noentry.ocx", ComServerInfo{"App.X", "{2}", 0, 0, false}).ok());
  ASSERT_TRUE(machine.addFile("C:\\App\\text.ocx", "not a library").ok());
  struct Case {
    const char* file;
    RegisterResult result;
  } cases[] = {
      {"C:\\App\\good.ocx", actions::Success},     {"C:\\App\\fails.ocx", actions::RegFail},
      {"C:\\App\\sfalse.ocx", actions::RegFail},   {"C:\\App\\noentry.ocx", actions::ProcNotFound},
      {"C:\\App\\text.ocx", actions::LoadFail},    {"C:\\App\\none.ocx", actions::FileNotFound},
  };
  for (const Case& c : cases) EXPECT_EQ(actions::RegisterServer(ctx, c.file, actions::kRegister), c.result) << c.file;
  EXPECT_TRUE(keyExists("CLSID\\" + kClsid + "\\InprocServer32"));
  EXPECT_TRUE(keyExists("App.Good\\CLSID"));
  EXPECT_EQ(actions::RegisterServer(ctx, "C:\\App\\good.ocx", actions::kUnregister), actions::Success);
  EXPECT_FALSE(keyExists("CLSID\\" + kClsid));
  EXPECT_FALSE(keyExists("App.Good"));
  EXPECT_EQ(machine.libraryTable().loadedCount(), 0);
  EXPECT_EQ(machine.system().currentDirectory(), "D:\\") << "the current directory is restored";
}

TEST_F(ComRegistration, TheServerRunsInItsOwnDirectory) {
  std::string seen;
  ASSERT_TRUE(machine.addFile("C:\\App\\dir.ocx", "x").ok());
  machine.registerLibrary("C:\\App\\dir.ocx", {{"DllRegisterServer", [&seen](std::span<const platform::CallArg>, Machine& m) {
                                                  seen = m.system().currentDirectory();
                                                  return 0u;
                                                }}});
  EXPECT_EQ(actions::RegisterServer(ctx, "C:\\App\\dir.ocx", actions::kRegister), actions::Success);
  EXPECT_EQ(seen, "C:\\App");
  EXPECT_EQ(machine.system().currentDirectory(), "D:\\");
}

TEST_F(ComRegistration, TypeLibraries) {
  ASSERT_TRUE(machine.addFile("C:\\App\\lib.tlb", "tlb").ok());
  ASSERT_TRUE(machine.addFile("C:\\App\\bad.tlb", "damaged").ok());
  machine.typeLibraryTable().describe("C:\\App\\lib.tlb", {"{AAAA0000-0000-0000-0000-000000000001}", 1, 10, 0,
                                                            "App library", "C:\\Help\\app.hlp"});
  machine.typeLibraryTable().markDamaged("C:\\App\\bad.tlb");
  const std::string key = "TypeLib\\{AAAA0000-0000-0000-0000-000000000001}\\1.a";
  EXPECT_EQ(actions::RegisterTypeLibrary(ctx, "C:\\App\\lib.tlb", actions::kRegister), actions::Success);
  EXPECT_TRUE(keyExists(key + "\\0\\win32"));
  auto help = machine.registry().open(Root::classesRoot, key + "\\HELPDIR", platform::Access::read);
  ASSERT_TRUE(help.ok());
  EXPECT_EQ((*help)->read("")->data, "C:\\Help");
  help->reset();
  EXPECT_EQ(actions::RegisterTypeLibrary(ctx, "C:\\App\\none.tlb", actions::kRegister), actions::LoadFail);
  EXPECT_EQ(actions::RegisterTypeLibrary(ctx, "C:\\App\\bad.tlb", actions::kRegister), actions::OleError);
  EXPECT_EQ(actions::RegisterTypeLibrary(ctx, "C:\\App\\bad.tlb", actions::kUnregister), actions::OleError);
  machine.typeLibraryTable().setUnregistrationSupported(false);
  EXPECT_EQ(actions::RegisterTypeLibrary(ctx, "C:\\App\\lib.tlb", actions::kUnregister), actions::NotSupported);
  EXPECT_TRUE(keyExists(key));
  machine.typeLibraryTable().setUnregistrationSupported(true);
  EXPECT_EQ(actions::RegisterTypeLibrary(ctx, "C:\\App\\lib.tlb", actions::kUnregister), actions::Success);
  EXPECT_FALSE(keyExists("TypeLib\\{AAAA0000-0000-0000-0000-000000000001}"));
}

TEST_F(ComRegistration, ABareTypeLibraryNameMeansTheCurrentDirectory) {
  ASSERT_TRUE(machine.addFile("C:\\WINDOWS\\SYSTEM32\\sys.tlb", "tlb").ok());
  ASSERT_TRUE(machine.addFile("C:\\Work\\here.tlb", "tlb").ok());
  ASSERT_TRUE(machine.system().setCurrentDirectory("C:\\Work").ok());
  EXPECT_EQ(actions::RegisterTypeLibrary(ctx, "sys.tlb", actions::kRegister), actions::LoadFail)
      << "not looked up in the system directories";
  EXPECT_EQ(actions::RegisterTypeLibrary(ctx, "here.tlb", actions::kRegister), actions::Success);
  EXPECT_TRUE(machine.typeLibraryTable().isRegistered("C:\\Work\\here.tlb"));
}

TEST_F(ComRegistration, InstalledServerInspection) {
  ctx.model.FilesData.resize(2);
  ctx.model.FilesData[0].TargetName = "other.ocx";
  ctx.model.FilesData[0].Version = "9.0.0.0";
  ctx.model.FilesData[1].TargetName = "grid.ocx";
  ctx.model.FilesData[1].Version = "2.0.0.0";
  const std::string entry = "OCX,#1\\grid.ocx,App.Grid";
  // Nothing registered yet.
  EXPECT_FALSE(actions::CheckInstalledServer(ctx, entry, 0));
  EXPECT_FALSE(actions::CheckInstalledServer(ctx, entry, 1));

  ASSERT_TRUE(addComServer(machine, "C:\\Old\\grid.ocx", ComServerInfo{"App.Grid", kClsid}).ok());
  ASSERT_EQ(actions::RegisterServer(ctx, "C:\\Old\\grid.ocx", actions::kRegister), actions::Success);
  EXPECT_TRUE(actions::CheckInstalledServer(ctx, entry, 0));
  // No version information: counts as older.
  EXPECT_TRUE(actions::CheckInstalledServer(ctx, entry, 1));
  struct Case {
    const char* installed;
    bool older;
  } versions[] = {{"1.9.9.9", true}, {"2.0.0.0", false}, {"3.0", false}};
  for (const auto& v : versions) {
    platform::VersionInfo info;
    info.present = true;
    info.fileVersion = v.installed;
    ASSERT_TRUE(machine.setVersion("C:\\Old\\grid.ocx", info).ok());
    EXPECT_EQ(actions::CheckInstalledServer(ctx, entry, 1), v.older) << v.installed;
  }
  // A date instead of a version, or no FileItem for the file: not known to be older.
  ctx.model.FilesData[1].Version = "d36000";
  EXPECT_FALSE(actions::CheckInstalledServer(ctx, entry, 1));
  EXPECT_FALSE(actions::CheckInstalledServer(ctx, "OCX,C:\\x\\unknown.ocx,App.Grid", 1));
  // Without a ProgID there is no class: False in both modes.
  EXPECT_FALSE(actions::CheckInstalledServer(ctx, "OCX,#1\\grid.ocx", 0));
  EXPECT_FALSE(actions::CheckInstalledServer(ctx, "OCX,#1\\grid.ocx", 1));
  // A server whose registration now fails is not a working one.
  ASSERT_TRUE(addComServer(machine, "C:\\Old\\grid.ocx", ComServerInfo{"App.Grid", kClsid, 5, 0}).ok());
  ctx.model.FilesData[1].Version = "2.0.0.0";
  EXPECT_TRUE(actions::CheckInstalledServer(ctx, entry, 0));
  EXPECT_FALSE(actions::CheckInstalledServer(ctx, entry, 1));
  // The registered file is gone.
  ASSERT_TRUE(machine.files().removeFile("C:\\Old\\grid.ocx").ok());
  EXPECT_FALSE(actions::CheckInstalledServer(ctx, entry, 0));
  EXPECT_FALSE(actions::CheckInstalledServer(ctx, entry, 1));
}

}  // namespace
}  // namespace runtime::testing
