#pragma once
// The real shell: special folders, shortcut files through IShellLinkW,
// ShellExecute "open".

#include "platform/shell.h"

namespace platform::win32 {

class WindowsShell : public Shell {
 public:
  Result<std::string> specialFolder(int csidl) override;
  Status saveLink(const std::string& linkPath, const ShellLink& link) override;
  Result<ShellLink> loadLink(const std::string& linkPath) override;
  Status open(const std::string& file, const std::string& parameters, const std::string& directory,
              int showCommand) override;
};

}  // namespace platform::win32
