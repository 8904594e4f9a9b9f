// Programs, libraries, type libraries and version resources, on every
// backend: the simulation runs the fixtures' behaviour, the Windows backend
// the fixtures themselves (tests/platform/fixtures).

#include "tests/platform/contract.h"

namespace platform::testing {
namespace {

class BinariesContract : public Contract {
 protected:
  void SetUp() override {
    Contract::SetUp();
    dir_ = at("With Space");
    ASSERT_TRUE(fs().createDirectory(dir_).ok());
    program_ = dir_ + "\\run.exe";
    library_ = dir_ + "\\test library.dll";
    machine_->installTestProgram(program_);
    machine_->installTestLibrary(library_);
  }
  std::string dir_, program_, library_;
};

TEST_P(BinariesContract, ProgramsAreFoundAsCreateProcessFindsThem) {
  Processes& p = os().processes();
  System& sys = os().system();
  const std::string before = sys.currentDirectory();
  ASSERT_TRUE(sys.setCurrentDirectory(dir_).ok());
  ASSERT_TRUE(writeWholeFile(fs(), dir_ + "\\notes.txt", "text").ok());
  const std::string upper = text::upper1251(dir_);
  struct Case {
    std::string commandLine;
    std::string directory;
    Code code;
    uint32_t exitCode;
  } cases[] = {
      {"\"" + program_ + "\" 7 marker.txt", machine_->scratch(), Code::ok, 7},
      // Unquoted with a blank in the path: found by trying the prefixes;
      // ".exe" is added and case does not matter. The program then sees
      // "Space\RUN" as its first argument: exit code 0.
      {upper + "\\RUN", "", Code::ok, 0},
      {"\"run\" 6", "", Code::ok, 6},  // the current directory is searched
      {"\"" + dir_ + "\\none.exe\"", "", Code::notFound, 0},
      {"\"" + dir_ + "\\notes.txt\"", "", Code::failed, 0},  // a file that is not a program
      {"\"" + program_ + "\" 1", at("nodir"), Code::pathNotFound, 0},
  };
  for (const Case& c : cases) {
    auto result = p.runAndWait(c.commandLine, c.directory);
    EXPECT_EQ(result.status().code(), c.code) << c.commandLine << ": " << result.status().toString();
    if (result.ok()) {
      EXPECT_EQ(*result, c.exitCode) << c.commandLine;
    }
  }
  // The program ran in the directory it was given.
  EXPECT_EQ(readWholeFile(fs(), at("marker.txt")).valueOr(""), "ran");
  // Without one, in the current directory.
  auto code = p.runAndWait("\"" + program_ + "\" 3 here.txt", "");
  ASSERT_TRUE(code.ok()) << code.status().toString();
  EXPECT_EQ(*code, 3u);
  EXPECT_EQ(readWholeFile(fs(), dir_ + "\\here.txt").valueOr(""), "ran");
  ASSERT_TRUE(sys.setCurrentDirectory(before).ok());
}

TEST_P(BinariesContract, LibraryEntryPoints) {
  auto lib = os().libraries().load(library_);
  ASSERT_TRUE(lib.ok()) << lib.status().toString();
  EXPECT_TRUE((*lib)->hasEntry("Answer"));
  EXPECT_FALSE((*lib)->hasEntry("answer")) << "entry names are exact";
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

TEST_P(BinariesContract, LibraryLoadFailures) {
  EXPECT_EQ(os().libraries().load(dir_ + "\\none.dll").status().code(), Code::notFound);
  ASSERT_TRUE(writeWholeFile(fs(), dir_ + "\\text.dll", "not a library").ok());
  auto invalid = os().libraries().load(dir_ + "\\text.dll");
  EXPECT_EQ(invalid.status().code(), Code::failed) << invalid.status().toString();
  EXPECT_EQ(invalid.status().native(), 193u) << "ERROR_BAD_EXE_FORMAT";
}

TEST_P(BinariesContract, VersionResources) {
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
  // A copy carries the resource; rewriting the file drops it.
  ASSERT_TRUE(fs().copyFile(program_, at("copy.exe"), true).ok());
  EXPECT_TRUE(fs().versionInfo(at("copy.exe"))->present);
  ASSERT_TRUE(writeWholeFile(fs(), at("copy.exe"), "plain").ok());
  EXPECT_FALSE(fs().versionInfo(at("copy.exe"))->present);
}

TEST_P(BinariesContract, TypeLibraryRegistration) {
  const std::string typelib = dir_ + "\\test.tlb";
  machine_->installTestTypeLibrary(typelib);
  const std::string key = "TypeLib\\{6B1F3C2A-5D4E-4F10-9A7B-0C1D2E3F4A5B}";
  ASSERT_FALSE(reg().keyExists(Root::classesRoot, key));
  TypeLibraries& t = os().typeLibraries();
  Status registered = t.registerTypeLibrary(typelib);
  ASSERT_TRUE(registered.ok()) << registered.toString();
  EXPECT_TRUE(reg().keyExists(Root::classesRoot, key + "\\1.0"));
  Status unregistered = t.unregisterTypeLibrary(typelib);
  EXPECT_TRUE(unregistered.ok()) << unregistered.toString();
  EXPECT_FALSE(reg().keyExists(Root::classesRoot, key + "\\1.0"));
  machine_->installBrokenTypeLibrary(dir_ + "\\bad.tlb");
  EXPECT_FALSE(t.registerTypeLibrary(dir_ + "\\bad.tlb").ok());
  EXPECT_FALSE(t.registerTypeLibrary(dir_ + "\\none.tlb").ok());
}

INSTANTIATE_TEST_SUITE_P(Backends, BinariesContract, ::testing::ValuesIn(contractBackends()), backendName);

}  // namespace
}  // namespace platform::testing
