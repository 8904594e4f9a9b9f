// uninstall.exe's dialogue in the headless renderer: the questions asked,
// what is refused before anything changes, and the final report.

#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/sim/machine.h"
#include "tests/startup/fixture.h"
#include "tests/ui/headless_fixture.h"
#include "uninstall/uninstall_program.h"

namespace uninstall {
namespace {

using ui::MessageButtons;
using ui::ModalResult;

class UninstallProgramTest : public ui::testing::HeadlessTest {
 protected:
  UninstallProgramTest() : ctx(machine, messages) {}

  void WriteLog(const std::string& text) {
    ASSERT_TRUE(platform::writeWholeFile(machine.files(), "C:\\WINDOWS\\install.log", text).ok());
  }

  platform::sim::Machine machine;
  startup::testing::RecordingUi messages;
  startup::SetupContext ctx;
};

TEST(UninstallArguments, TheLogPathIsTheFirstArgument) {
  EXPECT_EQ(LogPathFromArguments(" \"C:\\Program Files\\App\\install.log\""), "C:\\Program Files\\App\\install.log");
  EXPECT_EQ(LogPathFromArguments("C:\\install.log more"), "C:\\install.log");
  EXPECT_EQ(LogPathFromArguments("\"C:\\unterminated"), "C:\\unterminated");
  EXPECT_EQ(LogPathFromArguments("   "), "");
}

TEST_F(UninstallProgramTest, AsksRemovesAndReports) {
  ASSERT_TRUE(machine.addFile("C:\\App\\a.exe", "a").ok());
  WriteLog("Uninstall information storage. Version 2.\r\nДемо 1.0\r\nDir=C:\\App\r\nFile=C:\\App\\a.exe\r\n");
  ui->expectMessageBox()
      .withText("Удалить программу \"Демо 1.0\"")
      .withCaption(kCaption)
      .withButtons(MessageButtons::YesNo)
      .answer(ModalResult::Yes);
  ui->expectMessageBox().withText("Программа \"Демо 1.0\" удалена.").answer(ModalResult::Ok);
  EXPECT_EQ(RunUninstaller(app, ctx, "\"C:\\WINDOWS\\install.log\""), 0);
  EXPECT_FALSE(machine.files().stat("C:\\App").ok());
  EXPECT_FALSE(machine.files().stat("C:\\WINDOWS\\install.log").ok());
}

TEST_F(UninstallProgramTest, DecliningChangesNothing) {
  ASSERT_TRUE(machine.addFile("C:\\App\\a.exe", "a").ok());
  WriteLog("Uninstall information storage. Version 2.\r\nДемо\r\nFile=C:\\App\\a.exe\r\n");
  std::string before = machine.toString();
  ui->expectMessageBox().withButtons(MessageButtons::YesNo).answer(ModalResult::No);
  EXPECT_EQ(RunUninstaller(app, ctx, "\"C:\\WINDOWS\\install.log\""), 3);
  EXPECT_EQ(machine.toString(), before);
}

TEST_F(UninstallProgramTest, RefusesWhatIsNotALog) {
  ASSERT_TRUE(machine.addFile("C:\\App\\a.exe", "a").ok());
  WriteLog("[Main]\r\nFile=C:\\App\\a.exe\r\n");
  std::string before = machine.toString();
  ui->expectMessageBox().withText("Uninstall information storage. Version 2.").withText("Ничего не изменено");
  EXPECT_EQ(RunUninstaller(app, ctx, "\"C:\\WINDOWS\\install.log\""), 2);
  ui->expectMessageBox().withText("C:\\nowhere.log").withText("Ничего не изменено");
  EXPECT_EQ(RunUninstaller(app, ctx, "\"C:\\nowhere.log\""), 2);
  ui->expectMessageBox().withText("Не указан журнал установки");
  EXPECT_EQ(RunUninstaller(app, ctx, ""), 2);
  EXPECT_EQ(machine.toString(), before);
}

TEST_F(UninstallProgramTest, ReportsWhatCouldNotBeRemoved) {
  WriteLog("Uninstall information storage. Version 2.\r\nДемо\r\nFile=..\\x.dll\r\n");
  ui->expectMessageBox().answer(ModalResult::Yes);
  ui->expectMessageBox().withText("удалить удалось не всё").withText("..\\x.dll").withIcon(ui::MessageIcon::Warning);
  EXPECT_EQ(RunUninstaller(app, ctx, "C:\\WINDOWS\\install.log"), 1);
}

}  // namespace
}  // namespace uninstall
