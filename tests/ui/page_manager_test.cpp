// The page manager: proposals, the rules' veto, nested page changes, the
// evaluation of both rules after every change, and released buttons.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/ui/headless_fixture.h"
#include "ui/controls.h"
#include "ui/form.h"
#include "ui/notebook.h"
#include "ui/page_manager.h"

namespace ui {
namespace {

class PageManagerTest : public testing::HeadlessTest {
 protected:
  PageManagerTest() : form(app, "frmInstall") {
    nb = &form.add<Notebook>("NB");
    for (const char* name : {"Start", "SetupType", "Custom", "Process", "Final"}) nb->addPage(name);
    next = &form.add<Button>("NextBtn");
    back = &form.add<Button>("PrevBtn");
    pm = std::make_unique<PageManager>(*nb, *next, *back);
    nb->onPageChanged = [this] { trace.push_back("changed " + nb->activePageName()); };
    pm->onGetNextPage = [this](int current, int& proposal) {
      trace.push_back("next@" + std::to_string(current) + "=" + std::to_string(proposal));
      if (nextOverride) nextOverride(current, proposal);
    };
    pm->onGetPriorPage = [this](int current, int& proposal) {
      trace.push_back("prior@" + std::to_string(current) + "=" + std::to_string(proposal));
      if (priorOverride) priorOverride(current, proposal);
    };
    form.showForm();
  }

  std::vector<std::string> take() {
    auto t = std::move(trace);
    trace.clear();
    return t;
  }

  Form form;
  Notebook* nb = nullptr;
  Button* next = nullptr;
  Button* back = nullptr;
  std::unique_ptr<PageManager> pm;
  std::vector<std::string> trace;
  std::function<void(int, int&)> nextOverride;
  std::function<void(int, int&)> priorOverride;
};

using Trace = std::vector<std::string>;

TEST_F(PageManagerTest, StartShowsFirstPageAndEvaluatesBackThenNext) {
  pm->start();
  EXPECT_EQ(take(), (Trace{"changed Start", "prior@0=-1", "next@0=1"}));
  EXPECT_FALSE(back->enabled());
  EXPECT_TRUE(next->enabled());
}

TEST_F(PageManagerTest, NextAndBackStepThroughPagesAndSetButtonStates) {
  pm->start();
  take();
  // Each row: the button pressed, the page then shown, Back and Next enabled.
  struct Step {
    bool pressNext;
    const char* page;
    bool backEnabled;
    bool nextEnabled;
  };
  const Step steps[] = {
      {true, "SetupType", true, true}, {true, "Custom", true, true},  {true, "Process", true, true},
      {true, "Final", true, false},    {false, "Process", true, true}, {false, "Custom", true, true},
      {false, "SetupType", true, true}, {false, "Start", false, true},
  };
  for (std::size_t i = 0; i < std::size(steps); ++i) {
    const Step& s = steps[i];
    ASSERT_TRUE(ui->click(s.pressNext ? *next : *back)) << "step " << i;
    EXPECT_EQ(nb->activePageName(), s.page) << "step " << i;
    EXPECT_EQ(back->enabled(), s.backEnabled) << "step " << i;
    EXPECT_EQ(next->enabled(), s.nextEnabled) << "step " << i;
  }
}

TEST_F(PageManagerTest, RuleChangesTheProposal) {
  // Skip the component page (index 2) from the setup-type page.
  nextOverride = [](int current, int& proposal) {
    if (current == 1) proposal = 3;
  };
  pm->start();
  ui->click(*next);
  take();
  ui->click(*next);
  EXPECT_EQ(nb->activePageName(), "Process");
  EXPECT_EQ(take(), (Trace{"next@1=2", "changed Process", "prior@3=2", "next@3=4"}));
}

TEST_F(PageManagerTest, MinusOneMeansNoPageAndNothingHappens) {
  priorOverride = [](int current, int& proposal) {
    if (current == 1) proposal = -1;
  };
  pm->start();
  ui->click(*next);
  EXPECT_EQ(nb->activePageName(), "SetupType");
  EXPECT_FALSE(back->enabled());
  take();
  // The manager itself is asked (a disabled button cannot be clicked).
  pm->back();
  EXPECT_EQ(nb->activePageName(), "SetupType");
  EXPECT_EQ(take(), (Trace{"prior@1=0"}));  // the proposal, before the rule vetoed it
}

TEST_F(PageManagerTest, ClickOnDisabledButtonIsRefused) {
  pm->start();
  headless::HeadlessRenderer collecting([&](const std::string& m) { trace.push_back("failure: " + m); });
  collecting.click(*back);
  ASSERT_EQ(trace.size(), 4u);
  EXPECT_NE(trace.back().find("disabled"), std::string::npos) << trace.back();
  EXPECT_EQ(nb->activePageName(), "Start");
}

TEST_F(PageManagerTest, EvaluationFollowsNestedChangesMadeByThePageHandler) {
  // Entering SetupType passes straight on to Process (no setup types).
  nb->onPageChanged = [this] {
    trace.push_back("changed " + nb->activePageName());
    if (nb->pageIndex() == 1) {
      nb->setPageIndex(3);
      trace.push_back("outer handler returns");
    }
  };
  pm->start();
  take();
  ui->click(*next);
  EXPECT_EQ(take(), (Trace{"next@0=1", "changed SetupType", "changed Process", "outer handler returns",
                           "prior@3=2", "next@3=4"}));
  EXPECT_EQ(nb->activePageName(), "Process");
}

TEST_F(PageManagerTest, PageChangeBySettingTheSameIndexDoesNothing) {
  pm->start();
  take();
  nb->setPageIndex(0);
  EXPECT_TRUE(take().empty());
}

TEST_F(PageManagerTest, ReleasedButtonsKeepOnlyTheirOwnHandler) {
  pm->start();
  ui->click(*next);  // SetupType: both enabled
  int ownClicks = 0;
  next->onClick = [&] { ++ownClicks; };
  // Entering Process releases both buttons (Next first, then Back) and
  // hides them; the manager's evaluation afterwards must not touch them.
  nb->onPageChanged = [this] {
    trace.push_back("changed " + nb->activePageName());
    if (nb->pageIndex() == 3) {
      pm->releaseNext();
      pm->releaseBack();
      next->setEnabled(false);
      back->setEnabled(false);
    }
  };
  nextOverride = [](int current, int& proposal) {
    if (current == 1) proposal = 3;
  };
  take();
  ui->click(*next);
  EXPECT_EQ(nb->activePageName(), "Process");
  EXPECT_FALSE(pm->nextBound());
  EXPECT_FALSE(pm->backBound());
  EXPECT_FALSE(next->enabled()) << "the manager enabled a released button";
  EXPECT_FALSE(back->enabled()) << "the manager enabled a released button";
  EXPECT_EQ(ownClicks, 1);  // the click that led here ran the own handler too
  // Later, the program re-enables the button: its click runs only its own
  // handler, no navigation.
  next->setEnabled(true);
  take();
  ui->click(*next);
  EXPECT_EQ(ownClicks, 2);
  EXPECT_EQ(nb->activePageName(), "Process");
  EXPECT_TRUE(take().empty());
}

TEST_F(PageManagerTest, RulesRunOncePerEvaluationSoTheirSideEffectsAreCounted) {
  int nextRuns = 0;
  nextOverride = [&](int, int&) { ++nextRuns; };
  pm->start();               // 1 evaluation
  ui->click(*next);          // 1 rule + 1 evaluation
  EXPECT_EQ(nextRuns, 3);
}

}  // namespace
}  // namespace ui
