#pragma once
// "setupkit simulate": the real engine (the wizard on the headless renderer,
// the installation driver) installs a distribution medium on the simulated
// machine, answered from an answers file, and reports what happened and what
// changed.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tools/setupkit/answers.h"

namespace setupkit {

struct SimulationRequest {
  std::filesystem::path packageDir;
  std::optional<std::filesystem::path> machineDir;
  Answers answers;
  std::optional<std::filesystem::path> outDir;
  bool uninstall = false;  // run the uninstaller after a successful installation
};

struct SimulationReport {
  bool installed = false;
  std::string reason;                  // why not (UTF-8)
  std::vector<std::string> happened;   // pages, messages, dialogs, files placed or skipped (UTF-8)
  std::vector<std::string> changed;    // files, registry diff, links, uninstall log (UTF-8)
  std::string error;                   // bad input: nothing was simulated
  std::vector<std::string> uninstalled;         // what the uninstaller did (UTF-8)
  std::vector<std::string> leftAfterUninstall;  // differences to the machine before the installation
};

SimulationReport Simulate(const SimulationRequest& request);

}  // namespace setupkit
