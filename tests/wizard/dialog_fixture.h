#pragma once
// The wizard's dialogs on a simulated machine with the headless renderer:
// a run context whose message seam fails the test on any message (the
// dialogs of this folder never show one).

#include <gtest/gtest.h>

#include <string>

#include "platform/sim/machine.h"
#include "startup/context.h"
#include "tests/ui/headless_fixture.h"

namespace wizard::testing {

class NoMessages : public startup::MessageUi {
 public:
  int showMessage(const std::string& text, startup::MessageKind) override {
    ADD_FAILURE() << "unexpected message: " << text;
    return startup::mrOk;
  }
  startup::Cursor cursor() const override { return cursor_; }
  void setCursor(startup::Cursor c) override { cursor_ = c; }

 private:
  startup::Cursor cursor_ = startup::Cursor::arrow;
};

class DialogTest : public ui::testing::HeadlessTest {
 protected:
  DialogTest() : ctx(machine, messages) {}

  platform::sim::Machine machine;
  NoMessages messages;
  startup::SetupContext ctx;
};

}  // namespace wizard::testing
