#pragma once
// System facts and whole-machine actions of the real machine.

#include "platform/system.h"

namespace platform::win32 {

class WindowsSystem : public System {
 public:
  OsVersion osVersion() override;
  ProcessorInfo processor() override;
  std::string windowsDirectory() override;
  std::string systemDirectory() override;
  std::string modulePath() override;
  std::string currentDirectory() override;
  Status setCurrentDirectory(const std::string& path) override;
  Status moveAtReboot(const std::string& from, const std::string& to) override;
  Status restart() override;
  Status enableShutdownPrivilege() override;
  Status requestRestart() override;
  void beep(uint32_t type) override;
};

}  // namespace platform::win32
