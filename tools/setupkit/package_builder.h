#pragma once
// The package builder behind "setupkit build": from a folder holding
// Install.Ini and the package's files, a distribution medium the engine
// installs from: install.dat (the script, hook, licence and uninstaller,
// encrypted with the engine password, headers included), data.000 and its
// volumes (members encrypted with the password the engine derives from the
// title), the RunLib packs, and setup.exe.
//
// Nothing in the output folder changes unless the whole medium was built:
// it is written into a staging folder first and moved into place at the end.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace setupkit {

struct BuildRequest {
  std::filesystem::path source;
  std::filesystem::path out;
  uint64_t volumeSize = 0;  // 0: data.000 in one piece
  bool disks = false;       // volume N in DiskN (data.000 and the rest in Disk1)
  bool force = false;       // replace a medium already in `out`
  std::optional<std::filesystem::path> setupExe;
  // The uninstaller packed as [Main] UFile when the package folder has none;
  // without it, uninstall.exe beside the engine (setup.exe's build) is used.
  std::optional<std::filesystem::path> uninstaller;
  std::optional<std::filesystem::path> signCert;          // PKCS#12
  std::optional<std::filesystem::path> signPasswordFile;
  std::string signTool = "osslsigncode";
};

struct BuildProblem {
  std::string file;    // UTF-8 path, or an option such as "--volume-size"
  std::string reason;  // UTF-8
};

struct BuildReport {
  bool ok() const { return problems.empty(); }
  std::vector<BuildProblem> problems;  // refusals: nothing was written
  std::vector<BuildProblem> warnings;  // built anyway
  struct Written {
    std::string path;  // relative to the output folder, with '/'
    uint64_t size = 0;
    std::string what;
  };
  std::vector<Written> written;
};

BuildReport BuildPackage(const BuildRequest& request);

// The characters of a title (1251) that the package password cannot carry
// into code page 866, as UTF-8; empty when every character converts.
std::string UnconvertibleTitleCharacters(const std::string& title1251);

}  // namespace setupkit
