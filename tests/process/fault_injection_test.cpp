// Fault injection over a full run: every platform operation the run makes
// fails once, in its own run. A run either absorbs the failure and reaches
// the Final page, or reports it and rolls back; after a rollback the
// machine must equal its starting state in everything the rollback covers
// (files and directories, links and program folders, registry values and
// the keys made for them). The scenario leaves out what the rollback does
// not undo by design: [RemoveFiles], shared-library counts, existing
// targets, the engine, COM registrations.

#include <iostream>
#include <memory>
#include <set>
#include <sstream>

#include "platform/sim/faults.h"
#include "process/texts.h"
#include "tests/process/scenario.h"

namespace process::testing {
namespace {

using platform::Root;
using platform::sim::Op;

constexpr const char kScript[] =
    "[Main]\r\nTitle=Fault\r\nUFile=#0\\unins.exe\r\nUKey=Fault\r\nLogFile=#0\\install.log\r\n"
    "[AskDirs]\r\nCount=2\r\nDir1=C:\\Vendor\\Fault\r\nDir2=C:\\Vendor\\Data\r\n"
    "[FileGroups]\r\nCount=1\r\nGroup1=1,2,3,4\r\n"
    "[Files]\r\nCount=4\r\nFile1=1,fault.exe,1.0.0.0,1,0,#0,fault.exe\r\nFile2=2,fault.ini,1.0.0.0,1,1,#0,fault.ini\r\n"
    "File3=3,guide.txt,1.0.0.0,1,0,#0\\Docs\\Guide,guide.txt\r\nFile4=4,data.db,1.0.0.0,1,0,#1,data.db\r\n"
    "[Registry]\r\nCount=3\r\nKey1=HKCU\\Software\\FaultNew,S,Path,C:\\Vendor\\Fault\r\n"
    "Key2=HKCU\\Software\\FaultOld,S,Name,new\r\nKey3=HKCU\\Software\\FaultOld,D,Count,7\r\n"
    "[ShellLinks]\r\nCount=2\r\nLink1=PROGRAMS\\Fault Vendor\\Fault,fault.exe,,Fault,#0,,,0\r\n"
    "Link2=DESKTOP\\,fault.exe,,Fault,,,,0\r\n"
    "[OCX]\r\nCount=1\r\nOCX1=TLB,#0\\fault.exe\r\n";

const Op kOps[] = {Op::openForWrite,   Op::write,          Op::removeFile,     Op::createDirectory,
                   Op::removeDirectory, Op::rename,        Op::copy,           Op::setAttributes,
                   Op::registryCreate, Op::registryWrite,  Op::registryRemove, Op::moveAtReboot,
                   Op::processRun,     Op::libraryLoad,    Op::typeLibraryRegister};

// One run's world.
struct World {
  World() : ctx(machine, messages), ui(ctx), end(ui) {
    ctx.model.WindowsDir = "C:\\WINDOWS\\";
    ctx.model.SystemDir = "C:\\WINDOWS\\SYSTEM32\\";
    ctx.model.SourceDir = "D:\\";
    ctx.window.ProgramDir = "D:\\";
  }
  platform::sim::Machine machine;
  FakeMessages messages;
  startup::SetupContext ctx;
  FakeInstallerUi ui;
  RecordingRunEnd end;

  std::string dump() { return machine.fileStore().toString() + machine.registryStore().toString(); }
};

std::unique_ptr<World> Prepare() {
  auto w = std::make_unique<World>();
  platform::sim::Machine& m = w->machine;
  EXPECT_TRUE(platform::writeWholeFile(m.files(), kScriptPath, std::string("[Version]\r\nScript=1\r\n") + kScript).ok());
  EXPECT_TRUE(startup::ReadSetupScript(w->ctx, kScriptPath).ok());
  EXPECT_TRUE(m.files().removeFile(kScriptPath).ok());
  for (auto& g : w->ctx.model.TGroups) g.Selected = true;
  EXPECT_TRUE(m.addFile("D:\\data.000", StoredRar5({{"fault.exe", "program"},
                                                    {"fault.ini", "Dir=#0\r\n"},
                                                    {"guide.txt", "guide"},
                                                    {"data.db", std::string(3000, 'd')}}))
                  .ok());
  EXPECT_TRUE(m.addFile("C:\\WINDOWS\\TEMP\\unins.exe", "uninstaller").ok());
  EXPECT_TRUE(m.registryStore().setValue(Root::currentUser, "Software\\FaultOld", "Name", platform::Value::text("old")).ok());
  EXPECT_TRUE(m.addDirectory("C:\\Vendor").ok());  // a parent that was there before
  return w;
}

// Lines only in `before` as "-", only in `after` as "+".
std::string Diff(const std::string& before, const std::string& after) {
  auto lines = [](const std::string& s) {
    std::multiset<std::string> out;
    std::istringstream in(s);
    for (std::string line; std::getline(in, line);) out.insert(line);
    return out;
  };
  const auto a = lines(before);
  const auto b = lines(after);
  std::string out;
  for (const std::string& l : a)
    if (b.count(l) < a.count(l) && out.find("- " + l + "\n") == std::string::npos) out += "- " + l + "\n";
  for (const std::string& l : b)
    if (a.count(l) < b.count(l) && out.find("+ " + l + "\n") == std::string::npos) out += "+ " + l + "\n";
  return out;
}

TEST(FaultInjection, EveryOperationOfARunFailedOnce) {
  // The run without faults must succeed, or nothing below means anything.
  {
    auto w = Prepare();
    process::RunInstallation(w->ctx, w->ui, w->end);
    ASSERT_TRUE(w->ui.finalPage) << w->machine.toString();
  }
  int failedRuns = 0;
  int absorbed = 0;
  for (const Op op : kOps) {
    for (uint32_t n = 1; n <= 2000; ++n) {
      auto w = Prepare();
      const std::string before = w->dump();
      w->machine.failNth(op, n, platform::Status(platform::Code::accessDenied, 5, "injected"));
      process::RunInstallation(w->ctx, w->ui, w->end);
      if (!w->machine.faults().toString().empty()) break;  // the run makes fewer operations of this kind
      const std::string where = std::string(platform::sim::opName(op)) + " #" + std::to_string(n);
      if (w->end.rollBacks == 0) {
        EXPECT_TRUE(w->ui.finalPage) << where << ": the run neither finished nor reported a failure";
        ++absorbed;
        continue;
      }
      ++failedRuns;
      EXPECT_FALSE(w->ui.finalPage) << where;
      EXPECT_EQ(w->end.rollBacks, 1) << where;
      EXPECT_EQ(w->end.terminated, 1) << where;
      const std::string after = w->dump();
      EXPECT_EQ(after, before) << where << ": the rollback left the machine changed:\n" << Diff(before, after);
    }
  }
  // How much of the run the faults reached, for whoever reads the output.
  std::cout << "fault injection: " << failedRuns << " runs rolled back, " << absorbed << " absorbed\n";
}

}  // namespace
}  // namespace process::testing
