#pragma once
// The installation run: every step in its fixed order on the Process page,
// the uninstall record, and the Final page at the end.

#include "actions/report_action_error.h"
#include "process/installer_ui.h"
#include "startup/context.h"

namespace process {

// Runs the installation. Returns when the run has finished (the Final page
// is shown), stopped at a break between steps, or failed (the failure was
// reported, rolled back and the program asked to end).
void RunInstallation(startup::SetupContext& ctx, InstallerUi& ui, actions::RunEnd& end);

}  // namespace process
