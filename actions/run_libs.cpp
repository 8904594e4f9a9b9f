#include "actions/run_libs.h"

namespace actions {

// Placeholder until the RunLib step lands.
bool RunLibs(startup::SetupContext&, RunEnd&) { return true; }

}  // namespace actions
