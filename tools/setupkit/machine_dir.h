#pragma once
// A machine described on disk, the input and output of "setupkit simulate":
//   DIR/drive_c/...    the files of drive C:, as in a Wine prefix's drive
//   DIR/registry.reg   the registry in regedit's export form
//   DIR/machine.ini    what else the engine asks the machine (UTF-8):
//     [Windows]     Platform=NT|9x|Win32s, Version=major.minor.build, ServicePack=
//     [Processor]   Architecture=, Type=, Level=, Revision=, Count=
//     [Drives]      C=fixed,free=16G,total=32G   D=cdrom   A=removable ...
//     [FilesInUse]  C:\path\file.dll=1    (held open by another program)
//     [Versions]    C:\path\file.dll=1.2.3.4   (file version resources)
//     [Hook]        Default=1, <member name>=0|1   (Install.Dll's CheckFile answers)
//     [RunLib]      <run file>=<exit code or Install result>, Should.Dll=<ShouldBe result>
// docs/simulate.md describes the formats with examples.

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/machine.h"
#include "tools/setupkit/reg_file.h"

namespace setupkit {

struct DriveDescription {
  platform::DriveType type = platform::DriveType::fixed;
  platform::DiskFreeSpace space = platform::sim::Machine::plentyOfSpace();
};

struct MachineDescription {
  platform::OsVersion os;
  platform::ProcessorInfo processor;
  std::map<char, DriveDescription> drives;          // besides the fresh machine's
  std::vector<std::string> filesInUse;              // 1251 paths
  std::map<std::string, std::string> versions;      // 1251 path -> "1.2.3.4"
  std::optional<bool> hookDefault;                  // set: Install.Dll answers
  std::map<std::string, bool> hookAnswers;          // by member name (1251)
  std::map<std::string, uint32_t> runResults;       // by run file name (1251)
  reg::Encoding registryEncoding = reg::Encoding::utf16;
};

// machine.ini's text (UTF-8) <-> the description; `error` names the line.
bool ParseMachineIni(const std::string& utf8, MachineDescription& out, std::string& error);
std::string WriteMachineIni(const MachineDescription& m);

// Loads DIR into a fresh simulated machine (each part is optional).
bool LoadMachineDir(const std::filesystem::path& dir, platform::sim::Machine& machine, MachineDescription& desc,
                    std::string& error);
// Writes the machine's drive C:, registry and description into DIR.
bool SaveMachineDir(const std::filesystem::path& dir, platform::sim::Machine& machine, const MachineDescription& desc,
                    std::string& error);

// Applies the description's parts that are not files or registry: version,
// processor, drives, versions, files in use.
bool ApplyDescription(const MachineDescription& desc, platform::sim::Machine& machine, std::string& error);

// Every file of drive C: (1251 path -> content), for the report's diff.
std::map<std::string, std::string> DriveFiles(platform::sim::Machine& machine, char drive = 'C');

// "16G", "512M", "100k", plain bytes.
std::optional<uint64_t> ParseBytes(const std::string& text);

}  // namespace setupkit
