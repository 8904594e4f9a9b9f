// The Final page: the flashing completion text, the Finish button and the
// option boxes the close steps read.

#include "wizard/install_form.h"

namespace wizard {

void InstallForm::PrepareFinalPage() {
  const startup::SetupDataModel& m = ctx_.model;
  ctx_.window.Completed = true;
  ColorTimer->setEnabled(true);

  NextBtn->show();
  NextBtn->setKind(ui::ButtonKind::Ok);
  NextBtn->onClick = [this] { NextBtnClick(); };
  NextBtn->setFocus();

  size_t next = 0;
  if (m.Main.ReadmeView) {
    ui::CheckBox& box = *Boxes[next++];
    box.setCaption("Просмотреть информационный файл");
    box.show();
    box.setChecked(true);
    box.setTag(1);
    box.setFocus();
  }
  if (m.Main.RunApp && !m.RestartNeeded) {
    ui::CheckBox& box = *Boxes[next++];
    box.setCaption("Запустить установленную программу");
    box.show();
    box.setChecked(true);
    box.setTag(2);
  }
  if (m.Main.RestartWindows) {
    ui::CheckBox& box = *Boxes[next];
    box.setCaption("Перезапустить Windows");
    box.show();
    box.setTag(3);
    box.setChecked(next == 0);  // checked only when it is the only option
  }
}

void InstallForm::ColorTimerTimer() {
  const bool lime = FinalLabel->font().color == ui::colors::lime;
  FinalLabel->setFontColor(lime ? ui::colors::windowText : ui::colors::lime);
}

void InstallForm::NextBtnClick() {
  ColorTimer->setEnabled(false);
  ctx_.window.Completed = true;
  form_->close();
}

}  // namespace wizard
