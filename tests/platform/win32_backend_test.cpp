// The Windows backend with real binaries built by the tests: library entry
// points, programs and exit codes, version resources.

#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/machine.h"

namespace platform::testing {
namespace {

class Win32Binaries : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = "C:\\setupkit-binaries-" + std::to_string(::GetCurrentProcessId()) + "\\With Space";
    ASSERT_TRUE(fs().createDirectory(dir_.substr(0, dir_.rfind('\\'))).ok());
    ASSERT_TRUE(fs().createDirectory(dir_).ok());
    library_ = dir_ + "\\test library.dll";
    program_ = dir_ + "\\test program.exe";
    ASSERT_TRUE(fs().copyFile(SETUPKIT_TEST_LIBRARY, library_, true).ok()) << SETUPKIT_TEST_LIBRARY;
    ASSERT_TRUE(fs().copyFile(SETUPKIT_TEST_PROGRAM, program_, true).ok()) << SETUPKIT_TEST_PROGRAM;
  }
  void TearDown() override {
    auto entries = fs().list(dir_, "*");
    if (entries) {
      for (const DirEntry& e : *entries) EXPECT_TRUE(fs().removeFile(dir_ + "\\" + e.name).ok()) << e.name;
    }
    EXPECT_TRUE(fs().removeDirectory(dir_).ok());
    EXPECT_TRUE(fs().removeDirectory(dir_.substr(0, dir_.rfind('\\'))).ok());
  }
  FileSystem& fs() { return machine_.files(); }

  win32::Machine machine_;
  std::string dir_;
  std::string library_;
  std::string program_;
};

TEST_F(Win32Binaries, LibraryEntryPoints) {
  auto lib = machine_.libraries().load(library_);
  ASSERT_TRUE(lib.ok()) << lib.status().toString();
  EXPECT_TRUE((*lib)->hasEntry("Answer"));
  EXPECT_FALSE((*lib)->hasEntry("answer"));
  struct Case {
    const char* entry;
    std::vector<CallArg> args;
    uint32_t expected;
  } cases[] = {
      {"Answer", {}, 42},
      {"Add", {40u, 2u}, 42},
      {"Length", {std::string("four")}, 4},
      {"Mix", {std::string("abc"), 4u, std::string("xy"), 9u}, 3429},
      {"IsCyrillicName", {std::string("Файл")}, 1},
  };
  for (const Case& c : cases) {
    auto result = (*lib)->call(c.entry, c.args);
    ASSERT_TRUE(result.ok()) << c.entry << ": " << result.status().toString();
    EXPECT_EQ(*result, c.expected) << c.entry;
  }
  EXPECT_EQ((*lib)->call("Missing").status().code(), Code::notFound);
  const std::vector<CallArg> five(5, CallArg{1u});
  EXPECT_EQ((*lib)->call("Answer", five).status().code(), Code::invalidArgument);
}

TEST_F(Win32Binaries, LibraryLoadFailures) {
  EXPECT_EQ(machine_.libraries().load(dir_ + "\\none.dll").status().code(), Code::notFound);
  ASSERT_TRUE(writeWholeFile(fs(), dir_ + "\\text.dll", "not a library").ok());
  auto invalid = machine_.libraries().load(dir_ + "\\text.dll");
  EXPECT_FALSE(invalid.ok());
  EXPECT_EQ(invalid.status().code(), Code::failed) << invalid.status().toString();
}

TEST_F(Win32Binaries, ProgramsRunAndReturnTheirExitCode) {
  auto code = machine_.processes().runAndWait("\"" + program_ + "\" 7 marker.txt", dir_);
  ASSERT_TRUE(code.ok()) << code.status().toString();
  EXPECT_EQ(*code, 7u);
  auto marker = readWholeFile(fs(), dir_ + "\\marker.txt");
  ASSERT_TRUE(marker.ok()) << "the program ran in its working directory";
  EXPECT_EQ(*marker, "ran");
  code = machine_.processes().runAndWait("\"" + program_ + "\" 0", "");
  ASSERT_TRUE(code.ok());
  EXPECT_EQ(*code, 0u);
  EXPECT_EQ(machine_.processes().runAndWait("\"" + dir_ + "\\none.exe\"", "").status().code(), Code::notFound);
  EXPECT_FALSE(machine_.processes().runAndWait("\"" + program_ + "\"", dir_ + "\\nodir").ok());
  // A file that is not a program: a failure, as in the simulation.
  ASSERT_TRUE(writeWholeFile(fs(), dir_ + "\\text.exe", "not a program").ok());
  auto notProgram = machine_.processes().runAndWait("\"" + dir_ + "\\text.exe\"", "");
  EXPECT_EQ(notProgram.status().code(), Code::failed) << notProgram.status().toString();
}

TEST_F(Win32Binaries, VersionResource) {
  auto version = fs().versionInfo(program_);
  ASSERT_TRUE(version.ok()) << version.status().toString();
  EXPECT_TRUE(version->present);
  EXPECT_EQ(version->fixedMs, (1u << 16) | 2u);
  EXPECT_EQ(version->fixedLs, (3u << 16) | 4u);
  EXPECT_EQ(version->fileVersion, "1.2.3.4 test");
  EXPECT_EQ(version->text(), "1.2.3.4 test");
  auto none = fs().versionInfo(library_);
  ASSERT_TRUE(none.ok());
  EXPECT_FALSE(none->present);
}

#ifdef SETUPKIT_TEST_TYPELIB
TEST_F(Win32Binaries, TypeLibraryRegistration) {
  const std::string typelib = dir_ + "\\test.tlb";
  ASSERT_TRUE(fs().copyFile(SETUPKIT_TEST_TYPELIB, typelib, true).ok());
  const std::string key = "TypeLib\\{6B1F3C2A-5D4E-4F10-9A7B-0C1D2E3F4A5B}";
  Registry& reg = machine_.registry();
  ASSERT_FALSE(reg.keyExists(Root::classesRoot, key));
  Status registered = machine_.typeLibraries().registerTypeLibrary(typelib);
  ASSERT_TRUE(registered.ok()) << registered.toString();
  EXPECT_TRUE(reg.keyExists(Root::classesRoot, key + "\\1.0"));
  Status unregistered = machine_.typeLibraries().unregisterTypeLibrary(typelib);
  EXPECT_TRUE(unregistered.ok()) << unregistered.toString();
  EXPECT_FALSE(reg.keyExists(Root::classesRoot, key + "\\1.0"));
  ASSERT_TRUE(writeWholeFile(fs(), dir_ + "\\bad.tlb", "not a type library").ok());
  EXPECT_FALSE(machine_.typeLibraries().registerTypeLibrary(dir_ + "\\bad.tlb").ok());
  EXPECT_FALSE(machine_.typeLibraries().registerTypeLibrary(dir_ + "\\none.tlb").ok());
}
#endif

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
