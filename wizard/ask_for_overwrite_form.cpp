#include "wizard/ask_for_overwrite_form.h"

#include "wizard/dialog_texts.h"
#include "wizard/file_name_fitting.h"
#include "wizard/text_wrapping.h"

namespace wizard {

AskForOverwriteForm::AskForOverwriteForm(ui::Application& app)
    : ui::Form(app, "TAskForOverwrite"),
      Label1(add<ui::Label>("Label1")),
      FLabel(add<ui::Label>("FLabel")),
      GrpLabel(add<ui::Label>("GrpLabel")),
      YesBtn(add<ui::Button>("YesBtn")),
      YesToAllBtn(add<ui::Button>("YesToAllBtn")),
      NoBtn(add<ui::Button>("NoBtn")),
      NoToAllBtn(add<ui::Button>("NoToAllBtn")) {
  setCaption(texts::kOverwriteCaption);
  setBorderStyle(ui::BorderStyle::Dialog);
  setPosition(ui::FormPosition::Designed);
  setBounds(212, 126, 376, 105);
  ui::Font font;  // "MS Sans Serif", 11 pixels
  setFont(font);

  Label1.setBounds(4, 0, 369, 29);
  Label1.setWordWrap(true);
  Label1.setCaption(texts::kOverwriteExplanation);
  FLabel.setBounds(4, 31, 369, 14);
  GrpLabel.setBounds(4, 47, 369, 28);
  GrpLabel.setWordWrap(true);
  GrpLabel.setCaption(texts::kOverwriteGroupPrefix);

  YesBtn.setBounds(3, 78, 75, 25);
  YesBtn.setCaption(texts::kYes);
  YesBtn.setModalResult(ui::ModalResult::Yes);
  YesBtn.setGlyph(ui::Glyph::Yes);
  YesToAllBtn.setBounds(84, 78, 101, 25);
  YesToAllBtn.setCaption(texts::kYesToAll);
  YesToAllBtn.setModalResult(ui::ModalResult::YesToAll);
  YesToAllBtn.setGlyph(ui::Glyph::YesToAll);
  NoBtn.setBounds(191, 78, 75, 25);
  NoBtn.setCaption(texts::kNo);
  NoBtn.setModalResult(ui::ModalResult::No);
  NoBtn.setGlyph(ui::Glyph::No);
  NoBtn.setCancel(true);
  NoToAllBtn.setBounds(272, 78, 101, 25);
  NoToAllBtn.setCaption(texts::kNoToAll);
  NoToAllBtn.setModalResult(ui::ModalResult::NoToAll);
  NoToAllBtn.setGlyph(ui::Glyph::NoToAll);

  onCloseQuery = [this] { return FormCloseQuery(); };
}

void AskForOverwriteForm::Prepare(const startup::TGroup& group, const startup::FileItem& file) {
  GrpLabel.setCaption(GrpLabel.caption() + group.Name.str() + "\"?");
  const ui::Font font = FLabel.font();
  FLabel.setCaption(FitFileName(file.TargetName.str(), FLabel.width(),
                                [this, &font](std::string_view text) { return application().textWidth(font, text); }));
  YesBtn.setEnabled(!group.AllAnswersOnly);
  NoBtn.setEnabled(!group.AllAnswersOnly);
  FitWrappedLabels();
}

void AskForOverwriteForm::FitWrappedLabels() {
  const auto extraHeight = [this](ui::Label& label) {
    const ui::Font font = label.font();
    const int lines = WrappedLineCount(label.caption(), label.width(), [this, &font](std::string_view text) {
      return application().textWidth(font, text);
    });
    const int needed = lines * application().renderer().lineHeight(font);
    return needed > label.height() ? needed - label.height() : 0;
  };
  const int explanation = extraHeight(Label1);
  Label1.setHeight(Label1.height() + explanation);
  FLabel.setTop(FLabel.top() + explanation);
  GrpLabel.setTop(GrpLabel.top() + explanation);
  const int group = extraHeight(GrpLabel);
  GrpLabel.setHeight(GrpLabel.height() + group);
  for (ui::Button* b : {&YesBtn, &YesToAllBtn, &NoBtn, &NoToAllBtn}) b->setTop(b->top() + explanation + group);
  setClientSize(width(), height() + explanation + group);
}

bool AskForOverwriteForm::FormCloseQuery() {
  switch (modalResult()) {
    case ui::ModalResult::Yes:
    case ui::ModalResult::No:
    case ui::ModalResult::NoToAll:
    case ui::ModalResult::YesToAll:
      return true;
    default:
      return false;
  }
}

int AskOverwrite(startup::SetupContext& ctx, ui::Application& app, std::size_t groupIndex, std::size_t fileIndex) {
  startup::TGroup& group = ctx.model.TGroups.at(groupIndex);
  const startup::FileItem& file = ctx.model.FilesData.at(fileIndex);
  if (group.OverwriteAnswer == startup::oaNoForAll) return kKeepExisting;
  if (group.OverwriteAnswer == startup::oaYesForAll) return kReplaceExisting;

  AskForOverwriteForm form(app);
  form.Prepare(group, file);
  switch (form.showModal()) {
    case ui::ModalResult::Yes:
      return kReplaceExisting;
    case ui::ModalResult::YesToAll:
      group.OverwriteAnswer = startup::oaYesForAll;
      return kReplaceExisting;
    case ui::ModalResult::NoToAll:
      group.OverwriteAnswer = startup::oaNoForAll;
      return kKeepExisting;
    default:
      // "Нет", or the program ending while the question is open: the
      // existing file stays.
      return kKeepExisting;
  }
}

}  // namespace wizard
