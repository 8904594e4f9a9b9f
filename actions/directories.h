#pragma once
// Target directories, directory chains with their "Dir=" lines, removal of
// directory trees, and the restart.

#include <string>

#include "actions/report_action_error.h"
#include "startup/context.h"

namespace actions {

// Creates the [AskDirs] directories and, when the engine's files are to be
// placed, the engine directory chain. Returns false when a failure was
// reported (the run must stop).
bool CreateTargetDirectories(startup::SetupContext& ctx, RunEnd& end);
// Creates every missing directory on the way to `path`, recording each in
// CreatedDirs and, when `log` is set, with a "Dir=" line before it is made.
// Returns false when a failure was reported.
bool CreateDirectoryChain(startup::SetupContext& ctx, RunEnd& end, const std::string& path, bool log);
bool ParentDirExists(startup::SetupContext& ctx, const std::string& path);
// Removes the directory with its contents, then its parents that are left
// empty.
void KillTree(startup::SetupContext& ctx, const std::string& path);
// Asks Windows to restart; false when the request was refused.
bool RebootWindows(startup::SetupContext& ctx);

}  // namespace actions
