// Queued user actions run when the code processes pending messages,
// including inside modal loops opened by those actions.

#include <gtest/gtest.h>

#include "tests/ui/headless_fixture.h"
#include "ui/controls.h"
#include "ui/form.h"

namespace ui {
namespace {

class MessagesTest : public testing::HeadlessTest {
 protected:
  MessagesTest() : form(app, "frmInstall") {
    breakBtn = &form.add<Button>("BreakBtn");
    breakBtn->setCaption("&Прервать установку");
    breakBtn->onClick = [this] {
      breakRequested = app.messageBox("Прервать установку программы?", "Подтверждение", MessageButtons::YesNo,
                                      MessageIcon::Question, 1) == ModalResult::Yes;
    };
    fileLabel = &form.add<Label>("FLabel");
    form.showForm();
  }

  // A copy loop that polls the break request between files, as the
  // installation driver does.
  int copyFiles(int count) {
    int copied = 0;
    for (int i = 1; i <= count; ++i) {
      fileLabel->setCaption("file" + std::to_string(i) + ".dll");
      app.processMessages();
      if (breakRequested) break;
      ++copied;
    }
    return copied;
  }

  Form form;
  Button* breakBtn = nullptr;
  Label* fileLabel = nullptr;
  bool breakRequested = false;
};

TEST_F(MessagesTest, ActionsWaitForProcessMessages) {
  bool ran = false;
  ui->queue("mark", [&] { ran = true; });
  EXPECT_FALSE(ran);
  app.processMessages();
  EXPECT_TRUE(ran);
}

TEST_F(MessagesTest, BreakPressedWhileTheThirdFileIsCopied) {
  ui->queueClick("frmInstall", "BreakBtn", [this] { return fileLabel->caption() == "file3.dll"; });
  ui->expectMessageBox().withText("Прервать установку").withDefaultButton(1).answer(ModalResult::Yes);
  EXPECT_EQ(copyFiles(10), 2);
  EXPECT_TRUE(breakRequested);
}

TEST_F(MessagesTest, BreakAnsweredYesThenNoWithdrawsTheRequest) {
  ui->queueClick("frmInstall", "BreakBtn", [this] { return fileLabel->caption() == "file2.dll"; });
  ui->queueClick("frmInstall", "BreakBtn");
  ui->expectMessageBox().answer(ModalResult::Yes);
  ui->expectMessageBox().answer(ModalResult::No);
  // Both clicks run in the same pending-message pass, before the poll.
  EXPECT_EQ(copyFiles(4), 4);
  EXPECT_FALSE(breakRequested);
}

TEST_F(MessagesTest, QueuedActionsRunNestedInsideAModalDialog) {
  // A button that opens a dialog; the dialog's answer is itself a queued
  // click, which the dialog's modal loop runs. The action after it runs
  // when the outer pass continues.
  Form dlg(app, "TAskForm");
  dlg.add<Button>("OKBtn", ButtonKind::Ok);
  ModalResult got = ModalResult::None;
  auto& ask = form.add<Button>("AskBtn");
  ask.onClick = [&] { got = dlg.showModal(); };
  std::vector<std::string> order;
  ui->expectDialog("TAskForm").then([&](Form&) { order.push_back("dialog shown"); });
  ui->queueClick("frmInstall", "AskBtn");
  ui->queue("inside", [&] { order.push_back("inside the dialog"); });
  ui->queueClick("TAskForm", "OKBtn");
  ui->queue("after", [&] { order.push_back("after the dialog, got " + std::string(nameOf(got))); });
  app.processMessages();
  EXPECT_EQ(got, ModalResult::Ok);
  EXPECT_EQ(order, (std::vector<std::string>{"dialog shown", "inside the dialog", "after the dialog, got OK"}));
}

TEST_F(MessagesTest, ProcessMessagesInsideAModalDialogRunsTheQueue) {
  // The dialog's own code processes messages (a progress loop in a dialog).
  Form dlg(app, "Progress");
  auto& stop = dlg.add<Button>("StopBtn");
  stop.setModalResult(ModalResult::Abort);
  int polls = 0;
  ui->expectDialog("Progress").then([&](Form& f) {
    while (f.modalResult() == ModalResult::None && polls < 10) {
      ++polls;
      app.processMessages();
    }
  });
  ui->queueClick("Progress", "StopBtn", [&] { return polls == 3; });
  EXPECT_EQ(dlg.showModal(), ModalResult::Abort);
  EXPECT_EQ(polls, 3);
}

TEST_F(MessagesTest, HeldActionHoldsTheOnesBehindIt) {
  std::vector<int> ran;
  bool ready = false;
  ui->queue("first", [&] { ran.push_back(1); }, [&] { return ready; });
  ui->queue("second", [&] { ran.push_back(2); });
  app.processMessages();
  EXPECT_TRUE(ran.empty());
  ready = true;
  app.processMessages();
  EXPECT_EQ(ran, (std::vector<int>{1, 2}));
}

TEST_F(MessagesTest, TerminateStopsTheQueue) {
  ui->queue("quit", [this] { app.terminate(); });
  ui->queue("never", [] {});
  app.processMessages();
  EXPECT_TRUE(app.terminated());
  EXPECT_EQ(ui->pendingActions(), 1u);
  EXPECT_EQ(ui->discardPendingActions(), 1u);
}

}  // namespace
}  // namespace ui
