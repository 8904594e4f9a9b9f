// setupkit build: the medium it writes is what the engine reads, and every
// bad input is refused with its file and reason while the output folder
// stays as it was.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "startup/code_page_conversion.h"
#include "tests/tools/build_fixture.h"
#include "tools/setupkit/package_builder.h"
#include "tools/setupkit/sign_tool.h"

namespace setupkit {
namespace {

namespace fs = std::filesystem;
using testing::readArchive;
using testing::writeFile;

// Test sources are compiled to code page 1251 like the engine: literals are
// 1251 already; what the tool writes for people is UTF-8.
std::string cp(const std::string& s1251) { return s1251; }
std::string u8s(const std::string& s1251) { return text::toUtf8(text::CodePage::cp1251, s1251); }

std::string packagePassword() {
  startup::CodePageConversion c;
  return startup::PackageArchivePassword(cp("Демо-программа 1.0"), c);
}

class Build : public testing::PackageSource {
 public:
  BuildReport build(uint64_t volumeSize = 0, bool disks = false, bool force = false) {
    BuildRequest rq;
    rq.source = source;
    rq.out = out;
    rq.volumeSize = volumeSize;
    rq.disks = disks;
    rq.force = force;
    return BuildPackage(rq);
  }
  // Replaces a line of the script (1251 text).
  void editScript(const std::string& from, const std::string& to) {
    std::string s = testing::exampleScript();
    size_t at = s.find(cp(from));
    ASSERT_NE(at, std::string::npos) << from;
    s.replace(at, cp(from).size(), cp(to));
    writeFile(source / "Install.Ini", s);
  }
};

TEST_F(Build, WritesAMediumTheEngineCanOpen) {
  BuildReport r = build();
  ASSERT_TRUE(r.ok()) << r.problems.front().file << ": " << r.problems.front().reason;
  std::vector<std::string> written;
  for (const auto& w : r.written) written.push_back(w.path);
  EXPECT_NE(std::find(written.begin(), written.end(), "install.dat"), written.end());
  EXPECT_NE(std::find(written.begin(), written.end(), "data.000"), written.end());

  // install.dat: encrypted headers, so nothing is readable without the password.
  rar::Status failure;
  EXPECT_TRUE(readArchive(out / "install.dat", "", &failure).empty());
  auto engine = readArchive(out / "install.dat", startup::kEngineArchivePassword);
  ASSERT_EQ(engine.size(), 3u);
  EXPECT_EQ(engine["Uninst.exe"], readHostFile(source / "Uninst.exe"));
  EXPECT_EQ(engine["Install.Ini"], testing::exampleScript());
  EXPECT_EQ(engine["Licence.txt"], readHostFile(source / "Licence.txt"));

  // data.000: every member under the title's password, and only under it.
  auto data = readArchive(out / "data.000", packagePassword());
  EXPECT_EQ(data.size(), memberCount);
  EXPECT_EQ(data["democore.dll"], readHostFile(source / "democore.dll"));
  failure = {};
  readArchive(out / "data.000", "wrong", &failure);
  EXPECT_FALSE(failure.ok());
  EXPECT_FALSE(fs::exists(out / ".setupkit-build"));
}

TEST_F(Build, VolumesGoToDiskFoldersAndAnOlderMediumIsReplacedOnlyWithForce) {
  BuildReport r = build(1024, true);
  ASSERT_TRUE(r.ok()) << r.problems.front().file << ": " << r.problems.front().reason;
  EXPECT_TRUE(fs::exists(out / "Disk1" / "install.dat"));
  EXPECT_TRUE(fs::exists(out / "Disk1" / "data.000"));
  EXPECT_TRUE(fs::exists(out / "Disk2" / "data.001"));
  EXPECT_FALSE(fs::exists(out / "Disk1" / "data.001"));
  int disks = 0;
  for (const auto& e : fs::directory_iterator(out)) disks += e.path().filename().string().rfind("Disk", 0) == 0;
  EXPECT_GT(disks, 3);
  auto data = readArchive(out / "Disk1" / "data.000", packagePassword());
  EXPECT_EQ(data["demo.exe"], readHostFile(source / "demo.exe"));
  EXPECT_EQ(data.size(), memberCount);

  // Again: refused, nothing touched.
  auto before = fs::last_write_time(out / "Disk2" / "data.001");
  r = build();
  ASSERT_FALSE(r.ok());
  EXPECT_NE(r.problems[0].reason.find("older medium; give --force"), std::string::npos);
  EXPECT_EQ(fs::last_write_time(out / "Disk2" / "data.001"), before);

  // With --force: the old volumes and Disk folders go, the new medium is whole.
  writeFile(out / "notes.txt", "the author's own file");
  r = build(0, false, true);
  ASSERT_TRUE(r.ok()) << r.problems.front().reason;
  EXPECT_FALSE(fs::exists(out / "Disk2"));
  EXPECT_TRUE(fs::exists(out / "data.000"));
  EXPECT_TRUE(fs::exists(out / "notes.txt"));
  EXPECT_EQ(readArchive(out / "data.000", packagePassword()).size(), memberCount);
}

TEST_F(Build, RunLibFoldersBecomePacksUnderThePackagePassword) {
  std::string s = testing::exampleScript();
  s = s.substr(0, s.find("[RunLib]")) + "\r\n[RunLib]\r\nCount=1\r\nPack1=tools.rar\r\nRun1=EXE,prep.exe\r\n";
  writeFile(source / "Install.Ini", s);
  writeFile(source / "tools.rar" / "prep.exe", "MZ prep");
  writeFile(source / "tools.rar" / "Should.Dll", "MZ gate");
  BuildReport r = build();
  ASSERT_TRUE(r.ok()) << r.problems.front().file << ": " << r.problems.front().reason;
  auto pack = readArchive(out / "tools.rar", packagePassword());
  EXPECT_EQ(pack.size(), 2u);
  EXPECT_EQ(pack["prep.exe"], "MZ prep");
}

struct Refusal {
  const char* name;
  std::function<void(Build&)> arrange;
  uint64_t volumeSize;
  const char* file;    // the end of the reported file
  const char* reason;  // part of the reason
};

TEST_F(Build, RefusesBadInputWithFileAndReasonAndWritesNothing) {
  const Refusal cases[] = {
      {"script the engine refuses", [](Build& b) { writeFile(b.source / "Install.Ini", "[Version]\r\nScript=99\r\n"); }, 0,
       "Install.Ini", "the engine refuses this script"},
      {"missing source file", [](Build& b) { fs::remove(b.source / "readme.txt"); }, 0, "readme.txt",
       "missing ([Files] File3 names it)"},
#ifndef _WIN32  // two spellings of one name are one file there
      {"two entries, one member, two files",
       [](Build& b) {
         b.editScript("File5=5,democore.dll", "File5=5,DEMO.EXE");
         writeFile(b.source / "DEMO.EXE", "another program");
       },
       0, "Install.Ini", "[Files] File1 and [Files] File5 both write the archive member \"demo.exe\" but from different files"},
#endif
      {"title without a code page 866 form", [](Build& b) { b.editScript("Title=Демо-программа 1.0", "Title=Програма І"); },
       0, "Install.Ini", "cannot carry into code page 866 ("},
      {"volume too small", [](Build&) {}, 100, "--volume-size", "too small"},
      {"volume too small for a header", [](Build&) {}, 300, "--volume-size", "too small to hold a volume's headers"},
      {"licence missing", [](Build& b) { fs::remove(b.source / "Licence.txt"); }, 0, "Licence.txt",
       "missing ([Main] Licence names it)"},
      {"RunLib pack missing",
       [](Build& b) {
         std::string s = testing::exampleScript();
         writeFile(b.source / "Install.Ini",
                   s.substr(0, s.find("[RunLib]")) + "\r\n[RunLib]\r\nCount=1\r\nPack1=tools.rar\r\nRun1=EXE,prep.exe\r\n");
       },
       0, "tools.rar", "missing ([RunLib] Pack1 names it)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    c.arrange(*this);
    BuildReport r = build(c.volumeSize);
    ASSERT_FALSE(r.ok());
    bool found = false;
    for (const auto& p : r.problems) {
      bool fileOk = p.file.size() >= std::string(c.file).size() &&
                    p.file.compare(p.file.size() - std::string(c.file).size(), std::string::npos, c.file) == 0;
      found = found || (fileOk && p.reason.find(c.reason) != std::string::npos);
    }
    EXPECT_TRUE(found) << r.problems.front().file << ": " << r.problems.front().reason;
    EXPECT_FALSE(fs::exists(out / "data.000"));
    EXPECT_FALSE(fs::exists(out / "install.dat"));
    EXPECT_FALSE(fs::exists(out)) << "a refused build leaves no output folder behind";
  }
}

TEST(TitlePassword, OnlyRussianLettersNumeroAndAsciiConvert) {
  EXPECT_EQ(UnconvertibleTitleCharacters(cp("Ёлка №1 ёж Test")), "");
  EXPECT_EQ(UnconvertibleTitleCharacters("Їжак Ўсё І"), u8s("ЇЎІ"));
}

#ifdef SETUPKIT_TEST_PE
// Signing as CI does it: a certificate made here, the signature verified by
// osslsigncode.
TEST_F(Build, SignsSetupExeWithAnAuthenticodeSignature) {
  const fs::path pe = SETUPKIT_TEST_PE;
  if (!fs::exists(pe) || RunProgram({"osslsigncode", "--version"}) < 0 || RunProgram({"openssl", "version"}) != 0)
    GTEST_SKIP() << "needs openssl, osslsigncode and a PE file (Wine's notepad.exe)";
  const fs::path key = root / "key.pem", cert = root / "cert.pem", pfx = root / "cert.pfx", pw = root / "pw.txt";
  writeFile(pw, "s3cret\n");
  ASSERT_EQ(RunProgram({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=setupkit test",
                        "-days", "2", "-keyout", key.string(), "-out", cert.string()}),
            0);
  ASSERT_EQ(RunProgram({"openssl", "pkcs12", "-export", "-in", cert.string(), "-inkey", key.string(), "-out",
                        pfx.string(), "-passout", "file:" + pw.string()}),
            0);
  fs::copy_file(pe, source / "Uninst.exe", fs::copy_options::overwrite_existing);  // signed before it is packed
  BuildRequest rq;
  rq.source = source;
  rq.out = out;
  rq.setupExe = pe;
  rq.signCert = pfx;
  rq.signPasswordFile = pw;
  BuildReport r = BuildPackage(rq);
  ASSERT_TRUE(r.ok()) << r.problems.front().file << ": " << r.problems.front().reason;
  EXPECT_EQ(RunProgram({"osslsigncode", "verify", "-in", (out / "setup.exe").string(), "-CAfile", cert.string()}), 0);
  EXPECT_NE(RunProgram({"osslsigncode", "verify", "-in", pe.string(), "-CAfile", cert.string()}), 0);
  auto engine = readArchive(out / "install.dat", startup::kEngineArchivePassword);
  writeFile(root / "Uninst.exe", engine["Uninst.exe"]);
  EXPECT_EQ(RunProgram({"osslsigncode", "verify", "-in", (root / "Uninst.exe").string(), "-CAfile", cert.string()}), 0);

  // A wrong password: refused, nothing written.
  writeFile(pw, "wrong\n");
  fs::remove_all(out);
  r = BuildPackage(rq);
  ASSERT_FALSE(r.ok());
  EXPECT_NE(r.problems[0].reason.find("signing failed"), std::string::npos);
  EXPECT_FALSE(fs::exists(out / "setup.exe"));
}
#endif

}  // namespace
}  // namespace setupkit
