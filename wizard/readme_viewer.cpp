#include "wizard/readme_viewer.h"

#include "wizard/dialog_texts.h"

namespace wizard {

namespace {
// The window is 544 x 375 pixels outside; its sizing frame takes 4 pixels on
// each side and the title bar 19, leaving this client area.
constexpr int kClientWidth = 544 - 2 * 4;
constexpr int kClientHeight = 375 - 2 * 4 - 19;
}  // namespace

ReadmeForm::ReadmeForm(ui::Application& app)
    : ui::Form(app, "TReadmeForm"),
      Panel2(add<ui::Panel>("Panel2")),
      Panel3(Panel2.add<ui::Panel>("Panel3")),
      BitBtn1(Panel3.add<ui::Button>("BitBtn1", ui::ButtonKind::Close)),
      Memo(add<ui::Memo>("Memo")) {
  setCaption(texts::kReadmeCaption);
  setBorderStyle(ui::BorderStyle::Sizeable);
  setPosition(ui::FormPosition::ScreenCenter);
  setClientSize(kClientWidth, kClientHeight);

  // Sizes before alignments: aligning places a child by its current size.
  Panel2.setHeight(30);
  Panel2.setAlign(ui::Align::Bottom);
  Panel2.setBevels(ui::Bevel::None, ui::Bevel::None);
  Panel3.setWidth(99);
  Panel3.setAlign(ui::Align::Right);
  Panel3.setBevels(ui::Bevel::None, ui::Bevel::None);
  BitBtn1.setBounds(20, 4, 75, 25);

  // Long lines scroll sideways instead of wrapping.
  Memo.setAlign(ui::Align::Client);
  Memo.setWordWrap(false);
  realign();
}

void ShowReadme(ui::Application& app, platform::FileSystem& fs, const std::string& path) {
  if (!fs.fileExists(path)) return;
  auto content = platform::readWholeFile(fs, path);
  if (!content) return;
  ReadmeForm form(app);
  form.Memo.setText(*content);
  form.showModal();
}

}  // namespace wizard
