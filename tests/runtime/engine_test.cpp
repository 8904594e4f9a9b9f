// The database engine on the simulated machine: the plan from [Main] BDE
// and BDEVersion, the presence test through the library's entries, the
// version test, the default configuration, the use count and the removal
// of an outdated engine with its share counts.

#include "bde/engine.h"

#include <gtest/gtest.h>

#include "tests/runtime/runtime_fixture.h"

namespace runtime::testing {
namespace {

using platform::Access;
using platform::Root;
using platform::sim::DatabaseEngineInfo;
using platform::sim::EngineStart;
using namespace startup;
using startup::testing::RecordingUi;

const std::string kEngineDir = "C:\\Program Files\\Borland\\Common Files\\BDE";
const std::string kShared = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

class Engine : public RuntimeFixture {
 protected:
  std::optional<std::string> value(const std::string& key, const std::string& name) {
    auto k = machine.registry().open(Root::localMachine, key, Access::read);
    if (!k) return std::nullopt;
    auto v = (*k)->read(name);
    if (!v) return std::nullopt;
    return v->data;
  }
  bool keyExists(const std::string& key) { return machine.registry().keyExists(Root::localMachine, key); }
};

TEST_F(Engine, Plans) {
  struct Case {
    const char* name;
    int32_t bde;
    const char* packageVersion;
    int engine;  // 0 none, 1 works, 2 fails to start, 3 works without a version resource
    const char* installedVersion;
    uint8_t actions;
    bool removed;
  } cases[] = {
      {"no engine work", 0, "5.2.0.2", 1, "5.0.0.0", 0, false},
      {"negative", -3, "5.2.0.2", 0, "", 0, false},
      {"count only, even without an engine", 1, "5.2.0.2", 0, "", eaCountUse, false},
      {"fresh machine", 2, "5.2.0.2", 0, "", eaInstallFiles | eaConfigure | eaCountUse, false},
      {"engine that cannot start", 2, "5.2.0.2", 2, "5.0.0.0", eaInstallFiles | eaConfigure | eaCountUse, false},
      {"same version", 2, "5.2.0.2", 1, "5.2.0.2", eaInstallFiles | eaCountUse, false},
      {"newer installed", 5, "5.2.0.2", 1, "5.2.0.3", eaInstallFiles | eaCountUse, false},
      {"no package version", 2, "", 1, "1.0.0.0", eaInstallFiles | eaCountUse, false},
      {"outdated", 2, "5.2.0.2", 1, "5.1.9.9", eaInstallFiles | eaConfigure | eaCountUse, true},
      {"no version resource", 2, "5.2.0.2", 3, "", eaInstallFiles | eaConfigure | eaCountUse, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform::sim::Machine m;
    RecordingUi ui2;
    SetupContext ctx2(m, ui2);
    ctx2.model.Main.BDE = c.bde;
    ctx2.model.Main.BDEVersion = c.packageVersion;
    ctx2.model.SystemDir = "C:\\WINDOWS\\SYSTEM32\\";
    if (c.engine != 0) {
      DatabaseEngineInfo info;
      info.start = c.engine == 2 ? EngineStart::failsToStart : EngineStart::works;
      info.version = c.engine == 3 ? "" : c.installedVersion;
      addDatabaseEngine(m, info);
    }
    RecordingRunEnd end2;
    EXPECT_TRUE(bde::PlanEngine(ctx2, end2));
    EXPECT_EQ(ctx2.run.EngineActions, c.actions);
    EXPECT_EQ(ctx2.window.has(afOldEngineRemoved), c.removed);
    EXPECT_EQ(m.registry().keyExists(Root::localMachine, "Software\\Borland\\Database Engine"), c.engine != 0 && !c.removed);
    EXPECT_TRUE(end2.shown.empty());
  }
}

TEST_F(Engine, PresenceGoesThroughTheLibrarysEntries) {
  struct Case {
    EngineStart start;
    bool present;
    int stops;
  } cases[] = {{EngineStart::works, true, 1}, {EngineStart::failsToStart, false, 0}, {EngineStart::listFails, false, 1}};
  for (const Case& c : cases) {
    platform::sim::Machine m;
    RecordingUi ui2;
    SetupContext ctx2(m, ui2);
    DatabaseEngineInfo info;
    info.start = c.start;
    auto calls = addDatabaseEngine(m, info);
    EXPECT_EQ(bde::EnginePresent(ctx2), c.present);
    EXPECT_EQ(calls->stops, c.stops) << "shut down unless the start failed";
    EXPECT_EQ(calls->cursorsOpened, calls->cursorsClosed) << "every list that opened was closed";
    if (c.present) {
      EXPECT_EQ(calls->cursorsOpened, 3);
    }
    EXPECT_EQ(m.libraryTable().loadedCount(), 0);
  }
  // No library, or one without the list entries.
  EXPECT_FALSE(bde::EnginePresent(ctx));
  ASSERT_TRUE(machine.addFile("C:\\BDE\\idapi32.dll", "x").ok());
  machine.registerLibrary("C:\\BDE\\idapi32.dll", {{"DbiInitFn", [](auto, auto&) { return 0u; }}, {"DbiExit", [](auto, auto&) { return 0u; }}});
  auto key = machine.registry().create(Root::localMachine, "Software\\Borland\\Database Engine");
  ASSERT_TRUE(key.ok());
  ASSERT_TRUE((*key)->write("DLLPATH", platform::Value::text("C:\\BDE;C:\\Other")).ok());
  EXPECT_FALSE(bde::EnginePresent(ctx));
  EXPECT_EQ(machine.libraryTable().loads("C:\\BDE\\idapi32.dll"), 1) << "found through DLLPATH's first directory";
}

TEST_F(Engine, VersionIsReadFromTheFirstEngineDirectory) {
  DatabaseEngineInfo info;
  info.dir = "D:\\BDE";
  info.version = "5.0.0.0";
  machine.addDrive('D', platform::DriveType::fixed);
  addDatabaseEngine(machine, info);
  DatabaseEngineInfo extra;
  extra.dir = "D:\\BDE\\EXTRA";
  extra.version = "9.0.0.0";
  platform::sim::addEngineLibrary(machine, "D:\\BDE\\EXTRA\\idapi32.dll", EngineStart::works);
  {
    auto key = machine.registry().open(Root::localMachine, "Software\\Borland\\Database Engine", Access::all);
    ASSERT_TRUE((*key)->write("DLLPATH", platform::Value::text("D:\\BDE;D:\\BDE\\EXTRA")).ok());
  }
  ctx.model.Main.BDEVersion = "5.0.0.0";
  EXPECT_TRUE(bde::EngineVersionSufficient(ctx));
  ctx.model.Main.BDEVersion = "5.0.0.1";
  EXPECT_FALSE(bde::EngineVersionSufficient(ctx));
  ctx.model.Main.BDEVersion = "";
  EXPECT_TRUE(bde::EngineVersionSufficient(ctx));
}

TEST_F(Engine, DefaultConfigurationOnAFreshMachineThenTheCount) {
  ctx.model.Main.BDE = 2;
  platform::sim::addEngineLibrary(machine, kEngineDir + "\\idapi32.dll", EngineStart::works);
  ASSERT_TRUE(addComServer(machine, kEngineDir + "\\idsql32.dll", {"", "{5QL}"}).ok());
  RecordingRunEnd end2;
  EXPECT_TRUE(bde::ConfigureEngine(ctx, end2));
  const std::string engine = "SOFTWARE\\Borland\\Database Engine";
  EXPECT_EQ(value(engine, "DLLPATH"), kEngineDir);
  EXPECT_EQ(value(engine, "CONFIGFILE01"), kEngineDir + "\\IDAPI32.CFG");
  EXPECT_EQ(value(engine, "UseCount"), "0");
  EXPECT_EQ(value(engine + "\\Settings\\SYSTEM\\INIT", "SHAREDMEMLOCATION"), "");
  EXPECT_EQ(value(engine + "\\Settings\\DRIVERS\\MSACCESS\\DB OPEN", "DATABASE NAME"), "DRIVE:/PATH/DATABASE.MDB");
  EXPECT_EQ(value("SOFTWARE\\Borland\\BLW32", "BLAPIPATH"), kEngineDir);
  EXPECT_FALSE(keyExists(engine + "\\Settings\\DRIVERS\\FOXPRO\\INIT")) << "only from BDE=5 on";
  // 61 values in 12 keys.
  size_t values = 0;
  for (const char* k : {"", "\\Settings\\SYSTEM\\INIT", "\\Settings\\SYSTEM\\FORMATS\\DATE", "\\Settings\\SYSTEM\\FORMATS\\TIME",
                        "\\Settings\\SYSTEM\\FORMATS\\NUMBER", "\\Settings\\DRIVERS\\PARADOX\\INIT",
                        "\\Settings\\DRIVERS\\PARADOX\\TABLE CREATE", "\\Settings\\DRIVERS\\DBASE\\INIT",
                        "\\Settings\\DRIVERS\\DBASE\\TABLE CREATE", "\\Settings\\DRIVERS\\MSACCESS\\INIT",
                        "\\Settings\\DRIVERS\\MSACCESS\\DB OPEN"}) {
    auto key = machine.registry().open(Root::localMachine, engine + k, Access::read);
    ASSERT_TRUE(key.ok()) << k;
    values += (*key)->valueNames()->size();
  }
  EXPECT_EQ(values + 1, 61u);
  // The engine's servers registered themselves.
  EXPECT_TRUE(machine.registry().keyExists(Root::classesRoot, "CLSID\\{5QL}\\InprocServer32"));
  EXPECT_EQ(machine.system().currentDirectory(), "D:\\");

  EXPECT_TRUE(bde::CountEngineUse(ctx));
  EXPECT_EQ(value(engine, "UseCount"), "1");
  EXPECT_EQ(ctx.lists.UninstallLines, std::vector<std::string>{"UseBDE"});
}

TEST_F(Engine, FoxProDriverFromFiveOn) {
  ctx.model.Main.BDE = 5;
  RecordingRunEnd end2;
  bde::ConfigureEngine(ctx, end2);
  EXPECT_EQ(value("SOFTWARE\\Borland\\Database Engine\\Settings\\DRIVERS\\FOXPRO\\INIT", "LANGDRIVER"), "DBWINUS0");
  EXPECT_EQ(value("SOFTWARE\\Borland\\Database Engine\\Settings\\DRIVERS\\FOXPRO\\TABLE CREATE", "LEVEL"), "25");
}

TEST_F(Engine, AnExistingEngineKeyOnlyGainsAUser) {
  // The engine is registered but cannot start: the plan configures, and the
  // configuration and the count step each add one.
  DatabaseEngineInfo info;
  info.start = EngineStart::failsToStart;
  info.useCount = "3";
  addDatabaseEngine(machine, info);
  ctx.model.Main.BDE = 2;
  RecordingRunEnd end2;
  ASSERT_TRUE(bde::PlanEngine(ctx, end2));
  ASSERT_TRUE(ctx.run.has(eaConfigure));
  bde::ConfigureEngine(ctx, end2);
  EXPECT_FALSE(keyExists("SOFTWARE\\Borland\\Database Engine\\Settings\\SYSTEM\\FORMATS")) << "no configuration written";
  EXPECT_EQ(value("SOFTWARE\\Borland\\Database Engine", "UseCount"), "4");
  bde::CountEngineUse(ctx);
  EXPECT_EQ(value("SOFTWARE\\Borland\\Database Engine", "UseCount"), "5");

  // A count that is not a number: the configuration leaves it, the count
  // step starts from 0.
  auto key = machine.registry().open(Root::localMachine, "Software\\Borland\\Database Engine", Access::all);
  ASSERT_TRUE((*key)->write("UseCount", platform::Value::text("many")).ok());
  key->reset();
  bde::ConfigureEngine(ctx, end2);
  EXPECT_EQ(value("SOFTWARE\\Borland\\Database Engine", "UseCount"), "many");
  bde::CountEngineUse(ctx);
  EXPECT_EQ(value("SOFTWARE\\Borland\\Database Engine", "UseCount"), "1");
}

TEST_F(Engine, NoKeyNoCount) {
  EXPECT_FALSE(bde::CountEngineUse(ctx));
  EXPECT_TRUE(ctx.lists.UninstallLines.empty());
  EXPECT_FALSE(keyExists("Software\\Borland\\Database Engine"));
}

TEST_F(Engine, RemovalOfAnOutdatedEngineWithSharedCounts) {
  DatabaseEngineInfo info;
  info.version = "4.0.0.0";
  info.useCount = "7";  // other programs still count on it: removed all the same
  addDatabaseEngine(machine, info);
  ASSERT_TRUE(machine.addFile(kEngineDir + "\\other program.dat", "keep").ok());
  ASSERT_TRUE(machine.addFile("C:\\WINDOWS\\SYSTEM32\\bdeadmin.cpl", "applet").ok());
  {
    auto shared = machine.registry().open(Root::localMachine, kShared, Access::all);
    ASSERT_TRUE(shared.ok());
    // A count for a file that is gone already, and one for another program.
    ASSERT_TRUE((*shared)->write(kEngineDir + "\\idr20009.dll", platform::Value::dword(2)).ok());
    ASSERT_TRUE((*shared)->write("C:\\WINDOWS\\SYSTEM32\\bdeadmin.cpl", platform::Value::dword(1)).ok());
    ASSERT_TRUE((*shared)->write("C:\\Other\\keep.dll", platform::Value::dword(3)).ok());
  }
  ASSERT_TRUE(machine.registry().create(Root::localMachine, "Software\\Borland\\Delphi\\7.0").ok());
  ctx.model.Main.BDE = 2;
  ctx.model.Main.BDEVersion = "5.2.0.2";
  RecordingRunEnd end2;
  ASSERT_TRUE(bde::PlanEngine(ctx, end2));
  EXPECT_TRUE(ctx.window.has(afOldEngineRemoved));
  EXPECT_EQ(ctx.run.EngineActions, eaInstallFiles | eaConfigure | eaCountUse);

  for (const char* f : {"idapi32.dll", "idsql32.dll", "bdeadmin.exe", "blw32.dll", "IDAPI32.CFG"})
    EXPECT_FALSE(machine.files().exists(kEngineDir + "\\" + f)) << f;
  EXPECT_FALSE(machine.files().exists("C:\\WINDOWS\\SYSTEM32\\bdeadmin.cpl"));
  EXPECT_TRUE(machine.files().exists(kEngineDir + "\\other program.dat"));
  auto shared = machine.registry().open(Root::localMachine, kShared, Access::read);
  ASSERT_TRUE(shared.ok());
  EXPECT_EQ(*(*shared)->valueNames(), std::vector<std::string>{"C:\\Other\\keep.dll"}) << dump();
  shared->reset();
  EXPECT_FALSE(keyExists("Software\\Borland\\Database Engine"));
  EXPECT_FALSE(keyExists("Software\\Borland\\BLW32"));
  EXPECT_TRUE(keyExists("Software\\Borland\\Delphi\\7.0")) << "another product's key stays";
  // The servers were unregistered before their files went.
  EXPECT_FALSE(machine.registry().keyExists(Root::classesRoot, "CLSID\\{FB99D700-18B9-11D0-A4CF-00A024C91936}"));
  EXPECT_FALSE(machine.registry().keyExists(Root::classesRoot, "CLSID\\{FB99D701-18B9-11D0-A4CF-00A024C91936}"));

  // The rollback's warning applies until the new engine is configured.
  EXPECT_TRUE(bde::EngineUpdateIncomplete(ctx.window));
  ctx.window.include(afEngineConfigured);
  EXPECT_FALSE(bde::EngineUpdateIncomplete(ctx.window));
}

TEST_F(Engine, RemovalWithoutAnEngineKeyOrWithOnlyOtherVendorKeys) {
  ASSERT_TRUE(machine.registry().create(Root::localMachine, "Software\\Borland\\Database Engine").ok());
  ASSERT_TRUE(machine.addFile("C:\\idapi32.dll", "x").ok());
  bde::RemoveEngine(ctx);
  EXPECT_FALSE(keyExists("Software\\Borland")) << "the vendor key went with its last subkey";
  EXPECT_TRUE(machine.files().exists("C:\\idapi32.dll")) << "no DLLPATH: no files";
  bde::RemoveEngine(ctx);  // nothing left: nothing happens
}

}  // namespace
}  // namespace runtime::testing
