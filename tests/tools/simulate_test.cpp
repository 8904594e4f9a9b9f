// setupkit build, then setupkit simulate of the example package on the
// example machine: the whole road an author takes, on Linux.

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/tools/build_fixture.h"
#include "tools/setupkit/answers.h"
#include "tools/setupkit/machine_dir.h"
#include "tools/setupkit/package_builder.h"
#include "tools/setupkit/reg_file.h"
#include "tools/setupkit/simulation.h"

namespace setupkit {
namespace {

namespace fs = std::filesystem;

std::string u8s(const std::string& s1251) { return text::toUtf8(text::CodePage::cp1251, s1251); }

const fs::path kExamples = fs::path(SETUPKIT_SOURCE_DIR) / "examples";

bool has(const std::vector<std::string>& lines, const std::string& part) {
  return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(part) != std::string::npos; });
}

std::string joined(const SimulationReport& r) {
  std::string s;
  for (const auto& l : r.happened) s += "  " + l + "\n";
  for (const auto& l : r.changed) s += "  " + l + "\n";
  return s + "  reason: " + r.reason + "\n  error: " + r.error;
}

class Simulate : public testing::PackageSource {
 protected:
  void SetUp() override {
    PackageSource::SetUp();
    BuildRequest rq;
    rq.source = source;
    rq.out = out;
    BuildReport b = BuildPackage(rq);
    ASSERT_TRUE(b.ok()) << b.problems.front().reason;
  }
  SimulationReport run(const std::string& answersText, std::optional<fs::path> machine = kExamples / "machine",
                       std::optional<fs::path> after = std::nullopt, bool uninstall = false) {
    SimulationRequest rq;
    rq.packageDir = out;
    rq.machineDir = machine;
    rq.outDir = after;
    rq.uninstall = uninstall;
    std::string error;
    EXPECT_TRUE(ParseAnswers(answersText, rq.answers, error)) << error;
    return setupkit::Simulate(rq);
  }
  std::string exampleAnswers() { return readHostFile(kExamples / "answers.ini").value_or(""); }
};

TEST_F(Simulate, TheExamplePackageInstallsOnTheExampleMachineAndTheRunCanBeChained) {
  const fs::path after = root / "after";
  SimulationReport r = run(exampleAnswers(), kExamples / "machine", after);
  ASSERT_TRUE(r.error.empty()) << r.error;
  EXPECT_TRUE(r.installed) << joined(r);
  EXPECT_TRUE(has(r.happened, "licence C:\\WINDOWS\\TEMP\\Licence.txt -> accepted")) << joined(r);
  EXPECT_TRUE(has(r.happened, u8s("setup type: Полная"))) << joined(r);
  EXPECT_TRUE(has(r.happened, "page Final")) << joined(r);
  EXPECT_TRUE(has(r.happened, u8s("готова начать копирование файлов"))) << joined(r);
  EXPECT_TRUE(has(r.happened, "file demo.exe: ")) << joined(r);
  // The driver's own records: the uninstaller copied, the Uninstall entry,
  // the uninstall log.
  EXPECT_TRUE(has(r.changed, u8s("uninstall log C:\\Program Files\\Демо\\demo-install.log:"))) << joined(r);
  EXPECT_TRUE(has(r.changed, "  Uninstall information storage. Version 2.")) << joined(r);
  EXPECT_TRUE(has(r.changed,
                  "registry + [HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\DemoProgram] "
                  "\"DisplayName\"="))
      << joined(r);
  EXPECT_TRUE(fs::exists(after / "drive_c" / "Program Files" / toPath(u8s("Демо")) / "demo-install.log"));

  // The machine after the run, in the --machine form: the example's own
  // file, its registry in its encoding (UTF-16 with BOM), machine.ini.
  EXPECT_TRUE(fs::exists(after / "drive_c" / "WINDOWS" / "SYSTEM32" / "democore.dll"));
  auto regBytes = readHostFile(after / "registry.reg");
  ASSERT_TRUE(regBytes);
  EXPECT_EQ(regBytes->substr(0, 2), "\xFF\xFE");
  std::string error;
  auto reg = reg::Parse(*regBytes, error);
  ASSERT_TRUE(reg) << error;
  EXPECT_TRUE(std::any_of(reg->keys.begin(), reg->keys.end(), [](const reg::Key& k) {
    return k.path == "HKEY_CURRENT_USER\\Software\\Компания\\Демо" &&
           !k.values.empty();
  }));
  MachineDescription desc;
  ASSERT_TRUE(ParseMachineIni(readHostFile(after / "machine.ini").value_or(""), desc, error)) << error;
  // The older shared library (0.9.0.0) was replaced by the package's copy,
  // which carries no version resource in this test: its entry is gone.
  EXPECT_EQ(desc.versions.count("C:\\WINDOWS\\SYSTEM32\\democore.dll"), 0u);

  // Chained: the machine after the run is the next run's machine, and an
  // unchanged machine reports the same registry.
  const fs::path again = root / "again";
  SimulationReport r2 = run(exampleAnswers(), after, again);
  EXPECT_TRUE(r2.installed) << joined(r2);
  EXPECT_FALSE(has(r2.changed, "registry - ")) << joined(r2);
}

TEST_F(Simulate, RunsThatDoNotInstallSayWhyAndExitUnsuccessfully) {
  const std::pair<const char*, const char*> cases[] = {
      {"[Wizard]\nLicence=decline\n", "the licence was declined"},
      {"[Wizard]\nBreak=Start\n", "the user broke off the installation"},
      {"[Wizard]\nBreak=SetupType\n", "the user broke off the installation"},
      {"[Wizard]\nCopy=no\n", "the copy confirmation was refused"},
      {"[Wizard]\nBreak=Process\n", "the user broke off the installation"},
  };
  for (const auto& [answers, reason] : cases) {
    SCOPED_TRACE(answers);
    SimulationReport r = run(answers);
    EXPECT_FALSE(r.installed);
    EXPECT_EQ(r.reason, reason) << joined(r);
    // Nothing was installed: no new file on C: beyond the engine's own
    // temporary files, which the close steps remove.
    EXPECT_FALSE(has(r.changed, "Program Files")) << joined(r);
  }
}

TEST_F(Simulate, BadInputIsRefusedBeforeTheRun) {
  SimulationReport r = run("", root / "no-such-machine");
  EXPECT_NE(r.error.find("not a folder"), std::string::npos);

  testing::writeFile(root / "badmachine" / "registry.reg", "REGEDIT4\r\n[HKEY_NOWHERE\\x]\r\n");
  r = run("", root / "badmachine");
  EXPECT_NE(r.error.find("registry.reg: line 2: unknown root key"), std::string::npos) << r.error;

  SimulationRequest rq;
  rq.packageDir = source;  // a package folder, not a medium
  r = setupkit::Simulate(rq);
  EXPECT_NE(r.error.find("no install.dat"), std::string::npos) << r.error;
}

TEST_F(Simulate, TheUninstallerTakesTheInstallationAwayAgain) {
  // A fresh machine: nothing of the package was there before, so nothing
  // may be left after the removal (the shared library's count reaches zero
  // and the uninstaller's question is answered yes).
  SimulationReport r = run(exampleAnswers(), std::nullopt, std::nullopt, /*uninstall=*/true);
  ASSERT_TRUE(r.installed) << joined(r);
  std::string uninstalled;
  for (const auto& l : r.uninstalled) uninstalled += "  " + l + "\n";
  EXPECT_TRUE(has(r.uninstalled, "UninstallString: ")) << uninstalled;
  EXPECT_TRUE(has(r.uninstalled, "the log removed")) << uninstalled;
  EXPECT_FALSE(has(r.uninstalled, "not removed")) << uninstalled;
  std::string left;
  for (const auto& l : r.leftAfterUninstall) left += "  " + l + "\n";
  EXPECT_TRUE(r.leftAfterUninstall.empty()) << "left after the removal:\n" << left << uninstalled;
}

}  // namespace
}  // namespace setupkit
