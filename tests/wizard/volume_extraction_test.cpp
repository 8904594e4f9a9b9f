// The volume callback with the archive library: a three-volume archive
// spread over a disk set, over unrelated directories, or missing a volume.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "archive/platform_streams.h"
#include "rar/read/archive.h"
#include "tests/wizard/dialog_fixture.h"
#include "wizard/ask_form.h"
#include "wizard/volume_prompt.h"

namespace wizard {
namespace {

constexpr char kAskForm[] = "TAskForm";

std::string TestArchive(const std::string& name) {
  std::ifstream in(std::string(SETUPKIT_TESTDATA_DIR) + "/rar/rarfile/" + name, std::ios::binary);
  std::ostringstream data;
  data << in.rdbuf();
  return data.str();
}

class VolumeExtractionTest : public testing::DialogTest {
 protected:
  void PutVolume(int part, const std::string& dir) {
    const std::string name = "rar5-vols.part" + std::to_string(part) + ".rar";
    const std::string data = TestArchive(name);
    ASSERT_FALSE(data.empty()) << name;
    ASSERT_TRUE(machine.addFile(dir + name, data).ok()) << dir << name;
  }
  // Extracts every member of the set that starts at `firstVolume` into
  // C:\Out; the status of the first failure, or ok.
  rar::Status ExtractAll(const std::string& firstVolume) {
    rar::ArchiveOptions options;
    options.onVolume = MakeVolumeCallback(ctx, app);
    auto opened = rar::Archive::open(files, firstVolume, std::move(options));
    if (!opened) return opened.status();
    rar::Archive& archive = **opened;
    for (;;) {
      auto next = archive.readHeader();
      if (!next) return next.status();
      if (!*next) return {};
      if (archive.member().isDirectory) continue;
      const std::string name = archive.member().name.substr(archive.member().name.rfind('/') + 1);
      if (rar::Status s = archive.extractToFile("C:\\Out\\" + name); !s) return s;
    }
  }
  void ExpectExtracted() {
    EXPECT_EQ(machine.fileContent("C:\\Out\\bigfile.txt").valueOr("").size(), 205000u);
    EXPECT_EQ(machine.fileContent("C:\\Out\\smallfile.txt").valueOr("").size(), 2050u);
  }

  bool PromptShown() const { return ui->findShownForm(kAskForm) != nullptr; }

  archive::PlatformArchiveFiles files{machine.files()};
};

TEST_F(VolumeExtractionTest, DiskSetIsFollowedWithoutAsking) {
  ASSERT_TRUE(machine.addDirectory("C:\\Out").ok());
  PutVolume(1, "D:\\Setup\\Disk1\\");
  PutVolume(2, "D:\\Setup\\Disk2\\");
  PutVolume(3, "D:\\Setup\\Disk3\\");
  const rar::Status s = ExtractAll("D:\\Setup\\Disk1\\rar5-vols.part1.rar");
  EXPECT_TRUE(s.ok()) << s.message();
  ExpectExtracted();
  EXPECT_FALSE(ctx.window.BreakRequested);
}

TEST_F(VolumeExtractionTest, LocationGivenByTheUserIsUsedForTheFollowingVolumesToo) {
  ASSERT_TRUE(machine.addDirectory("C:\\Out").ok());
  PutVolume(1, "D:\\Setup\\");
  PutVolume(2, "C:\\Copied\\");
  PutVolume(3, "C:\\Copied\\");
  ui->expectDialog(kAskForm).then([](ui::Form& f) {
    EXPECT_EQ(dynamic_cast<AskForm&>(f).ExpectedPath(), "D:\\Setup\\rar5-vols.part2.rar");
  });
  ui->queue(
      "type C:\\Copied",
      [this] { ui->typeText(dynamic_cast<AskForm&>(*ui->findShownForm(kAskForm)).NextDisk, "C:\\Copied"); },
      [this] { return PromptShown(); });
  ui->queueClick(kAskForm, "OKBtn");
  // The third volume is looked for beside the second: no second prompt.
  const rar::Status s = ExtractAll("D:\\Setup\\rar5-vols.part1.rar");
  EXPECT_TRUE(s.ok()) << s.message();
  ExpectExtracted();
  EXPECT_FALSE(ctx.window.BreakRequested);
}

TEST_F(VolumeExtractionTest, CancelledPromptStopsTheExtractionWithABreak) {
  ASSERT_TRUE(machine.addDirectory("C:\\Out").ok());
  PutVolume(1, "D:\\Setup\\Disk1\\");
  PutVolume(2, "D:\\Setup\\Disk2\\");
  // The third volume is nowhere.
  ui->expectDialog(kAskForm).then([](ui::Form& f) {
    EXPECT_EQ(dynamic_cast<AskForm&>(f).NextDisk.text(), "D:\\Setup\\Disk2\\");
  });
  // The callback also processes messages after each volume it opens: the
  // answer waits for the dialog.
  ui->queueClick(kAskForm, "CancelBtn", [this] { return PromptShown(); });
  const rar::Status s = ExtractAll("D:\\Setup\\Disk1\\rar5-vols.part1.rar");
  EXPECT_FALSE(s.ok());
  EXPECT_TRUE(ctx.window.BreakRequested);
  // No member is left half-written.
  if (machine.files().fileExists("C:\\Out\\bigfile.txt")) {
    EXPECT_EQ(machine.fileContent("C:\\Out\\bigfile.txt").valueOr("").size(), 205000u);
  }
  EXPECT_FALSE(machine.files().fileExists("C:\\Out\\smallfile.txt"));
}

}  // namespace
}  // namespace wizard
