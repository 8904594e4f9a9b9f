#include "wizard/licence_dialog.h"

#include "wizard/dialog_texts.h"

namespace wizard {

LicenceForm::LicenceForm(ui::Application& app)
    : ui::Form(app, "TfrmLicence"),
      Panel2(add<ui::Panel>("Panel2")),
      Panel1(add<ui::Panel>("Panel1")),
      OKBtn(Panel1.add<ui::Button>("OKBtn", ui::ButtonKind::Ok)),
      BitBtn2(Panel1.add<ui::Button>("BitBtn2")),
      Text(add<ui::RichEdit>("Text")) {
  setCaption(texts::kLicenceCaption);
  setBorderStyle(ui::BorderStyle::ToolWindow);
  setPosition(ui::FormPosition::DesktopCenter);
  setClientSize(496, 348);

  // Sizes before alignments: aligning places a child by its current size.
  Panel2.setHeight(22);
  Panel2.setAlign(ui::Align::Top);
  Panel2.setBevels(ui::Bevel::None, ui::Bevel::None);
  Panel2.setAlignment(ui::TextAlign::Left);
  Panel2.setCaption(texts::kLicenceHeading);

  Panel1.setHeight(31);
  Panel1.setAlign(ui::Align::Bottom);
  Panel1.setBevels(ui::Bevel::None, ui::Bevel::None);
  OKBtn.setCaption(texts::kLicenceAccept);
  OKBtn.setBounds(233, 4, 125, 25);
  BitBtn2.setCaption(texts::kLicenceDecline);
  BitBtn2.setModalResult(ui::ModalResult::Cancel);
  BitBtn2.setBounds(369, 4, 125, 25);

  // Created last so that it fills what the two panels leave.
  Text.setAlign(ui::Align::Client);
  Text.setColor(ui::colors::buttonFace);
  realign();
}

bool ShowLicenceDialog(ui::Application& app, platform::FileSystem& fs, const std::string& licencePath) {
  if (!fs.fileExists(licencePath)) return true;

  LicenceForm form(app);
  // An unreadable licence is still shown (empty) and must still be accepted:
  // skipping the question would install without the user's consent.
  if (auto content = platform::readWholeFile(fs, licencePath)) form.Text.setContent(std::move(*content));

  // The licence text is not left behind in the temporary directory,
  // whatever the answer.
  bool removed = fs.removeFile(licencePath).ok();
  const bool accepted = form.showModal() == ui::ModalResult::Ok;
  // A file held open by another program gets one more try once the dialog
  // is closed; after that it goes with the temporary directory at the close
  // steps.
  if (!removed) removed = fs.removeFile(licencePath).ok();
  return accepted;
}

}  // namespace wizard
