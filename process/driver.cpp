#include "process/driver.h"

namespace process {

// Placeholder until the driver lands: goes straight to the Final page.
void RunInstallation(startup::SetupContext&, InstallerUi& ui, actions::RunEnd&) { ui.showFinalPage(); }

}  // namespace process
