#pragma once
// Programs, libraries and their entry points, type libraries.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <variant>

#include "platform/status.h"

namespace platform {

class Processes {
 public:
  virtual ~Processes() = default;
  // Starts a program and waits for it to end; the result is its exit code.
  virtual Result<uint32_t> runAndWait(const std::string& commandLine, const std::string& workingDirectory) = 0;
};

// An argument of an entry point: a 32-bit number or a pointer to a
// zero-terminated 8-bit string.
using CallArg = std::variant<uint32_t, std::string>;

// A loaded library; unloaded when released.
class Library {
 public:
  virtual ~Library() = default;
  virtual bool hasEntry(const std::string& name) = 0;
  // Calls a stdcall entry point; the result is its 32-bit return value.
  // notFound when the entry does not exist.
  virtual Result<uint32_t> call(const std::string& name, std::span<const CallArg> args = {}) = 0;
};

class Libraries {
 public:
  virtual ~Libraries() = default;
  virtual Result<std::unique_ptr<Library>> load(const std::string& path) = 0;
};

class TypeLibraries {
 public:
  virtual ~TypeLibraries() = default;
  virtual Status registerTypeLibrary(const std::string& path) = 0;
  virtual Status unregisterTypeLibrary(const std::string& path) = 0;
};

}  // namespace platform
