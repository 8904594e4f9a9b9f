#include "actions/shell_links.h"

namespace actions {

// Placeholders until the link step lands.
bool ShellFolderExists(startup::SetupContext&, int, const std::string&) { return true; }
platform::Result<std::string> CreateShellFolder(startup::SetupContext&, int, const std::string&) {
  return platform::Code::notSupported;
}
platform::Result<std::string> CreateShellLink(startup::SetupContext&, int, const std::string&, const LinkFields&) {
  return platform::Code::notSupported;
}

}  // namespace actions
