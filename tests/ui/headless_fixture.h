#pragma once
// A headless application for tests: failures of the scripted responder
// become GoogleTest failures, and every test ends by checking that nothing
// expected or queued was left over.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ui/application.h"
#include "ui/headless/headless_renderer.h"

namespace ui::testing {

inline std::unique_ptr<headless::HeadlessRenderer> makeRenderer(headless::HeadlessRenderer*& out) {
  auto r = std::make_unique<headless::HeadlessRenderer>([](const std::string& m) { ADD_FAILURE() << m; });
  out = r.get();
  return r;
}

class HeadlessTest : public ::testing::Test {
 protected:
  HeadlessTest() : app(makeRenderer(ui)) {}
  void TearDown() override { ui->verifyDone(); }

  headless::HeadlessRenderer* ui = nullptr;
  Application app;
};

// For tests of the responder itself: failures are collected, not reported.
class CollectingTest : public ::testing::Test {
 protected:
  CollectingTest() : app(makeCollecting()) {}

  std::unique_ptr<headless::HeadlessRenderer> makeCollecting() {
    auto r = std::make_unique<headless::HeadlessRenderer>([this](const std::string& m) { failures.push_back(m); });
    ui = r.get();
    return r;
  }

  std::vector<std::string> failures;
  headless::HeadlessRenderer* ui = nullptr;
  Application app;
};

}  // namespace ui::testing
