#include "wizard/ask_floppy_form.h"

#include "wizard/dialog_texts.h"

namespace wizard {

AskFloppyForm::AskFloppyForm(ui::Application& app)
    : ui::Form(app, "TfrmAskFloppy"),
      Label1(add<ui::Label>("Label1")),
      Button1(add<ui::Button>("Button1")),
      Button2(add<ui::Button>("Button2")) {
  setCaption(texts::kFloppyCaption);
  setBorderStyle(ui::BorderStyle::DialogNoSystemMenu);
  setPosition(ui::FormPosition::DesktopCenter);
  setClientSize(288, 60);

  Label1.setBounds(0, 8, 285, 13);
  Label1.setAlignment(ui::TextAlign::Center);
  Label1.setCaption(texts::kFloppyText);
  Button1.setBounds(36, 32, 85, 25);
  Button1.setCaption(texts::kFloppyContinue);
  Button1.setModalResult(ui::ModalResult::Ok);
  Button2.setBounds(164, 32, 85, 25);
  Button2.setCaption(texts::kFloppyCancel);
  Button2.setModalResult(ui::ModalResult::Cancel);
}

bool AskForNextDiskette(ui::Application& app) {
  AskFloppyForm form(app);
  return form.showModal() != ui::ModalResult::Ok;
}

}  // namespace wizard
