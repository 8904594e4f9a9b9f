#pragma once
// The shell: special folders, shortcut files, "open" on a document.

#include <cstdint>
#include <string>

#include "platform/status.h"

namespace platform {

// CSIDL numbers of the special folders the engine uses.
namespace csidl {
constexpr int desktop = 0x0000;
constexpr int programs = 0x0002;
constexpr int startup = 0x0007;
constexpr int startMenu = 0x000B;
constexpr int desktopDirectory = 0x0010;
constexpr int commonStartMenu = 0x0016;
constexpr int commonPrograms = 0x0017;
constexpr int commonStartup = 0x0018;
constexpr int commonDesktopDirectory = 0x0019;
constexpr int personal = 0x0005;
constexpr int fonts = 0x0014;
constexpr int appData = 0x001A;
constexpr int commonAppData = 0x0023;
constexpr int windows = 0x0024;
constexpr int system = 0x0025;
constexpr int programFiles = 0x0026;
constexpr int programFilesCommon = 0x002B;
}  // namespace csidl

struct ShellLink {
  std::string target;
  std::string arguments;
  std::string workingDirectory;
  std::string description;
  std::string iconPath;
  int iconIndex = 0;
  int showCommand = 1;  // SW_SHOWNORMAL
};

class Shell {
 public:
  virtual ~Shell() = default;
  virtual Result<std::string> specialFolder(int csidl) = 0;  // no trailing backslash
  virtual Status saveLink(const std::string& linkPath, const ShellLink& link) = 0;
  virtual Result<ShellLink> loadLink(const std::string& linkPath) = 0;
  // ShellExecute with the verb "open"; the result is ignored by the engine
  // but reported here.
  virtual Status open(const std::string& file, const std::string& parameters, const std::string& directory, int showCommand) = 0;
};

}  // namespace platform
