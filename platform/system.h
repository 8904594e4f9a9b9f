#pragma once
// System facts and whole-machine actions: version, processor, system
// directories, the running program, restart and replace-at-reboot, beeps.

#include <cstdint>
#include <string>

#include "platform/status.h"

namespace platform {

// GetVersionEx's answer.
struct OsVersion {
  uint32_t platformId = 2;  // 0 Win32s, 1 Windows 95 family, 2 NT family
  uint32_t major = 6;
  uint32_t minor = 1;
  uint32_t build = 7601;
  std::string servicePack;
};

// GetSystemInfo's processor fields.
struct ProcessorInfo {
  uint16_t architecture = 0;  // PROCESSOR_ARCHITECTURE_INTEL
  uint32_t processorType = 586;
  uint16_t level = 6;
  uint16_t revision = 0;
  uint32_t count = 1;
};

class System {
 public:
  virtual ~System() = default;
  virtual OsVersion osVersion() = 0;
  virtual ProcessorInfo processor() = 0;
  virtual std::string windowsDirectory() = 0;  // as Windows gives it, no trailing backslash
  virtual std::string systemDirectory() = 0;   // likewise
  virtual std::string modulePath() = 0;        // full path of the running program
  virtual std::string currentDirectory() = 0;
  virtual Status setCurrentDirectory(const std::string& path) = 0;
  // MoveFileEx with MOVEFILE_DELAY_UNTIL_REBOOT; an empty `to` deletes.
  virtual Status moveAtReboot(const std::string& from, const std::string& to) = 0;
  // Takes the shutdown privilege and asks Windows to restart.
  virtual Status restart() = 0;
  // The two halves of restart(), for a caller that asks for the restart
  // even when the privilege could not be taken. Enables SeShutdownPrivilege
  // in the token of the running process (NT family).
  virtual Status enableShutdownPrivilege() = 0;
  // ExitWindowsEx with the reboot option and no force flag; whether Windows
  // accepted the request.
  virtual Status requestRestart() = 0;
  virtual void beep(uint32_t type) = 0;
};

}  // namespace platform
