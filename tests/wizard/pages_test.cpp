// The Start page (rows, drive table and menu, short names), the SetupType
// and Custom pages (layout arithmetic, choices and the groups' selection)
// and the Final page (boxes, flashing text, Finish).

#include "tests/wizard/wizard_fixture.h"
#include "wizard/directory_page.h"
#include "wizard/setup_type_page.h"

namespace wizard::testing {
namespace {

using ::ui::ModalResult;

// --- Start page ---

TEST(DirectoryPageRules, ShortNameReduction) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"C:\\Program Files\\Company12\\Tool", "C:\\Program\\Company1\\Tool"},
      {"C:\\Dir\\", "C:\\Dir"},
      {"C:\\a.b\\c.txt", "C:\\a.txt"},
      {"C:\\name.extension", "C:\\name.ext"},
      {"C:\\\\double\\\\sep", "C:\\double\\sep"},
      {"C:\\Мои документы", "C:\\Мои доку"},
      {"C:\\Folder.d\\x", "C:\\Folder"},
      {"", ""},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(ReduceToShortName(cases[i].in), cases[i].out) << "case " << i << ": " << cases[i].in;
  }
}

TEST(DirectoryPageRules, MovingToAnotherDrive) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"C:\\Program Files\\X", "D:\\Program Files\\X"},
      {"d:\\Already", "d:\\Already"},
      {"\\\\server\\share", "\\\\server\\share"},  // network paths stay
      {"C", "C"},                                // too short
      {"", ""},
      {"relative\\dir", "relative\\dir"},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(MoveToDrive(cases[i].in, "D:"), cases[i].out) << "case " << i << ": " << cases[i].in;
  }
}

TEST(DirectoryPageRules, FreeKilobytesInWholeKilobyteClusters) {
  struct Case {
    platform::DiskFreeSpace space;
    int32_t kb;
  } cases[] = {
      {{8, 512, 1000, 0}, 4000},
      {{1, 512, 1000, 0}, 0},                   // clusters below 1 KB count nothing
      {{3, 512, 1000, 0}, 1000},                // 1.5 KB clusters count as 1 KB
      {{8, 512, 0x20000000, 0}, 0x7FFFFFFF},    // 2 TB: saturates, never negative
      {{64, 512, 0xFFFFFFFF, 0}, 0x7FFFFFFF},
  };
  for (size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(FreeKilobytes(cases[i].space), cases[i].kb) << "case " << i;
}

class StartPage : public WizardTest {
 protected:
  ::ui::PathEdit& field(int n) { return form->form().get<::ui::PathEdit>("DirEdit" + std::to_string(n)); }
  ::ui::Label& label(int n) { return form->form().get<::ui::Label>("DirLabel" + std::to_string(n)); }
};

TEST_F(StartPage, RowsForVisibleDirectoriesWithCaptionsAndMacros) {
  ASSERT_TRUE(machine.addDirectory("C:\\Locked").ok());
  Package(Script("[AskDirs]\r\nCount=5\r\n"
                 "Dir1=#PF\\Офис\\\r\nDesc1=Папка программы\r\n"
                 "Dir2=C:\\Hidden\r\nHidden2=1\r\n"
                 "Dir3=C:\\Locked\r\nLock3=1\r\nDesc3=Каталог: данные\r\n"
                 "Dir4=C:\\NotYet\r\nLock4=1\r\n"
                 "Dir5=C:\\Var\r\nVar5=,D:\\FromVar\r\n"));
  Open();
  EXPECT_EQ(form->form().find<::ui::Widget>("DirEdit2"), nullptr) << "hidden rows are not built";
  EXPECT_EQ(label(1).caption(), "Папка программы:");
  EXPECT_EQ(label(3).caption(), "Каталог: данные") << "a colon anywhere is kept as it is";
  EXPECT_EQ(label(4).caption(), "Введите название каталога:");
  const int tops[][2] = {{3, 20}, {43, 60}, {83, 100}, {123, 140}};
  const int rows[] = {1, 3, 4, 5};
  for (size_t k = 0; k < 4; ++k) {
    EXPECT_EQ(label(rows[k]).left(), 4);
    EXPECT_EQ(label(rows[k]).top(), tops[k][0]) << "row " << k;
    EXPECT_EQ(field(rows[k]).left(), 49);
    EXPECT_EQ(field(rows[k]).top(), tops[k][1]) << "row " << k;
    EXPECT_EQ(field(rows[k]).width(), form->SB->width() - 64);
    EXPECT_EQ(field(rows[k]).buttonHint(), "F3");
    EXPECT_EQ(field(rows[k]).tag(), rows[k] - 1);
  }
  EXPECT_EQ(field(1).text(), "C:\\Program Files\\Офис") << "macro expanded, one backslash dropped";
  EXPECT_EQ(ctx.model.Dirs[0].Dir, "C:\\Program Files\\Офис");
  EXPECT_EQ(ctx.model.Dirs[1].Dir, "C:\\Hidden") << "hidden entries keep their script value";
  EXPECT_TRUE(field(3).readOnly());
  EXPECT_FALSE(field(4).readOnly()) << "a locked directory that does not exist stays editable";
  EXPECT_EQ(form->form().activeControl(), &field(1));
  ui->discardPendingActions();
}

TEST_F(StartPage, EightDirectoriesScrollIntoViewByTabAndByTheScrollBar) {
  std::string dirs = "[AskDirs]\r\nCount=8\r\n";
  for (int i = 1; i <= 8; ++i) {
    dirs += "Dir" + std::to_string(i) + "=C:\\App\\Папка " + std::to_string(i) + "\r\nDesc" + std::to_string(i) +
            "=Каталог " + std::to_string(i) + "\r\n";
  }
  Package(Script(dirs));
  OpenAndWarn();
  ::ui::ScrollBox& box = *form->SB;
  // Eight rows of 40 pixels do not fit in the box: the lower ones are
  // clipped until the list scrolls.
  EXPECT_GT(box.contentHeight(), box.height());
  EXPECT_EQ(box.scrollTop(), 0);
  EXPECT_TRUE(ui->isOnScreen(field(1)));
  EXPECT_TRUE(ui->isOnScreen(field(5)));
  EXPECT_FALSE(ui->isOnScreen(field(6)));
  EXPECT_FALSE(ui->isOnScreen(field(8)));
  EXPECT_FALSE(ui->isOnScreen(label(8)));

  // Tab from row to row: each field the focus reaches is scrolled into view.
  for (int n = 2; n <= 8; ++n) {
    ui->pressTab(form->form());
    ASSERT_EQ(form->form().activeControl(), &field(n)) << "Tab reaches row " << n;
    EXPECT_TRUE(ui->isOnScreen(field(n))) << "row " << n;
  }
  EXPECT_FALSE(ui->isOnScreen(field(1)));
  EXPECT_EQ(box.scrollTop(), box.maxScrollTop()) << "the last row sits at the bottom";
  ASSERT_TRUE(ui->typeText(field(8), "D:\\Восьмая"));
  EXPECT_EQ(ctx.model.Dirs[7].Dir, "D:\\Восьмая");

  // The scroll bar: back to the top, then down to the end.
  box.setScrollTop(-10);
  EXPECT_EQ(box.scrollTop(), 0) << "clamped";
  EXPECT_TRUE(ui->isOnScreen(label(1)));
  EXPECT_FALSE(ui->isOnScreen(field(8)));
  box.setScrollTop(10000);
  EXPECT_EQ(box.scrollTop(), box.contentHeight() - box.height());
  EXPECT_TRUE(ui->isOnScreen(label(8)));
  EXPECT_TRUE(ui->isOnScreen(field(8)));
  // Where the rows are in the window follows the scrolling.
  EXPECT_EQ(field(8).boundsInForm().top, box.boundsInForm().top + field(8).top() - box.scrollTop());
}

TEST_F(StartPage, AllHiddenMeansNoRows) {
  Package(Script("[AskDirs]\r\nCount=1\r\nDir1=C:\\X\r\nHidden1=1\r\n"));
  Open();
  EXPECT_TRUE(form->SB->children().empty());
}

TEST_F(StartPage, TypingAndTheShortNameRuleUpdateTheDirectory) {
  Package(Script("[Main]\r\nNoLongNames=1\r\n[AskDirs]\r\nCount=1\r\nDir1=C:\\Prog\r\n"));
  OpenAndWarn();
  ASSERT_TRUE(ui->typeText(field(1), "C:\\Program Files\\VeryLongName\\"));
  EXPECT_EQ(field(1).text(), "C:\\Program\\VeryLong");
  EXPECT_EQ(ctx.model.Dirs[0].Dir, "C:\\Program\\VeryLong");
}

TEST_F(StartPage, DiskSizeTextAndDriveMenu) {
  machine.addDrive('E', platform::DriveType::fixed, {8, 512, 250, 1000});     // 1000 KB: equals DiskSize
  machine.addDrive('F', platform::DriveType::remote, {8, 512, 251, 1000});    // 1004 KB
  machine.addDrive('G', platform::DriveType::removable, {8, 512, 1000, 1000});
  machine.addDrive('H', platform::DriveType::fixed, {1, 512, 5000, 10000});   // small clusters
  Package(Script("[Main]\r\nDiskSize=1000\r\n[AskDirs]\r\nCount=2\r\nDir1=C:\\Prog\r\nDir2=E:\\Data\r\n"));
  OpenAndWarn();
  EXPECT_EQ(form->SizeLabel->caption(), "Для установки программы необходимо 1000 Kb");
  const auto& menu = form->DiskSizeBtn->menu();
  ASSERT_EQ(menu.size(), 3u) << "C, E and F; the CD-ROM, diskette and small-cluster drives are left out";
  EXPECT_EQ(menu[0].caption, "C: Свободно 16777216 Kb");
  EXPECT_TRUE(menu[0].enabled);
  EXPECT_EQ(menu[1].caption, "E: Свободно 1000 Kb");
  EXPECT_FALSE(menu[1].enabled) << "strictly more than DiskSize is needed";
  EXPECT_EQ(menu[2].caption, "F: Свободно 1004 Kb");
  EXPECT_TRUE(menu[2].enabled);

  ui->expectPopupMenu().chooseItemWith("F:");
  ASSERT_TRUE(ui->click(*form->DiskSizeBtn));
  EXPECT_EQ(field(1).text(), "F:\\Prog");
  EXPECT_EQ(field(2).text(), "F:\\Data");
  EXPECT_EQ(ctx.model.Dirs[0].Dir, "F:\\Prog");
  ASSERT_TRUE(form->DiskSizeBtn->chooseMenuItem(0));
  EXPECT_EQ(ctx.model.Dirs[1].Dir, "C:\\Data");
}

TEST_F(StartPage, DiskSizeZeroEnablesEveryListedDrive) {
  machine.addDrive('E', platform::DriveType::fixed, {8, 512, 1, 1000});
  Package(Script(""));
  Open();
  for (const auto& item : form->DiskSizeBtn->menu()) EXPECT_TRUE(item.enabled) << item.caption;
  ui->discardPendingActions();
}

// --- SetupType and Custom pages ---

TEST(SetupTypeLayout, StepAndHalf) {
  struct Case {
    int height, rows, step, half;
  } cases[] = {{255, 3, 80, 40}, {255, 1, 250, 125}, {255, 2, 122, 61}, {10, 4, -3, -1}};
  for (size_t i = 0; i < std::size(cases); ++i) {
    const SetupTypeRows r = ComputeSetupTypeRows(cases[i].height, cases[i].rows);
    EXPECT_EQ(r.step, cases[i].step) << "case " << i;
    EXPECT_EQ(r.half, cases[i].half) << "case " << i;
  }
}

const char kGroups[] =
    "[FileGroups]\r\nCount=4\r\nName1=Программа\r\nID1=1\r\nRequired1=1\r\nGroup1=1\r\n"
    "Name2=Справка\r\nID2=2\r\nRequired2=0\r\nGroup2=1\r\nName3=Примеры\r\nID3=3\r\nRequired3=0\r\nGroup3=1\r\n"
    "Name4=Шрифты\r\nID4=4\r\nRequired4=1\r\nGroup4=1\r\n";

class SetupTypePage : public WizardTest {
 protected:
  ::ui::RadioButton& radio(const std::string& name) { return form->form().get<::ui::RadioButton>(name); }
  ::ui::Label& comment(int n) { return form->form().get<::ui::Label>("SetupComment" + std::to_string(n)); }
  std::vector<bool> Selected() {
    std::vector<bool> s;
    for (const auto& g : ctx.model.TGroups) s.push_back(g.Selected);
    return s;
  }
};

TEST_F(SetupTypePage, TwoTypesAndCustomLayout) {
  // Captions measured by the headless metric: "Полная" 6 letters, "Особая" likewise.
  Package(Script(std::string(kGroups) +
                 "[SetupTypes]\r\nCount=2\r\nCustom=1\r\nSetup1=Полная\r\nCmt1=Всё\r\nGroups1=2,3\r\n"
                 "Setup2=Особая\r\nCmt2=Кое-что\r\nGroups2=1\r\n"));
  Open();
  EXPECT_EQ(radio("SetupRadio1").top(), 40);
  EXPECT_EQ(radio("SetupRadio2").top(), 120);
  EXPECT_EQ(radio("CustomRadio").top(), 200);
  EXPECT_EQ(radio("CustomRadio").tag(), -1);
  EXPECT_EQ(radio("CustomRadio").caption(), "По выбору пользователя");
  EXPECT_TRUE(radio("SetupRadio1").checked());
  EXPECT_FALSE(radio("CustomRadio").checked());
  EXPECT_EQ(comment(1).top(), 41);
  EXPECT_EQ(comment(2).top(), 121);
  EXPECT_EQ(comment(1).height(), 76);
  const int w1 = app.textWidth(radio("SetupRadio1").font(), "Полная") + 24;
  EXPECT_EQ(radio("SetupRadio1").width(), w1);
  EXPECT_EQ(comment(1).left(), w1 + 4 + 8);
  EXPECT_EQ(comment(1).width(), form->SetupGroup->width() - comment(1).left() - 8);
  EXPECT_EQ(comment(2).caption(), "Кое-что");
  ui->discardPendingActions();
}

TEST_F(SetupTypePage, CommentsStartAfterTheWidestButtonOnlyWhenItGrowsPastTheMargin) {
  // Widths 100 and 102 under the headless metric (lower-case Latin: 6 each,
  // 'm' 9...): "aaaaaaaaaaaaaaaa" is 16 x 6 = 96 + 4 ("l" 2, 2x) = 100.
  Package(Script("[SetupTypes]\r\nCount=2\r\nSetup1=aaaaaaaaaaaaaaaall\r\nSetup2=aaaaaaaaaaaaaaaaa\r\n"));
  Open();
  ASSERT_EQ(app.textWidth(radio("SetupRadio1").font(), "aaaaaaaaaaaaaaaall"), 100);
  ASSERT_EQ(app.textWidth(radio("SetupRadio2").font(), "aaaaaaaaaaaaaaaaa"), 102);
  EXPECT_EQ(radio("SetupRadio1").width(), 124);
  EXPECT_EQ(radio("SetupRadio2").width(), 126);
  EXPECT_EQ(comment(1).left(), 136);
  EXPECT_EQ(comment(2).left(), 136);
  ui->discardPendingActions();
}

TEST_F(SetupTypePage, OneTypeWithoutCustom) {
  Package(Script("[SetupTypes]\r\nCount=1\r\nSetup1=Единственная\r\n"));
  Open();
  EXPECT_EQ(radio("SetupRadio1").top(), 125);
  EXPECT_TRUE(radio("SetupRadio1").checked());
  EXPECT_EQ(form->form().find<::ui::Widget>("CustomRadio"), nullptr);
  ui->discardPendingActions();
}

TEST_F(SetupTypePage, NoTypesAndNoCustomBuildsNothing) {
  Package(Script(kGroups));
  Open();
  EXPECT_TRUE(form->SetupGroup->children().empty());
  ui->discardPendingActions();
}

TEST_F(SetupTypePage, ListedTypeSelectsExactlyItsGroups) {
  Package(Script(std::string(kGroups) + "[SetupTypes]\r\nCount=2\r\nSetup1=A\r\nGroups1=2,3\r\nSetup2=B\r\nGroups2=9\r\n"));
  OpenAndWarn();
  Next();
  ExpectCopyQuestion(ModalResult::No);
  Next();
  EXPECT_EQ(Selected(), (std::vector<bool>{false, true, true, false})) << "required groups are not forced";
  ASSERT_TRUE(ui->click(radio("SetupRadio2")));
  EXPECT_EQ(ctx.window.SetupTypeIndex, 1);
  ExpectCopyQuestion(ModalResult::No);
  Next();
  EXPECT_EQ(Selected(), (std::vector<bool>{false, false, false, false})) << "an unknown ID selects nothing";
}

TEST_F(SetupTypePage, ComponentListFollowsTheGroups) {
  Package(Script(std::string(kGroups) + "[SetupTypes]\r\nCount=1\r\nCustom=1\r\nSetup1=A\r\nGroups1=2\r\n"));
  Open();
  ::ui::CheckList& list = *form->CustomBox;
  ASSERT_EQ(list.count(), 4);
  EXPECT_EQ(list.item(1).caption, "Справка");
  EXPECT_EQ(list.columns(), 2);
  for (int i = 0; i < 4; ++i) {
    EXPECT_TRUE(list.checked(i)) << i;
    EXPECT_EQ(list.itemEnabled(i), i == 1 || i == 2) << "required groups cannot be toggled: " << i;
  }
  ui->discardPendingActions();
}

TEST_F(SetupTypePage, CustomChoiceSelectsTheTickedGroups) {
  Package(Script(std::string(kGroups) + "[SetupTypes]\r\nCount=1\r\nCustom=1\r\nSetup1=A\r\nGroups1=2\r\n"));
  OpenAndWarn();
  Next();
  ASSERT_TRUE(ui->click(radio("CustomRadio")));
  EXPECT_EQ(ctx.window.SetupTypeIndex, -1);
  Next();
  ASSERT_EQ(page(), pgCustom);
  ASSERT_TRUE(ui->toggleItem(*form->CustomBox, 2));
  EXPECT_EQ(Selected(), (std::vector<bool>{true, true, false, true}));
  EXPECT_FALSE(form->CustomBox->toggle(0)) << "a required group's item cannot be unticked";
  EXPECT_TRUE(form->CustomBox->checked(0));
  ExpectCopyQuestion(ModalResult::No);
  Next();
  EXPECT_EQ(Selected(), (std::vector<bool>{true, true, false, true}));
}

TEST_F(SetupTypePage, CustomAfterARefusedListedTypeSelectsEveryTickedGroup) {
  Package(Script(std::string(kGroups) + "[SetupTypes]\r\nCount=1\r\nCustom=1\r\nSetup1=A\r\nGroups1=2\r\n"));
  OpenAndWarn();
  Next();
  ExpectCopyQuestion(ModalResult::No);
  Next();  // type A applied, then refused
  EXPECT_EQ(Selected(), (std::vector<bool>{false, true, false, false}));
  ASSERT_TRUE(ui->click(radio("CustomRadio")));
  Next();
  ASSERT_EQ(page(), pgCustom);
  ExpectCopyQuestion(ModalResult::Yes);
  driver.during = [this](InstallForm&) {
    EXPECT_EQ(Selected(), (std::vector<bool>{true, true, true, true})) << "as the untouched list says";
  };
  Next();
  EXPECT_EQ(driver.runs, 1);
}

TEST_F(SetupTypePage, CustomWithoutSetupTypesShowsNeitherPage) {
  Package(Script(std::string(kGroups) + "[SetupTypes]\r\nCount=0\r\nCustom=1\r\n"));
  OpenAndWarn();
  ExpectCopyQuestion(ModalResult::Yes);
  driver.during = [this](InstallForm&) { EXPECT_EQ(Selected(), (std::vector<bool>{true, true, true, true})); };
  Next();
  EXPECT_EQ(driver.runs, 1);
}

// --- Final page ---

class FinalPage : public WizardTest {
 protected:
  void Reach(const std::string& main, bool restartNeeded) {
    Package(Script("[Main]\r\n" + main));
    driver.during = [this, restartNeeded](InstallForm&) { ctx.model.RestartNeeded = restartNeeded; };
    OpenAndWarn();
    ExpectCopyQuestion(ModalResult::Yes);
    Next();
    ASSERT_EQ(page(), pgFinal);
  }
};

TEST_F(FinalPage, BoxesFillFromTheTop) {
  const char* readme = "Просмотреть информационный файл";
  const char* run = "Запустить установленную программу";
  const char* restart = "Перезапустить Windows";
  struct Box {
    const char* caption;  // nullptr: hidden
    bool checked;
    int tag;
  };
  struct Case {
    const char* main;
    bool restartNeeded;
    Box boxes[3];
    int focused;  // box index with the focus, -1 for the Finish button
  } cases[] = {
      {"ReadmeView=1\r\nRunApp=1\r\nRestartWindows=1\r\n", false,
       {{readme, true, 1}, {run, true, 2}, {restart, false, 3}}, 0},
      {"RestartWindows=1\r\n", false, {{restart, true, 3}, {nullptr, false, 0}, {nullptr, false, 0}}, -1},
      {"RunApp=1\r\nRestartWindows=1\r\n", true, {{restart, true, 3}, {nullptr, false, 0}, {nullptr, false, 0}}, -1},
      {"ReadmeView=1\r\nRestartWindows=1\r\n", false, {{readme, true, 1}, {restart, false, 3}, {nullptr, false, 0}}, 0},
      {"", false, {{nullptr, false, 0}, {nullptr, false, 0}, {nullptr, false, 0}}, -1},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE("case " + std::to_string(i) + ": " + cases[i].main);
    form.reset();
    ctx.model = startup::SetupDataModel{};
    ctx.window = startup::WindowState{};
    Reach(cases[i].main, cases[i].restartNeeded);
    EXPECT_TRUE(ctx.window.Completed);
    for (size_t b = 0; b < 3; ++b) {
      const ::ui::CheckBox& box = *form->Boxes[b];
      const Box& want = cases[i].boxes[b];
      EXPECT_EQ(box.visible(), want.caption != nullptr) << "Box" << b + 1;
      if (want.caption == nullptr) continue;
      EXPECT_EQ(box.caption(), want.caption) << "Box" << b + 1;
      EXPECT_EQ(box.checked(), want.checked) << "Box" << b + 1;
      EXPECT_EQ(box.tag(), want.tag) << "Box" << b + 1;
      EXPECT_EQ(box.left(), 94);
      EXPECT_EQ(box.top(), 92 + 40 * static_cast<int>(b));
    }
    const ::ui::Widget* focus = cases[i].focused < 0 ? static_cast<::ui::Widget*>(form->NextBtn)
                                                     : form->Boxes[static_cast<size_t>(cases[i].focused)];
    EXPECT_EQ(form->form().activeControl(), focus);
  }
}

TEST_F(FinalPage, FinishButtonAndFlashingText) {
  Reach("", false);
  EXPECT_TRUE(form->NextBtn->visible());
  EXPECT_EQ(form->NextBtn->caption(), "OK");
  EXPECT_TRUE(form->NextBtn->isDefault());
  EXPECT_FALSE(form->PrevBtn->visible());
  EXPECT_EQ(form->FinalLabel->caption(), "Установка программы успешно завершена");
  EXPECT_EQ(form->FinalLabel->font().color, ::ui::colors::windowText);
  ui->advance(400);
  EXPECT_EQ(form->FinalLabel->font().color, ::ui::colors::lime);
  ui->advance(400);
  EXPECT_EQ(form->FinalLabel->font().color, ::ui::colors::windowText);
  ui->advance(400);
  EXPECT_EQ(form->FinalLabel->font().color, ::ui::colors::lime);
  ASSERT_TRUE(ui->click(*form->NextBtn));
  EXPECT_FALSE(form->ColorTimer->enabled());
  EXPECT_TRUE(app.terminated());
  EXPECT_FALSE(form->form().shown());
}

}  // namespace
}  // namespace wizard::testing
