#include "tools/setupkit/lint.h"

#include "startup/script_reader.h"
#include "tests/startup/fixture.h"

namespace setupkit {
namespace {

class Lint : public startup::testing::RunFixture {
 protected:
  std::vector<LintFinding> lint(const std::string& body) {
    std::string text = "[Version]\nScript=1\n" + body;
    auto r = startup::ReadSetupScript(ctx, script(text));
    EXPECT_TRUE(r.ok()) << r.message;
    return LintScript(ctx, platform::ProfileReader(text));
  }
  static std::string all(const std::vector<LintFinding>& findings) {
    std::string s;
    for (const auto& f : findings) s += f.where + ": " + f.message + "\n";
    return s;
  }
  static bool has(const std::vector<LintFinding>& findings, const std::string& where, const std::string& words) {
    for (const auto& f : findings)
      if (f.where == where && f.message.find(words) != std::string::npos) return true;
    return false;
  }
};

const char kCleanScript[] =
    "[Main]\nTitle=T\nRunApp=1\nRunFile=1\n"
    "[AskDirs]\nCount=1\nDir1=C:\\App\n"
    "[FileGroups]\nCount=1\nName1=Main\nInstallMode1=Update\nGroup1=1,2\nID1=1\n"
    "[Files]\nCount=2\nFile1=1,app.exe,1.0.0.0,1,0,#0\nFile2=2,app.hlp,1.0.0.0,1,0,#0\n"
    "[SetupTypes]\nCount=1\nSetup1=Full\nGroups1=1\n"
    "[ShellLinks]\nCount=1\nLink1=PROGRAMS\\App,app.exe,,App,#0,,,0\n";

TEST_F(Lint, CleanScriptHasNoWarnings) {
  auto findings = lint(kCleanScript);
  for (const auto& f : findings) EXPECT_NE(f.severity, LintFinding::Severity::warning) << all(findings);
}

TEST_F(Lint, LikelyMistakes) {
  struct Case {
    const char* body;
    const char* where;
    const char* words;
  } cases[] = {
      {"[Files]\nCount=1\nFile1=1,a.exe,,1,0,#0\n[FileGroups]\nCount=1\nGroup1=1\n", "[Files] File1", "move forward"},
      {"[FileGroups]\nCount=1\nInstallMode1=Overwrite\n", "[FileGroups] InstallMode1", "unknown install mode"},
      {"[FileGroups]\nCount=1\nInstallMode1=Update,1,2\n", "[FileGroups] InstallMode1", "more than two fields"},
      {"[Files]\nCount=1\nFile1=5,a.exe,1.0.0.0,1,0,#0\n", "[Files] File1", "in no group"},
      {"[FileGroups]\nCount=1\nGroup1=9\n", "[FileGroups] Group1", "names no [Files] entry"},
      {"[FileGroups]\nCount=1\nID1=1\n[SetupTypes]\nCount=1\nGroups1=1,4\n", "[SetupTypes] Groups1", "group ID 4"},
      {"[Main]\nRunFile=app.exe\n", "[Main] RunFile", "names no [Files] entry"},
      {"[Main]\nReadmeView=1\n", "[Main] ReadmeFile", "is empty"},
      {"[AskDirs]\nCount=1\nDir1=#5\\x\n", "[AskDirs] Dir1", "names no directory"},
      {"[Main]\nLogFile=#(nick)\\log\n", "[Main] LogFile", "nickname"},
      {"[Registry]\nCount=1\nKey1=HKXX\\Soft,S,N,D\n", "[Registry] Key1", "unknown root"},
      {"[ShellLinks]\nCount=1\nLink1=PROGRAMS,a.exe\n", "[ShellLinks] Link1", "unknown folder keyword"},
      {"[Files]\nCount=2\nFile1=1,a.exe\nFile2=1,A.EXE\n[FileGroups]\nCount=1\nGroup1=1\n", "[Files] File2", "also used by File1"},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    ctx.model = {};
    auto findings = lint(cases[i].body);
    EXPECT_TRUE(has(findings, cases[i].where, cases[i].words)) << "case " << i << "\n" << all(findings);
  }
}

TEST_F(Lint, RegistryMacrosAreOnlyNotes) {
  auto findings = lint("[AskDirs]\nCount=1\nDir1=#[HKLM\\Software\\X\\Dir]\n");
  ASSERT_FALSE(findings.empty());
  for (const auto& f : findings) EXPECT_EQ(f.severity, LintFinding::Severity::note) << all(findings);
}

TEST_F(Lint, DescribesTheModel) {
  lint(kCleanScript);
  std::string summary = DescribeModel(ctx.model);
  EXPECT_NE(summary.find("Title: T"), std::string::npos) << summary;
  EXPECT_NE(summary.find("app.exe -> #0\\app.exe"), std::string::npos) << summary;
  EXPECT_NE(summary.find("mode Update"), std::string::npos) << summary;
}

}  // namespace
}  // namespace setupkit
