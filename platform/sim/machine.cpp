#include "platform/sim/machine.h"

#include <stdexcept>

namespace platform::sim {

namespace {

void require(const Status& status, const char* what) {
  if (!status) throw std::logic_error(std::string("simulated machine set-up failed: ") + what + ": " + status.toString());
}

}  // namespace

Machine::Machine()
    : files_(faults_, clock_, [this] { return system_.currentDirectory(); }),
      registry_(faults_),
      system_(faults_, files_, registry_),
      shell_(files_),
      programs_(*this),
      libraries_(*this),
      typeLibraries_(*this) {
  files_.addDrive('C', DriveType::fixed, plentyOfSpace());
  files_.addDrive('D', DriveType::cdrom, DiskFreeSpace{1, 2048, 0, 0x00050000});
  for (const char* dir : {"C:\\WINDOWS\\SYSTEM32", "C:\\WINDOWS\\TEMP", "C:\\Program Files\\Common Files"})
    require(files_.makeDirectories(dir), dir);
  for (const auto& [id, path] : shell_.specialFolders()) require(files_.makeDirectories(path), path.c_str());
  const std::string currentVersion = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
  require(registry_.setValue(Root::localMachine, currentVersion, "ProgramFilesDir", Value::text("C:\\Program Files")),
          "ProgramFilesDir");
  require(registry_.setValue(Root::localMachine, currentVersion, "CommonFilesDir",
                             Value::text("C:\\Program Files\\Common Files")),
          "CommonFilesDir");
  require(registry_.create(Root::localMachine, "SYSTEM\\CurrentControlSet\\Control\\Session Manager", nullptr).status(),
          "Session Manager");
  require(registry_.create(Root::currentUser, "Software\\Microsoft\\Windows\\CurrentVersion", nullptr).status(),
          "HKCU Software");
  // Every Windows has these two: the shared-library counts and the list of
  // installed programs.
  require(registry_.create(Root::localMachine, currentVersion + "\\SharedDLLs", nullptr).status(), "SharedDLLs");
  require(registry_.create(Root::localMachine, currentVersion + "\\Uninstall", nullptr).status(), "Uninstall");
}

void Machine::addDrive(char letter, DriveType type, DiskFreeSpace space) { files_.addDrive(letter, type, space); }

std::string Machine::searchFile(const std::string& name) {
  const bool hasDirectory = name.find_first_of("\\/:") != std::string::npos;
  if (hasDirectory) {
    auto parts = parsePath(name, system_.currentDirectory());
    return parts ? parts->text() : name;
  }
  std::string programDir = system_.modulePath();
  programDir = programDir.substr(0, programDir.find_last_of('\\') + 1);
  for (std::string dir : {programDir, system_.currentDirectory(), system_.systemDirectory(), system_.windowsDirectory()}) {
    if (dir.empty()) continue;
    if (dir.back() != '\\') dir += '\\';
    if (files_.fileExists(dir + name)) return dir + name;
  }
  return name;
}

std::string Machine::toString() {
  std::string out = "=== files\n" + files_.toString();
  out += "=== registry\n" + registry_.toString();
  out += "=== system\n" + system_.toString() + shell_.toString();
  out += "=== programs and libraries\n" + programs_.toString() + libraries_.toString() + typeLibraries_.toString();
  const std::string faults = faults_.toString();
  if (!faults.empty()) out += "=== pending faults\n" + faults;
  return out;
}

}  // namespace platform::sim
