#pragma once
// Programs, libraries and type libraries on the real machine.

#include "platform/process.h"

namespace platform::win32 {

class WindowsProcesses : public Processes {
 public:
  Result<uint32_t> runAndWait(const std::string& commandLine, const std::string& workingDirectory) override;
  Result<uint32_t> startAndWait(const ProcessStart& start) override;
};

class WindowsLibraries : public Libraries {
 public:
  Result<std::unique_ptr<Library>> load(const std::string& path) override;
};

class WindowsTypeLibraries : public TypeLibraries {
 public:
  Status registerTypeLibrary(const std::string& path) override;
  Status unregisterTypeLibrary(const std::string& path) override;
};

}  // namespace platform::win32
