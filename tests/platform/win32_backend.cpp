#include "platform/win32/machine.h"

#include <windows.h>

#include "tests/platform/backend.h"

namespace platform::testing {

namespace {

// Removes a directory tree through the platform, clearing read-only marks.
void removeTree(FileSystem& fs, const std::string& dir) {
  auto entries = fs.list(dir, "*");
  if (entries) {
    for (const DirEntry& e : *entries) {
      const std::string path = dir + "\\" + e.name;
      if (e.info.isDirectory()) {
        removeTree(fs, path);
      } else {
        EXPECT_TRUE(fs.setAttributes(path, attr::normal).ok()) << path;
        EXPECT_TRUE(fs.removeFile(path).ok()) << path;
      }
    }
  }
  EXPECT_TRUE(fs.setAttributes(dir, attr::normal).ok()) << dir;
  EXPECT_TRUE(fs.removeDirectory(dir).ok()) << dir;
}

void removeKeyTree(Registry& reg, const std::string& path) {
  auto key = reg.open(Root::currentUser, path, Access::read);
  if (!key) return;
  auto subkeys = (*key)->subkeys();
  key = Status();  // close before removing
  if (subkeys)
    for (const std::string& sub : *subkeys) removeKeyTree(reg, path + "\\" + sub);
  EXPECT_TRUE(reg.removeKey(Root::currentUser, path).ok()) << path;
}

class Win32TestMachine : public TestMachine {
 public:
  Win32TestMachine() {
    static int counter = 0;  // distinct names within one test program
    const std::string unique = std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++counter);
    scratch_ = "C:\\setupkit-contract-" + unique;
    key_ = "Software\\setupkit-contract-" + unique;
    const Status made = machine_.files().createDirectory(scratch_);
    EXPECT_TRUE(made.ok()) << made.toString();
  }
  ~Win32TestMachine() override {
    removeTree(machine_.files(), scratch_);
    removeKeyTree(machine_.registry(), key_);
  }
  Platform& platform() override { return machine_; }
  const std::string& scratch() const override { return scratch_; }
  const std::string& scratchKey() const override { return key_; }
  bool isReal() const override { return true; }

  // The fixtures built with this test program.
  void installTestProgram(const std::string& path) override { install(SETUPKIT_TEST_PROGRAM, path); }
  void installTestLibrary(const std::string& path) override { install(SETUPKIT_TEST_LIBRARY, path); }
  void installTestTypeLibrary(const std::string& path) override { install(SETUPKIT_TEST_TYPELIB, path); }
  void installBrokenTypeLibrary(const std::string& path) override {
    ASSERT_TRUE(writeWholeFile(machine_.files(), path, "not a type library").ok()) << path;
  }
  int utcOffsetMinutes() override {
    TIME_ZONE_INFORMATION zone{};
    const DWORD kind = ::GetTimeZoneInformation(&zone);
    LONG bias = zone.Bias;
    if (kind == TIME_ZONE_ID_DAYLIGHT) bias += zone.DaylightBias;
    if (kind == TIME_ZONE_ID_STANDARD) bias += zone.StandardBias;
    return -static_cast<int>(bias);
  }

 private:
  void install(const char* from, const std::string& to) {
    const Status copied = machine_.files().copyFile(from, to, true);
    ASSERT_TRUE(copied.ok()) << from << " -> " << to << ": " << copied.toString();
  }

 public:

 private:
  win32::Machine machine_;
  std::string scratch_;
  std::string key_;
};

}  // namespace

Backend win32Backend() {
  return Backend{"win32", [] { return std::unique_ptr<TestMachine>(new Win32TestMachine); }};
}

std::vector<Backend> contractBackends() { return {simBackend(), win32Backend()}; }

}  // namespace platform::testing
