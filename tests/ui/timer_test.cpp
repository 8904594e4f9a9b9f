// Timers on the virtual clock.

#include <gtest/gtest.h>

#include "tests/ui/headless_fixture.h"
#include "ui/controls.h"
#include "ui/form.h"

namespace ui {
namespace {

class TimerTest : public testing::HeadlessTest {
 protected:
  TimerTest() : form(app, "frmInstall") {}
  Form form;
  std::vector<std::string> fired;

  Timer& make(const char* name, int interval) {
    Timer& t = form.addTimer(name, interval);
    t.onTimer = [this, name] { fired.push_back(std::string(name) + "@" + std::to_string(ui->now())); };
    return t;
  }
};

using Fired = std::vector<std::string>;

TEST_F(TimerTest, DueTimersFireInTimeOrder) {
  make("Ask", 100).setEnabled(true);
  make("Color", 400).setEnabled(true);
  make("Disabled", 50);
  ui->advance(450);
  EXPECT_EQ(fired, (Fired{"Ask@100", "Ask@200", "Ask@300", "Color@400", "Ask@400"}));
  EXPECT_EQ(ui->now(), 450);
}

TEST_F(TimerTest, NothingFiresBeforeTheInterval) {
  make("W", 200).setEnabled(true);
  ui->advance(199);
  EXPECT_TRUE(fired.empty());
  ui->advance(1);
  EXPECT_EQ(fired, (Fired{"W@200"}));
}

TEST_F(TimerTest, TimerThatDisablesItselfFiresOnce) {
  Timer& w = form.addTimer("WTimer", 200);
  int ticks = 0;
  w.onTimer = [&] {
    ++ticks;
    w.setEnabled(false);
  };
  w.setEnabled(true);
  ui->advance(1000);
  EXPECT_EQ(ticks, 1);
}

TEST_F(TimerTest, TimerEnabledInAHandlerCountsFromThen) {
  Timer& later = make("Later", 300);
  Timer& first = form.addTimer("First", 100);
  first.onTimer = [&] {
    first.setEnabled(false);
    later.setEnabled(true);
  };
  first.setEnabled(true);
  ui->advance(1000);
  EXPECT_EQ(fired, (Fired{"Later@400", "Later@700", "Later@1000"}));
}

TEST_F(TimerTest, DisablingAndEnablingRestartsThePeriod) {
  Timer& t = make("T", 100);
  t.setEnabled(true);
  ui->advance(90);
  t.setEnabled(false);
  t.setEnabled(true);
  ui->advance(90);
  EXPECT_TRUE(fired.empty());
  ui->advance(10);
  EXPECT_EQ(fired, (Fired{"T@190"}));
}

TEST_F(TimerTest, DestroyedTimerNoLongerFires) {
  {
    Form dialog(app, "Dialog");
    Timer& t = dialog.addTimer("T", 10);
    t.onTimer = [this] { fired.push_back("dialog"); };
    t.setEnabled(true);
  }
  ui->advance(100);
  EXPECT_TRUE(fired.empty());
}

TEST_F(TimerTest, TimerTicksWhileAModalDialogWaits) {
  Timer& t = make("Color", 400);
  t.setEnabled(true);
  Form dlg(app, "TAskForOverwrite");
  dlg.add<Button>("YesBtn").setModalResult(ModalResult::Yes);
  ui->expectDialog("TAskForOverwrite").then([this](Form& f) {
    ui->advance(800);
    ui->click(f.get<Button>("YesBtn"));
  });
  EXPECT_EQ(dlg.showModal(), ModalResult::Yes);
  EXPECT_EQ(fired, (Fired{"Color@400", "Color@800"}));
}

}  // namespace
}  // namespace ui
