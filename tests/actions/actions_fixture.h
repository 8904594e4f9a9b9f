#pragma once
// The actions on a fresh simulated machine: a run context, and a run end
// that records the fatal reports instead of ending anything.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "actions/report_action_error.h"
#include "platform/sim/machine.h"
#include "startup/context.h"
#include "tests/startup/fixture.h"

namespace actions::testing {

class RecordingRunEnd : public RunEnd {
 public:
  void ShowFatalError(const std::string& text) override { shown.push_back(text); }
  void RollBack(startup::SetupContext& ctx) override {
    ++rollBacks;
    listsAtRollBack = ctx.lists;
  }
  void Terminate() override { ++terminated; }

  std::vector<std::string> shown;
  int rollBacks = 0;
  int terminated = 0;
  startup::RunLists listsAtRollBack;
};

class ActionsFixture : public ::testing::Test {
 protected:
  ActionsFixture() : ctx(machine, ui) {
    ctx.model.WindowsDir = "C:\\WINDOWS\\";
    ctx.model.SystemDir = "C:\\WINDOWS\\SYSTEM32\\";
    ctx.model.OsKind = startup::okNT;
  }

  // Exactly one fatal report with this text, and the run ended.
  void ExpectOneFatalReport(const std::string& text) {
    ASSERT_EQ(end.shown.size(), 1u);
    EXPECT_EQ(end.shown[0], text);
    EXPECT_EQ(end.rollBacks, 1);
    EXPECT_EQ(end.terminated, 1);
  }
  void ExpectNoReport() {
    EXPECT_TRUE(end.shown.empty()) << end.shown[0];
    EXPECT_EQ(end.rollBacks, 0);
  }

  platform::sim::Machine machine;
  startup::testing::RecordingUi ui;
  startup::SetupContext ctx;
  RecordingRunEnd end;
};

}  // namespace actions::testing
