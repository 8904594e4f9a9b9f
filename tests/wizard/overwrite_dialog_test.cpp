// The overwrite question: its layout, the four answers, the answers
// remembered per group, groups that take only answers for all, the close box.

#include <gtest/gtest.h>

#include "tests/wizard/dialog_fixture.h"
#include "wizard/ask_for_overwrite_form.h"
#include "wizard/dialog_texts.h"

namespace wizard {
namespace {

constexpr char kForm[] = "TAskForOverwrite";

class OverwriteTest : public testing::DialogTest {
 protected:
  OverwriteTest() {
    AddGroup("Программа");
    AddGroup("Справка");
    AddFile(0, "C:\\Program Files\\Product\\program.exe");
    AddFile(0, "C:\\Program Files\\Product\\library.dll");
    AddFile(1, "C:\\Program Files\\Product\\help.hlp");
  }
  void AddGroup(const std::string& name) {
    startup::TGroup g;
    g.Name = name;
    g.InstallMode = startup::imAskOverwrite;
    ctx.model.TGroups.push_back(g);
  }
  void AddFile(int group, const std::string& target) {
    startup::FileItem f;
    f.TargetName = target;
    f.GroupIndex = group;
    ctx.model.FilesData.push_back(f);
  }
  int Ask(std::size_t group, std::size_t file) { return AskOverwrite(ctx, app, group, file); }
  uint8_t Remembered(std::size_t group) const { return ctx.model.TGroups[group].OverwriteAnswer; }
  // The dialog is expected and answered by a click on `button`.
  void ExpectAnswer(const std::string& button) {
    ui->expectDialog(kForm);
    ui->queueClick(kForm, button);
  }
};

TEST_F(OverwriteTest, LayoutAndTexts) {
  ui->expectDialog(kForm).then([](ui::Form& f) {
    auto& d = dynamic_cast<AskForOverwriteForm&>(f);
    EXPECT_EQ(d.caption(), "Запрос на подтверждение перезаписи файла");
    EXPECT_EQ(d.position(), ui::FormPosition::Designed);
    EXPECT_EQ(d.bounds(), (ui::Rect{212, 126, 376, 105}));
    EXPECT_EQ(d.borderStyle(), ui::BorderStyle::Dialog);
    EXPECT_EQ(d.font().name, "MS Sans Serif");
    EXPECT_EQ(d.font().height, 11);
    EXPECT_EQ(d.Label1.caption(),
              "Файл, уже существующий на диске, имеет более позднюю версию или дату создания, чем файл из "
              "установочного пакета.");
    EXPECT_TRUE(d.Label1.wordWrap());
    EXPECT_EQ(d.Label1.bounds(), (ui::Rect{4, 0, 369, 29}));
    EXPECT_EQ(d.FLabel.bounds(), (ui::Rect{4, 31, 369, 14}));
    EXPECT_EQ(d.FLabel.caption(), "C:\\Program Files\\Product\\help.hlp");
    EXPECT_EQ(d.GrpLabel.bounds(), (ui::Rect{4, 47, 369, 28}));
    EXPECT_TRUE(d.GrpLabel.wordWrap());
    EXPECT_EQ(d.GrpLabel.caption(), "Заменить этот файл из группы \"Справка\"?");
    struct ButtonCase {
      ui::Button* button;
      const char* caption;
      ui::Rect bounds;
      ui::ModalResult result;
    };
    const ButtonCase buttons[] = {
        {&d.YesBtn, "Да", {3, 78, 75, 25}, ui::ModalResult::Yes},
        {&d.YesToAllBtn, "Да для всех", {84, 78, 101, 25}, ui::ModalResult::YesToAll},
        {&d.NoBtn, "Нет", {191, 78, 75, 25}, ui::ModalResult::No},
        {&d.NoToAllBtn, "Нет для всех", {272, 78, 101, 25}, ui::ModalResult::NoToAll},
    };
    for (const ButtonCase& b : buttons) {
      EXPECT_EQ(b.button->caption(), b.caption) << b.button->name();
      EXPECT_EQ(b.button->bounds(), b.bounds) << b.button->name();
      EXPECT_EQ(b.button->modalResult(), b.result) << b.button->name();
      EXPECT_TRUE(b.button->isUsable()) << b.button->name();
    }
    EXPECT_EQ(d.cancelButton(), &d.NoBtn);
    EXPECT_EQ(d.defaultButton(), nullptr);
  });
  ui->queueClick(kForm, "YesBtn");
  EXPECT_EQ(Ask(1, 2), kReplaceExisting);
}

TEST_F(OverwriteTest, EachAnswerGivesItsPlacementAndMemory) {
  struct Case {
    const char* button;  // nullptr: Esc
    int placement;
    uint8_t remembered;
  };
  const Case cases[] = {
      {"YesBtn", kReplaceExisting, startup::oaAsk},
      {"YesToAllBtn", kReplaceExisting, startup::oaYesForAll},
      {"NoBtn", kKeepExisting, startup::oaAsk},
      {"NoToAllBtn", kKeepExisting, startup::oaNoForAll},
      {nullptr, kKeepExisting, startup::oaAsk},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    ctx.model.TGroups[0].OverwriteAnswer = startup::oaAsk;
    ui->expectDialog(kForm);
    if (c.button != nullptr) {
      ui->queueClick(kForm, c.button);
    } else {
      ui->queue("Esc", [this] { ui->pressKey(*ui->findShownForm(kForm), ui::keys::escape); });
    }
    EXPECT_EQ(Ask(0, 0), c.placement) << "case " << i << ": " << (c.button ? c.button : "Esc");
    EXPECT_EQ(Remembered(0), c.remembered) << "case " << i;
    EXPECT_EQ(Remembered(1), startup::oaAsk) << "case " << i << ": another group is never touched";
  }
}

TEST_F(OverwriteTest, ForAllAnswersDecideTheGroupsLaterFilesWithoutAsking) {
  ExpectAnswer("YesToAllBtn");
  EXPECT_EQ(Ask(0, 0), kReplaceExisting);
  // No dialog for the next file of the same group (an unexpected one fails).
  EXPECT_EQ(Ask(0, 1), kReplaceExisting);
  EXPECT_EQ(Ask(0, 0), kReplaceExisting);

  // The other group is still asked; its "no for all" stays its own.
  ExpectAnswer("NoToAllBtn");
  EXPECT_EQ(Ask(1, 2), kKeepExisting);
  EXPECT_EQ(Ask(1, 2), kKeepExisting);
  EXPECT_EQ(Remembered(0), startup::oaYesForAll);
  EXPECT_EQ(Remembered(1), startup::oaNoForAll);
  EXPECT_EQ(ui->pendingExpectations(), 0u);
}

TEST_F(OverwriteTest, SingleAnswersAskAgainForTheNextFile) {
  ExpectAnswer("NoBtn");
  EXPECT_EQ(Ask(0, 0), kKeepExisting);
  ExpectAnswer("YesBtn");
  EXPECT_EQ(Ask(0, 1), kReplaceExisting);
  ExpectAnswer("NoBtn");
  EXPECT_EQ(Ask(0, 1), kKeepExisting);
}

TEST_F(OverwriteTest, RememberedValueDecidesAndOtherValuesAsk) {
  struct Case {
    uint8_t remembered;
    bool asks;
    int placement;
  };
  const Case cases[] = {
      {startup::oaNoForAll, false, kKeepExisting},
      {startup::oaYesForAll, false, kReplaceExisting},
      {startup::oaAsk, true, kReplaceExisting},
      {3, true, kReplaceExisting},
      {255, true, kReplaceExisting},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    ctx.model.TGroups[0].OverwriteAnswer = c.remembered;
    if (c.asks) ExpectAnswer("YesBtn");
    EXPECT_EQ(Ask(0, 0), c.placement) << "case " << i << ": remembered " << int(c.remembered);
    EXPECT_EQ(ui->pendingExpectations(), 0u) << "case " << i;
  }
}

TEST_F(OverwriteTest, AllAnswersOnlyDisablesTheSingleAnswers) {
  ctx.model.TGroups[0].AllAnswersOnly = true;
  ui->expectDialog(kForm).then([this](ui::Form& f) {
    auto& d = dynamic_cast<AskForOverwriteForm&>(f);
    EXPECT_FALSE(d.YesBtn.isUsable());
    EXPECT_FALSE(d.NoBtn.isUsable());
    EXPECT_TRUE(d.YesToAllBtn.isUsable());
    EXPECT_TRUE(d.NoToAllBtn.isUsable());
    // Esc would press "Нет", which is disabled: nothing happens.
    ui->pressKey(d, ui::keys::escape);
    EXPECT_EQ(d.modalResult(), ui::ModalResult::None);
  });
  ui->queueClick(kForm, "NoToAllBtn");
  EXPECT_EQ(Ask(0, 0), kKeepExisting);
  // Never asked again in this group.
  EXPECT_EQ(Ask(0, 1), kKeepExisting);

  // A group without the flag keeps its single answers.
  ui->expectDialog(kForm).then([](ui::Form& f) {
    auto& d = dynamic_cast<AskForOverwriteForm&>(f);
    EXPECT_TRUE(d.YesBtn.isUsable());
    EXPECT_TRUE(d.NoBtn.isUsable());
  });
  ui->queueClick(kForm, "YesBtn");
  EXPECT_EQ(Ask(1, 2), kReplaceExisting);
}

TEST_F(OverwriteTest, CloseBoxDoesNothing) {
  int closeTries = 0;
  ui->expectDialog(kForm);
  ui->queue("close box", [this, &closeTries] {
    ui::Form* f = ui->findShownForm(kForm);
    ASSERT_NE(f, nullptr);
    f->close();
    ++closeTries;
  });
  ui->queue("still open", [this] { EXPECT_NE(ui->findShownForm(kForm), nullptr); });
  ui->queueClick(kForm, "YesToAllBtn");
  EXPECT_EQ(Ask(0, 0), kReplaceExisting);
  EXPECT_EQ(closeTries, 1);
  EXPECT_EQ(Remembered(0), startup::oaYesForAll);
}

TEST_F(OverwriteTest, LongTargetNameIsFittedToTheLabel) {
  ctx.model.FilesData[0].TargetName =
      "C:\\Program Files\\Vendor Product Directory\\Subdirectory\\Another Level\\Deeper Still\\library.dll";
  ui->expectDialog(kForm).then([this](ui::Form& f) {
    auto& d = dynamic_cast<AskForOverwriteForm&>(f);
    EXPECT_EQ(d.FLabel.caption(), "C:\\Program Files\\Vendor Product Directory\\Subdirectory\\...\\library.dll");
    EXPECT_LE(app.textWidth(d.FLabel.font(), d.FLabel.caption()), d.FLabel.width());
  });
  ui->queueClick(kForm, "NoBtn");
  EXPECT_EQ(Ask(0, 0), kKeepExisting);
}

TEST_F(OverwriteTest, LongGroupNameGrowsTheDialogInsteadOfBeingCutOff) {
  ctx.model.TGroups[1].Name = "Справочные файлы, примеры и учебные материалы для самостоятельного изучения программы и её модулей расширения";
  ui->expectDialog(kForm).then([this](ui::Form& f) {
    auto& d = dynamic_cast<AskForOverwriteForm&>(f);
    // Three lines of 13 pixels in the test renderer's metric.
    EXPECT_EQ(d.GrpLabel.bounds(), (ui::Rect{4, 47, 369, 39}));
    EXPECT_EQ(d.Label1.bounds(), (ui::Rect{4, 0, 369, 29}));
    for (ui::Button* b : {&d.YesBtn, &d.YesToAllBtn, &d.NoBtn, &d.NoToAllBtn}) {
      EXPECT_EQ(b->top(), 78 + 11) << b->name();
      EXPECT_GE(b->top(), d.GrpLabel.bounds().bottom()) << b->name();
    }
    EXPECT_EQ(d.height(), 105 + 11);
    EXPECT_EQ(d.width(), 376);
  });
  ui->queueClick(kForm, "YesBtn");
  EXPECT_EQ(Ask(1, 2), kReplaceExisting);
}

TEST_F(OverwriteTest, InvalidIndicesAreRefusedWithoutADialog) {
  EXPECT_THROW(Ask(2, 0), std::out_of_range);
  EXPECT_THROW(Ask(0, 3), std::out_of_range);
}

}  // namespace
}  // namespace wizard
