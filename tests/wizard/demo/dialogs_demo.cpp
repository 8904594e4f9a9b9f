// Shows the wizard's dialogs one after another in real windows, over the
// background window, for looking at and for screenshots:
// the overwrite question with a long file name, the diskette prompt, the
// next-volume prompt, the licence agreement (RTF) and the readme viewer.
// scripts/dialogs-screenshots.sh drives it with the robot.

#include <windows.h>

#include <memory>
#include <string>

#include "platform/files.h"
#include "platform/win32/machine.h"
#include "startup/context.h"
#include "ui/application.h"
#include "ui/win32/win32_renderer.h"
#include "wizard/ask_floppy_form.h"
#include "wizard/ask_for_overwrite_form.h"
#include "wizard/ask_form.h"
#include "wizard/background_window.h"
#include "wizard/licence_dialog.h"
#include "wizard/readme_viewer.h"

namespace {

// The dialogs shown here put no messages through the run's message seam.
class NoMessages : public startup::MessageUi {
 public:
  int showMessage(const std::string&, startup::MessageKind) override { return startup::mrOk; }
  startup::Cursor cursor() const override { return cursor_; }
  void setCursor(startup::Cursor c) override { cursor_ = c; }

 private:
  startup::Cursor cursor_ = startup::Cursor::arrow;
};

constexpr char kLicenceRtf[] =
    "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset204 Arial;}}"
    "{\\colortbl;\\red0\\green0\\blue160;}"
    "\\f0\\fs20\\b ЛИЦЕНЗИОННОЕ СОГЛАШЕНИЕ\\b0\\par\\par "
    "\\i\\cf1 Настоящее соглашение заключается между вами и правообладателем программы.\\i0\\cf0\\par "
    "1. Вы можете установить программу на один компьютер.\\par "
    "2. Программа распространяется \\ul как есть\\ulnone .\\par }";

std::string ReadmeText() {
  std::string text = "Пример программы 2.0\r\n\r\nСведения о выпуске.\r\n";
  text += "Длинная строка, которая не переносится, а прокручивается по горизонтали:";
  for (int i = 0; i < 8; ++i) text += " раз, два, три, четыре, пять;";
  text += "\r\nПоследняя строка.\r\n";
  return text;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  ui::Application app(std::make_unique<ui::win32::Win32Renderer>(instance));
  platform::win32::Machine machine;
  NoMessages messages;
  startup::SetupContext ctx(machine, messages);
  platform::FileSystem& fs = machine.files();

  auto background = wizard::ShowBackgroundWindow(app, "Пример программы 2.0", 0x800000);

  startup::TGroup group;
  group.Name = "Справка";
  ctx.model.TGroups.push_back(group);
  startup::FileItem file;
  file.TargetName =
      "C:\\Program Files\\Vendor Product Directory\\Subdirectory\\Another Level\\Deeper Still\\library.dll";
  ctx.model.FilesData.push_back(file);
  const int overwrite = wizard::AskOverwrite(ctx, app, 0, 0);

  const bool stop = wizard::AskForNextDiskette(app);
  const auto volume = wizard::AskForNextVolume(app, fs, "C:\\smoke\\CD1\\data.r01", 260);

  const auto temp = fs.tempPath();
  if (!temp) return 3;
  const std::string licence = *temp + "Licence.rtf";
  const std::string readme = *temp + "Readme.txt";
  if (!platform::writeWholeFile(fs, licence, kLicenceRtf).ok()) return 3;
  if (!platform::writeWholeFile(fs, readme, ReadmeText()).ok()) return 3;
  const bool accepted = wizard::ShowLicenceDialog(app, fs, licence);
  wizard::ShowReadme(app, fs, readme);
  const bool readmeRemoved = fs.removeFile(readme).ok();

  // The exit code tells the script what the dialogs answered.
  return (overwrite == wizard::kReplaceExisting ? 0 : 16) | (stop ? 8 : 0) | (volume ? 4 : 0) |
         (accepted ? 0 : 2) | (readmeRemoved ? 0 : 1) | (fs.fileExists(licence) ? 32 : 0);
}
