// The Windows backend's system paths: a folder whose name code page 1251
// cannot hold is handed out in its short form.

#include <windows.h>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/win32/machine.h"

namespace platform::testing {
namespace {

// A temporary directory named in letters code page 1251 lacks (a Greek
// folder, a user named José): the backend hands out its short form, which
// names the same directory and holds no '?'.
TEST(Win32SystemPaths, TemporaryDirectoryOutside1251ComesAsItsShortForm) {
  win32::Machine machine;
  wchar_t base[MAX_PATH + 1] = {};
  ASSERT_GT(GetTempPathW(MAX_PATH, base), 0u);
  const std::wstring dir = std::wstring(base) + L"\x03a0\x03c1\x03bf\x03c3\x03c9\x03c1\x03b9\x03bd\x03ac Jos\x00e9";
  ASSERT_TRUE(CreateDirectoryW(dir.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  wchar_t saved[MAX_PATH + 1] = {};
  const DWORD had = GetEnvironmentVariableW(L"TMP", saved, MAX_PATH);
  ASSERT_TRUE(SetEnvironmentVariableW(L"TMP", dir.c_str()));

  auto temp = machine.files().tempPath();
  SetEnvironmentVariableW(L"TMP", had > 0 && had < MAX_PATH ? saved : nullptr);
  ASSERT_TRUE(temp.ok());
  EXPECT_EQ(temp.value().find('?'), std::string::npos) << temp.value();
  EXPECT_TRUE(machine.files().directoryExists(temp.value())) << temp.value();
  // A file made through the short form lands in the Greek directory.
  ASSERT_TRUE(writeWholeFile(machine.files(), temp.value() + "probe.txt", "x").ok());
  const std::wstring probe = dir + L"\\probe.txt";
  EXPECT_NE(GetFileAttributesW(probe.c_str()), INVALID_FILE_ATTRIBUTES);
  DeleteFileW(probe.c_str());
  RemoveDirectoryW(dir.c_str());
}

}  // namespace
}  // namespace platform::testing
