#pragma once
// A run on a fresh simulated machine for the actions that run foreign code:
// the setup program on D:, the work directory reserved, and a run end that
// records the fatal message instead of showing it.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "actions/report_action_error.h"
#include "platform/sim/components.h"
#include "platform/sim/machine.h"
#include "tests/startup/fixture.h"

namespace runtime::testing {

class RecordingRunEnd : public actions::RunEnd {
 public:
  void ShowFatalError(const std::string& text) override { shown.push_back(text); }
  void RollBack(startup::SetupContext&) override { ++rollBacks; }
  void Terminate() override { ++terminates; }

  std::vector<std::string> shown;
  int rollBacks = 0;
  int terminates = 0;
};

class RuntimeFixture : public ::testing::Test {
 protected:
  RuntimeFixture() : ctx(machine, ui) {
    ctx.model.WindowsDir = "C:\\WINDOWS\\";
    ctx.model.SystemDir = "C:\\WINDOWS\\SYSTEM32\\";
    ctx.model.SourceDir = "D:\\";
    ctx.model.RunLibWorkDir = "C:\\WINDOWS\\TEMP\\Ins1A.tmp";
    ctx.model.DatabaseEngineDir = "C:\\Program Files\\Borland\\Common Files\\BDE";
  }

  std::string dump() { return machine.toString(); }

  platform::sim::Machine machine;
  startup::testing::RecordingUi ui;
  startup::SetupContext ctx;
  RecordingRunEnd end;
};

}  // namespace runtime::testing
