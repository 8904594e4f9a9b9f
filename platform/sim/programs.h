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
};

class ProgramTable : public Processes {
 public:
  explicit ProgramTable(Machine& machine) : machine_(machine) {}

  // CreateProcess finding the program as Windows does (quoted name, or the
  // shortest prefix up to a space that names a file, ".exe" added when
  // missing); notFound when no file, a failure (ERROR_BAD_EXE_FORMAT) for a
  // file nobody registered.
  Result<uint32_t> runAndWait(const std::string& commandLine, const std::string& workingDirectory) override;

  void registerProgram(const std::string& path, ProgramBehaviour behaviour);
  const std::vector<ProgramRun>& runs() const { return runs_; }
  std::string toString() const;

 private:
  Machine& machine_;
  std::map<std::string, ProgramBehaviour> programs_;  // by folded full path
  std::vector<ProgramRun> runs_;
};

class LibraryTable : public Libraries {
 public:
  explicit LibraryTable(Machine& machine) : machine_(machine) {}

  // LoadLibrary: notFound for a missing file, a failure
  // (ERROR_BAD_EXE_FORMAT) for a file nobody registered.
  Result<std::unique_ptr<Library>> load(const std::string& path) override;

  void registerLibrary(const std::string& path, std::map<std::string, LibraryEntry> entries);
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
    int loads = 0;
    int unloads = 0;
  };
  class Loaded;
  Machine& machine_;
  std::map<std::string, Definition> libraries_;  // by folded full path
};

class TypeLibraryTable : public TypeLibraries {
 public:
  explicit TypeLibraryTable(Machine& machine) : machine_(machine) {}

  Status registerTypeLibrary(const std::string& path) override;
  Status unregisterTypeLibrary(const std::string& path) override;

  // Registration of this path fails with `status`.
  void failRegistration(const std::string& path, Status status);
  bool isRegistered(const std::string& path) const;
  std::string toString() const;

 private:
  Machine& machine_;
  std::map<std::string, std::string> registered_;  // folded path -> path
  std::map<std::string, Status> failures_;         // by folded path
};

}  // namespace platform::sim
