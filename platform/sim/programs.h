#pragma once
// Programs and libraries of the in-memory machine: a test registers an
// executable or library path with the behaviour it should have.

#include <functional>
#include <map>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "platform/process.h"

namespace platform::sim {

class Machine;

// What a program does when run: gets its command line, working directory
// and the machine (which it may change) and returns the exit code.
using ProgramBehaviour = std::function<uint32_t(const std::string& commandLine, const std::string& workingDirectory, Machine&)>;

// An entry point of a library.
using LibraryEntry = std::function<uint32_t(std::span<const CallArg> args, Machine&)>;

struct ProgramRun {
  std::string program;  // the file that ran
  std::string commandLine;
  std::string workingDirectory;
  uint32_t exitCode = 0;
  uint32_t creationFlags = 0;  // as startAndWait was given them (0 for runAndWait)
  bool hung = false;           // the program never ends (see registerHangingProgram)
};

// The status startAndWait and runAndWait give for a program that never
// ends: the real machine would wait for ever, the simulation stops and says
// so (WAIT_TIMEOUT as the native code).
inline constexpr uint32_t kProgramHangs = 258;

class ProgramTable : public Processes {
 public:
  explicit ProgramTable(Machine& machine) : machine_(machine) {}

  // CreateProcess finding the program as Windows does (quoted name, or the
  // shortest prefix up to a space that names a file, ".exe" added when
  // missing); notFound when no file, a failure (ERROR_BAD_EXE_FORMAT) for a
  // file nobody registered.
  Result<uint32_t> runAndWait(const std::string& commandLine, const std::string& workingDirectory) override;
  Result<uint32_t> startAndWait(const ProcessStart& start) override;

  void registerProgram(const std::string& path, ProgramBehaviour behaviour);
  // A program that starts and never ends: the run is recorded with `hung`
  // set and the call fails with native code kProgramHangs.
  void registerHangingProgram(const std::string& path);
  const std::vector<ProgramRun>& runs() const { return runs_; }
  std::string toString() const;

 private:
  Result<uint32_t> run(const std::string& commandLine, const std::string& workingDirectory, uint32_t creationFlags);

  Machine& machine_;
  std::map<std::string, ProgramBehaviour> programs_;  // by folded full path
  std::map<std::string, bool> hanging_;               // by folded full path
  std::vector<ProgramRun> runs_;
};

class LibraryTable : public Libraries {
 public:
  explicit LibraryTable(Machine& machine) : machine_(machine) {}

  // LoadLibrary: notFound for a missing file, a failure
  // (ERROR_BAD_EXE_FORMAT) for a file nobody registered.
  Result<std::unique_ptr<Library>> load(const std::string& path) override;

  void registerLibrary(const std::string& path, std::map<std::string, LibraryEntry> entries);
  // Entries exported by ordinal only, for a library registered (before or
  // after) with registerLibrary.
  void registerOrdinals(const std::string& path, std::map<uint16_t, LibraryEntry> entries);
  // Loads and unloads of one library path so far.
  int loads(const std::string& path) const;
  int unloads(const std::string& path) const;
  // Libraries loaded and not yet released.
  int loadedCount() const;
  std::string toString() const;

 private:
  struct Definition {
    std::string path;
    std::map<std::string, LibraryEntry> entries;
    std::map<uint16_t, LibraryEntry> ordinals;
    int loads = 0;
    int unloads = 0;
  };
  class Loaded;
  Machine& machine_;
  std::map<std::string, Definition> libraries_;  // by folded full path
};

// What a type library file holds, as far as its registration shows it.
struct TypeLibraryInfo {
  std::string guid;       // "{...}"
  uint16_t major = 1;
  uint16_t minor = 0;
  uint32_t lcid = 0;
  std::string name;       // the library's documentation string
  std::string helpFile;   // full path of its help file, empty for none
};

class TypeLibraryTable : public TypeLibraries {
 public:
  explicit TypeLibraryTable(Machine& machine) : machine_(machine) {}

  // A described file registers as Windows does: TypeLib\{guid}\major.minor
  // with the library's name, "0\win32" = the path, FLAGS and HELPDIR (the
  // help file's directory), below HKEY_CLASSES_ROOT; unregistering removes
  // that version key and the identifier's key when it is left empty. A file
  // nobody described registers in this table only.
  Status registerTypeLibrary(const std::string& path) override;
  Status unregisterTypeLibrary(const std::string& path) override;

  void describe(const std::string& path, TypeLibraryInfo info);
  // Registration of this path fails with `status`.
  void failRegistration(const std::string& path, Status status);
  // A damaged file: loading it fails, so neither registration works.
  void markDamaged(const std::string& path);
  // Whether the system's automation library offers unregistration.
  void setUnregistrationSupported(bool supported) { unregisterSupported_ = supported; }
  bool isRegistered(const std::string& path) const;
  std::string toString() const;

 private:
  Machine& machine_;
  std::map<std::string, std::string> registered_;       // folded path -> path
  std::map<std::string, Status> failures_;              // by folded path
  std::map<std::string, TypeLibraryInfo> descriptions_;  // by folded path
  std::map<std::string, bool> damaged_;                  // by folded path
  bool unregisterSupported_ = true;
};

}  // namespace platform::sim
