// The wizard's page flow: skipping pages, the copy confirmation, Break and
// Cancel, the first tick's warning and the rollback banner.

#include "tests/wizard/wizard_fixture.h"
#include "wizard/program_entry.h"

namespace wizard::testing {
namespace {

using ::ui::MessageButtons;
using ::ui::MessageIcon;
using ::ui::ModalResult;

// One directory (on C:, present unless said otherwise), two groups.
std::string DirsSection(int skip, const std::string& dir = "C:\\Program Files") {
  return "[AskDirs]\r\nSkipDirDialog=" + std::to_string(skip) + "\r\nCount=1\r\nDir1=" + dir + "\r\nDesc1=Папка\r\n";
}
const char kGroups[] =
    "[FileGroups]\r\nCount=3\r\nName1=Программа\r\nID1=1\r\nRequired1=1\r\nGroup1=1\r\n"
    "Name2=Справка\r\nID2=2\r\nRequired2=0\r\nGroup2=1\r\nName3=Примеры\r\nID3=3\r\nRequired3=0\r\nGroup3=1\r\n"
    "[Files]\r\nCount=1\r\nFile1=1,a.exe,1.0,1,0,#1,a.exe,0\r\n";
const char kTwoSetupTypes[] =
    "[SetupTypes]\r\nCount=2\r\nCustom=1\r\nSetup1=Полная\r\nCmt1=Всё\r\nGroups1=1,2,3\r\n"
    "Setup2=Минимальная\r\nCmt2=Только программа\r\nGroups2=1\r\n";

class PageFlow : public WizardTest {
 protected:
  void Expect(int expectedPage, bool backEnabled, bool nextEnabled, const char* where) {
    EXPECT_EQ(page(), expectedPage) << where;
    EXPECT_EQ(form->PrevBtn->enabled(), backEnabled) << where << ": Back";
    EXPECT_EQ(form->NextBtn->enabled(), nextEnabled) << where << ": Next";
  }
  std::vector<bool> Selected() {
    std::vector<bool> s;
    for (const auto& g : ctx.model.TGroups) s.push_back(g.Selected);
    return s;
  }
};

TEST_F(PageFlow, WindowStartsOnStartWithBackDisabledAndWarnsOnTheFirstTick) {
  Package(Script(DirsSection(0)));
  Open();
  Expect(pgStart, false, true, "before the first tick");
  ui->advance(199);
  EXPECT_EQ(ui->messageBoxes().size(), 0u) << "the warning waits 200 ms";
  ExpectWarning();
  ui->advance(1);
  EXPECT_FALSE(form->WTimer->enabled());
  ui->advance(1000);  // the timer ticked once only
  Expect(pgStart, false, true, "SkipDirDialog 0 stays on Start");
  EXPECT_EQ(ui->messageBoxes().size(), 1u);
}

TEST_F(PageFlow, SkipModesPassOrStayOnTheDirectoryPage) {
  struct Case {
    int skip;
    bool dirExists;
    int page;          // after the warning
    bool folderTimer;  // the deferred report was started
  } cases[] = {
      {0, true, pgStart, false},    {0, false, pgStart, false},     {1, true, pgSetupType, false},
      {1, false, pgSetupType, false},  // creatable
      {2, true, pgSetupType, false}, {2, false, pgStart, true},     {7, false, pgStart, false},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE("case " + std::to_string(i));
    form.reset();
    ctx.model = startup::SetupDataModel{};
    ctx.window = startup::WindowState{};
    const std::string dir = cases[i].dirExists ? "C:\\Program Files" : "C:\\Нет\\Глубже";
    Package(Script(DirsSection(cases[i].skip, dir) + kGroups + kTwoSetupTypes));
    OpenAndWarn();
    EXPECT_EQ(page(), cases[i].page);
    EXPECT_EQ(form->FolderTimer->enabled(), cases[i].folderTimer);
    EXPECT_FALSE(machine.files().exists("C:\\Нет")) << "the probe removes what it created";
    form->FolderTimer->setEnabled(false);  // the report itself is tested below
  }
}

TEST_F(PageFlow, SkipOnePassesOverTheDirectoryPageAndBackStaysDisabled) {
  Package(Script(DirsSection(1, "C:\\Новая\\Папка") + kGroups + kTwoSetupTypes));
  OpenAndWarn();
  Expect(pgSetupType, false, true, "passed automatically");
  EXPECT_FALSE(machine.files().exists("C:\\Новая"));
  // After a change through the manager the Back rule still says no.
  ASSERT_TRUE(ui->click(form->form().get<::ui::RadioButton>("CustomRadio")));
  Next();
  Expect(pgCustom, true, true, "Custom");
  Back();
  Expect(pgSetupType, false, true, "back on SetupType");
}

TEST_F(PageFlow, SkipOneWithADirectoryThatCannotBeCreatedReportsAndEnds) {
  Package(Script(DirsSection(1, "Q:\\Нельзя") + kGroups + kTwoSetupTypes));
  OpenAndWarn();
  EXPECT_EQ(page(), pgStart);
  ui->expectMessageBox()
      .withText("Папка Q:\\Нельзя не существует и ее нельзя создать. Установка невозможна.")
      .withIcon(MessageIcon::Error)
      .withButtons(MessageButtons::Ok);
  ui->advance(400);
  EXPECT_TRUE(app.terminated());
  EXPECT_FALSE(form->FolderTimer->enabled());
}

TEST_F(PageFlow, SkipTwoWithAMissingDirectoryReportsAndEnds) {
  Package(Script(DirsSection(2, "C:\\Нет") + kGroups + kTwoSetupTypes));
  OpenAndWarn();
  ui->advance(399);
  EXPECT_FALSE(app.terminated());
  ui->expectMessageBox().withText("Папка C:\\Нет не существует. Установка невозможна.").withIcon(MessageIcon::Error);
  ui->advance(1);
  EXPECT_TRUE(app.terminated());
}

TEST_F(PageFlow, HiddenDirectoriesAreCheckedWithTheirMacrosExpanded) {
  // A hidden entry still holds its script text: "#WD" is C:\WINDOWS.
  Package(Script("[AskDirs]\r\nSkipDirDialog=2\r\nCount=3\r\nDir1=C:\\Program Files\r\n"
                 "Dir2=#(NoSuchNick)\\X\r\nHidden2=1\r\nDir3=#WD\\Нет\r\nHidden3=1\r\n" +
                 std::string(kGroups) + kTwoSetupTypes));
  OpenAndWarn();
  EXPECT_EQ(page(), pgStart) << "the unresolved entry is passed over, the missing one reported";
  ui->expectMessageBox().withText("\\Нет не существует. Установка невозможна.");
  ui->advance(400);
  EXPECT_TRUE(app.terminated());
  EXPECT_EQ(ctx.model.Dirs[2].Dir, "#WD\\Нет") << "the entry keeps its script text";
}

TEST_F(PageFlow, SkipTwoBackFromSetupTypeChecksAgainAndReturns) {
  Package(Script(DirsSection(2) + kGroups + kTwoSetupTypes));
  OpenAndWarn();
  Expect(pgSetupType, false, true, "passed automatically");
  ASSERT_TRUE(ui->click(form->form().get<::ui::RadioButton>("CustomRadio")));
  Next();
  Back();
  Expect(pgSetupType, true, true, "Back is evaluated after a change");
  Back();  // Start's entry passes straight back
  EXPECT_EQ(page(), pgSetupType);
}

TEST_F(PageFlow, SkipTwoWithoutSetupTypesAsksAtOnceAndNoEnds) {
  Package(Script(DirsSection(2) + kGroups));
  Open();
  ExpectWarning();
  ExpectCopyQuestion(ModalResult::No);
  ui->advance(200);
  EXPECT_TRUE(app.terminated());
  EXPECT_EQ(driver.runs, 0);
}

TEST_F(PageFlow, NoSetupTypesNextGoesToProcessAndNoReturnsToStart) {
  Package(Script(DirsSection(0) + kGroups));
  OpenAndWarn();
  ExpectCopyQuestion(ModalResult::No);
  Next();
  Expect(pgStart, false, true, "refused");
  EXPECT_FALSE(app.terminated());
  EXPECT_EQ(driver.runs, 0);
  EXPECT_EQ(Selected(), (std::vector<bool>{true, true, true})) << "every group stays selected";
}

TEST_F(PageFlow, CustomChoiceGoesThroughTheComponentPage) {
  Package(Script(DirsSection(0) + kGroups + kTwoSetupTypes));
  OpenAndWarn();
  Next();
  Expect(pgSetupType, true, true, "SetupType");
  ASSERT_TRUE(ui->click(form->form().get<::ui::RadioButton>("CustomRadio")));
  Next();
  Expect(pgCustom, true, true, "Custom");
  Back();
  Expect(pgSetupType, true, true, "Back from Custom");
  Next();
  ExpectCopyQuestion(ModalResult::No);
  Next();
  Expect(pgCustom, true, true, "refusal returns to Custom");
  EXPECT_EQ(ctx.window.ReturnPage, pgCustom);
}

TEST_F(PageFlow, ListedSetupTypeSkipsCustomAndRefusalReturnsToSetupType) {
  Package(Script(DirsSection(0) + kGroups + kTwoSetupTypes));
  OpenAndWarn();
  Next();
  ExpectCopyQuestion(ModalResult::No);
  Next();
  Expect(pgSetupType, true, true, "refusal returns to SetupType");
  EXPECT_EQ(driver.runs, 0);
}

TEST_F(PageFlow, YesStartsTheDriverWithTheButtonsReleasedAndHidden) {
  Package(Script(DirsSection(0) + kGroups + kTwoSetupTypes));
  OpenAndWarn();
  Next();
  driver.reachFinal = false;
  driver.during = [this](InstallForm& f) {
    EXPECT_EQ(f.NB->pageIndex(), pgProcess);
    EXPECT_TRUE(f.CLabel->visible());
    EXPECT_TRUE(f.Label1->visible());
    EXPECT_FALSE(f.NextBtn->visible());
    EXPECT_FALSE(f.PrevBtn->visible());
    EXPECT_FALSE(f.PM->nextBound());
    EXPECT_FALSE(f.PM->backBound());
    EXPECT_TRUE(f.BreakBtn->isUsable());
  };
  ExpectCopyQuestion(ModalResult::Yes);
  Next();
  EXPECT_EQ(driver.runs, 1);
  EXPECT_EQ(page(), pgProcess);
}

TEST_F(PageFlow, ConfirmationClosedByItsCloseBoxStartsCopyingAndEscRefuses) {
  Package(Script(DirsSection(0) + kGroups));
  OpenAndWarn();
  // Esc presses No: back to the page the user came from.
  ExpectCopyQuestion(ModalResult::None, [this](::ui::Form& f) { ui->pressKey(f, ::ui::keys::escape); });
  Next();
  EXPECT_EQ(driver.runs, 0);
  EXPECT_EQ(page(), pgStart);
  // The close box gives no answer, which counts as Yes.
  ExpectCopyQuestion(ModalResult::None, [](::ui::Form& f) { f.close(); });
  Next();
  EXPECT_EQ(driver.runs, 1);
  EXPECT_EQ(page(), pgFinal);
}

TEST_F(PageFlow, VisibleDirectoryWithAnUnresolvedMacroIsReportedAsNotCreatable) {
  struct Case {
    int skip;
    const char* message;
  } cases[] = {
      {1, "Папка ::\\X не существует и ее нельзя создать. Установка невозможна."},
      {2, "Папка ::\\X не существует. Установка невозможна."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("SkipDirDialog " + std::to_string(c.skip));
    form.reset();
    ctx.model = startup::SetupDataModel{};
    ctx.window = startup::WindowState{};
    Package(Script("[AskDirs]\r\nSkipDirDialog=" + std::to_string(c.skip) +
                   "\r\nCount=2\r\nDir1=C:\\Program Files\r\nDir2=#(NoSuchNick)\\X\r\n" + kGroups +
                   kTwoSetupTypes));
    OpenAndWarn();
    EXPECT_EQ(page(), pgStart);
    ui->expectMessageBox().withText(c.message).withIcon(MessageIcon::Error);
    ui->advance(400);
    EXPECT_TRUE(app.terminated());
    ui->verifyDone();
  }
}

TEST_F(PageFlow, ProgramEntrySetsTheApplicationTitle) {
  Package(Script(DirsSection(0) + kGroups));
  app.terminate();  // the loop returns at once; the title is set before it
  ui->discardPendingActions();
  RunSetupProgram(app, ctx, dialogs, driver);
  EXPECT_EQ(app.title(), "Процедура установки");
  EXPECT_EQ(ui->applicationTitle(), "Процедура установки");
}

TEST_F(PageFlow, BreakTwiceDuringCopyingWithdrawsTheRequest) {
  Package(Script(DirsSection(0) + kGroups));
  OpenAndWarn();
  driver.reachFinal = false;
  driver.during = [this](InstallForm& f) {
    ui->expectMessageBox()
        .withText("Прервать установку программы?")
        .withCaption("Подтверждение")
        .withButtons(MessageButtons::YesNo)
        .withIcon(MessageIcon::Question)
        .withDefaultButton(1)
        .answer(ModalResult::Yes);
    ui->queueClick("frmInstall", "BreakBtn");
    app.processMessages();
    EXPECT_TRUE(ctx.window.BreakRequested);
    ui->expectMessageBox().withText("Прервать установку программы?").answer(ModalResult::No);
    ui->queueClick("frmInstall", "BreakBtn");
    app.processMessages();
    EXPECT_FALSE(ctx.window.BreakRequested);
    EXPECT_TRUE(f.form().shown());
  };
  ExpectCopyQuestion(ModalResult::Yes);
  Next();
  EXPECT_EQ(driver.runs, 1);
}

TEST_F(PageFlow, MarkerFileBreaksAndCancelsWithoutAQuestion) {
  ASSERT_TRUE(machine.addFile(std::string("D:\\") + kMarkerFileName, "").ok());
  Package(Script(DirsSection(0) + kGroups));
  OpenAndWarn();
  form->BreakBtnClick();
  EXPECT_TRUE(ctx.window.BreakRequested);
  ctx.window.BreakRequested = false;
  ASSERT_TRUE(ui->click(*form->CancelBtn));
  EXPECT_TRUE(ctx.window.BreakRequested);
  EXPECT_TRUE(app.terminated()) << "the window closed";
  EXPECT_FALSE(ctx.window.Completed);
}

TEST_F(PageFlow, CancelAnsweredNoKeepsTheWindowAndYesClosesIt) {
  Package(Script(DirsSection(0) + kGroups + kTwoSetupTypes));
  OpenAndWarn();
  Next();
  ui->expectMessageBox().withText("Прервать установку программы?").answer(ModalResult::No);
  ui->pressKey(form->form(), ::ui::keys::escape);  // Esc presses the page's cancel button
  EXPECT_EQ(page(), pgSetupType);
  EXPECT_TRUE(form->form().shown());
  EXPECT_FALSE(app.terminated());
  ui->expectMessageBox().withText("Прервать установку программы?").answer(ModalResult::Yes);
  ASSERT_TRUE(ui->click(*form->CancelBtn2));
  EXPECT_FALSE(form->form().shown());
  EXPECT_TRUE(app.terminated());
  // Only the clean-up ran: the tables are released, the extracted files gone.
  EXPECT_TRUE(ctx.model.TGroups.empty());
  EXPECT_FALSE(machine.files().exists(std::string(kTemp) + "Install.Ini"));
}

TEST_F(PageFlow, BannerCyclesThroughFifteenColours) {
  Package(Script(DirsSection(0)));
  OpenAndWarn();
  const ::ui::Color expected[15] = {0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0x808080,
                                    0xC0C0C0, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00};
  form->AskTimer->setEnabled(true);
  for (int round = 0; round < 2; ++round) {
    for (int i = 0; i < 15; ++i) {
      ui->advance(100);
      EXPECT_EQ(form->AskDisk->font().color, expected[i]) << "round " << round << " step " << i + 1;
    }
  }
  EXPECT_EQ(ctx.window.BlinkStep, 1);
}

}  // namespace
}  // namespace wizard::testing
