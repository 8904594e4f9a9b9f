// The installation driver on the wizard's window: a whole wizard run from
// the copy confirmation to the Final page, the Process page's controls, and
// the rollback banner on the fatal-error path.

#include "actions/report_action_error.h"
#include "process/texts.h"
#include "tests/wizard/wizard_fixture.h"
#include "wizard/wizard_driver.h"

namespace wizard::testing {
namespace {

using ::ui::ModalResult;

class WizardDriverTest : public WizardTest {
 protected:
  WizardDriverTest() {
    driver.reachFinal = false;  // the real driver selects the Final page itself
    driver.during = [](InstallForm& f) { WizardDriver().RunInstallation(f); };
  }
  void BarePackage() {
    Package(Script("[Main]\r\nTitle=Пакет\r\nUFile=#WD\\unins.exe\r\nUKey=Пакет\r\nLogFile=#WD\\pkg.log\r\n"),
            {{"unins.exe", "uninstaller"}});
    ASSERT_TRUE(machine.addFile("D:\\data.000", StoredRar5({})).ok());
  }
};

TEST_F(WizardDriverTest, ConfirmedCopyInstallsAndReachesTheFinalPage) {
  BarePackage();
  OpenAndWarn();
  ExpectCopyQuestion(ModalResult::Yes);
  Next();
  EXPECT_EQ(page(), pgFinal);
  EXPECT_TRUE(ctx.window.Completed);
  EXPECT_EQ(form->CLabel->caption(), process::kConfigFilesCaption);
  EXPECT_FALSE(form->CLabel->font().bold);
  EXPECT_TRUE(form->FLabel->visible());
  EXPECT_TRUE(form->FileBar->visible());
  EXPECT_TRUE(form->PBar->visible());
  EXPECT_FALSE(form->AskDisk->visible());
  EXPECT_EQ(app.cursor(), ::ui::Cursor::Default);
  EXPECT_TRUE(machine.fileContent("C:\\WINDOWS\\pkg.log").ok());
  EXPECT_EQ(machine.fileContent("C:\\WINDOWS\\unins.exe").value(), "uninstaller");
}

TEST_F(WizardDriverTest, ProcessPageControls) {
  BarePackage();
  Open();
  WizardInstallerUi window(*form);
  window.setStepCaption(process::kPreparingCaption, true);
  EXPECT_EQ(form->CLabel->caption(), process::kPreparingCaption);
  EXPECT_TRUE(form->CLabel->font().bold);
  window.setStepCaption(process::kCopyingCaption, false);
  EXPECT_FALSE(form->CLabel->font().bold);
  window.setFileProgress(3, 7);
  EXPECT_EQ(form->FileBar->max(), 7);
  EXPECT_EQ(form->FileBar->position(), 3);
  window.setOverallProgress(2, 4);
  EXPECT_EQ(form->PBar->max(), 4);
  EXPECT_EQ(form->PBar->position(), 2);
  window.setFileCaption("app.exe");
  EXPECT_EQ(form->FLabel->caption(), "app.exe");
}

TEST_F(WizardDriverTest, FatalErrorShowsTheBoxThenTheBlinkingRollbackBanner) {
  BarePackage();
  Open();
  PlugRollBack(*form);
  form->CLabel->show();
  ASSERT_TRUE(machine.addFile("C:\\App\\placed.exe", "x").ok());
  ctx.lists.PlacedFiles = {"C:\\App\\placed.exe"};
  ctx.window.include(startup::afOldEngineRemoved);
  ui->expectMessageBox()
      .withText("Невозможно создать каталог C:\\App")
      .withCaption(actions::kFatalErrorCaption)
      .withIcon(::ui::MessageIcon::Error);
  ui->expectMessageBox()
      .withText("Обновление версии библиотеки BDE")
      .withCaption(process::kEngineUpdateCaption)
      .withIcon(::ui::MessageIcon::Error)
      .withButtons(::ui::MessageButtons::Ok);
  actions::ReportActionError(ctx, form->runEnd(), actions::aeCreateDir, "C:\\App");
  EXPECT_FALSE(machine.files().exists("C:\\App\\placed.exe"));
  EXPECT_TRUE(form->AskDisk->visible());
  EXPECT_EQ(form->AskDisk->caption(), process::kRollbackBanner);
  EXPECT_FALSE(form->CLabel->visible());
  EXPECT_TRUE(form->AskTimer->enabled());
}

}  // namespace
}  // namespace wizard::testing
