// The diskette and next-volume prompts: the disk-set search, the dialog's
// answers, the OK veto, the name buffer's capacity and the break request.

#include <gtest/gtest.h>

#include "tests/wizard/dialog_fixture.h"
#include "wizard/ask_floppy_form.h"
#include "wizard/ask_form.h"
#include "wizard/volume_paths.h"
#include "wizard/volume_prompt.h"

namespace wizard {
namespace {

constexpr char kAskForm[] = "TAskForm";
constexpr char kFloppyForm[] = "TfrmAskFloppy";

TEST(VolumePathsTest, PartsOfAPath) {
  struct Case {
    const char* path;
    const char* dir;
    const char* name;
    const char* ext;
  };
  const Case cases[] = {
      {"D:\\Setup\\Disk1\\data.r01", "D:\\Setup\\Disk1\\", "data.r01", ".r01"},
      {"D:data.000", "D:", "data.000", ".000"},
      {"data", "", "data", ""},
      {"D:\\dir.v2\\data", "D:\\dir.v2\\", "data", ""},
      {"D:\\Setup\\", "D:\\Setup\\", "", ""},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    EXPECT_EQ(DirectoryPart(c.path), c.dir) << "case " << i << ": " << c.path;
    EXPECT_EQ(NamePart(c.path), c.name) << "case " << i << ": " << c.path;
    EXPECT_EQ(ExtensionPart(c.path), c.ext) << "case " << i << ": " << c.path;
  }
  EXPECT_EQ(WithTrailingBackslash("D:\\a"), "D:\\a\\");
  EXPECT_EQ(WithTrailingBackslash("D:\\a\\"), "D:\\a\\");
  EXPECT_EQ(WithTrailingBackslash(""), "\\");
}

TEST(VolumePathsTest, NextDiskDirectoryOfADiskSet) {
  struct Case {
    const char* requested;
    const char* candidate;  // nullptr: no search
  };
  const Case cases[] = {
      {"D:\\Setup\\Disk1\\data.r01", "D:\\Setup\\Disk2\\data.r01"},
      {"D:\\Setup\\DISK01\\data.r01", "D:\\Setup\\Disk2\\data.r01"},
      {"D:\\Setup\\disk9\\data.r01", "D:\\Setup\\Disk10\\data.r01"},
      {"D:\\Setup\\Disk1000\\data.r01", "D:\\Setup\\Disk101\\data.r01"},
      {"D:\\Setup\\Disk\\data.r01", "D:\\Setup\\Disk1\\data.r01"},
      {"D:\\Setup\\Diskette\\data.r01", "D:\\Setup\\Disk1\\data.r01"},
      {"D:\\Setup\\Disk1a\\data.r01", "D:\\Setup\\Disk1\\data.r01"},
      {"D:\\Disk3\\data.r01", "D:\\Disk4\\data.r01"},
      {"D:Disk3\\data.r01", "D:Disk4\\data.r01"},
      {"D:\\Setup\\CD1\\data.r01", nullptr},
      {"D:\\Setup\\Dis\\data.r01", nullptr},
      {"D:\\Setup\\MyDisk1\\data.r01", nullptr},
      {"D:\\data.r01", nullptr},
      {"data.r01", nullptr},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    const auto found = NextDiskDirectoryCandidate(c.requested);
    if (c.candidate == nullptr) {
      EXPECT_FALSE(found.has_value()) << "case " << i << ": " << c.requested << " gave " << found.value_or("");
    } else {
      EXPECT_EQ(found.value_or("(none)"), c.candidate) << "case " << i << ": " << c.requested;
    }
  }
}

class VolumePromptTest : public testing::DialogTest {
 protected:
  void AddVolume(const std::string& path) { ASSERT_TRUE(machine.addFile(path, "Rar!").ok()) << path; }
  std::optional<std::string> AskVolume(const std::string& expected, std::size_t capacity = kVolumeNameCapacity) {
    return AskForNextVolume(app, machine.files(), expected, capacity);
  }
  AskForm& Shown() {
    ui::Form* f = ui->findShownForm(kAskForm);
    if (f == nullptr) throw std::logic_error("TAskForm is not shown");
    return dynamic_cast<AskForm&>(*f);
  }
  // The user replaces the location and presses OK.
  void QueueLocationAndOk(const std::string& location) {
    ui->queue("type " + location, [this, location] { ui->typeText(Shown().NextDisk, location); });
    ui->queueClick(kAskForm, "OKBtn");
  }
};

TEST_F(VolumePromptTest, VolumeInTheNextDiskDirectoryIsTakenWithoutAsking) {
  struct Case {
    const char* requested;
    const char* present;
  };
  const Case cases[] = {
      {"D:\\Setup\\Disk1\\data.r01", "D:\\Setup\\Disk2\\data.r01"},
      {"D:\\Setup\\DISK01\\data.r01", "D:\\Setup\\Disk2\\data.r01"},
      {"D:\\Setup\\Disk1000\\data.r01", "D:\\Setup\\Disk101\\data.r01"},
      {"D:\\Setup\\Diskette\\data.r02", "D:\\Setup\\Disk1\\data.r02"},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    AddVolume(cases[i].present);
    EXPECT_EQ(AskVolume(cases[i].requested).value_or("(cancelled)"), cases[i].present) << "case " << i;
  }
  EXPECT_TRUE(ui->log().empty()) << ui->log().front();
}

TEST_F(VolumePromptTest, DialogWhenTheSearchFindsNothing) {
  struct Case {
    const char* requested;
    const char* shownLocation;
    const char* filter;
  };
  const Case cases[] = {
      // Not a Disk directory: asked at once.
      {"D:\\Setup\\CD1\\data.r01", "D:\\Setup\\CD1\\", "Следующий том|*.r01"},
      // A Disk directory whose successor does not hold the volume.
      {"D:\\Setup\\Disk1\\data.r01", "D:\\Setup\\Disk1\\", "Следующий том|*.r01"},
      // In the root, and without an extension.
      {"D:\\data", "D:\\", "Следующий том|*"},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    ui->expectDialog(kAskForm).then([&c, i](ui::Form& f) {
      auto& d = dynamic_cast<AskForm&>(f);
      EXPECT_EQ(d.NextDisk.text(), c.shownLocation) << "case " << i;
      EXPECT_EQ(d.NextDisk.filter(), c.filter) << "case " << i;
      EXPECT_EQ(d.ExpectedPath(), c.requested) << "case " << i;
    });
    ui->queueClick(kAskForm, "CancelBtn");
    EXPECT_FALSE(AskVolume(c.requested).has_value()) << "case " << i;
  }
}

TEST_F(VolumePromptTest, LayoutAndTexts) {
  ui->expectDialog(kAskForm).then([](ui::Form& f) {
    auto& d = dynamic_cast<AskForm&>(f);
    EXPECT_EQ(d.caption(), "Выбор каталога");
    EXPECT_EQ(d.position(), ui::FormPosition::ScreenCenter);
    EXPECT_EQ(d.width(), 521);
    EXPECT_EQ(d.height(), 67);
    EXPECT_EQ(d.AskLabel.caption(), "Укажите местоположение следующего установочного диска:");
    EXPECT_EQ(d.AskLabel.left(), 4);
    EXPECT_EQ(d.AskLabel.top(), 1);
    EXPECT_EQ(d.NextDisk.kind(), ui::PathEdit::Kind::File);
    EXPECT_EQ(d.NextDisk.left(), 4);
    EXPECT_EQ(d.NextDisk.top(), 17);
    EXPECT_EQ(d.NextDisk.width(), 514);
    EXPECT_EQ(d.NextDisk.buttonHint(), "Выбрать папку из существующих на диске");
    EXPECT_EQ(d.OKBtn.caption(), "OK");
    EXPECT_EQ(d.OKBtn.bounds(), (ui::Rect{140, 41, 85, 25}));
    EXPECT_EQ(d.defaultButton(), &d.OKBtn);
    EXPECT_EQ(d.CancelBtn.caption(), "&Отменить");
    EXPECT_EQ(d.CancelBtn.bounds(), (ui::Rect{300, 41, 85, 25}));
    EXPECT_EQ(d.cancelButton(), &d.CancelBtn);
  });
  ui->queue("Esc", [this] { ui->pressKey(Shown(), ui::keys::escape); });
  EXPECT_FALSE(AskVolume("D:\\CD1\\data.r01").has_value());
}

TEST_F(VolumePromptTest, OkHandsBackTheTypedDirectoryWithTheVolumesName) {
  machine.addDrive('E', platform::DriveType::cdrom);
  AddVolume("E:\\Second\\data.r01");
  ui->expectDialog(kAskForm);
  QueueLocationAndOk("E:\\Second");
  EXPECT_EQ(AskVolume("D:\\CD1\\data.r01").value_or("(cancelled)"), "E:\\Second\\data.r01");
  EXPECT_TRUE(ui->beeps().empty());
}

TEST_F(VolumePromptTest, OkWithoutAVolumeThereBeepsAndKeepsTheDialogOpen) {
  AddVolume("D:\\Other\\data.r01");
  ui->expectDialog(kAskForm);
  // The location as shown: the volume is not there.
  ui->queueClick(kAskForm, "OKBtn");
  ui->queue("still open", [this] {
    EXPECT_NE(ui->findShownForm(kAskForm), nullptr);
    EXPECT_EQ(ui->beeps().size(), 1u);
  });
  // A directory holding no such volume.
  QueueLocationAndOk("D:\\Empty\\");
  ui->queue("still open", [this] { EXPECT_EQ(ui->beeps().size(), 2u); });
  QueueLocationAndOk("D:\\Other\\");
  EXPECT_EQ(AskVolume("D:\\CD1\\data.r01").value_or("(cancelled)"), "D:\\Other\\data.r01");
  ASSERT_EQ(ui->beeps().size(), 2u);
  EXPECT_EQ(ui->beeps()[0], ui::MessageIcon::Error);
}

TEST_F(VolumePromptTest, BrowsedFileStandsForItsDirectory) {
  AddVolume("D:\\Other\\data.r01");
  ui->expectDialog(kAskForm).then([](ui::Form& f) { dynamic_cast<AskForm&>(f).NextDisk.browse(); });
  ui->expectFileDialog().choosePath("D:\\Other\\data.r01");
  ui->queueClick(kAskForm, "OKBtn");
  EXPECT_EQ(AskVolume("D:\\CD1\\data.r01").value_or("(cancelled)"), "D:\\Other\\data.r01");
}

TEST_F(VolumePromptTest, PathsBeyondTheNameBufferAreNeverHandedBack) {
  const std::string requested = "D:\\Setup\\Disk1\\data.r01";  // 23 characters
  const std::string longDir = "D:\\A rather long directory name";
  AddVolume("D:\\Setup\\Disk2\\data.r01");
  AddVolume(longDir + "\\data.r01");

  // Capacity 24 holds the requested path (23 + zero) and the Disk2
  // candidate, which is as long.
  EXPECT_EQ(AskVolume(requested, 24).value_or("(cancelled)"), "D:\\Setup\\Disk2\\data.r01");

  // One byte less and the candidate no longer fits: the dialog is shown
  // instead; OK with a location whose path is too long is refused like a
  // missing volume; Cancel ends it.
  ui->expectDialog(kAskForm);
  QueueLocationAndOk(longDir);
  ui->queue("refused", [this] { EXPECT_EQ(ui->beeps().size(), 1u); });
  ui->queueClick(kAskForm, "CancelBtn");
  EXPECT_FALSE(AskVolume(requested, 23).has_value());

  // With room enough the same location is accepted.
  ui->expectDialog(kAskForm);
  QueueLocationAndOk(longDir);
  EXPECT_EQ(AskVolume("D:\\Setup\\CD1\\data.r01", 64).value_or("(cancelled)"), longDir + "\\data.r01");
}

TEST_F(VolumePromptTest, DisketteDialog) {
  ui->expectDialog(kFloppyForm).then([](ui::Form& f) {
    auto& d = dynamic_cast<AskFloppyForm&>(f);
    EXPECT_EQ(d.caption(), "Продолжение установки");
    EXPECT_EQ(d.borderStyle(), ui::BorderStyle::DialogNoSystemMenu);
    EXPECT_EQ(d.position(), ui::FormPosition::DesktopCenter);
    EXPECT_EQ(d.width(), 288);
    EXPECT_EQ(d.height(), 60);
    EXPECT_EQ(d.Label1.caption(), "Вставьте в дисковод следующую дискету");
    EXPECT_EQ(d.Label1.alignment(), ui::TextAlign::Center);
    EXPECT_EQ(d.Label1.left(), 0);
    EXPECT_EQ(d.Label1.top(), 8);
    EXPECT_EQ(d.Label1.width(), 285);
    EXPECT_EQ(d.Button1.caption(), "Продолжить");
    EXPECT_EQ(d.Button1.bounds(), (ui::Rect{36, 32, 85, 25}));
    EXPECT_EQ(d.Button2.caption(), "Отменить");
    EXPECT_EQ(d.Button2.bounds(), (ui::Rect{164, 32, 85, 25}));
  });
  ui->queueClick(kFloppyForm, "Button1");
  EXPECT_FALSE(AskForNextDiskette(app));
  ui->expectDialog(kFloppyForm);
  ui->queueClick(kFloppyForm, "Button2");
  EXPECT_TRUE(AskForNextDiskette(app));
}

// The selection the archive's volume callback makes, and the callback.
TEST_F(VolumePromptTest, RemovableSourceAsksForTheDisketteAndRetriesTheSamePath) {
  ctx.window.SourceIsRemovable = true;
  // A volume in the next Disk directory is not looked for on diskettes.
  machine.addDrive('A', platform::DriveType::removable);
  AddVolume("A:\\Disk2\\data.r01");
  app.setCursor(ui::Cursor::Wait);
  ui->expectDialog(kFloppyForm).then([this](ui::Form&) {
    EXPECT_EQ(ui->cursor(), ui::Cursor::Default);
    EXPECT_EQ(ui->bringToFrontCount(), 1);
  });
  ui->queueClick(kFloppyForm, "Button1");
  EXPECT_EQ(AskForMissingVolume(ctx, app, "A:\\Disk1\\data.r01").value_or("(stop)"), "A:\\Disk1\\data.r01");
  EXPECT_FALSE(ctx.window.BreakRequested);
  EXPECT_EQ(ui->cursor(), ui::Cursor::Wait);

  ui->expectDialog(kFloppyForm);
  ui->queueClick(kFloppyForm, "Button2");
  EXPECT_FALSE(AskForMissingVolume(ctx, app, "A:\\Disk1\\data.r01").has_value());
  EXPECT_TRUE(ctx.window.BreakRequested);
  EXPECT_EQ(ui->cursor(), ui::Cursor::Wait);
}

TEST_F(VolumePromptTest, FixedSourceSearchesThenAsks) {
  AddVolume("D:\\Setup\\Disk2\\data.r01");
  EXPECT_EQ(AskForMissingVolume(ctx, app, "D:\\Setup\\Disk1\\data.r01").value_or("(stop)"),
            "D:\\Setup\\Disk2\\data.r01");
  EXPECT_FALSE(ctx.window.BreakRequested);

  app.setCursor(ui::Cursor::Wait);
  ui->expectDialog(kAskForm).then([this](ui::Form&) { EXPECT_EQ(ui->cursor(), ui::Cursor::Default); });
  ui->queueClick(kAskForm, "CancelBtn");
  EXPECT_FALSE(AskForMissingVolume(ctx, app, "D:\\Setup\\Disk2\\data.r02").has_value());
  EXPECT_TRUE(ctx.window.BreakRequested);
  EXPECT_EQ(ui->cursor(), ui::Cursor::Wait);
}

TEST_F(VolumePromptTest, ABreakAlreadyRequestedIsNotAskedAwayNorCleared) {
  ctx.window.BreakRequested = true;
  // No dialog (an unexpected one would fail the test).
  EXPECT_FALSE(AskForMissingVolume(ctx, app, "D:\\CD1\\data.r01").has_value());
  ctx.window.SourceIsRemovable = true;
  EXPECT_FALSE(AskForMissingVolume(ctx, app, "A:\\data.r01").has_value());
  EXPECT_TRUE(ctx.window.BreakRequested);
}

TEST_F(VolumePromptTest, ArchiveCallbackAnswersTheLibrary) {
  const rar::VolumeCallback callback = MakeVolumeCallback(ctx, app);

  // Found in the next Disk directory: the path changes and the library goes on.
  AddVolume("D:\\Setup\\Disk2\\data.r01");
  std::string path = "D:\\Setup\\Disk1\\data.r01";
  EXPECT_TRUE(callback(rar::VolumeEvent::missing, path));
  EXPECT_EQ(path, "D:\\Setup\\Disk2\\data.r01");

  // A volume that was opened: messages are processed (the Break button of
  // the Process page works) and the break request decides.
  bool pressed = false;
  ui->queue("Break", [this, &pressed] {
    ctx.window.BreakRequested = true;
    pressed = true;
  });
  path = "D:\\Setup\\Disk2\\data.r01";
  EXPECT_FALSE(callback(rar::VolumeEvent::changed, path));
  EXPECT_TRUE(pressed);
  EXPECT_EQ(path, "D:\\Setup\\Disk2\\data.r01");

  // Cancelled prompt: the path stays, the library is told to stop.
  ctx.window.BreakRequested = false;
  ui->expectDialog(kAskForm);
  ui->queueClick(kAskForm, "CancelBtn");
  path = "D:\\CD1\\data.r01";
  EXPECT_FALSE(callback(rar::VolumeEvent::missing, path));
  EXPECT_EQ(path, "D:\\CD1\\data.r01");
  EXPECT_TRUE(ctx.window.BreakRequested);
}

}  // namespace
}  // namespace wizard
