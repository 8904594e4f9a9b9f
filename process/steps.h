#pragma once
// The parts of the installation run that the driver does itself, one
// function per step. RunInstallation calls them in their order; tests call
// them one by one.

#include <cstdint>
#include <string>

#include "actions/report_action_error.h"
#include "process/installer_ui.h"
#include "startup/context.h"
#include "startup/path_macros.h"

namespace process {

// Step 4: the log's two header lines after a cleared record.
void StartUninstallLog(startup::SetupContext& ctx);
// The package title as the Title label shows it: its first 200 characters.
std::string TitleCaption(const startup::SetupContext& ctx);

// Step 7: [AskDirs] directories, target directories and [RemoveFiles]
// entries with their path macros expanded.
void PreparePaths(startup::SetupContext& ctx);
// Step 8: deletes the [RemoveFiles] files (a read-only one after clearing
// the attribute); failures are passed over.
void RemoveListedFiles(startup::SetupContext& ctx);

// Step 11: unregisters the installed servers and type libraries that the
// package replaces with a selected member.
void UnregisterReplacedServers(startup::SetupContext& ctx);
// Step 14: raises the SharedDLLs count of every placed shared file.
void CountSharedFiles(startup::SetupContext& ctx);
// Step 18: raises the database engine's UseCount.
void CountEngineUse(startup::SetupContext& ctx);

// Step 22: copies the uninstaller from the engine's temporary directory
// when the target is missing or older.
void CopyUninstaller(startup::SetupContext& ctx, InstallerUi& ui);
// Step 25: the Uninstall entry naming the uninstaller and the log.
void RegisterUninstall(startup::SetupContext& ctx);

// One [ShellLinks] entry, its fields taken apart.
struct ShellLinkEntry {
  bool known = false;       // the folder keyword is one of the four
  std::string keyword;      // upper case
  int csidl = 0;
  std::string subFolder;    // at most 256 characters, may be empty
  std::string targetName;   // looked up among the target names
  std::string arguments;    // "" for none
  std::string description;  // as written, "-" included
  std::string workingDirectory;  // expanded, "" for none
  std::string iconFile;          // expanded, "" for none
  int32_t iconIndex = 0;
  bool allUsers = true;
};
ShellLinkEntry ParseShellLinkEntry(const startup::MacroEnvironment& env, const std::string& entry);
// Step 26: program folders and links, FileBar counting the entries.
void CreateLinks(startup::SetupContext& ctx, InstallerUi& ui);

// Step 30: registers the servers and type libraries this run placed, one
// log line per result.
void RegisterComServers(startup::SetupContext& ctx, InstallerUi& ui);

// Step 34: path macros expanded in the configuration files.
void ExpandConfigurationFiles(startup::SetupContext& ctx, InstallerUi& ui);

// The uninstall log's bytes: every line ended by CR LF.
std::string UninstallLogText(const startup::StringList& lines);
// Step 35: the log file replaced by the record; failures are passed over.
void WriteUninstallLog(startup::SetupContext& ctx);

}  // namespace process
