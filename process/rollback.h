#pragma once
// Undoes what a failed run recorded: placed files, temporaries, directories,
// links and program folders, registry values, with the rollback banner shown.

#include "process/installer_ui.h"
#include "startup/context.h"

namespace process {

void RollBack(startup::SetupContext& ctx, InstallerUi& ui);

}  // namespace process
