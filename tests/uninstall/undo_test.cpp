// Undoing an installation from its log on the simulated machine: the
// machine returns to its state before the installation, except for what the
// conventions keep.

#include <gtest/gtest.h>

#include "platform/files.h"
#include "tests/startup/fixture.h"
#include "uninstall/undo.h"

namespace uninstall {
namespace {

using platform::Root;
using platform::Value;

constexpr char kShared[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
constexpr char kLog[] = "C:\\WINDOWS\\install.log";

class AnsweringUi : public UndoUi {
 public:
  void progress(size_t done, size_t total, const std::string&) override {
    EXPECT_LE(done, total);
    ++steps;
  }
  bool askRemoveSharedFile(const std::string& path) override {
    asked.push_back(path);
    return removeShared;
  }
  bool askRemoveEngine() override { return false; }

  bool removeShared = true;
  std::vector<std::string> asked;
  int steps = 0;
};

class UndoTest : public startup::testing::RunFixture {
 protected:
  // A machine as it was before the installation.
  void SetUpMachineBefore() {
    ASSERT_TRUE(machine.addFile("C:\\Shared\\s.dll", "shared").ok());
    ASSERT_TRUE(machine.addDirectory("C:\\Menu").ok());
    ASSERT_TRUE(machine.registry().create(Root::localMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall").ok());
    setRegistryValue(Root::localMachine, kShared, "C:\\Shared\\s.dll", Value::dword(3));
    setRegistryValue(Root::currentUser, "Software\\Existing", "Name", Value::text("old"));
    setRegistryValue(Root::currentUser, "Software\\Existing", "Count", Value::dword(static_cast<uint32_t>(-5)));
  }

  // What the engine's run changed, with the log it wrote.
  void Install() {
    ASSERT_TRUE(machine.addFile("C:\\App\\Sub\\a.exe", "a").ok());
    ASSERT_TRUE(machine.addFile("C:\\App\\b.dll", "b").ok());
    ASSERT_TRUE(machine.addFile("C:\\Shared\\n.dll", "n").ok());
    setRegistryValue(Root::localMachine, kShared, "C:\\Shared\\s.dll", Value::dword(4));
    setRegistryValue(Root::localMachine, kShared, "C:\\Shared\\n.dll", Value::binaryData(std::string("\x01\0\0\0", 4)));
    setRegistryValue(Root::currentUser, "Software\\Existing", "Name", Value::text("new"));
    setRegistryValue(Root::currentUser, "Software\\Existing", "Count", Value::dword(7));
    setRegistryValue(Root::currentUser, "Software\\Existing", "Added", Value::text("x"));
    setRegistryValue(Root::currentUser, "Software\\Created", "V", Value::binaryData("\x01\xAB"));
    setRegistryValue(Root::localMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo",
                     "DisplayName", Value::text("Демо"));
    setRegistryValue(Root::localMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo",
                     "UninstallString", Value::text("C:\\App\\UNINST~1.EXE \"C:\\WINDOWS\\install.log\""));
    ASSERT_TRUE(machine.addFile("C:\\Menu\\Демо\\Демо.lnk", "link").ok());
    WriteLog(
        "Dir=C:\\App\r\n"
        "Dir=C:\\App\\Sub\r\n"
        "File=C:\\App\\Sub\\a.exe\r\n"
        "File=C:\\App\\b.dll\r\n"
        "RegSharedIncrement=C:\\Shared\\s.dll\r\n"
        "RegSharedIncrement=C:\\Shared\\n.dll\r\n"
        "RegOpenKey=Software\\Existing,2147483649\r\n"
        "RegOldValue=Name,S,old\r\n"
        "RegWriteValue=Name\r\n"
        "RegOldValue=Count,D,-5\r\n"
        "RegWriteValue=Count\r\n"
        "RegWriteValue=Added\r\n"
        "RegCreateKey=Software\\Created,2147483649\r\n"
        "RegWriteValue=V\r\n"
        "RegEntry=Demo\r\n"
        "ShellFolder=C:\\Menu\\Демо\r\n"
        "ShellLink=C:\\Menu\\Демо\\Демо.lnk\r\n");
  }

  void WriteLog(const std::string& lines) {
    std::string text = "Uninstall information storage. Version 2.\r\nДемо\r\n" + lines;
    ASSERT_TRUE(platform::writeWholeFile(machine.files(), kLog, text).ok());
  }

  UndoReport Undo() {
    auto bytes = platform::readWholeFile(machine.files(), kLog);
    EXPECT_TRUE(bytes.ok());
    if (!bytes.ok()) return {};
    auto parsed = ParseUninstallLog(bytes.value());
    EXPECT_TRUE(parsed.log) << parsed.error;
    if (!parsed.log) return {};
    return UndoInstallation(ctx, kLog, *parsed.log, answers);
  }

  AnsweringUi answers;
};

TEST_F(UndoTest, MachineReturnsToItsStateBeforeTheInstallation) {
  SetUpMachineBefore();
  std::string before = dump();
  Install();
  auto report = Undo();
  EXPECT_TRUE(report.problems.empty()) << report.problems.front();
  EXPECT_TRUE(report.logRemoved);
  EXPECT_EQ(answers.asked, std::vector<std::string>{"C:\\Shared\\n.dll"});
  EXPECT_EQ(dump(), before);
}

TEST_F(UndoTest, SharedFileKeptWhenTheUserSaysNo) {
  SetUpMachineBefore();
  Install();
  answers.removeShared = false;
  auto report = Undo();
  EXPECT_TRUE(report.problems.empty());
  EXPECT_TRUE(machine.fileContent("C:\\Shared\\n.dll").ok());
  // The other program's count went down by one only.
  auto key = machine.registry().open(Root::localMachine, kShared, platform::Access::read);
  ASSERT_TRUE(key.ok());
  EXPECT_EQ(key.value()->read("C:\\Shared\\s.dll").value(), Value::dword(3));
}

TEST_F(UndoTest, ACopyOfTheLogRunAgainChangesNothing) {
  SetUpMachineBefore();
  Install();
  auto copy = platform::readWholeFile(machine.files(), kLog).value();
  Undo();
  std::string after = dump();
  ASSERT_TRUE(platform::writeWholeFile(machine.files(), kLog, copy).ok());
  std::string withLog = dump();
  auto report = Undo();
  EXPECT_TRUE(report.alreadyRemoved);
  EXPECT_EQ(report.undone, 0u);
  EXPECT_EQ(dump(), withLog);
  (void)after;
}

TEST_F(UndoTest, GoesOnPastFailuresAndKeepsOnlyWhatIsLeft) {
  SetUpMachineBefore();
  Install();
  ASSERT_TRUE(machine.lock("C:\\App\\b.dll").ok());          // in use: removed at the next start
  ASSERT_TRUE(machine.files().removeFile("C:\\App\\Sub\\a.exe").ok());  // gone already
  // The created key cannot be deleted.
  machine.failNth(platform::sim::Op::registryRemove, 4, platform::Status(platform::Code::accessDenied, 5));
  auto report = Undo();
  EXPECT_EQ(report.scheduled, std::vector<std::string>{"C:\\App\\b.dll"});
  ASSERT_EQ(report.problems.size(), 1u);
  EXPECT_NE(report.problems[0].find("Software\\Created"), std::string::npos) << report.problems[0];
  EXPECT_FALSE(report.logRemoved);
  // Everything else is undone.
  EXPECT_FALSE(machine.fileContent("C:\\Menu\\Демо\\Демо.lnk").ok());
  EXPECT_FALSE(machine.registry().keyExists(Root::localMachine,
                                            "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo"));
  // The log now holds the one key that is left, so a second run retries it
  // alone.
  auto left = platform::readWholeFile(machine.files(), kLog);
  ASSERT_TRUE(left.ok());
  EXPECT_EQ(left.value(),
            "Uninstall information storage. Version 2.\r\nДемо\r\n"
            "RegCreateKey=Software\\Created,2147483649\r\nRegWriteValue=V\r\n");
}

TEST_F(UndoTest, RefusesPathsOutsideWhatALogMayName) {
  ASSERT_TRUE(machine.addFile("C:\\keep.txt", "k").ok());
  ASSERT_TRUE(machine.addDirectory("C:\\Empty").ok());
  WriteLog(
      "File=keep.txt\r\n"
      "File=C:\\App\\..\\keep.txt\r\n"
      "Dir=C:\\\r\n"
      "Dir=C:\\Empty\\..\\Empty\r\n"
      "ShellLink=\\\\?\\C:\\keep.txt\r\n");
  std::string before = dump();
  auto report = Undo();
  EXPECT_EQ(report.problems.size(), 5u);
  EXPECT_TRUE(machine.fileContent("C:\\keep.txt").ok());
  EXPECT_TRUE(machine.files().stat("C:\\Empty").ok());
  EXPECT_FALSE(report.logRemoved);
}

}  // namespace
}  // namespace uninstall
