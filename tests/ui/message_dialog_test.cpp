// The program's own message dialog, the button images and the scroll box.

#include <gtest/gtest.h>

#include "tests/ui/headless_fixture.h"
#include "ui/controls.h"
#include "ui/form.h"
#include "ui/glyphs.h"
#include "ui/message_dialog.h"

namespace ui {
namespace {

class MessageDialogTest : public testing::HeadlessTest {
 protected:
  MessageBoxRequest Request(MessageButtons buttons, int defaultButton = 0) {
    MessageBoxRequest r;
    r.text = "Первая строка\r\nВторая строка";
    r.caption = "Вопрос";
    r.buttons = buttons;
    r.icon = MessageIcon::Question;
    r.defaultButton = defaultButton;
    return r;
  }
};

TEST_F(MessageDialogTest, ButtonsSpeakRussianAndEachAnswerIsItsResult) {
  struct Case {
    MessageButtons buttons;
    std::vector<std::pair<const char*, const char*>> named;  // name, caption
  } cases[] = {
      {MessageButtons::YesNo, {{"Yes", "&Да"}, {"No", "&Нет"}}},
      {MessageButtons::OkCancel, {{"OK", "OK"}, {"Cancel", "Отмена"}}},
      {MessageButtons::YesNoCancel, {{"Yes", "&Да"}, {"No", "&Нет"}, {"Cancel", "Отмена"}}},
  };
  for (const auto& c : cases) {
    for (const auto& [name, caption] : c.named) {
      SCOPED_TRACE(std::string(nameOf(c.buttons)) + " " + name);
      ui->expectDialog(kMessageDialogName).then([&, name = std::string(name), caption = std::string(caption)](Form& f) {
        EXPECT_EQ(f.caption(), "Вопрос");
        EXPECT_EQ(f.get<Label>("Message").caption(), "Первая строка\r\nВторая строка");
        EXPECT_EQ(f.get<IconImage>("Image").icon(), MessageIcon::Question);
        auto& b = f.get<Button>(name);
        EXPECT_EQ(b.caption(), caption);
        EXPECT_EQ(b.glyph(), Glyph::None);
        // Everything lies inside the window, the buttons below the text.
        EXPECT_LE(b.bounds().right(), f.width());
        EXPECT_LE(b.bounds().bottom(), f.height());
        EXPECT_GE(b.top(), f.get<Label>("Message").bounds().bottom());
        ASSERT_TRUE(ui->click(b));
      });
      const ModalResult expected = std::string(name) == "Yes"  ? ModalResult::Yes
                                   : std::string(name) == "No" ? ModalResult::No
                                   : std::string(name) == "OK" ? ModalResult::Ok
                                                               : ModalResult::Cancel;
      EXPECT_EQ(ShowMessageDialog(app, Request(c.buttons)), expected);
    }
  }
}

TEST_F(MessageDialogTest, EscPressesNoOrCancelAndTheCloseBoxGivesCancel) {
  struct Case {
    MessageButtons buttons;
    bool closeBox;  // else Esc
    ModalResult result;
  } cases[] = {
      {MessageButtons::YesNo, false, ModalResult::No},
      {MessageButtons::YesNoCancel, false, ModalResult::Cancel},
      {MessageButtons::YesNo, true, ModalResult::Cancel},
  };
  for (const auto& c : cases) {
    ui->expectDialog(kMessageDialogName).then([&](Form& f) {
      if (c.closeBox) {
        f.close();
      } else {
        ui->pressKey(f, keys::escape);
      }
    });
    EXPECT_EQ(ShowMessageDialog(app, Request(c.buttons)), c.result);
  }
}

TEST_F(MessageDialogTest, DefaultButtonHasTheFocusAndTakesEnter) {
  ui->expectDialog(kMessageDialogName).then([&](Form& f) {
    EXPECT_EQ(f.activeControl(), &f.get<Button>("No"));
    EXPECT_TRUE(f.get<Button>("No").isDefault());
    EXPECT_FALSE(f.get<Button>("Yes").isDefault());
    ui->pressKey(f, keys::enter);
  });
  EXPECT_EQ(ShowMessageDialog(app, Request(MessageButtons::YesNo, 1)), ModalResult::No);
}

TEST(ButtonGlyphs, EveryImageHasPixelsAndTheArrowsMirror) {
  for (Glyph g : {Glyph::ArrowLeft, Glyph::ArrowRight, Glyph::Ok, Glyph::Yes, Glyph::YesToAll, Glyph::No,
                  Glyph::NoToAll}) {
    EXPECT_GT(glyphs::opaquePixels(g), 20) << static_cast<int>(g);
  }
  EXPECT_EQ(glyphs::opaquePixels(Glyph::None), 0);
  for (int y = 0; y < glyphs::kSize; ++y) {
    for (int x = 0; x < glyphs::kSize; ++x) {
      EXPECT_EQ(glyphs::pixel(Glyph::ArrowLeft, x, y), glyphs::pixel(Glyph::ArrowRight, glyphs::kSize - 1 - x, y));
    }
  }
  EXPECT_FALSE(glyphs::pixel(Glyph::Ok, -1, 0));
  EXPECT_FALSE(glyphs::pixel(Glyph::Ok, 0, glyphs::kSize));
  EXPECT_EQ(glyphs::greyed(colors::black), glyphs::greyed(colors::black) & 0xFFFFFF);
}

TEST_F(MessageDialogTest, OkKindBringsItsImage) {
  Form f(app, "F");
  auto& b = f.add<Button>("B");
  EXPECT_EQ(b.glyph(), Glyph::None);
  b.setKind(ButtonKind::Ok);
  EXPECT_EQ(b.glyph(), Glyph::Ok);
}

TEST_F(MessageDialogTest, ScrollBoxClipsScrollsAndFollowsTheFocus) {
  Form f(app, "F");
  auto& box = f.add<ScrollBox>("Box");
  box.setBounds(0, 0, 200, 100);
  std::vector<Edit*> edits;
  for (int i = 0; i < 5; ++i) {
    auto& e = box.add<Edit>("E" + std::to_string(i));
    e.setBounds(0, 10 + 40 * i, 150, 21);
    edits.push_back(&e);
  }
  f.showForm();
  EXPECT_EQ(box.contentHeight(), 10 + 40 * 4 + 21);
  EXPECT_EQ(box.maxScrollTop(), box.contentHeight() - 100);
  EXPECT_TRUE(ui->isOnScreen(*edits[1]));
  EXPECT_FALSE(ui->isOnScreen(*edits[2])) << "partly below the box";
  edits[4]->setFocus();
  EXPECT_EQ(box.scrollTop(), box.maxScrollTop());
  EXPECT_TRUE(ui->isOnScreen(*edits[4]));
  EXPECT_FALSE(ui->isOnScreen(*edits[0]));
  ui->pressTab(f);  // wraps round to the first
  EXPECT_EQ(f.activeControl(), edits[0]);
  EXPECT_EQ(box.scrollTop(), 10);
  EXPECT_TRUE(ui->isOnScreen(*edits[0]));
  ui->pressTab(f, true);
  EXPECT_EQ(f.activeControl(), edits[4]);
  edits[4]->hide();
  edits[3]->hide();
  EXPECT_EQ(box.contentHeight(), 10 + 40 * 2 + 21) << "hidden children take no room";
  f.hideForm();
}

}  // namespace
}  // namespace ui
