#pragma once
// The [Registry] values: each written with its key's log line, the former
// content recorded first, for the uninstaller and the rollback.

#include <cstdint>
#include <string>

#include "actions/report_action_error.h"
#include "startup/context.h"

namespace actions {

// Applies every RegistryItem in table order. Returns false when a failure
// was reported (the run must stop).
bool ApplyRegistryItems(startup::SetupContext& ctx, RunEnd& end);

}  // namespace actions
