#pragma once
// The program's run: create frmInstall, show it (the loading steps run) and
// run the message loop until the application terminates. No command line
// and no environment are read.

#include "startup/context.h"
#include "ui/application.h"
#include "wizard/dialog_services.h"
#include "wizard/installation_driver.h"

namespace wizard {

void RunSetupProgram(ui::Application& app, startup::SetupContext& ctx, DialogServices& dialogs,
                     InstallationDriver& driver);

}  // namespace wizard
