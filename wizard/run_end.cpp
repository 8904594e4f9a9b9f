#include "wizard/run_end.h"

namespace wizard {

void WizardRunEnd::ShowFatalError(const std::string& text) {
  ui::MessageBoxRequest r;
  r.text = text;
  r.caption = actions::kFatalErrorCaption;
  r.buttons = ui::MessageButtons::Ok;
  r.icon = ui::MessageIcon::Error;
  r.owner = app_.mainForm();
  // The box has one button; its answer carries nothing.
  const ui::ModalResult answered = app_.messageBox(r);
  static_cast<void>(answered);
}

void WizardRunEnd::RollBack(startup::SetupContext& ctx) {
  if (rollBack) rollBack(ctx);
}

}  // namespace wizard
