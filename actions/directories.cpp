#include "actions/directories.h"

namespace actions {

// Placeholders until the directory step lands.
bool CreateTargetDirectories(startup::SetupContext&, RunEnd&) { return true; }
bool CreateDirectoryChain(startup::SetupContext&, RunEnd&, const std::string&, bool) { return true; }
bool ParentDirExists(startup::SetupContext&, const std::string&) { return true; }
void KillTree(startup::SetupContext&, const std::string&) {}
bool RebootWindows(startup::SetupContext&) { return false; }

}  // namespace actions
