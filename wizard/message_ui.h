#pragma once
// The engine's message seam on the UI toolkit: SetupMessage's kinds become
// message boxes of the application, and the engine's cursor is the screen's.

#include "startup/messages.h"
#include "ui/application.h"

namespace wizard {

inline constexpr const char kErrorCaption[] = "Ошибка";
inline constexpr const char kConfirmCaption[] = "Подтверждение";
inline constexpr const char kWarningCaption[] = "Предупреждение";

class WizardMessageUi final : public startup::MessageUi {
 public:
  explicit WizardMessageUi(ui::Application& app) : app_(app) {}
  int showMessage(const std::string& text, startup::MessageKind kind) override;
  startup::Cursor cursor() const override;
  void setCursor(startup::Cursor cursor) override;

 private:
  ui::Application& app_;
};

}  // namespace wizard
