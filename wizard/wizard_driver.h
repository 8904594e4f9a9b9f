#pragma once
// The installation driver on the wizard's window: the Process page's
// labels and bars, the overwrite and volume dialogs, the Final page and the
// rollback banner, over frmInstall's components.

#include <optional>
#include <string>

#include "process/installer_ui.h"
#include "wizard/installation_driver.h"

namespace wizard {

class InstallForm;

// process::InstallerUi over frmInstall.
class WizardInstallerUi final : public process::InstallerUi {
 public:
  explicit WizardInstallerUi(InstallForm& form) : form_(form) {}

  void setFileCaption(const std::string& text) override;
  void setFileProgress(int position, int maximum) override;
  void setOverallProgress(int position, int maximum) override;
  void processMessages() override;
  int askOverwrite(std::size_t groupIndex, std::size_t fileIndex) override;
  std::optional<std::string> askForVolume(const std::string& expectedPath) override;

  void setStepCaption(const std::string& text, bool bold) override;
  void showProgressControls() override;
  void showFinalPage() override;
  void showRollbackBanner(bool visible) override;
  void showStopMessage(const std::string& text, const std::string& caption) override;

 private:
  InstallForm& form_;
};

// Runs process::RunInstallation on the form once copying was confirmed.
class WizardDriver final : public InstallationDriver {
 public:
  void RunInstallation(InstallForm& form) override;
};

// Makes the form's fatal-error path undo the run with process::RollBack,
// the banner shown on the form.
void PlugRollBack(InstallForm& form);

}  // namespace wizard
