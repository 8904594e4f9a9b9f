// How the package extraction ends when something goes wrong: Break, a
// cancelled or unanswerable volume prompt, a package that is missing,
// cut short or damaged, a wrong password, a full disk. A failure is kind 2
// with its text (no box after a break), the rollback runs, and the machine
// keeps every file it had.

#include <gtest/gtest.h>

#include "rar/read/archive.h"
#include "text/codepage.h"
#include "startup/code_page_conversion.h"
#include "tests/archive/package_fixture.h"

namespace archive::testing {
namespace {

class FailureTest : public PackageTest {
 protected:
  // Three members; the second is large enough for several data blocks and
  // replaces an existing file.
  void SetUpPackage(rar::WriterOptions options = {}) {
    volumes = WritePackage({{"first.txt", "first"}, {"big.dat", Big()}, {"last.txt", "last"}}, std::move(options));
    AddGroup();
    AddFile("first.txt");
    AddFile("big.dat");
    AddFile("last.txt");
    ASSERT_TRUE(machine.addFile("C:\\App\\big.dat", "precious").ok());
    start = machine.fileStore().toString();
  }
  static std::string Big() {
    std::string s(300000, '\0');
    uint32_t x = 12345;
    for (char& c : s) {
      x = x * 1103515245u + 12345u;
      c = static_cast<char>(x >> 24);
    }
    return s;
  }
  // The failure was reported as kind 2 with `text` (shown unless a break was
  // requested), rolled back, and the machine is as it was before the
  // extraction, apart from the package itself.
  void ExpectFailedWithNothingLost(const std::string& text, bool shown = true) {
    EXPECT_EQ(runEnd.rollbacks, 1);
    EXPECT_EQ(runEnd.terminations, 1);
    if (shown) {
      EXPECT_EQ(runEnd.shown, (std::vector<std::string>{text}));
    } else {
      EXPECT_TRUE(runEnd.shown.empty());
    }
    EXPECT_EQ(Content("C:\\App\\big.dat"), "precious");
    EXPECT_EQ(machine.fileStore().toString(), start);
  }
  // Replaces `count` bytes at `offset` of a package file.
  void Damage(const std::string& path, size_t offset, size_t count = 1) {
    std::string data = machine.fileContent(path).value();
    ASSERT_LT(offset + count, data.size());
    for (size_t i = 0; i < count; ++i) data[offset + i] = static_cast<char>(data[offset + i] ^ 0x5A);
    ASSERT_TRUE(machine.addFile(path, data).ok());
    start = machine.fileStore().toString();
  }
  void Truncate(const std::string& path, size_t size) {
    std::string data = machine.fileContent(path).value();
    ASSERT_LT(size, data.size());
    ASSERT_TRUE(machine.addFile(path, data.substr(0, size)).ok());
    start = machine.fileStore().toString();
  }
  size_t Find(const std::string& path, const std::string& needle) {
    const std::string data = machine.fileContent(path).value();
    const size_t at = data.find(needle);
    EXPECT_NE(at, std::string::npos) << needle;
    return at;
  }

  unsigned volumes = 0;
  std::string start;
};

TEST_F(FailureTest, BreakDuringAMemberFailsWithoutAMessageAndKeepsTheOldFile) {
  SetUpPackage();
  // Break is pressed while big.dat is being written (its file bar moves).
  packageUi.onMessages = [&] {
    if (packageUi.fileMaximum > 0 && packageUi.filePosition > 0) ctx.window.BreakRequested = true;
  };
  EXPECT_FALSE(Extract());
  ExpectFailedWithNothingLost("", false);
}

TEST_F(FailureTest, BreakBetweenMembersStopsQuietly) {
  SetUpPackage();
  // Break is pressed once first.txt is complete.
  packageUi.onMessages = [&] {
    if (!ctx.lists.PlacedFiles.empty()) ctx.window.BreakRequested = true;
  };
  EXPECT_TRUE(Extract());
  EXPECT_EQ(runEnd.rollbacks, 0);
  EXPECT_EQ(Content("C:\\App\\first.txt"), "first");
  EXPECT_EQ(Content("C:\\App\\big.dat"), "precious");
  EXPECT_FALSE(machine.files().exists("C:\\App\\last.txt"));
}

TEST_F(FailureTest, MissingPackageCannotBeOpened) {
  AddGroup();
  AddFile("first.txt");
  start = machine.fileStore().toString();
  EXPECT_FALSE(Extract());
  EXPECT_EQ(runEnd.shown, (std::vector<std::string>{"Ошибка открытия архива"}));
  EXPECT_EQ(runEnd.rollbacks, 1);
  EXPECT_EQ(machine.fileStore().toString(), start);
}

TEST_F(FailureTest, NotAnArchiveCannotBeOpened) {
  AddGroup();
  ASSERT_TRUE(machine.addFile(kPackage, "this is no archive at all").ok());
  EXPECT_FALSE(Extract());
  EXPECT_EQ(runEnd.shown, (std::vector<std::string>{"Ошибка открытия архива"}));
}

TEST_F(FailureTest, DamagedMemberDataKeepsTheOldFile) {
  SetUpPackage();
  Damage(kPackage, Find(kPackage, Big().substr(0, 64)) + 200000);
  EXPECT_FALSE(Extract());
  ExpectFailedWithNothingLost("Ошибка чтения сжатого файла big.dat");
}

TEST_F(FailureTest, PackageCutShortInAMemberKeepsTheOldFile) {
  SetUpPackage();
  Truncate(kPackage, Find(kPackage, Big().substr(0, 64)) + 100000);
  EXPECT_FALSE(Extract());
  ExpectFailedWithNothingLost("Ошибка чтения сжатого файла big.dat");
}

// A header that cannot be read between members: the members after it would
// be lost, so the run fails instead of going on with half a package.
TEST_F(FailureTest, DamagedHeaderBetweenMembersIsAFailure) {
  SetUpPackage();
  Damage(kPackage, Find(kPackage, "big.dat") + 2);
  EXPECT_FALSE(Extract());
  ExpectFailedWithNothingLost("Ошибка чтения сжатого файла data.000");
  EXPECT_FALSE(machine.files().exists("C:\\App\\first.txt"));
}

TEST_F(FailureTest, PackageCutShortInAHeaderIsAFailure) {
  SetUpPackage();
  Truncate(kPackage, Find(kPackage, "big.dat") + 3);
  EXPECT_FALSE(Extract());
  ExpectFailedWithNothingLost("Ошибка чтения сжатого файла data.000");
}

// Cut right after a member: no header is damaged, but the end block that
// every RAR 5 archive carries is missing.
TEST_F(FailureTest, PackageCutBetweenMembersIsAFailure) {
  SetUpPackage();
  const std::string big = Big();
  Truncate(kPackage, Find(kPackage, big.substr(big.size() - 64)) + 64);
  EXPECT_FALSE(Extract());
  EXPECT_EQ(runEnd.shown, (std::vector<std::string>{"Ошибка чтения сжатого файла data.000"}));
  EXPECT_EQ(runEnd.rollbacks, 1);
  EXPECT_FALSE(machine.files().exists("C:\\App\\last.txt"));
}

TEST_F(FailureTest, WrongPasswordKeepsTheOldFile) {
  rar::WriterOptions o;
  o.password = rar::Password::fromUtf8("secret");
  o.kdfLog2 = 0;
  SetUpPackage(std::move(o));
  ctx.model.ArchivePassword = "other";
  EXPECT_FALSE(Extract());
  ExpectFailedWithNothingLost("Ошибка чтения сжатого файла first.txt");
}

TEST_F(FailureTest, WrongPasswordForEncryptedHeadersIsAFailure) {
  rar::WriterOptions o;
  o.password = rar::Password::fromUtf8("secret");
  o.encryptHeaders = true;
  o.kdfLog2 = 0;
  SetUpPackage(std::move(o));
  ctx.model.ArchivePassword = "other";
  EXPECT_FALSE(Extract());
  ASSERT_EQ(runEnd.shown.size(), 1u);
  EXPECT_EQ(runEnd.rollbacks, 1);
  EXPECT_EQ(machine.fileStore().toString(), start);
}

TEST_F(FailureTest, ThePackagePasswordComesFromTheTitle) {
  // The author's tool encrypts with the reversed title; the engine holds it
  // in code page 866.
  const std::string title = "Учёт №1";
  std::string reversed(title.rbegin(), title.rend());
  rar::WriterOptions o;
  o.password = rar::Password::fromUtf8(text::toUtf8(text::CodePage::cp1251, reversed));
  o.encryptHeaders = true;
  o.kdfLog2 = 0;
  SetUpPackage(std::move(o));
  ctx.model.ArchivePassword = startup::PackageArchivePassword(title, ctx.conversion);
  EXPECT_TRUE(Extract());
  EXPECT_TRUE(Content("C:\\App\\big.dat") == Big());
  EXPECT_EQ(Content("C:\\App\\last.txt"), "last");
}

TEST_F(FailureTest, FullDiskKeepsTheOldFile) {
  SetUpPackage();
  // first.txt takes one write; the next is big.dat's data.
  machine.failNth(platform::sim::Op::write, 2, platform::Status(platform::Code::diskFull, 112, "disk full"));
  EXPECT_FALSE(Extract());
  ExpectFailedWithNothingLost("Ошибка чтения сжатого файла big.dat");
}

TEST_F(FailureTest, UncreatableTemporaryIsAFailure) {
  SetUpPackage();
  machine.failNth(platform::sim::Op::openForWrite, 2, platform::Status(platform::Code::accessDenied));
  EXPECT_FALSE(Extract());
  ExpectFailedWithNothingLost("Ошибка чтения сжатого файла big.dat");
}

// ---------------------------------------------------------------------------
// Volumes.

class VolumeTest : public FailureTest {
 protected:
  void SetUp() override {
    rar::WriterOptions o;
    o.volumeSize = 100000;
    SetUpPackage(std::move(o));
    ASSERT_GE(volumes, 4u);
  }
  static constexpr const char* kThird = "C:\\Setup\\data.002";
};

TEST_F(VolumeTest, AVolumeFoundElsewhereIsFollowed) {
  // The third volume and those after it lie elsewhere: once told, the
  // library looks for the next ones beside it.
  for (unsigned v = 2; v < volumes; ++v) {
    const std::string name = "data.00" + std::to_string(v);
    ASSERT_TRUE(machine.addFile("C:\\Other\\" + name, machine.fileContent(kSource + name).value()).ok());
    ASSERT_TRUE(machine.files().removeFile(kSource + name).ok());
  }
  packageUi.volumeAnswers = {std::string("C:\\Other\\data.002")};
  EXPECT_TRUE(Extract());
  EXPECT_EQ(packageUi.volumeQuestions, (std::vector<std::string>{kThird}));
  EXPECT_TRUE(Content("C:\\App\\big.dat") == Big());
  EXPECT_EQ(Content("C:\\App\\last.txt"), "last");
}

TEST_F(VolumeTest, CancelledPromptInAMemberFailsWithoutAMessage) {
  ASSERT_TRUE(machine.files().removeFile(kThird).ok());
  start = machine.fileStore().toString();
  packageUi.volumeAnswers = {std::nullopt};
  EXPECT_FALSE(Extract());
  EXPECT_TRUE(ctx.window.BreakRequested);
  ExpectFailedWithNothingLost("", false);
}

TEST_F(VolumeTest, VolumeThatNeverTurnsUpIsAFailure) {
  ASSERT_TRUE(machine.files().removeFile(kThird).ok());
  start = machine.fileStore().toString();
  // Every answer names a place where the volume is not.
  for (int i = 0; i < 2000; ++i) packageUi.volumeAnswers.push_back(std::string("C:\\Nowhere\\data.002"));
  EXPECT_FALSE(Extract());
  EXPECT_FALSE(ctx.window.BreakRequested);
  ExpectFailedWithNothingLost("Ошибка чтения сжатого файла big.dat");
}

// A volume set whose second volume starts with the second member's header
// (the writer moves a header on once the first volume holds enough):
// a prompt cancelled there is a break between members, not a failure.
TEST_F(PackageTest, CancelledPromptBetweenMembersStopsQuietly) {
  AddGroup();
  AddFile("a.txt");
  AddFile("b.txt");
  bool found = false;
  for (uint64_t size = 600; size < 1200 && !found; ++size) {
    PlatformArchiveFiles fs(machine.files());
    rar::WriterOptions o;
    o.volumeSize = size;
    auto w = rar::Writer::create(fs, kPackage, o);
    if (!w.ok() || !(*w)->addBytes("a.txt", std::string(600, 'a')).ok() || !(*w)->addBytes("b.txt", "bbbbbbbbbb").ok() ||
        !(*w)->finish().ok() || (*w)->volumeCount() != 2)
      continue;
    // b.txt's header must be the first thing of the second volume.
    bool changed = false;
    rar::ArchiveOptions probe;
    probe.onVolume = [&](rar::VolumeEvent e, std::string&) {
      changed = changed || e == rar::VolumeEvent::changed;
      return true;
    };
    auto a = rar::Archive::open(fs, kPackage, std::move(probe));
    ASSERT_TRUE(a.ok());
    auto first = (*a)->readHeader();
    if (!first.ok() || !*first || (*a)->member().splitAfter || !(*a)->skip().ok()) continue;
    auto second = (*a)->readHeader();
    found = changed && second.ok() && *second && (*a)->member().name == "b.txt";
  }
  ASSERT_TRUE(found);
  ASSERT_TRUE(machine.files().removeFile("C:\\Setup\\data.001").ok());
  packageUi.volumeAnswers = {std::nullopt};
  EXPECT_TRUE(Extract());
  EXPECT_TRUE(ctx.window.BreakRequested);
  EXPECT_EQ(runEnd.rollbacks, 0);
  EXPECT_EQ(Content("C:\\App\\a.txt"), std::string(600, 'a'));
  EXPECT_FALSE(machine.files().exists("C:\\App\\b.txt"));
}

}  // namespace
}  // namespace archive::testing
