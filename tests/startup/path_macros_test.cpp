#include "startup/path_macros.h"

#include "startup/script_reader.h"
#include "startup/tools.h"
#include "tests/startup/fixture.h"

namespace startup {
namespace {

using platform::Root;
using platform::Value;

class PathMacros : public testing::RunFixture {
 protected:
  PathMacros() {
    ctx.model.DatabaseEngineDir = "C:\\Program Files\\Common Files\\Borland Shared\\BDE\\";
    ctx.model.Dirs = {
        {"C:\\Prog\\", "", 0, false, "", false, "App"},
        {"D:\\Data", "", 7, false, "", false, "Data"},
        {"E:\\Hidden", "", 0, false, "", true, ""},
    };
  }
  std::string expand(const std::string& s, std::vector<std::string>* problems = nullptr) {
    return ExpandPathMacros({ctx.model, machine}, s, problems);
  }
};

TEST_F(PathMacros, Table) {
  setRegistryValue(Root::localMachine, "Software\\Firm", "Path", Value::text("F:\\Firm"));
  setRegistryValue(Root::currentUser, "Software\\Firm", "Num", Value::dword(5));
  setRegistryValue(Root::currentUser, "Software\\Firm", "", Value::text("default"));
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"#PF\\Firm", "C:\\Program Files\\Firm"},
      {"#WS\\a.dll", "C:\\WINDOWS\\SYSTEM32\\\\a.dll"},
      {"#WD\\install.log", "C:\\WINDOWS\\\\install.log"},
      {"#BDE\\idapi32.dll", "C:\\Program Files\\Common Files\\Borland Shared\\BDE\\idapi32.dll"},
      // Each named macro is replaced once; the second "#WD" stays ("#" and letters are copied).
      {"#WD#WD", "C:\\WINDOWS\\#WD"},
      // "#" and a number: the directory with that Macro, else that index; the next character is dropped.
      {"#7\\x.dat", "D:\\Data\\x.dat"},
      {"#1\\x.dat", "D:\\Data\\x.dat"},
      {"#0\\x.dat", "C:\\Prog\\x.dat"},  // Macro 0 is the first directory's (all have 0 but the second)
      {"#1x.dat", "D:\\Data\\.dat"},     // the letter after the digits is lost
      {"#abc", "#abc"},
      {"end#", "end#"},
      {"#", "#"},
      {"#(app)\\bin", "C:\\Prog\\\\bin"},
      {"#(data)", "D:\\Data"},
      {"#(nobody)\\x", "::\\x"},
      {"#[HKLM\\Software\\Firm\\Path]\\bin", "F:\\Firm\\bin"},
      {"#[HKLM\\Software\\Firm\\Missing]\\bin", "\\bin"},     // missing value: empty text
      {"#[HKCU\\Software\\Firm\\Num]", "::"},                // not text
      {"#[HKLM\\Software\\Nobody\\Path]", "::"},              // key cannot be opened
      {"#[HKXX\\Software\\Firm\\]", "default"},                // unknown root: HKEY_CURRENT_USER; default value
      {"x]#[HKLM\\Software\\Firm\\Path]", "x]F:\\Firm"},      // a "]" before "#[" does not close it
      {"#[HKLM\\Software", "::HKLM\\Software"},               // never closed
      {"#99\\x", "::x"},                                     // names no directory
      {"#99999999999\\x", "#99999999999\\x"},                // not a number: copied
  };
  for (size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(expand(cases[i].in), cases[i].out) << "case " << i << ": " << cases[i].in << "\n" << dump();
}

TEST_F(PathMacros, ProgramDirectoryUsesTheFirstVisibleDirectoryInShortForm) {
  ASSERT_TRUE(machine.files().createDirectory("C:\\Prog").ok());
  ASSERT_TRUE(machine.files().createDirectory("C:\\Program Files\\Long Name Here").ok());
  ctx.model.Dirs[0].Dir = "C:\\Program Files\\Long Name Here\\";
  auto shortForm = machine.files().shortPath("C:\\Program Files\\Long Name Here");
  ASSERT_TRUE(shortForm.ok());
  EXPECT_EQ(expand("#PD\\a #PD"), shortForm.value() + "\\a #PD");
  // A directory that does not exist yet is used as it stands.
  ctx.model.Dirs[0].Dir = "C:\\Not Yet\\";
  EXPECT_EQ(expand("#PD"), "C:\\Not Yet");
  ctx.model.Dirs[0].Hidden = true;
  EXPECT_EQ(expand("#PD"), "D:\\Data");
  ctx.model.Dirs[1].Hidden = true;
  std::vector<std::string> problems;
  EXPECT_EQ(expand("#PD\\x", &problems), "::\\x");
  EXPECT_EQ(problems.size(), 1u);
}

TEST_F(PathMacros, TrimmedRemovesOneTrailingBackslash) {
  EXPECT_EQ(ExpandPathMacrosTrimmed({ctx.model, machine}, "#0"), "C:\\Prog");
  EXPECT_EQ(ExpandPathMacrosTrimmed({ctx.model, machine}, "#WD"), "C:\\WINDOWS");
}

TEST_F(PathMacros, UnresolvedPathsAreMarked) {
  std::vector<std::string> problems;
  std::string out = expand("#(x)\\#[HKLM\\No\\V]\\#42\\f", &problems);
  EXPECT_TRUE(IsUnresolvedPath(out)) << out;
  EXPECT_EQ(problems.size(), 3u);
  EXPECT_FALSE(IsUnresolvedPath(expand("#0\\f")));
}

class DirectoryVariables : public testing::RunFixture {
 protected:
  void resolve(std::vector<std::string> vars) {
    ctx.model.Dirs.clear();
    for (auto& v : vars) ctx.model.Dirs.push_back({"", "", 0, false, v, false, ""});
    ResolveDirectoryVariables(ctx);
  }
  std::string var(size_t i) { return ctx.model.Dirs[i].Var; }
};

TEST_F(DirectoryVariables, RegistryAndPlainForms) {
  setRegistryValue(Root::localMachine, "Software\\Firm", "Dir", Value::text("C:\\Firm"));
  setRegistryValue(Root::localMachine, "Software\\Firm", "Empty", Value::text(""));
  setRegistryValue(Root::localMachine, "Software\\Firm", "Num", Value::dword(1));
  setRegistryValue(Root::currentUser, "Software\\Mine", "Dir", Value::text("U:\\Mine\\"));
  resolve({
      "HKLM\\Software\\Firm\\Dir,#PF\\Fallback",      // value present
      "HKLM\\Software\\Firm\\Empty,#PF\\Fallback",    // empty value: fallback
      "HKLM\\Software\\Firm\\Missing,#PF\\Fallback",  // missing value: fallback
      "HKLM\\Software\\Firm\\Num,#PF\\Fallback",      // not text: fallback
      "HKLM\\Software\\Nobody\\Dir,#PF\\Fallback",    // key missing: empty, no fallback
      "hklm\\Software\\Firm\\Dir",                    // no fallback needed
      "HKXX\\Software\\Mine\\Dir",                    // unknown root: keeps the previous one (HKLM)
      "  ",                                           // blank: left alone
      "ignored,#WD\\Sub",                             // plain form: field 2
      "C",                                            // plain form with no field 2
  });
  EXPECT_EQ(var(0), "C:\\Firm\\");
  EXPECT_EQ(var(1), "C:\\Program Files\\Fallback\\");
  EXPECT_EQ(var(2), "C:\\Program Files\\Fallback\\");
  EXPECT_EQ(var(3), "C:\\Program Files\\Fallback\\");
  EXPECT_EQ(var(4), "");
  EXPECT_EQ(var(5), "C:\\Firm\\");
  EXPECT_EQ(var(6), "");  // HKLM\Software\Mine does not exist
  EXPECT_EQ(var(7), "  ");
  EXPECT_EQ(var(8), "C:\\WINDOWS\\\\Sub\\");
  EXPECT_EQ(var(9), "");
}

TEST_F(DirectoryVariables, UnknownRootStartsFromCurrentUser) {
  setRegistryValue(Root::currentUser, "Software\\Mine", "Dir", Value::text("U:\\Mine\\"));
  resolve({"HKXX\\Software\\Mine\\Dir"});
  EXPECT_EQ(var(0), "U:\\Mine\\");
}

TEST_F(DirectoryVariables, AccessRefusedReadsAsMissingKey) {
  setRegistryValue(Root::localMachine, "Software\\Locked", "Dir", Value::text("C:\\L"));
  ASSERT_TRUE(machine.registryStore().denyWriteAccess(Root::localMachine, "Software\\Locked").ok());
  resolve({"HKLM\\Software\\Locked\\Dir,C:\\Fallback"});
  EXPECT_EQ(var(0), "");
}

}  // namespace
}  // namespace startup
