#include "wizard/message_ui.h"

namespace wizard {

int WizardMessageUi::showMessage(const std::string& text, startup::MessageKind kind) {
  ui::ModalResult result = ui::ModalResult::None;
  switch (kind) {
    case startup::MessageKind::question:
      result = app_.messageBox(text, kConfirmCaption, ui::MessageButtons::YesNo, ui::MessageIcon::Question);
      break;
    case startup::MessageKind::warning:
      result = app_.messageBox(text, kWarningCaption, ui::MessageButtons::Ok, ui::MessageIcon::Warning);
      break;
    case startup::MessageKind::error:
    default:
      result = app_.messageBox(text, kErrorCaption, ui::MessageButtons::Ok, ui::MessageIcon::Error);
      break;
  }
  return static_cast<int>(result);
}

startup::Cursor WizardMessageUi::cursor() const {
  return app_.cursor() == ui::Cursor::Wait ? startup::Cursor::wait : startup::Cursor::arrow;
}

void WizardMessageUi::setCursor(startup::Cursor cursor) {
  app_.setCursor(cursor == startup::Cursor::wait ? ui::Cursor::Wait : ui::Cursor::Default);
}

}  // namespace wizard
