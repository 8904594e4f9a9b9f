#pragma once
// How a fatal failure ends the wizard's run: the fatal message box, the
// rollback seam and the application's terminate request.

#include <functional>

#include "actions/report_action_error.h"
#include "ui/application.h"

namespace wizard {

class WizardRunEnd final : public actions::RunEnd {
 public:
  explicit WizardRunEnd(ui::Application& app) : app_(app) {}
  void ShowFatalError(const std::string& text) override;
  void RollBack(startup::SetupContext& ctx) override;
  void Terminate() override { app_.terminate(); }

  // The rollback of a failed installation, once there is one.
  std::function<void(startup::SetupContext&)> rollBack;

 private:
  ui::Application& app_;
};

}  // namespace wizard
