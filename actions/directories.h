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
// Whether the directory that holds `path` exists: false for a path of one
// piece or none (pieces are the texts between backslashes).
bool ParentDirExists(startup::SetupContext& ctx, const std::string& path);
// Removes the directory, which must be empty, then each parent that is left
// empty; stops at the first one that cannot be removed (one that holds
// something else, or the drive).
void KillTree(startup::SetupContext& ctx, const std::string& path);
// Asks Windows to restart, after enabling the shutdown privilege on the NT
// family (a privilege step that fails does not keep the request from being
// made); false when the request was refused.
bool RebootWindows(startup::SetupContext& ctx);

}  // namespace actions
