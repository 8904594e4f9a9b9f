#include <gtest/gtest.h>

#include "platform/sim/machine.h"
#include "tests/platform/backend.h"

namespace platform::testing {

namespace {

class SimTestMachine : public TestMachine {
 public:
  SimTestMachine() {
    const Status made = machine_.files().createDirectory(scratch_);
    EXPECT_TRUE(made.ok()) << made.toString();
  }
  Platform& platform() override { return machine_; }
  const std::string& scratch() const override { return scratch_; }
  const std::string& scratchKey() const override { return key_; }
  bool isReal() const override { return false; }

 private:
  sim::Machine machine_;
  std::string scratch_ = "C:\\scratch";
  std::string key_ = "Software\\setupkit-contract";
};

}  // namespace

Backend simBackend() {
  return Backend{"sim", [] { return std::unique_ptr<TestMachine>(new SimTestMachine); }};
}

}  // namespace platform::testing
