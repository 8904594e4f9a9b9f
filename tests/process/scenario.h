#pragma once
// One installation run on a fresh simulated machine: a script read by the
// real reader, a package data.000 beside D:\SETUP.EXE, the groups the user
// chose, the recording window, then the run.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/machine.h"
#include "process/driver.h"
#include "startup/context.h"
#include "startup/script_reader.h"
#include "tests/process/fake_installer_ui.h"
#include "tests/wizard/stored_rar5.h"

namespace process::testing {

using wizard::testing::StoredMember;
using wizard::testing::StoredRar5;

inline constexpr const char kScriptPath[] = "C:\\WINDOWS\\TEMP\\Install.Ini";

class ScenarioTest : public ::testing::Test {
 protected:
  ScenarioTest() : ctx(machine, messages), ui(ctx), end(ui) {
    startup::SetupDataModel& m = ctx.model;
    m.WindowsDir = "C:\\WINDOWS\\";
    m.SystemDir = "C:\\WINDOWS\\SYSTEM32\\";
    m.SourceDir = "D:\\";
    m.RunLibWorkDir = "C:\\WINDOWS\\TEMP\\Setup1.tmp";
    ctx.window.ProgramDir = "D:\\";
    ctx.window.SourceDrive = "D:\\";
  }

  // Reads "[Version] Script=1" and `body` as the setup script.
  void Script(const std::string& body) {
    const std::string text = "[Version]\r\nScript=1\r\n" + body;
    ASSERT_TRUE(platform::writeWholeFile(machine.files(), kScriptPath, text).ok());
    const startup::ScriptReadResult read = startup::ReadSetupScript(ctx, kScriptPath);
    ASSERT_TRUE(read.ok()) << read.message;
    startup::ResolveDirectoryVariables(ctx);
    ASSERT_TRUE(machine.files().removeFile(kScriptPath).ok());
  }
  // D:\data.000 with stored members.
  void Package(const std::vector<StoredMember>& members) {
    ASSERT_TRUE(machine.addFile("D:\\data.000", StoredRar5(members)).ok());
  }
  void SelectAllGroups() {
    for (auto& g : ctx.model.TGroups) g.Selected = true;
  }
  void Run() { process::RunInstallation(ctx, ui, end); }

  std::string File(const std::string& path) {
    auto c = machine.fileContent(path);
    return c.ok() ? *c : std::string("<missing: ") + c.status().toString() + ">";
  }
  bool Exists(const std::string& path) { return machine.files().exists(path); }
  platform::Result<platform::Value> Value(platform::Root root, const std::string& key, const std::string& name) {
    return machine.registryStore().value(root, key, name);
  }
  // What the rollback is measured against: files with sizes and dates, the
  // registry with its values.
  std::string Dump() { return machine.fileStore().toString() + machine.registryStore().toString(); }
  const std::vector<std::string>& Lines() const { return ctx.lists.UninstallLines; }

  platform::sim::Machine machine;
  FakeMessages messages;
  startup::SetupContext ctx;
  FakeInstallerUi ui;
  RecordingRunEnd end;
};

// The log's two header lines for a title.
inline std::vector<std::string> Header(const std::string& title) {
  return {"Uninstall information storage. Version 2.", title};
}

}  // namespace process::testing
