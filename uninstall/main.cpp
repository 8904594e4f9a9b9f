// uninstall.exe: removes an installation made by setup.exe. Windows starts
// it from the Uninstall entry with the log's path as its one argument.

#include <windows.h>

#include <exception>
#include <memory>

#include "platform/win32/machine.h"
#include "startup/context.h"
#include "startup/messages.h"
#include "text/codepage.h"
#include "ui/application.h"
#include "ui/win32/win32_renderer.h"
#include "uninstall/uninstall_program.h"

namespace {

// Messages go straight to the application's boxes; the uninstaller asks its
// own questions.
class NoEngineMessages : public startup::MessageUi {
 public:
  int showMessage(const std::string&, startup::MessageKind) override { return startup::mrOk; }
  startup::Cursor cursor() const override { return startup::Cursor::arrow; }
  void setCursor(startup::Cursor) override {}
};

// The arguments after the program's own name, in code page 1251.
std::string Arguments() {
  const wchar_t* line = GetCommandLineW();
  bool quoted = false;
  while (*line && (quoted || (*line != L' ' && *line != L'\t'))) {
    if (*line == L'"') quoted = !quoted;
    ++line;
  }
  static_assert(sizeof(wchar_t) == sizeof(char16_t));
  return text::fromUtf16(text::CodePage::cp1251, reinterpret_cast<const char16_t*>(line));
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  try {
    ui::Application app(std::make_unique<ui::win32::Win32Renderer>(instance));
    platform::win32::Machine machine;
    NoEngineMessages messages;
    startup::SetupContext ctx(machine, messages);
    ctx.model.SystemDir = machine.system().systemDirectory() + "\\";
    ctx.model.WindowsDir = machine.system().windowsDirectory() + "\\";
    return uninstall::RunUninstaller(app, ctx, Arguments());
  } catch (const std::exception&) {
    return 4;
  }
}
