#pragma once
// A complete in-memory Windows machine behind the Platform interfaces, for
// unit tests and "setupkit simulate". A fresh machine looks like a Windows 7
// installation: drive C: (fixed) with C:\WINDOWS, C:\WINDOWS\SYSTEM32,
// C:\WINDOWS\TEMP, C:\Program Files and the user's shell folders; drive D:
// (CD-ROM) holding the running program D:\SETUP.EXE (the path only).

#include <map>
#include <string>

#include "platform/platform.h"
#include "platform/sim/clock.h"
#include "platform/sim/faults.h"
#include "platform/sim/file_store.h"
#include "platform/sim/programs.h"
#include "platform/sim/registry_store.h"
#include "platform/sim/shell_state.h"
#include "platform/sim/system_state.h"

namespace platform::sim {

class Machine : public Platform {
 public:
  Machine();
  Machine(const Machine&) = delete;
  Machine& operator=(const Machine&) = delete;

  FileSystem& files() override { return files_; }
  Registry& registry() override { return registry_; }
  System& system() override { return system_; }
  Shell& shell() override { return shell_; }
  Processes& processes() override { return programs_; }
  Libraries& libraries() override { return libraries_; }
  TypeLibraries& typeLibraries() override { return typeLibraries_; }

  // The parts with their set-up and inspection functions.
  FileStore& fileStore() { return files_; }
  RegistryStore& registryStore() { return registry_; }
  SystemState& systemState() { return system_; }
  ShellState& shellState() { return shell_; }
  ProgramTable& programTable() { return programs_; }
  LibraryTable& libraryTable() { return libraries_; }
  TypeLibraryTable& typeLibraryTable() { return typeLibraries_; }
  Clock& clock() { return clock_; }
  Faults& faults() { return faults_; }

  // Convenience for tests.
  Status addFile(const std::string& path, const std::string& content, uint32_t attributes = attr::archive) {
    return files_.putFile(path, content, attributes);
  }
  Status addDirectory(const std::string& path) { return files_.makeDirectories(path); }
  Result<std::string> fileContent(const std::string& path) { return files_.content(path); }
  Status setVersion(const std::string& path, const VersionInfo& version) { return files_.setVersion(path, version); }
  Status lock(const std::string& path, bool locked = true) { return files_.setLocked(path, locked); }
  void addDrive(char letter, DriveType type, DiskFreeSpace space = plentyOfSpace());
  void failNth(Op op, uint32_t n, Status status) { faults_.failNth(op, n, std::move(status)); }
  void registerProgram(const std::string& path, ProgramBehaviour behaviour) {
    programs_.registerProgram(path, std::move(behaviour));
  }
  void registerLibrary(const std::string& path, std::map<std::string, LibraryEntry> entries) {
    libraries_.registerLibrary(path, std::move(entries));
  }

  // Where Windows would find a program or library named without a
  // directory: the program's directory, the current, system and Windows
  // directories. A name with a directory is only made absolute.
  std::string searchFile(const std::string& name);

  // The whole state, for test failure messages.
  std::string toString();

  // 8 sectors of 512 bytes per cluster, 16 GB free of 32 GB.
  static DiskFreeSpace plentyOfSpace() { return DiskFreeSpace{8, 512, 0x00400000, 0x00800000}; }

 private:
  Faults faults_;
  Clock clock_;
  FileStore files_;
  RegistryStore registry_;
  SystemState system_;
  ShellState shell_;
  ProgramTable programs_;
  LibraryTable libraries_;
  TypeLibraryTable typeLibraries_;
};

}  // namespace platform::sim
