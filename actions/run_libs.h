#pragma once
// The [RunLib] items: each pack unpacked into the private work directory,
// the gate library asked, the run library called or the run program started
// and its exit code checked, the work directory removed again.

#include "actions/report_action_error.h"
#include "startup/context.h"

namespace actions {

// Processes every RunLibItem in table order. Returns false when a failure
// was reported (the run must stop).
bool RunLibs(startup::SetupContext& ctx, RunEnd& end);

}  // namespace actions
