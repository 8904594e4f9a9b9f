#pragma once
// The database engine during the run: the plan deciding EngineActions
// (with the removal of an outdated engine), the engine's presence and
// version, its default configuration and its removal.

#include "actions/report_action_error.h"
#include "startup/context.h"

namespace bde {

// Decides ctx.run.EngineActions from [Main] BDE; removes an outdated engine
// (setting afOldEngineRemoved). Returns false when a failure was reported
// (the run must stop).
bool PlanEngine(startup::SetupContext& ctx, actions::RunEnd& end);
// A working engine can be started.
bool EnginePresent(startup::SetupContext& ctx);
// The installed engine's library is at least BDEVersion.
bool EngineVersionSufficient(startup::SetupContext& ctx);
// Writes the default configuration when no engine is registered and
// registers the engine's COM servers. Returns false when a failure was
// reported.
bool ConfigureEngine(startup::SetupContext& ctx, actions::RunEnd& end);
// Removes the installed engine; reports nothing.
void RemoveEngine(startup::SetupContext& ctx);

}  // namespace bde
