#include "process/rollback.h"

namespace process {

// Placeholder until the rollback lands.
void RollBack(startup::SetupContext&, InstallerUi&) {}

}  // namespace process
