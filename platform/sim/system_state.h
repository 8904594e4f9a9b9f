#pragma once
// System facts of the in-memory machine and the whole-machine actions it
// records instead of performing.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/system.h"
#include "platform/sim/faults.h"

namespace platform::sim {

class FileStore;
class RegistryStore;

struct RebootMove {
  std::string from;
  std::string to;  // empty: delete at restart
};

class SystemState : public System {
 public:
  SystemState(Faults& faults, FileStore& files, RegistryStore& registry);

  OsVersion osVersion() override { return osVersion_; }
  ProcessorInfo processor() override { return processor_; }
  std::string windowsDirectory() override { return windowsDirectory_; }
  std::string systemDirectory() override { return systemDirectory_; }
  std::string modulePath() override { return modulePath_; }
  std::string currentDirectory() override { return currentDirectory_; }
  Status setCurrentDirectory(const std::string& path) override;
  Status moveAtReboot(const std::string& from, const std::string& to) override;
  Status restart() override;
  Status enableShutdownPrivilege() override;
  // On the NT family the request is refused unless the shutdown privilege
  // was enabled first, as Windows does.
  Status requestRestart() override;
  void beep(uint32_t type) override { beeps_.push_back(type); }

  // Set-up for tests.
  void setOsVersion(OsVersion v) { osVersion_ = std::move(v); }
  void setProcessor(ProcessorInfo p) { processor_ = p; }
  void setWindowsDirectory(std::string d) { windowsDirectory_ = std::move(d); }
  void setSystemDirectory(std::string d) { systemDirectory_ = std::move(d); }
  void setModulePath(std::string p) { modulePath_ = std::move(p); }
  // The program's path in letters that may lack a 1251 form, with its short
  // form (nothing: none); modulePath() answers as the real machine does.
  void setModulePathUnicode(const std::u16string& longPath, std::optional<std::u16string> shortPath);

  // What the engine asked for.
  const std::vector<RebootMove>& rebootMoves() const { return rebootMoves_; }
  int restartCount() const { return restarts_; }          // accepted requests
  int restartRequestCount() const { return restartRequests_; }  // every request, refused ones too
  bool shutdownPrivilegeEnabled() const { return shutdownPrivilege_; }
  const std::vector<uint32_t>& beeps() const { return beeps_; }

  std::string toString() const;

 private:
  Faults& faults_;
  FileStore& files_;
  RegistryStore& registry_;
  OsVersion osVersion_;
  ProcessorInfo processor_;
  std::string windowsDirectory_ = "C:\\WINDOWS";
  std::string systemDirectory_ = "C:\\WINDOWS\\SYSTEM32";
  std::string modulePath_ = "D:\\SETUP.EXE";
  std::string currentDirectory_ = "D:\\";
  std::vector<RebootMove> rebootMoves_;
  int restarts_ = 0;
  int restartRequests_ = 0;
  bool shutdownPrivilege_ = false;
  std::vector<uint32_t> beeps_;
};

}  // namespace platform::sim
