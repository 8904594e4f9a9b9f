#pragma once
// The commands of the author's tool. The command line is read by CLI11 in
// main.cpp; each command receives what it was given (UTF-8) and returns the
// process exit status.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace setupkit {

// The archive commands' and lint's arguments.
struct Args {
  std::vector<std::string> positional;
  std::optional<std::string> password;  // -p
  bool encryptHeaders = false;          // --encrypt-headers
  uint64_t volumeSize = 0;              // --volume-size (0: one volume)
  bool oldNaming = false;               // --old-naming
  bool hasMaxOutput = false;            // --max-output given
  uint64_t maxOutput = 0;               // with hasMaxOutput: 0 is no limit ("none")
};

struct BuildArgs {
  std::string sourceDir;
  std::string outDir;
  uint64_t volumeSize = 0;  // 0: data.000 in one piece
  bool disks = false;
  bool force = false;
  std::optional<std::string> setupExe;
  std::optional<std::string> uninstaller;
  std::optional<std::string> signCert;
  std::optional<std::string> signPasswordFile;
};

struct SimulateArgs {
  std::string packageDir;
  std::optional<std::string> machineDir;
  std::optional<std::string> answersFile;
  std::optional<std::string> outDir;
  bool uninstall = false;
};

int runLint(const Args& args);
int runList(const Args& args);
int runTest(const Args& args);
int runExtract(const Args& args);
int runPack(const Args& args);
int runBuild(const BuildArgs& args);
int runSimulate(const SimulateArgs& args);

// Sizes like 1440k, 100m, 2g or plain bytes; false when not a size.
bool parseSize(const std::string& text, uint64_t& out);

}  // namespace setupkit
