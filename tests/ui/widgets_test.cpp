// Widget properties and their events: check list items, radio groups,
// progress bars, edits, notebook pages, alignment, fonts, viewers.

#include <gtest/gtest.h>

#include "tests/ui/headless_fixture.h"
#include "ui/controls.h"
#include "ui/form.h"
#include "ui/notebook.h"

namespace ui {
namespace {

class WidgetsTest : public testing::HeadlessTest {
 protected:
  WidgetsTest() : form(app, "frmInstall") {}
  Form form;
};

TEST_F(WidgetsTest, CheckListItemsHaveTheirOwnEnabledState) {
  auto& list = form.add<CheckList>("CustomBox");
  std::vector<int> changes;
  list.onStateChange = [&](int i) { changes.push_back(i); };
  const bool required[] = {true, false, true};
  for (int i = 0; i < 3; ++i) {
    list.addItem("Группа " + std::to_string(i), i);
    list.setItemEnabled(i, !required[i]);
    list.setChecked(i, true);  // the program may check a disabled item
  }
  EXPECT_EQ(changes, (std::vector<int>{0, 1, 2}));
  form.showForm();
  changes.clear();

  // The user toggles each item; only the enabled one changes.
  std::vector<std::string> failures;
  headless::HeadlessRenderer user([&](const std::string& m) { failures.push_back(m); });
  for (int i = 0; i < 3; ++i) {
    failures.clear();
    const bool toggled = user.toggleItem(list, i);
    EXPECT_EQ(toggled, !required[i]) << "item " << i;
    EXPECT_EQ(list.checked(i), required[i]) << "item " << i;
    EXPECT_EQ(failures.size(), required[i] ? 1u : 0u) << "item " << i;
  }
  EXPECT_EQ(changes, (std::vector<int>{1}));

  // Space on the selected item toggles it back.
  list.setFocus();
  list.setItemIndex(1);
  ui->pressKey(form, keys::space);
  EXPECT_TRUE(list.checked(1));

  // A disabled list lets no item change.
  list.setEnabled(false);
  EXPECT_FALSE(list.toggle(1));
  EXPECT_EQ(list.item(2).data, 2);
}

TEST_F(WidgetsTest, RadioButtonsAreExclusiveAndCheckingRunsOnClick) {
  auto& group = form.add<GroupBox>("SetupGroup");
  std::vector<int> clicks;
  RadioButton* buttons[3];
  for (int i = 0; i < 3; ++i) {
    buttons[i] = &group.add<RadioButton>("R" + std::to_string(i));
    buttons[i]->setTag(i == 2 ? -1 : i);
    if (i == 0) buttons[i]->setChecked(true);  // before the handler: no click
    buttons[i]->onClick = [&clicks, b = buttons[i]] { clicks.push_back(b->tag()); };
  }
  EXPECT_TRUE(clicks.empty());
  form.showForm();
  ui->click(*buttons[2]);
  EXPECT_EQ(clicks, (std::vector<int>{-1}));
  EXPECT_FALSE(buttons[0]->checked());
  EXPECT_TRUE(buttons[2]->checked());
  buttons[1]->setChecked(true);  // by the program: also a click
  EXPECT_EQ(clicks, (std::vector<int>{-1, 1}));
  EXPECT_FALSE(buttons[2]->checked());
  ui->click(*buttons[1]);  // already checked: nothing
  EXPECT_EQ(clicks.size(), 2u);
}

TEST_F(WidgetsTest, CheckBoxClickToggles) {
  auto& box = form.add<CheckBox>("Box1");
  int clicks = 0;
  box.onClick = [&] { ++clicks; };
  form.showForm();
  ui->click(box);
  EXPECT_TRUE(box.checked());
  ui->click(box);
  EXPECT_FALSE(box.checked());
  EXPECT_EQ(clicks, 2);
}

TEST_F(WidgetsTest, ProgressPositionStaysInRange) {
  auto& bar = form.add<ProgressBar>("PBar");
  struct Case {
    int max;
    int set;
    int expected;
  };
  const Case cases[] = {{100, 50, 50}, {100, 150, 100}, {100, -5, 0}, {1000, 999, 999}, {10, 999, 10}};
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    bar.setMax(cases[i].max);
    bar.setPosition(cases[i].set);
    EXPECT_EQ(bar.position(), cases[i].expected) << "case " << i;
  }
  bar.setPosition(10);
  bar.setMax(5);  // shrinking the range pulls the position in
  EXPECT_EQ(bar.position(), 5);
}

TEST_F(WidgetsTest, EditChangeFiresOncePerRealChange) {
  auto& edit = form.add<PathEdit>("Dir0", PathEdit::Kind::Directory);
  int changes = 0;
  // A handler that rewrites the text (the short-name rule) runs again for
  // its own change, and stops when nothing changes.
  edit.onChange = [&] {
    ++changes;
    if (edit.text().size() > 8) edit.setText(edit.text().substr(0, 8));
  };
  edit.setText("C:\\LongDirectory");
  EXPECT_EQ(edit.text(), "C:\\LongD");
  EXPECT_EQ(changes, 2);
  edit.setText("C:\\LongD");
  EXPECT_EQ(changes, 2);
}

TEST_F(WidgetsTest, NotebookShowsOnePageAndFillsItsArea) {
  form.setClientSize(536, 345);
  auto& nb = form.add<Notebook>("NB");
  nb.setBounds(0, 52, 536, 293);
  auto& start = nb.addPage("Start");
  auto& process = nb.addPage("Process");
  EXPECT_EQ(start.bounds(), (Rect{0, 0, 536, 293}));
  EXPECT_TRUE(start.visible());
  EXPECT_FALSE(process.visible());
  nb.setActivePage("Process");
  EXPECT_FALSE(start.visible());
  EXPECT_TRUE(process.visible());
  auto& label = process.add<Label>("CLabel");
  label.setBounds(4, 4, 100, 13);
  EXPECT_EQ(label.boundsInForm(), (Rect{4, 56, 100, 13}));
  EXPECT_THROW(nb.setActivePage("Nope"), std::out_of_range);
}

TEST_F(WidgetsTest, AlignedPanelsLayOutLikeTheLicenceDialog) {
  form.setClientSize(496, 348);
  auto& top = form.add<Panel>("Panel2");
  top.setHeight(22);
  top.setAlign(Align::Top);
  auto& bottom = form.add<Panel>("Panel1");
  bottom.setHeight(31);
  bottom.setAlign(Align::Bottom);
  auto& text = form.add<RichEdit>("Text");
  text.setAlign(Align::Client);
  EXPECT_EQ(top.bounds(), (Rect{0, 0, 496, 22}));
  EXPECT_EQ(bottom.bounds(), (Rect{0, 317, 496, 31}));
  EXPECT_EQ(text.bounds(), (Rect{0, 22, 496, 295}));
  // A resized window lays out again (the readme viewer is resizable).
  form.clientResized(600, 400);
  EXPECT_EQ(bottom.bounds(), (Rect{0, 369, 600, 31}));
  EXPECT_EQ(text.bounds(), (Rect{0, 22, 600, 347}));
}

TEST_F(WidgetsTest, FontsFollowTheParentUntilSet) {
  auto& panel = form.add<Panel>("AskDisk");
  auto& label = panel.add<Label>("L");
  EXPECT_EQ(label.font().name, "MS Sans Serif");
  EXPECT_EQ(label.font().height, 11);
  Font bold = panel.font();
  bold.bold = true;
  bold.height = 16;
  panel.setFont(bold);
  EXPECT_TRUE(label.font().bold);
  label.setFontColor(colors::maroon);
  EXPECT_EQ(label.font().color, colors::maroon);
  EXPECT_EQ(label.font().height, 16);
  EXPECT_EQ(panel.font().color, colors::windowText);
}

TEST_F(WidgetsTest, AutoSizedLabelFollowsItsCaptionAndFont) {
  auto& label = form.add<Label>("CLabel");
  label.setBounds(4, 4, 200, 20);
  label.setCaption("il");
  EXPECT_EQ(label.width(), 200) << "sized without being asked";
  label.setAutoSize(true);
  EXPECT_EQ(label.bounds(), (Rect{4, 4, 4, 13}));
  label.setCaption("Копирование файла");
  EXPECT_EQ(label.width(), app.textWidth(label.font(), "Копирование файла"));
  Font bold = label.font();
  bold.bold = true;
  form.setFont(bold);  // an inherited font change resizes too
  EXPECT_EQ(label.width(), app.textWidth(bold, "Копирование файла"));
  EXPECT_GT(label.width(), 0);
}

TEST_F(WidgetsTest, FindByNameAndType) {
  auto& page = form.add<Notebook>("NB").addPage("Final");
  page.add<CheckBox>("Box1");
  EXPECT_NE(form.find<CheckBox>("Box1"), nullptr);
  EXPECT_EQ(form.find<Button>("Box1"), nullptr);
  EXPECT_THROW(form.get<Button>("Box1"), std::logic_error);
  EXPECT_THROW(form.get<Button>("Missing"), std::logic_error);
}

TEST_F(WidgetsTest, RemovingTheFocusedWidgetClearsTheFocus) {
  auto& box = form.add<Panel>("SB");
  auto& edit = box.add<Edit>("E");
  edit.setFocus();
  EXPECT_EQ(form.activeControl(), &edit);
  form.remove(box);
  EXPECT_EQ(form.activeControl(), nullptr);
  EXPECT_EQ(form.find<Edit>("E"), nullptr);
}

TEST_F(WidgetsTest, RichEditShowsRtfTextWithoutMarkup) {
  auto& rich = form.add<RichEdit>("Text");
  rich.setContent(
      "{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red255\\green0\\blue0;}"
      "{\\*\\generator X;}\\f0\\b \\'cb\\'e8\\'f6\\'e5\\'ed\\'e7\\'e8\\'ff\\b0\\par\\cf1 a\\{b\\}\\tab c}");
  EXPECT_TRUE(rich.isRtf());
  EXPECT_EQ(rich.plainText(), "Лицензия\r\na{b}\tc");
  rich.setContent("просто текст");
  EXPECT_FALSE(rich.isRtf());
  EXPECT_EQ(rich.plainText(), "просто текст");
}

TEST_F(WidgetsTest, MemoSplitsLines) {
  auto& memo = form.add<Memo>("Memo");
  struct Case {
    const char* text;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"a\r\nb\r\n", {"a", "b"}}, {"a\nb", {"a", "b"}}, {"a\rb\r\n\r\nc", {"a", "b", "", "c"}}, {"", {}},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    memo.setText(cases[i].text);
    EXPECT_EQ(memo.lines(), cases[i].lines) << "case " << i << ": " << cases[i].text;
  }
  memo.setText("x\ny");
  EXPECT_EQ(memo.text(), "x\r\ny");
}

TEST_F(WidgetsTest, CursorScopeRestoresThePreviousCursor) {
  EXPECT_EQ(app.cursor(), Cursor::Default);
  {
    CursorScope wait(app, Cursor::Wait);
    EXPECT_EQ(ui->cursor(), Cursor::Wait);
  }
  EXPECT_EQ(ui->cursor(), Cursor::Default);
}

}  // namespace
}  // namespace ui
