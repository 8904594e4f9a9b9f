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
