// The Windows profile functions on the files of the shared table: proof
// that the parser and the writer answer as Windows does.

#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/api.h"
#include "platform/win32/machine.h"
#include "tests/platform/profile_cases.h"

namespace platform::testing {
namespace {

class RealProfile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = "C:\\setupkit-profile-" + std::to_string(::GetCurrentProcessId());
    ASSERT_TRUE(machine_.files().createDirectory(dir_).ok());
    path_ = dir_ + "\\t.ini";
  }
  void TearDown() override {
    if (machine_.files().exists(path_)) {
      EXPECT_TRUE(machine_.files().removeFile(path_).ok());
    }
    EXPECT_TRUE(machine_.files().removeDirectory(dir_).ok());
  }
  win32::Machine machine_;
  std::string dir_;
  std::string path_;
};

TEST_F(RealProfile, GetPrivateProfileStringAnswersAsTheTable) {
  const auto cases = profileCases();
  for (size_t i = 0; i < cases.size(); ++i) {
    const ProfileCase& c = cases[i];
    ASSERT_TRUE(writeWholeFile(machine_.files(), path_, c.file).ok());
    std::vector<wchar_t> buffer(c.bufferSize + 1);
    const DWORD n = ::GetPrivateProfileStringW(win32::wide(c.section).c_str(), win32::wide(c.key).c_str(),
                                               win32::wide(c.fallback).c_str(), buffer.data(),
                                               static_cast<DWORD>(c.bufferSize), win32::wide(path_).c_str());
    EXPECT_EQ(win32::narrow(buffer.data(), n), c.expected) << "case " << i << ": [" << c.section << "] " << c.key;
  }
}

TEST_F(RealProfile, WritePrivateProfileStringLeavesTheTableBytes) {
  const auto cases = writeCases();
  for (size_t i = 0; i < cases.size(); ++i) {
    const WriteCase& c = cases[i];
    if (c.before == "<none>") {
      if (machine_.files().exists(path_)) {
        ASSERT_TRUE(machine_.files().removeFile(path_).ok());
      }
    } else {
      ASSERT_TRUE(writeWholeFile(machine_.files(), path_, c.before).ok());
    }
    ASSERT_TRUE(::WritePrivateProfileStringW(win32::wide(c.section).c_str(), win32::wide(c.key).c_str(),
                                             win32::wide(c.value).c_str(), win32::wide(path_).c_str()))
        << "case " << i;
    auto after = readWholeFile(machine_.files(), path_);
    ASSERT_TRUE(after.ok());
    EXPECT_EQ(*after, c.after) << "case " << i;
  }
}

}  // namespace
}  // namespace platform::testing
