#pragma once
// One installation run's state: the machine it works on, the user-facing
// seam, the setup data model, the run's lists and the main window's state.
// Every subsystem receives it by reference; nothing lives in globals.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "startup/code_page_conversion.h"
#include "startup/messages.h"
#include "startup/model.h"

namespace startup {

using StringList = std::vector<std::string>;

// The run's lists: the temporary files, and the uninstall record that the
// uninstall log, the Uninstall entry and the rollback are made from.
struct RunLists {
  StringList TempFileList;       // full paths of temporary files, deleted at close
  StringList UninstallLines;     // lines of the uninstall log
  StringList PlacedFiles;        // files extracted to their targets
  StringList ReplaceTempFiles;   // temporaries waiting for a replacement at restart
  StringList CreatedDirs;        // directories this run created
  StringList CreatedShellFolders;
  StringList CreatedLinks;
  StringList RegistryChanges;    // values written by the registry step
  StringList RegistryOldValues;  // their former contents, entry for entry
};

// Kinds of change the run has reached, for the rollback.
enum ActionFlag : uint8_t {
  afDirectories = 1,
  afFilesRemoved = 2,
  afOldEngineRemoved = 4,
  afFilesCopied = 8,
  afRegistry = 16,
  afEngineConfigured = 32,
  afLinks = 64,
  afComServers = 128,
};

// The main window's state that the rest of the engine reads or sets.
struct WindowState {
  bool BreakRequested = false;  // the one break request of the run
  bool Completed = false;       // the Final page was reached
  int32_t SetupTypeIndex = 0;   // chosen setup type, -1 for the custom choice
  int32_t ReturnPage = 0;       // where a refused copy confirmation returns
  std::string SourceDrive;      // drive of the running program, "D:\"
  bool SourceIsRemovable = false;
  std::string ProgramDir;       // directory of the running program, with backslash
  uint8_t ActionFlags = 0;      // set of ActionFlag
  int32_t BlinkStep = 1;        // colour step of the rollback banner

  bool has(ActionFlag f) const { return (ActionFlags & f) != 0; }
  void include(ActionFlag f) { ActionFlags = static_cast<uint8_t>(ActionFlags | f); }
};

// Database-engine work decided by the engine plan, held for the rest of the
// run.
enum EngineAction : uint8_t {
  eaInstallFiles = 1,  // the engine's file groups are placed
  eaConfigure = 2,     // the default configuration is written after the registry step
  eaCountUse = 4,      // the engine's use count is raised
};

// What the installation run decides on its way and later steps read.
struct InstallRun {
  uint8_t EngineActions = 0;               // set of EngineAction
  std::vector<int32_t> SharedFileIndexes;  // FilesData indexes of placed shared files
  bool has(EngineAction a) const { return (EngineActions & a) != 0; }
};

struct SetupContext {
  SetupContext(platform::Platform& os, MessageUi& ui) : os(os), ui(ui) {}

  platform::Platform& os;
  MessageUi& ui;
  SetupDataModel model;
  CodePageConversion conversion;
  RunLists lists;
  WindowState window;
  InstallRun run;
};

}  // namespace startup
