#pragma once
// Program folders and links in the shell's special folders.

#include <string>

#include "platform/status.h"
#include "startup/context.h"

namespace actions {

struct LinkFields {
  std::string target;            // full path of the file the link starts
  std::string arguments;         // "" for none
  std::string description;       // also names the link file
  std::string workingDirectory;  // "" for none
  std::string iconFile;          // "" for none
  int iconIndex = 0;
};

// The directory made of the special folder (CSIDL number, through the
// platform's shell) and the subfolder exists. False when the machine has no
// such special folder.
bool ShellFolderExists(startup::SetupContext& ctx, int csidl, const std::string& subFolder);
// Creates that directory with its missing parents and returns its full
// path. Every level it creates is appended to CreatedShellFolders, parents
// first, so the rollback takes the whole chain away; the caller logs each of
// those levels for the uninstaller. An error when a level cannot be created (what was made
// stays recorded).
platform::Result<std::string> CreateShellFolder(startup::SetupContext& ctx, int csidl, const std::string& subFolder);
// Writes the link "<folder>\<subfolder>\<description>.lnk" (creating a
// missing folder, recorded as above) and returns the link file's full path.
// Blank arguments, description, working directory and icon file are left
// unset; the icon index counts only with an icon file. The link is appended
// to CreatedLinks unless a file of that name was there before (it is
// overwritten, but the rollback must not delete it). An error when the
// folder or the link cannot be made; nothing is reported to the user.
platform::Result<std::string> CreateShellLink(startup::SetupContext& ctx, int csidl, const std::string& subFolder,
                                              const LinkFields& link);

}  // namespace actions
