// The scripted responder: expected boxes are answered in order; an
// unexpected or mismatching box, a wrong answer, and an expectation left
// over are failures.

#include <gtest/gtest.h>

#include "tests/ui/headless_fixture.h"
#include "ui/controls.h"
#include "ui/form.h"

namespace ui {
namespace {

using headless::Expectation;

MessageBoxRequest question(std::string text) {
  MessageBoxRequest r;
  r.text = std::move(text);
  r.caption = "Подтверждение";
  r.buttons = MessageButtons::YesNo;
  r.icon = MessageIcon::Question;
  r.defaultButton = 1;
  return r;
}

class ResponderTest : public testing::HeadlessTest {};

TEST_F(ResponderTest, AnswersExpectedBoxesInOrder) {
  ui->expectMessageBox()
      .withText("Прервать установку")
      .withCaption("Подтверждение")
      .withButtons(MessageButtons::YesNo)
      .withIcon(MessageIcon::Question)
      .withDefaultButton(1)
      .answer(ModalResult::Yes);
  ui->expectMessageBox().withText("ВНИМАНИЕ!").answer(ModalResult::Ok);
  EXPECT_EQ(app.messageBox(question("Прервать установку программы?")), ModalResult::Yes);
  EXPECT_EQ(app.messageBox("ВНИМАНИЕ! Перед тем ...", "Предупреждение", MessageButtons::Ok, MessageIcon::Information),
            ModalResult::Ok);
  EXPECT_EQ(ui->pendingExpectations(), 0u);
  ASSERT_EQ(ui->messageBoxes().size(), 2u);
  EXPECT_EQ(ui->messageBoxes()[1].caption, "Предупреждение");
}

TEST_F(ResponderTest, BoxWithoutAnAnswerGetsItsDefaultButton) {
  ui->expectMessageBox();
  EXPECT_EQ(app.messageBox(question("?")), ModalResult::No);
}

TEST_F(ResponderTest, MessageBoxShowsTheArrowAndRestoresTheCursor) {
  app.setCursor(Cursor::Wait);
  ui->expectMessageBox().answer(ModalResult::Ok);
  app.messageBox("a", "b", MessageButtons::Ok, MessageIcon::None);
  ASSERT_EQ(ui->cursorsDuringBoxes().size(), 1u);
  EXPECT_EQ(ui->cursorsDuringBoxes()[0], Cursor::Default);
  EXPECT_EQ(ui->cursor(), Cursor::Wait);
  EXPECT_EQ(app.cursor(), Cursor::Wait);
}

class ResponderFailureTest : public testing::CollectingTest {};

TEST_F(ResponderFailureTest, UnexpectedBoxFails) {
  EXPECT_EQ(app.messageBox(question("Прервать установку программы?")), ModalResult::No);
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_NE(failures[0].find("unexpected message box"), std::string::npos) << failures[0];
  // The failure names the text in readable form (UTF-8).
  EXPECT_NE(failures[0].find("\xD0\x9F\xD1\x80\xD0\xB5\xD1\x80\xD0\xB2\xD0\xB0\xD1\x82\xD1\x8C"), std::string::npos)
      << failures[0];
}

TEST_F(ResponderFailureTest, LeftoverExpectationFails) {
  ui->expectMessageBox().withText("never").answer(ModalResult::Ok);
  ui->expectDialog("TAskForm").answer(ModalResult::Ok);
  ui->verifyDone();
  ASSERT_EQ(failures.size(), 2u);
  EXPECT_NE(failures[0].find("never shown"), std::string::npos) << failures[0];
  EXPECT_NE(failures[1].find("TAskForm"), std::string::npos) << failures[1];
  EXPECT_EQ(ui->pendingExpectations(), 0u);
}

TEST_F(ResponderFailureTest, LeftoverQueuedActionFails) {
  ui->queue("press Break", [] {});
  ui->verifyDone();
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_NE(failures[0].find("press Break"), std::string::npos);
}

TEST_F(ResponderFailureTest, MismatchesAreReportedOneByOne) {
  struct Case {
    Expectation expectation;
    const char* failurePart;
  };
  std::vector<Case> cases;
  cases.push_back({Expectation{}.withText("Продолжать?"), "does not contain"});
  cases.push_back({Expectation{}.withCaption("Предупреждение"), "caption is not"});
  cases.push_back({Expectation{}.withButtons(MessageButtons::Ok), "buttons are not OK"});
  cases.push_back({Expectation{}.withIcon(MessageIcon::Error), "no error icon"});
  cases.push_back({Expectation{}.withDefaultButton(0), "default button is not button 1"});
  cases.push_back({Expectation{}.answer(ModalResult::Ok), "cannot answer OK"});
  for (std::size_t i = 0; i < cases.size(); ++i) {
    failures.clear();
    ui->expectMessageBox() = cases[i].expectation;
    app.messageBox(question("Прервать установку программы?"));
    ASSERT_EQ(failures.size(), 1u) << "case " << i;
    EXPECT_NE(failures[0].find(cases[i].failurePart), std::string::npos) << "case " << i << ": " << failures[0];
  }
}

TEST_F(ResponderFailureTest, BoxWhileADialogIsExpectedFails) {
  ui->expectDialog("TAskForm");
  app.messageBox(question("?"));
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_NE(failures[0].find("while waiting for a modal dialog TAskForm"), std::string::npos) << failures[0];
  ui->verifyDone();  // the dialog expectation is still there
  EXPECT_EQ(failures.size(), 2u);
}

TEST_F(ResponderFailureTest, UnexpectedDialogFailsAndIsCancelled) {
  Form dlg(app, "TfrmAskFloppy");
  dlg.add<Button>("Button1").setModalResult(ModalResult::Ok);
  EXPECT_EQ(dlg.showModal(), ModalResult::Cancel);
  ASSERT_EQ(failures.size(), 2u);
  EXPECT_NE(failures[0].find("unexpected modal dialog TfrmAskFloppy"), std::string::npos) << failures[0];
  EXPECT_NE(failures[1].find("nothing answers it"), std::string::npos) << failures[1];
}

TEST_F(ResponderFailureTest, ClickOnHiddenWidgetFails) {
  Form f(app, "F");
  auto& b = f.add<Button>("B");
  f.showForm();
  b.hide();
  int clicks = 0;
  b.onClick = [&] { ++clicks; };
  EXPECT_FALSE(ui->click(b));
  EXPECT_EQ(clicks, 0);
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_NE(failures[0].find("not shown"), std::string::npos);
}

class DialogTest : public testing::HeadlessTest {};

TEST_F(DialogTest, FolderDialogFromF3OnADirectoryEdit) {
  Form f(app, "frmInstall");
  auto& dir = f.add<PathEdit>("Dir0", PathEdit::Kind::Directory);
  dir.setText("C:\\Program Files\\App");
  int changes = 0;
  dir.onChange = [&] { ++changes; };
  f.showForm();
  dir.setFocus();
  ui->expectFolderDialog().choosePath("D:\\Apps");
  ui->pressKey(f, keys::f3);
  EXPECT_EQ(dir.text(), "D:\\Apps");
  EXPECT_EQ(changes, 1);
  ui->expectFolderDialog().cancel();
  EXPECT_FALSE(dir.browse());
  EXPECT_EQ(dir.text(), "D:\\Apps");
}

TEST_F(DialogTest, ReadOnlyPathEditOpensNoDialog) {
  Form f(app, "frmInstall");
  auto& dir = f.add<PathEdit>("Dir0", PathEdit::Kind::Directory);
  dir.setReadOnly(true);
  f.showForm();
  EXPECT_FALSE(dir.browse());
}

TEST_F(DialogTest, FileEditUsesTheFileDialogWithItsFilter) {
  Form f(app, "TAskForm");
  auto& e = f.add<PathEdit>("NextDisk", PathEdit::Kind::File);
  e.setFilter("Следующий том|*.r01");
  f.showForm();
  ui->expectFileDialog().choosePath("E:\\data.r01");
  EXPECT_TRUE(e.browse());
  EXPECT_EQ(e.text(), "E:\\data.r01");
}

TEST_F(DialogTest, SpeedButtonMenuRunsTheChosenItem) {
  Form f(app, "frmInstall");
  auto& b = f.add<SpeedButton>("DiskSizeBtn");
  std::string chosen;
  b.addMenuItem({"C: Свободно 100 Kb", false, 0, [&] { chosen = "C"; }});
  b.addMenuItem({"D: Свободно 900 Kb", true, 0, [&] { chosen = "D"; }});
  f.showForm();
  ui->expectPopupMenu().chooseItemWith("D:");
  ui->click(b);
  EXPECT_EQ(chosen, "D");
  EXPECT_FALSE(b.chooseMenuItem(0)) << "a disabled item ran";
  EXPECT_EQ(chosen, "D");
}

TEST(DialogFailureTest, ChoosingADisabledMenuItemFails) {
  std::vector<std::string> failures;
  Application app(std::make_unique<headless::HeadlessRenderer>([&](const std::string& m) { failures.push_back(m); }));
  auto& ui = dynamic_cast<headless::HeadlessRenderer&>(app.renderer());
  Form f(app, "frmInstall");
  auto& b = f.add<SpeedButton>("DiskSizeBtn");
  bool ran = false;
  b.addMenuItem({"C: Свободно 100 Kb", false, 0, [&] { ran = true; }});
  f.showForm();
  ui.expectPopupMenu().chooseItem(0);
  ui.click(b);
  EXPECT_FALSE(ran);
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_NE(failures[0].find("disabled"), std::string::npos);
}

}  // namespace
}  // namespace ui
