#pragma once
// The fixture of the contract suites: one fresh test machine per test.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tests/platform/backend.h"
#include "text/codepage.h"

namespace platform::testing {

class Contract : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override { machine_ = GetParam().make(); }
  void TearDown() override { machine_.reset(); }

  Platform& os() { return machine_->platform(); }
  FileSystem& fs() { return machine_->platform().files(); }
  Registry& reg() { return machine_->platform().registry(); }
  std::string at(const std::string& name) const { return machine_->scratch() + "\\" + name; }
  const std::string& key() const { return machine_->scratchKey(); }
  bool isReal() const { return machine_->isReal(); }

  // Sorted upper-case names of a listing, for comparisons that do not
  // depend on the order a file system returns.
  std::vector<std::string> listed(const std::string& dir, const std::string& pattern) {
    auto entries = fs().list(dir, pattern);
    EXPECT_TRUE(entries.ok()) << entries.status().toString();
    std::vector<std::string> names;
    if (entries)
      for (const DirEntry& e : *entries) names.push_back(e.name);
    std::sort(names.begin(), names.end());
    return names;
  }

  std::unique_ptr<TestMachine> machine_;
};

}  // namespace platform::testing
