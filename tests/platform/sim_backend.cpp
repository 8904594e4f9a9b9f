#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "platform/sim/machine.h"
#include "tests/platform/backend.h"

namespace platform::testing {

namespace {

// Splits a command line as the C runtime does for the simple cases the
// tests use: blanks separate, double quotes group.
std::vector<std::string> arguments(const std::string& line) {
  std::vector<std::string> out;
  std::string current;
  bool quoted = false, any = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
      any = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (any) out.push_back(current);
      current.clear();
      any = false;
    } else {
      current += c;
      any = true;
    }
  }
  if (any) out.push_back(current);
  return out;
}

constexpr int kOffset = 180;  // as Europe/Moscow, the zone of the Windows suite

class SimTestMachine : public TestMachine {
 public:
  SimTestMachine() {
    const Status made = machine_.files().createDirectory(scratch_);
    EXPECT_TRUE(made.ok()) << made.toString();
    machine_.clock().timeZoneMinutes = kOffset;
  }
  Platform& platform() override { return machine_; }
  const std::string& scratch() const override { return scratch_; }
  const std::string& scratchKey() const override { return key_; }
  bool isReal() const override { return false; }
  int utcOffsetMinutes() override { return kOffset; }

  // The fixtures' behaviour, as tests/platform/fixtures/*.cpp have it.
  void installTestProgram(const std::string& path) override {
    ASSERT_TRUE(machine_.addFile(path, "MZ test program").ok()) << path;
    machine_.registerProgram(path, [](const std::string& line, const std::string& dir, sim::Machine& m) -> uint32_t {
      const std::vector<std::string> args = arguments(line);
      if (args.size() > 2) {
        const std::string file = args[2].find(':') != std::string::npos ? args[2] : dir + "\\" + args[2];
        if (!writeWholeFile(m.files(), file, "ran").ok()) return 100;
      }
      return args.size() > 1 ? static_cast<uint32_t>(std::atoi(args[1].c_str())) : 0;
    });
    VersionInfo v;
    v.present = true;
    v.fixedMs = (1u << 16) | 2u;
    v.fixedLs = (3u << 16) | 4u;
    v.fileVersion = "1.2.3.4 test";
    ASSERT_TRUE(machine_.setVersion(path, v).ok());
  }
  void installTestLibrary(const std::string& path) override {
    ASSERT_TRUE(machine_.addFile(path, "MZ test library").ok()) << path;
    auto text = [](std::span<const CallArg> a, size_t i) { return i < a.size() ? std::get<std::string>(a[i]) : std::string(); };
    auto number = [](std::span<const CallArg> a, size_t i) { return i < a.size() ? std::get<uint32_t>(a[i]) : 0u; };
    machine_.registerLibrary(
        path, {{"Answer", [](std::span<const CallArg>, sim::Machine&) { return 42u; }},
               {"Add", [=](std::span<const CallArg> a, sim::Machine&) { return number(a, 0) + number(a, 1); }},
               {"Length", [=](std::span<const CallArg> a, sim::Machine&) { return uint32_t(text(a, 0).size()); }},
               {"Mix",
                [=](std::span<const CallArg> a, sim::Machine&) {
                  return uint32_t(text(a, 0).size()) * 1000 + number(a, 1) * 100 + uint32_t(text(a, 2).size()) * 10 +
                         number(a, 3);
                }},
               {"IsCyrillicName",
                [=](std::span<const CallArg> a, sim::Machine&) { return text(a, 0) == "\xD4\xE0\xE9\xEB" ? 1u : 0u; }}});
  }
  void installTestTypeLibrary(const std::string& path) override {
    ASSERT_TRUE(machine_.addFile(path, "MSFT test type library").ok()) << path;
    sim::TypeLibraryInfo info;
    info.guid = "{6B1F3C2A-5D4E-4F10-9A7B-0C1D2E3F4A5B}";
    info.name = "setupkit test type library";
    machine_.typeLibraryTable().describe(path, info);
  }
  void installBrokenTypeLibrary(const std::string& path) override {
    ASSERT_TRUE(machine_.addFile(path, "not a type library").ok()) << path;
    machine_.typeLibraryTable().markDamaged(path);
  }

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
