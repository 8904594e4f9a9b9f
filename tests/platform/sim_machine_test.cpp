// What only the in-memory machine offers: locks, fault injection, version
// resources, programs, libraries, recorded actions and the state dump.

#include <gtest/gtest.h>

#include "platform/sim/machine.h"

namespace platform::sim {
namespace {

class SimMachine : public ::testing::Test {
 protected:
  FileSystem& fs() { return machine.files(); }
  Machine machine;
};

TEST_F(SimMachine, FreshMachineLooksLikeWindows7) {
  EXPECT_TRUE(fs().directoryExists("C:\\WINDOWS\\SYSTEM32"));
  EXPECT_TRUE(fs().directoryExists("C:\\Program Files"));
  EXPECT_EQ(*fs().tempPath(), "C:\\WINDOWS\\TEMP\\");
  EXPECT_TRUE(fs().directoryExists(*fs().tempPath()));
  EXPECT_EQ(machine.system().modulePath(), "D:\\SETUP.EXE");
  EXPECT_EQ(fs().driveType("d:\\"), DriveType::cdrom);
  EXPECT_EQ(fs().logicalDrives(), (1u << 2) | (1u << 3));
  EXPECT_EQ(*machine.shell().specialFolder(csidl::commonPrograms), "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs");
  auto programFiles = machine.registryStore().value(Root::localMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir");
  ASSERT_TRUE(programFiles.ok());
  EXPECT_EQ(programFiles->data, "C:\\Program Files");
}

TEST_F(SimMachine, EnginePathFormsResolve) {
  // The engine joins names to directories that already end in a backslash.
  ASSERT_TRUE(machine.addFile("C:\\WINDOWS\\install.log", "log").ok());
  for (const char* path : {"C:\\WINDOWS\\\\install.log", "c:/windows/INSTALL.LOG", "C:\\WINDOWS\\SYSTEM32\\..\\install.log",
                           "C:\\WINDOWS\\.\\install.log", "C:\\WINDOWS\\install.log."})
    EXPECT_TRUE(fs().fileExists(path)) << path;
  EXPECT_EQ(fs().stat("C:\\WINDOWS\\in*.log").status().code(), Code::invalidArgument);
  EXPECT_EQ(fs().stat("\\\\server\\share\\x").status().code(), Code::pathNotFound);
  EXPECT_EQ(fs().stat("Q:\\x").status().code(), Code::pathNotFound);
  // Relative names start at the current directory (D:\ on a fresh machine).
  ASSERT_TRUE(machine.addFile("D:\\INSTALL.DAT", "x").ok());
  EXPECT_TRUE(fs().fileExists("install.dat"));
}

TEST_F(SimMachine, LockedFilesReadButDoNotChange) {
  ASSERT_TRUE(machine.addFile("C:\\WINDOWS\\SYSTEM32\\used.dll", "v1").ok());
  ASSERT_TRUE(machine.lock("C:\\WINDOWS\\SYSTEM32\\USED.DLL").ok());
  const std::string path = "C:\\WINDOWS\\SYSTEM32\\used.dll";
  EXPECT_EQ(fs().open(path, OpenMode::createAlways).status().code(), Code::sharingViolation);
  EXPECT_EQ(fs().open(path, OpenMode::readWrite).status().code(), Code::sharingViolation);
  EXPECT_EQ(fs().removeFile(path).code(), Code::sharingViolation);
  EXPECT_EQ(fs().rename(path, path + ".old").code(), Code::sharingViolation);
  EXPECT_EQ(fs().copyFile("C:\\WINDOWS\\win.ini", path, false).code(), Code::notFound);
  ASSERT_TRUE(machine.addFile("C:\\new.dll", "v2").ok());
  EXPECT_EQ(fs().copyFile("C:\\new.dll", path, false).code(), Code::sharingViolation);
  EXPECT_EQ(*readWholeFile(fs(), path), "v1");
  EXPECT_TRUE(fs().copyFile(path, "C:\\copy.dll", true).ok()) << "reading a locked file is allowed";
  ASSERT_TRUE(machine.lock(path, false).ok());
  EXPECT_TRUE(fs().removeFile(path).ok());
}

TEST_F(SimMachine, CopyFromAFileOpenForWritingIsRefused) {
  // Windows' CopyFile shares the source for reading only (Wine lets it pass).
  ASSERT_TRUE(machine.addFile("C:\\f", "x").ok());
  auto writer = fs().open("C:\\f", OpenMode::readWrite);
  ASSERT_TRUE(writer.ok());
  EXPECT_EQ(fs().copyFile("C:\\f", "C:\\g", false).code(), Code::sharingViolation);
}

TEST_F(SimMachine, FaultInjectionFailsTheNthOperation) {
  const Status diskFull(Code::diskFull, 112);
  struct Case {
    Op op;
    std::function<Status(Machine&)> run;
  } cases[] = {
      {Op::openForWrite, [](Machine& m) { return m.files().open("C:\\a", OpenMode::createAlways).status(); }},
      {Op::write, [](Machine& m) { return writeWholeFile(m.files(), "C:\\a", "x"); }},
      {Op::removeFile, [](Machine& m) { return m.addFile("C:\\r", "").ok() ? m.files().removeFile("C:\\r") : Status(Code::failed); }},
      {Op::createDirectory, [](Machine& m) {
         if (m.files().exists("C:\\d") && !m.files().removeDirectory("C:\\d").ok()) return Status(Code::failed);
         return m.files().createDirectory("C:\\d");
       }},
      {Op::removeDirectory, [](Machine& m) { return m.addDirectory("C:\\rd").ok() ? m.files().removeDirectory("C:\\rd") : Status(Code::failed); }},
      {Op::rename, [](Machine& m) {
         if (m.files().exists("C:\\n2") && !m.files().removeFile("C:\\n2").ok()) return Status(Code::failed);
         return m.addFile("C:\\n1", "").ok() ? m.files().rename("C:\\n1", "C:\\n2") : Status(Code::failed);
       }},
      {Op::copy, [](Machine& m) { return m.addFile("C:\\c1", "").ok() ? m.files().copyFile("C:\\c1", "C:\\c2", false) : Status(Code::failed); }},
      {Op::setAttributes, [](Machine& m) { return m.files().setAttributes("C:\\WINDOWS", attr::directory); }},
      {Op::registryCreate, [](Machine& m) { return m.registry().create(Root::currentUser, "Software\\X", nullptr).status(); }},
      {Op::registryWrite, [](Machine& m) {
         auto k = m.registry().create(Root::currentUser, "Software\\X", nullptr);
         return k ? (*k)->write("v", Value::dword(1)) : k.status();
       }},
      {Op::registryRemove, [](Machine& m) {
         return m.registry().create(Root::currentUser, "Software\\Y", nullptr).ok() ? m.registry().removeKey(Root::currentUser, "Software\\Y")
                                                                                    : Status(Code::failed);
       }},
      {Op::moveAtReboot, [](Machine& m) { return m.system().moveAtReboot("C:\\a", "C:\\b"); }},
      {Op::processRun, [](Machine& m) { return m.processes().runAndWait("C:\\prog.exe", "").status(); }},
      {Op::libraryLoad, [](Machine& m) { return m.libraries().load("C:\\lib.dll").status(); }},
      {Op::typeLibraryRegister, [](Machine& m) { return m.typeLibraries().registerTypeLibrary("C:\\lib.dll"); }},
      {Op::shutdownPrivilege, [](Machine& m) { return m.system().enableShutdownPrivilege(); }},
      {Op::restartRequest, [](Machine& m) { return m.system().restart(); }},
  };
  for (const Case& c : cases) {
    Machine m;
    ASSERT_TRUE(m.addFile("C:\\prog.exe", "MZ").ok());
    ASSERT_TRUE(m.addFile("C:\\lib.dll", "MZ").ok());
    m.registerProgram("C:\\prog.exe", [](const std::string&, const std::string&, Machine&) { return 0u; });
    m.registerLibrary("C:\\lib.dll", {});
    m.failNth(c.op, 2, diskFull);
    EXPECT_TRUE(c.run(m).ok()) << opName(c.op) << " first call\n" << m.toString();
    EXPECT_EQ(c.run(m).code(), Code::diskFull) << opName(c.op) << " second call";
    EXPECT_TRUE(c.run(m).ok()) << opName(c.op) << " third call";
  }
}

TEST_F(SimMachine, FaultsCountPerKindAndFromTheCall) {
  ASSERT_TRUE(machine.addFile("C:\\a", "").ok());
  EXPECT_TRUE(fs().removeFile("C:\\a").ok());  // before the fault is set: not counted
  machine.failNth(Op::removeFile, 1, Status(Code::accessDenied, 5));
  EXPECT_TRUE(writeWholeFile(fs(), "C:\\b", "x").ok()) << "other kinds do not count";
  EXPECT_EQ(fs().removeFile("C:\\b").code(), Code::accessDenied);
  EXPECT_TRUE(fs().fileExists("C:\\b")) << "a failed operation changes nothing";
  EXPECT_TRUE(fs().removeFile("C:\\b").ok());
}

TEST_F(SimMachine, HugeFilesFillTheDiskInsteadOfMemory) {
  auto file = fs().open("C:\\huge.bin", OpenMode::createAlways);
  ASSERT_TRUE(file.ok());
  ASSERT_TRUE((*file)->seek(uint64_t{1} << 32).ok());
  EXPECT_EQ((*file)->write("x", 1).code(), Code::diskFull);
  EXPECT_EQ(*(*file)->size(), 0u);
}

TEST_F(SimMachine, VersionResources) {
  ASSERT_TRUE(machine.addFile("C:\\WINDOWS\\SYSTEM32\\lib.dll", "MZ").ok());
  VersionInfo v;
  v.present = true;
  v.fixedMs = (2u << 16) | 5u;
  v.fixedLs = (0u << 16) | 17u;
  ASSERT_TRUE(machine.setVersion("C:\\WINDOWS\\SYSTEM32\\lib.dll", v).ok());
  auto got = fs().versionInfo("c:\\windows\\system32\\LIB.DLL");
  ASSERT_TRUE(got.ok());
  EXPECT_TRUE(got->present);
  EXPECT_EQ(got->text(), "2.5.0.17");
  v.fileVersion = "2.5 beta";
  ASSERT_TRUE(machine.setVersion("C:\\WINDOWS\\SYSTEM32\\lib.dll", v).ok());
  EXPECT_EQ(fs().versionInfo("C:\\WINDOWS\\SYSTEM32\\lib.dll")->text(), "2.5 beta");
  // Copies carry the resource; rewriting the file drops it.
  ASSERT_TRUE(fs().copyFile("C:\\WINDOWS\\SYSTEM32\\lib.dll", "C:\\copy.dll", false).ok());
  EXPECT_TRUE(fs().versionInfo("C:\\copy.dll")->present);
  ASSERT_TRUE(writeWholeFile(fs(), "C:\\copy.dll", "plain").ok());
  EXPECT_FALSE(fs().versionInfo("C:\\copy.dll")->present);
}

TEST_F(SimMachine, WritesStampTheClock) {
  machine.clock().now = dosToFileTime(0x50B16000);
  ASSERT_TRUE(writeWholeFile(fs(), "C:\\f", "x").ok());
  EXPECT_EQ(fs().stat("C:\\f")->writeTime, machine.clock().now);
}

TEST_F(SimMachine, ShortNamesArePlausibleAndUsable) {
  ASSERT_TRUE(machine.addFile("C:\\Program Files\\My Program\\readme.txt", "r").ok());
  ASSERT_TRUE(machine.addDirectory("C:\\Program Files\\My Programs Too").ok());
  EXPECT_EQ(*fs().shortPath("C:\\Program Files\\My Program\\readme.txt"), "C:\\PROGRA~1\\MYPROG~1\\readme.txt");
  EXPECT_EQ(*fs().shortPath("C:\\Program Files\\My Programs Too"), "C:\\PROGRA~1\\MYPROG~2");
  EXPECT_TRUE(fs().fileExists("C:\\PROGRA~1\\MYPROG~1\\README.TXT"));
  EXPECT_EQ(fs().shortPath("C:\\Program Files\\none").status().code(), Code::notFound);
}

TEST_F(SimMachine, DrivesAreConfigurable) {
  machine.addDrive('A', DriveType::removable, DiskFreeSpace{1, 512, 100, 2847});
  EXPECT_EQ(fs().driveType("A:\\"), DriveType::removable);
  EXPECT_EQ(fs().diskFreeSpace("a:")->freeClusters, 100u);
  EXPECT_TRUE(fs().logicalDrives() & 1u);
  ASSERT_TRUE(machine.addFile("A:\\DISK2\\data.001", "vol").ok());
}

TEST_F(SimMachine, RegistryAccessCanBeRefused) {
  Registry& reg = machine.registry();
  ASSERT_TRUE(reg.create(Root::localMachine, "SOFTWARE\\Locked", nullptr).ok());
  ASSERT_TRUE(machine.registryStore().denyWriteAccess(Root::localMachine, "software\\locked").ok());
  EXPECT_TRUE(reg.open(Root::localMachine, "SOFTWARE\\Locked", Access::read).ok());
  EXPECT_EQ(reg.open(Root::localMachine, "SOFTWARE\\Locked", Access::all).status().code(), Code::accessDenied);
  EXPECT_EQ(reg.create(Root::localMachine, "SOFTWARE\\Locked", nullptr).status().code(), Code::accessDenied);
  EXPECT_EQ(reg.create(Root::localMachine, "SOFTWARE\\Locked\\Sub", nullptr).status().code(), Code::accessDenied);
  EXPECT_EQ(reg.removeKey(Root::localMachine, "SOFTWARE\\Locked").code(), Code::accessDenied);
  EXPECT_FALSE(reg.keyExists(Root::localMachine, "SOFTWARE\\Locked\\Sub"));
}

// How programs are found and what they answer is in the contract suite
// (contract_binaries_test.cpp); here what only the simulation has: the
// behaviour a test registers, the system directory it may use, the log.
TEST_F(SimMachine, ProgramsRunWithTheirBehaviour) {
  ASSERT_TRUE(machine.addFile("C:\\Program Files\\Tool\\setup helper.exe", "MZ").ok());
  ASSERT_TRUE(machine.addFile("C:\\WINDOWS\\SYSTEM32\\regsvr.exe", "MZ").ok());
  std::string seenLine, seenDir;
  machine.registerProgram("C:\\Program Files\\Tool\\setup helper.exe",
                          [&](const std::string& line, const std::string& dir, Machine& m) {
                            seenLine = line;
                            seenDir = dir;
                            return writeWholeFile(m.files(), "C:\\ran.txt", "yes").ok() ? 7u : 1u;
                          });
  machine.registerProgram("C:\\WINDOWS\\SYSTEM32\\regsvr.exe", [](const std::string&, const std::string&, Machine&) { return 0u; });
  auto helper = machine.processes().runAndWait("\"C:\\Program Files\\Tool\\setup helper.exe\" /q", "");
  ASSERT_TRUE(helper.ok());
  EXPECT_EQ(*helper, 7u);
  EXPECT_EQ(seenLine, "\"C:\\Program Files\\Tool\\setup helper.exe\" /q");
  EXPECT_EQ(seenDir, "D:\\") << "the current directory when none is given";
  EXPECT_EQ(*machine.fileContent("C:\\ran.txt"), "yes");
  auto regsvr = machine.processes().runAndWait("regsvr /s x.dll", "");  // found in the system directory
  ASSERT_TRUE(regsvr.ok()) << regsvr.status().toString();
  EXPECT_EQ(machine.programTable().runs().size(), 2u);
  EXPECT_EQ(machine.programTable().runs()[1].program, "C:\\WINDOWS\\SYSTEM32\\regsvr.exe");
}

TEST_F(SimMachine, LibrariesAreCalledAndCounted) {
  ASSERT_TRUE(machine.addFile("C:\\WINDOWS\\TEMP\\Install.Dll", "MZ").ok());
  ASSERT_TRUE(machine.addFile("C:\\WINDOWS\\TEMP\\other.dll", "MZ").ok());
  std::string seen;
  machine.registerLibrary("C:\\WINDOWS\\TEMP\\install.dll",
                          {{"CheckFile", [&](std::span<const CallArg> args, Machine&) {
                              seen = std::get<std::string>(args[0]);
                              return std::get<uint32_t>(args[1]) + 1;
                            }}});
  {
    auto lib = machine.libraries().load("c:\\windows\\temp\\INSTALL.DLL");
    ASSERT_TRUE(lib.ok()) << lib.status().toString();
    EXPECT_TRUE((*lib)->hasEntry("CheckFile"));
    EXPECT_FALSE((*lib)->hasEntry("checkfile")) << "entry names are exact";
    const CallArg args[] = {std::string("C:\\x.dll"), 41u};
    auto r = (*lib)->call("CheckFile", args);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(*r, 42u);
    EXPECT_EQ(seen, "C:\\x.dll");
    EXPECT_EQ((*lib)->call("Missing").status().code(), Code::notFound);
    EXPECT_EQ(machine.libraryTable().loadedCount(), 1);
  }
  EXPECT_EQ(machine.libraryTable().loads("C:\\WINDOWS\\TEMP\\Install.Dll"), 1);
  EXPECT_EQ(machine.libraryTable().unloads("C:\\WINDOWS\\TEMP\\Install.Dll"), 1);
  EXPECT_EQ(machine.libraryTable().loadedCount(), 0);
  EXPECT_EQ(machine.libraries().load("C:\\none.dll").status().code(), Code::notFound);
  auto invalid = machine.libraries().load("C:\\WINDOWS\\TEMP\\other.dll");
  EXPECT_EQ(invalid.status().code(), Code::failed);
  EXPECT_EQ(invalid.status().native(), 193u);
}

TEST_F(SimMachine, TypeLibraryRegistration) {
  ASSERT_TRUE(machine.addFile("C:\\WINDOWS\\SYSTEM32\\a.tlb", "MSFT").ok());
  ASSERT_TRUE(machine.addFile("C:\\WINDOWS\\SYSTEM32\\b.tlb", "MSFT").ok());
  machine.typeLibraryTable().failRegistration("C:\\WINDOWS\\SYSTEM32\\b.tlb", Status(Code::accessDenied, 0x80029C4Au));
  TypeLibraries& t = machine.typeLibraries();
  EXPECT_TRUE(t.registerTypeLibrary("C:\\WINDOWS\\SYSTEM32\\a.tlb").ok());
  EXPECT_TRUE(machine.typeLibraryTable().isRegistered("c:\\windows\\system32\\A.TLB"));
  EXPECT_EQ(t.registerTypeLibrary("C:\\WINDOWS\\SYSTEM32\\b.tlb").code(), Code::accessDenied);
  EXPECT_EQ(t.registerTypeLibrary("C:\\none.tlb").code(), Code::notFound);
  EXPECT_TRUE(t.unregisterTypeLibrary("C:\\WINDOWS\\SYSTEM32\\a.tlb").ok());
  EXPECT_FALSE(machine.typeLibraryTable().isRegistered("C:\\WINDOWS\\SYSTEM32\\a.tlb"));
  EXPECT_EQ(t.unregisterTypeLibrary("C:\\WINDOWS\\SYSTEM32\\a.tlb").code(), Code::notFound);
}

TEST_F(SimMachine, RecordsWholeMachineActions) {
  System& sys = machine.system();
  ASSERT_TRUE(sys.moveAtReboot("C:\\WINDOWS\\Ins1.tmp", "C:\\WINDOWS\\used.dll").ok());
  ASSERT_TRUE(sys.moveAtReboot("C:\\WINDOWS\\old.tmp", "").ok());
  ASSERT_TRUE(sys.restart().ok());
  sys.beep(0x30);
  ASSERT_TRUE(machine.addFile("C:\\readme.txt", "r").ok());
  EXPECT_TRUE(machine.shell().open("C:\\readme.txt", "", "C:\\", 1).ok());
  EXPECT_EQ(machine.shell().open("C:\\none.txt", "", "", 1).code(), Code::notFound);
  const auto& moves = machine.systemState().rebootMoves();
  ASSERT_EQ(moves.size(), 2u);
  EXPECT_EQ(moves[0].from, "C:\\WINDOWS\\Ins1.tmp");
  EXPECT_EQ(moves[0].to, "C:\\WINDOWS\\used.dll");
  EXPECT_EQ(moves[1].to, "");
  EXPECT_EQ(machine.systemState().restartCount(), 1);
  EXPECT_TRUE(machine.systemState().shutdownPrivilegeEnabled());
  EXPECT_EQ(machine.systemState().beeps(), std::vector<uint32_t>{0x30});
  EXPECT_EQ(machine.shellState().opened().size(), 2u);
}

TEST_F(SimMachine, SettableSystemFacts) {
  SystemState& s = machine.systemState();
  s.setOsVersion(OsVersion{1, 4, 10, 2222, " A "});
  s.setProcessor(ProcessorInfo{0, 486, 4, 0, 1});
  s.setWindowsDirectory("C:\\WIN98");
  s.setSystemDirectory("C:\\WIN98\\SYSTEM");
  s.setModulePath("A:\\SETUP.EXE");
  EXPECT_EQ(machine.system().osVersion().platformId, 1u);
  EXPECT_EQ(machine.system().processor().processorType, 486u);
  EXPECT_EQ(machine.system().systemDirectory(), "C:\\WIN98\\SYSTEM");
  EXPECT_EQ(machine.system().modulePath(), "A:\\SETUP.EXE");
  machine.shellState().setSpecialFolder(csidl::commonPrograms, "");
  EXPECT_EQ(machine.shell().specialFolder(csidl::commonPrograms).status().code(), Code::notFound);
}

TEST_F(SimMachine, LinkFilesHoldTheLink) {
  ShellLink link{"C:\\p.exe", "a\\b \"c\"", "C:\\", "line1\nline2", "", 0, 7};
  ASSERT_TRUE(machine.shell().saveLink("C:\\x.lnk", link).ok());
  auto back = machine.shell().loadLink("C:\\X.LNK");
  ASSERT_TRUE(back.ok());
  EXPECT_EQ(back->arguments, link.arguments);
  EXPECT_EQ(back->description, link.description);
  EXPECT_EQ(back->showCommand, 7);
  ASSERT_TRUE(machine.addFile("C:\\plain.lnk", "not a link").ok());
  EXPECT_EQ(machine.shell().loadLink("C:\\plain.lnk").status().code(), Code::invalidArgument);
}

TEST_F(SimMachine, DumpShowsTheWholeState) {
  ASSERT_TRUE(machine.addFile("C:\\Program Files\\App\\app.exe", "12345", attr::readOnly).ok());
  ASSERT_TRUE(machine.lock("C:\\Program Files\\App\\app.exe").ok());
  auto k = machine.registry().create(Root::currentUser, "Software\\App", nullptr);
  ASSERT_TRUE(k.ok());
  ASSERT_TRUE((*k)->write("Path", Value::text("C:\\Program Files\\App")).ok());
  ASSERT_TRUE((*k)->write("Count", Value::dword(3)).ok());
  ASSERT_TRUE(machine.system().moveAtReboot("C:\\a.tmp", "C:\\a.dll").ok());
  machine.failNth(Op::write, 3, Status(Code::diskFull));
  const std::string dump = machine.toString();
  for (const char* expected : {"C:\\Program Files\\App\\app.exe", "[R]", "5 bytes", "LOCKED", "HKEY_CURRENT_USER\\Software\\App",
                               "Path SZ \"C:\\Program Files\\App\"", "Count DWORD 3", "at reboot: C:\\a.tmp -> C:\\a.dll",
                               "PendingFileRenameOperations MULTI_SZ", "write in 3: disk full"})
    EXPECT_NE(dump.find(expected), std::string::npos) << expected << "\n" << dump;
}

}  // namespace
}  // namespace platform::sim

namespace platform::sim {
namespace {

// On the NT family a restart needs the shutdown privilege first; the
// Windows 95 family has no privileges to take.
TEST(SimRestart, RequestNeedsThePrivilegeOnNt) {
  Machine nt;
  EXPECT_EQ(nt.system().requestRestart().code(), Code::accessDenied);
  EXPECT_EQ(nt.systemState().restartRequestCount(), 1);
  EXPECT_EQ(nt.systemState().restartCount(), 0);
  ASSERT_TRUE(nt.system().enableShutdownPrivilege().ok());
  EXPECT_TRUE(nt.system().requestRestart().ok());
  EXPECT_EQ(nt.systemState().restartCount(), 1);

  Machine win95;
  win95.systemState().setOsVersion(OsVersion{1, 4, 0, 950, ""});
  EXPECT_TRUE(win95.system().requestRestart().ok());
  EXPECT_EQ(win95.systemState().restartCount(), 1);
}

}  // namespace
}  // namespace platform::sim
