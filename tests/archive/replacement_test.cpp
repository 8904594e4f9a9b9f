// Existing targets: replaced only once the new file is complete, kept when
// in use (replaced at the next start when allowed), and never lost when a
// step of the exchange fails.

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/profile.h"
#include "tests/archive/package_fixture.h"

namespace archive::testing {
namespace {

class ReplacementTest : public PackageTest {
 protected:
  void SetUp() override {
    WritePackage({{"app.exe", "new app"}});
    AddGroup();
    AddFile("app.exe");
    ASSERT_TRUE(machine.addFile(kTarget, "old app").ok());
  }
  static constexpr const char* kTarget = "C:\\App\\app.exe";
};

TEST_F(ReplacementTest, ExistingTargetIsReplaced) {
  ASSERT_TRUE(Extract());
  EXPECT_EQ(Content(kTarget), "new app");
  EXPECT_TRUE(Temporaries().empty());
  EXPECT_EQ(ctx.lists.PlacedFiles, (startup::StringList{kTarget}));
  EXPECT_TRUE(ctx.lists.TempFileList.empty());
}

TEST_F(ReplacementTest, TargetInUseWithoutRestartReplacementIsKeptWithAWarning) {
  for (bool readOnly : {false, true}) {
    SCOPED_TRACE(readOnly ? "read-only" : "locked");
    ctx.lists = {};
    ui.shown.clear();
    if (readOnly) {
      ASSERT_TRUE(machine.lock(kTarget, false).ok());
      ASSERT_TRUE(machine.files().setAttributes(kTarget, platform::attr::readOnly).ok());
    } else {
      ASSERT_TRUE(machine.lock(kTarget).ok());
    }
    ASSERT_TRUE(Extract());
    EXPECT_EQ(Content(kTarget), "old app");
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text,
              "Файл C:\\App\\app.exe заменить не удалось. Вероятно, он занят другой программой. В дальнейшем программа "
              "может работать некорректно и потребуется ее повторная установка.");
    EXPECT_EQ(ui.shown[0].kind, startup::MessageKind::warning);
    EXPECT_TRUE(ctx.lists.PlacedFiles.empty());
    EXPECT_TRUE(ctx.lists.UninstallLines.empty());
    EXPECT_TRUE(Temporaries().empty());
    EXPECT_FALSE(ctx.model.RestartNeeded);
  }
}

TEST_F(ReplacementTest, TargetInUseOnNtIsReplacedAtTheNextStart) {
  ctx.model.FilesData[0].ReplaceAtRestart = true;
  ctx.model.OsKind = startup::okNT;
  ASSERT_TRUE(machine.lock(kTarget).ok());
  ASSERT_TRUE(Extract());
  EXPECT_EQ(Content(kTarget), "old app");
  ASSERT_EQ(ctx.lists.ReplaceTempFiles.size(), 1u);
  const std::string temp = ctx.lists.ReplaceTempFiles[0];
  EXPECT_EQ(temp.rfind("C:\\App\\Ins", 0), 0u) << temp;
  EXPECT_EQ(Content(temp), "new app");
  const auto& moves = machine.systemState().rebootMoves();
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].from, temp);
  EXPECT_EQ(moves[0].to, kTarget);
  EXPECT_TRUE(ctx.model.RestartNeeded);
  // The log names the real target; the rollback list does not hold it.
  EXPECT_EQ(ctx.lists.UninstallLines, (startup::StringList{"File=C:\\App\\app.exe"}));
  EXPECT_TRUE(ctx.lists.PlacedFiles.empty());
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_FALSE(machine.files().exists("C:\\WINDOWS\\wininit.ini"));
}

TEST_F(ReplacementTest, TargetInUseOn9xIsRenamedByWininit) {
  ctx.model.FilesData[0].ReplaceAtRestart = true;
  ctx.model.OsKind = startup::okWin98;
  ASSERT_TRUE(machine.files().setAttributes(kTarget, platform::attr::readOnly).ok());
  ASSERT_TRUE(Extract());
  ASSERT_EQ(ctx.lists.ReplaceTempFiles.size(), 1u);
  const std::string temp = ctx.lists.ReplaceTempFiles[0];
  auto wininit = platform::ProfileReader::load(machine.files(), "C:\\WINDOWS\\wininit.ini");
  ASSERT_TRUE(wininit.ok());
  EXPECT_EQ(wininit->getString("Rename", kTarget, "-"), temp);
  EXPECT_TRUE(machine.systemState().rebootMoves().empty());
  EXPECT_EQ(Content(kTarget), "old app");
  EXPECT_EQ(Content(temp), "new app");
  EXPECT_TRUE(ctx.model.RestartNeeded);
}

TEST_F(ReplacementTest, RefusedRestartReplacementFallsBackToTheWarning) {
  ctx.model.FilesData[0].ReplaceAtRestart = true;
  ASSERT_TRUE(machine.lock(kTarget).ok());
  machine.failNth(platform::sim::Op::moveAtReboot, 1, platform::Status(platform::Code::accessDenied));
  ASSERT_TRUE(Extract());
  EXPECT_EQ(ui.shown.size(), 1u);
  EXPECT_TRUE(ctx.lists.ReplaceTempFiles.empty());
  EXPECT_TRUE(ctx.lists.UninstallLines.empty());
  EXPECT_FALSE(ctx.model.RestartNeeded);
  EXPECT_TRUE(Temporaries().empty());
  EXPECT_EQ(Content(kTarget), "old app");
}

// Every file operation of the exchange, failed once in turn: the run either
// replaces the target or keeps it, and leaves no temporaries behind once
// the rollback has run.
TEST_F(ReplacementTest, NoSingleFailureOfTheExchangeLosesTheTarget) {
  using platform::sim::Op;
  for (Op op : {Op::openForWrite, Op::write, Op::removeFile, Op::rename}) {
    for (uint32_t n = 1; n <= 4; ++n) {
      SCOPED_TRACE(std::string(platform::sim::opName(op)) + " #" + std::to_string(n));
      platform::sim::Machine m;
      startup::testing::RecordingUi messages;
      startup::SetupContext run(m, messages);
      ASSERT_TRUE(m.addDirectory("C:\\App").ok());
      ASSERT_TRUE(m.addDirectory("C:\\Setup").ok());
      run.model.SourceDir = kSource;
      run.model.TGroups = ctx.model.TGroups;
      run.model.FilesData = ctx.model.FilesData;
      ASSERT_TRUE(m.addFile(kPackage, machine.fileContent(kPackage).value()).ok());
      ASSERT_TRUE(m.addFile(kTarget, "old app").ok());
      const std::string start = m.fileStore().toString();
      RecordingPackageUi pui(run);
      RecordingRunEnd end;
      m.failNth(op, n, platform::Status(platform::Code::ioError));
      const bool ok = ExtractPackage(run, pui, end);
      const std::string content = m.fileContent(kTarget).valueOr("<missing>");
      if (ok) {
        EXPECT_TRUE(content == "new app" || content == "old app") << content;
      } else {
        EXPECT_EQ(end.rollbacks, 1);
        EXPECT_EQ(end.shown, (std::vector<std::string>{"Ошибка чтения сжатого файла app.exe"}));
        EXPECT_EQ(m.fileStore().toString(), start);
      }
      // A temporary that could not be deleted at once waits for the close
      // steps in TempFileList.
      auto left = m.files().list("C:\\App", "Ins*");
      ASSERT_TRUE(left.ok());
      for (const platform::DirEntry& e : left.value()) {
        const std::string path = "C:\\App\\" + e.name;
        EXPECT_NE(std::find(run.lists.TempFileList.begin(), run.lists.TempFileList.end(), path), run.lists.TempFileList.end())
            << m.fileStore().toString();
      }
    }
  }
}

}  // namespace
}  // namespace archive::testing
