#include "wizard/wizard_driver.h"

#include "process/driver.h"
#include "process/rollback.h"
#include "process/texts.h"
#include "wizard/ask_for_overwrite_form.h"
#include "wizard/install_form.h"
#include "wizard/volume_prompt.h"

namespace wizard {

void WizardInstallerUi::setFileCaption(const std::string& text) { form_.FLabel->setCaption(text); }

void WizardInstallerUi::setFileProgress(int position, int maximum) {
  form_.FileBar->setRange(0, maximum);
  form_.FileBar->setPosition(position);
}

void WizardInstallerUi::setOverallProgress(int position, int maximum) {
  form_.PBar->setRange(0, maximum);
  form_.PBar->setPosition(position);
}

void WizardInstallerUi::processMessages() { form_.app().processMessages(); }

int WizardInstallerUi::askOverwrite(std::size_t groupIndex, std::size_t fileIndex) {
  return AskOverwrite(form_.ctx(), form_.app(), groupIndex, fileIndex);
}

std::optional<std::string> WizardInstallerUi::askForVolume(const std::string& expectedPath) {
  return AskForMissingVolume(form_.ctx(), form_.app(), expectedPath);
}

void WizardInstallerUi::setStepCaption(const std::string& text, bool bold) {
  ui::Label& label = *form_.CLabel;
  ui::Font font = label.font();
  font.bold = bold;
  label.setFont(font);
  label.setCaption(text);
  label.repaint();
}

void WizardInstallerUi::showProgressControls() {
  form_.FLabel->show();
  form_.FileBar->show();
  form_.PBar->show();
}

void WizardInstallerUi::showFinalPage() { form_.NB->setPageIndex(pgFinal); }

void WizardInstallerUi::showRollbackBanner(bool visible) {
  if (visible) {
    form_.FLabel->hide();
    form_.CLabel->hide();
    form_.PBar->hide();
    form_.FileBar->hide();
    form_.AskDisk->setCaption(process::kRollbackBanner);
    form_.AskDisk->show();
    form_.AskTimer->setEnabled(true);
  } else {
    form_.AskTimer->setEnabled(false);
    form_.AskDisk->hide();
  }
}

void WizardInstallerUi::showStopMessage(const std::string& text, const std::string& caption) {
  ui::MessageBoxRequest r;
  r.text = text;
  r.caption = caption;
  r.buttons = ui::MessageButtons::Ok;
  r.icon = ui::MessageIcon::Error;
  r.owner = &form_.form();
  const ui::ModalResult closed = form_.app().messageBox(r);
  static_cast<void>(closed);  // one button: the box only has to be closed
}

void WizardDriver::RunInstallation(InstallForm& form) {
  WizardInstallerUi ui(form);
  process::RunInstallation(form.ctx(), ui, form.runEnd());
}

void PlugRollBack(InstallForm& form) {
  form.wizardRunEnd().rollBack = [&form](startup::SetupContext& ctx) {
    WizardInstallerUi ui(form);
    process::RollBack(ctx, ui);
  };
}

}  // namespace wizard
