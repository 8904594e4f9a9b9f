#pragma once
// The contract suites run against each backend through this seam: a test
// machine gives a Platform, a scratch directory and a scratch registry key,
// and cleans both up when it goes.

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/platform.h"

namespace platform::testing {

class TestMachine {
 public:
  virtual ~TestMachine() = default;
  virtual Platform& platform() = 0;
  // An empty directory on C:, without a trailing backslash.
  virtual const std::string& scratch() const = 0;
  // A key under HKEY_CURRENT_USER that does not exist yet.
  virtual const std::string& scratchKey() const = 0;
  virtual bool isReal() const = 0;

  // The test binaries (tests/platform/fixtures), put at `path`:
  // the program exits with its first argument and, given a second, writes
  // "ran" into that file (relative to its working directory); its version
  // resource says 1.2.3.4 and FileVersion "1.2.3.4 test".
  virtual void installTestProgram(const std::string& path) = 0;
  // The library's stdcall entries: Answer, Add, Length, Mix, IsCyrillicName.
  virtual void installTestLibrary(const std::string& path) = 0;
  // The type library {6B1F3C2A-5D4E-4F10-9A7B-0C1D2E3F4A5B}, version 1.0.
  virtual void installTestTypeLibrary(const std::string& path) = 0;
  // A file named like a type library that holds none.
  virtual void installBrokenTypeLibrary(const std::string& path) = 0;
  // Minutes local time is ahead of UTC. Not 0 on any backend, so time zone
  // conversions are seen (the Windows suite runs with TZ set, see
  // tests/platform/CMakeLists.txt).
  virtual int utcOffsetMinutes() = 0;
};

struct Backend {
  std::string name;
  std::function<std::unique_ptr<TestMachine>()> make;
};

inline void PrintTo(const Backend& backend, std::ostream* os) { *os << backend.name; }

inline std::string backendName(const ::testing::TestParamInfo<Backend>& info) { return info.param.name; }

Backend simBackend();
Backend win32Backend();  // Windows builds only

// The backends the contract suites of this test program run against.
std::vector<Backend> contractBackends();

}  // namespace platform::testing
