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

// The special folder + subfolder directory exists.
bool ShellFolderExists(startup::SetupContext& ctx, int csidl, const std::string& subFolder);
// Creates that directory with its missing parents, records it in
// CreatedShellFolders and returns its full path.
platform::Result<std::string> CreateShellFolder(startup::SetupContext& ctx, int csidl, const std::string& subFolder);
// Writes the link, records it in CreatedLinks and returns the link file's
// full path.
platform::Result<std::string> CreateShellLink(startup::SetupContext& ctx, int csidl, const std::string& subFolder,
                                              const LinkFields& link);

}  // namespace actions
