#include "wizard/program_entry.h"

#include "wizard/install_form.h"
#include "wizard/wizard_driver.h"

namespace wizard {

void RunSetupProgram(ui::Application& app, startup::SetupContext& ctx, DialogServices& dialogs,
                     InstallationDriver& driver) {
  app.setTitle(kApplicationTitle);
  InstallForm frmInstall(app, ctx, dialogs, driver);
  PlugRollBack(frmInstall);
  frmInstall.form().showForm();
  app.run();
}

}  // namespace wizard
