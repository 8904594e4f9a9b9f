#pragma once
// Programs, libraries and their entry points, type libraries.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <variant>

#include "platform/status.h"

namespace platform {

// CreateProcess creation flags, with their Windows values.
namespace creation {
constexpr uint32_t normalPriorityClass = 0x00000020;     // NORMAL_PRIORITY_CLASS
constexpr uint32_t defaultErrorMode = 0x04000000;        // CREATE_DEFAULT_ERROR_MODE
}  // namespace creation

// How a program is started: the command line alone names the program (no
// separate application name), default security, no inherited handles, the
// caller's environment and a copy of the caller's own start-up information.
struct ProcessStart {
  std::string commandLine;
  std::string workingDirectory;  // empty: the caller's current directory
  uint32_t creationFlags = 0;
};

class Processes {
 public:
  virtual ~Processes() = default;
  // Starts a program and waits for it to end; the result is its exit code.
  virtual Result<uint32_t> runAndWait(const std::string& commandLine, const std::string& workingDirectory) = 0;
  // Starts a program as `start` says and waits without a time limit; the
  // result is its exit code.
  virtual Result<uint32_t> startAndWait(const ProcessStart& start) = 0;
};

// A pointer-sized handle that an entry point fills in (an out pointer) or
// reads and updates (an in-out pointer). The entry receives the address of
// a handle that holds *value on the way in; *value holds the handle after
// the call.
struct HandleSlot {
  uint64_t* value = nullptr;
};

// An argument of an entry point: a 32-bit number, a pointer to a
// zero-terminated 8-bit string, or a pointer to a handle.
using CallArg = std::variant<uint32_t, std::string, HandleSlot>;

// A loaded library; unloaded when released.
class Library {
 public:
  virtual ~Library() = default;
  virtual bool hasEntry(const std::string& name) = 0;
  // Calls a stdcall entry point; the result is its 32-bit return value.
  // notFound when the entry does not exist.
  virtual Result<uint32_t> call(const std::string& name, std::span<const CallArg> args = {}) = 0;
  // The same for an entry exported by ordinal (GetProcAddress with
  // MAKEINTRESOURCE(ordinal)).
  virtual bool hasOrdinal(uint16_t ordinal) = 0;
  virtual Result<uint32_t> callOrdinal(uint16_t ordinal, std::span<const CallArg> args = {}) = 0;
};

class Libraries {
 public:
  virtual ~Libraries() = default;
  virtual Result<std::unique_ptr<Library>> load(const std::string& path) = 0;
};

class TypeLibraries {
 public:
  virtual ~TypeLibraries() = default;
  // Loads the type library from `path` and registers it under that path,
  // with the directory of its own help file (empty when it names none) as
  // help directory.
  virtual Status registerTypeLibrary(const std::string& path) = 0;
  // Loads it and unregisters its identifier, version, locale and system
  // kind; notSupported when the system's automation library offers no
  // unregistration.
  virtual Status unregisterTypeLibrary(const std::string& path) = 0;
};

}  // namespace platform
